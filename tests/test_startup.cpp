// The game programs' start-up and command line, run as real processes.
#include <gtest/gtest.h>

#include "TestSupport.h"

TEST(StartUp, NoParametersShowsErrorAndExitsZero) {
    for (const char* program : {"vrem_gl", "vrem_dx9"}) {
        TempDir dir;
        RunResult r =
            RunProgram({BuiltProgram(program)}, dir.path, {"DISPLAY=", "WAYLAND_DISPLAY="});
        EXPECT_EQ(r.exitCode, 0) << program;
        EXPECT_NE(r.err.find("Error: No parameters parsed."), std::string::npos) << r.err;
    }
}
