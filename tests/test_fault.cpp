// The fault report: descriptions, report text, fault codes of the signals,
// file names, and real faulting programs.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>

#include "OnErrorHandler.h"
#include "TestSupport.h"
#include "platform/PlatformFault.h"

namespace {

TEST(FaultDescription, EveryKnownCodeAndUnknownOnes) {
    struct Case {
        uint32_t code;
        const char* text;
    } cases[] = {
        {0xC0000005u, "Invalid memory access"},
        {0xC000008Cu, "Array bounds exceeded"},
        {0x80000003u, "Debugger breakpoint reached"},
        {0x80000002u, "Misaligned data access"},
        {0xC000008Du, "Denormal floating-point operand"},
        {0xC000008Eu, "Division by zero (floating-point)"},
        {0xC000008Fu, "Inexact floating-point result"},
        {0xC0000090u, "Invalid floating-point operation"},
        {0xC0000091u, "Floating-point overflow (exponent to great)"},
        {0xC0000092u, "Floating-point stack overflow or underflow"},
        {0xC0000093u, "Floating-point underflow (exponent too small)"},
        {0xC000001Du, "Illegal instruction"},
        {0xC0000006u, "Memory page error"},
        {0xC0000094u, "Division by zero "},
        {0xC0000095u, "Integer overflow"},
        {0xC0000026u, "Exception handler returned unknown value"},
        {0xC0000025u, "Exception handler tried to continue after non-continuable exception"},
        {0xC0000096u, "Privileged instruction"},
        {0x80000004u, "Single step trap"},
        {0xC00000FDu, "Stack overflow"},
        {0u, "Unknown error code"},
        {0xC0000004u, "Unknown error code"},
        {0xC00000FEu, "Unknown error code"},
        {0x80000001u, "Unknown error code"},
        {0xFFFFFFFFu, "Unknown error code"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(FaultDescription(c.code), c.text) << std::hex << c.code;
}

TEST(FaultReportText, JoinsLineDescriptionAndFileWithoutBlanks) {
    EXPECT_EQ(FaultReportText(42, "Division by zero ", "\\gameplay\\Player.cpp"),
              "Line: 42| Code: Division by zero | File: \\gameplay\\Player.cpp");
    EXPECT_EQ(FaultReportText(0, "Unknown error code", ""),
              "Line: 0| Code: Unknown error code| File: ");
    EXPECT_EQ(FaultReportText(123456, "Stack overflow", "\\Main.cpp"),
              "Line: 123456| Code: Stack overflow| File: \\Main.cpp");
}

TEST(PlatFaultCode, SignalsAndTheirCausesMapToWindowsCodes) {
    struct Case {
        int signal, siCode;
        bool stack, privileged;
        uint32_t code;
    } cases[] = {
        {SIGSEGV, SEGV_MAPERR, false, false, 0xC0000005u},
        {SIGSEGV, SEGV_ACCERR, false, false, 0xC0000005u},
        {SIGSEGV, SEGV_MAPERR, true, false, 0xC00000FDu},
        {SIGSEGV, SEGV_ACCERR, true, false, 0xC00000FDu},
        {SIGSEGV, SI_KERNEL, false, true, 0xC0000096u},
        {SIGSEGV, SI_KERNEL, false, false, 0xC0000005u},
        {SIGBUS, BUS_ADRALN, false, false, 0x80000002u},
        {SIGBUS, BUS_ADRERR, false, false, 0xC0000006u},
        {SIGBUS, BUS_OBJERR, false, false, 0xC0000006u},
        {SIGFPE, FPE_INTDIV, false, false, 0xC0000094u},
        {SIGFPE, FPE_INTOVF, false, false, 0xC0000095u},
        {SIGFPE, FPE_FLTDIV, false, false, 0xC000008Eu},
        {SIGFPE, FPE_FLTOVF, false, false, 0xC0000091u},
        {SIGFPE, FPE_FLTUND, false, false, 0xC0000093u},
        {SIGFPE, FPE_FLTRES, false, false, 0xC000008Fu},
        {SIGFPE, FPE_FLTINV, false, false, 0xC0000090u},
        {SIGFPE, FPE_FLTSUB, false, false, 0xC000008Cu},
        {SIGFPE, SI_KERNEL, false, false, 0u},
        {SIGILL, ILL_ILLOPC, false, false, 0xC000001Du},
        {SIGILL, ILL_ILLOPN, false, false, 0xC000001Du},
        {SIGILL, ILL_BADSTK, false, false, 0xC000001Du},
        {SIGILL, ILL_PRVOPC, false, false, 0xC0000096u},
        {SIGILL, ILL_PRVREG, false, false, 0xC0000096u},
        {SIGTRAP, TRAP_BRKPT, false, false, 0x80000003u},
        {SIGTRAP, SI_KERNEL, false, false, 0x80000003u},
        {SIGTRAP, TRAP_TRACE, false, false, 0x80000004u},
        {SIGTRAP, TRAP_HWBKPT, false, false, 0x80000004u},
        {SIGINT, SI_KERNEL, false, false, 0u},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlatFaultCode(c.signal, c.siCode, c.stack, c.privileged), c.code)
            << "signal " << c.signal << " si_code " << c.siCode;
}

TEST(PlatFaultFileName, RelativeToSourceRootWithBackslashes) {
    const std::string root = VREM_SOURCE_ROOT;
    const std::string repo = root.substr(0, root.rfind('/'));
    struct Case {
        std::string path;
        std::string name;
    } cases[] = {
        {root + "/Main.cpp", "\\Main.cpp"},
        {root + "/include/OnErrorHandler.cpp", "\\include\\OnErrorHandler.cpp"},
        {root + "/gameplay/../include//IndexedFile.h", "\\include\\IndexedFile.h"},
        {root + "/./gameplay/Player.cpp", "\\gameplay\\Player.cpp"},
        // Outside the source root: relative to the repository.
        {repo + "/tests/faults/fault_cases.cpp", "\\tests\\faults\\fault_cases.cpp"},
        {root + "/../tests/x.cpp", "\\tests\\x.cpp"},
        {root + "2/Other.cpp", "\\" + root.substr(root.rfind('/') + 1) + "2\\Other.cpp"},
        // Outside the repository: the absolute path.
        {"/usr/include/c++/12/bits/stl_vector.h", "\\usr\\include\\c++\\12\\bits\\stl_vector.h"},
        {"", ""},
    };
    for (const Case& c : cases) {
        char out[512];
        PlatFaultFileName(c.path.c_str(), out, sizeof out);
        EXPECT_EQ(std::string(out), c.name) << c.path;
    }
    // A short buffer truncates and still ends the text.
    char small[6];
    PlatFaultFileName((root + "/include/OnErrorHandler.cpp").c_str(), small, sizeof small);
    EXPECT_EQ(std::string(small), "\\incl");
    PlatFaultFileName(nullptr, small, sizeof small);
    EXPECT_EQ(std::string(small), "");
}

const char* const FaultSource = "/faults/fault_cases.cpp";
const char* const FaultFile = "\\tests\\faults\\fault_cases.cpp";

// Line number (1-based) of the first source line holding `marker`.
int MarkerLine(const std::string& marker) {
    std::ifstream f(std::string(VREM_TEST_SOURCE_DIR) + FaultSource);
    std::string line;
    for (int n = 1; std::getline(f, line); n++)
        if (line.find("// fault: " + marker) != std::string::npos) return n;
    ADD_FAILURE() << "no marker " << marker;
    return -1;
}

RunResult RunFaultCase(const std::string& mode) {
    TempDir dir;
    return RunProgram({std::string(VREM_FAULT_BIN_DIR) + "/fault_cases", mode}, dir.path,
                      {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER=dummy"});
}

// How often `part` occurs in `text`.
int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
    return n;
}

TEST(FaultReport, RealFaultsNameTheirLineFaultAndFile) {
    struct Case {
        const char* mode;
        const char* description;
        const char* marker = nullptr; // the mode's own when null
    } cases[] = {
        {"null-write", "Invalid memory access"},
        {"thread", "Invalid memory access", "null-write"},
        {"divide", "Division by zero "},
        {"illegal", "Illegal instruction"},
        {"library", "Invalid memory access"},
        {"page-error", "Memory page error"},
#if defined(__x86_64__) || defined(__i386__)
        {"breakpoint", "Debugger breakpoint reached"},
        {"privileged", "Privileged instruction"},
#endif
#if defined(__x86_64__)
        {"misaligned", "Misaligned data access"},
#endif
    };
    for (const Case& c : cases) {
        RunResult r = RunFaultCase(c.mode);
        std::string marker = c.marker ? c.marker : c.mode;
        std::string report = FaultReportText(MarkerLine(marker), c.description, FaultFile);
        EXPECT_EQ(r.exitCode, 0) << c.mode << " signal " << r.signal << "\n" << r.err;
        EXPECT_EQ(Count(r.err, ": " + report + "\n"), 1) << c.mode << "\n" << r.err;
        EXPECT_EQ(Count(r.err, "Line: "), 1) << c.mode << "\n" << r.err;
        EXPECT_EQ(r.out.find("survived"), std::string::npos) << c.mode;
    }
}

TEST(FaultReport, StackOverflowNamesALineOfTheRecursion) {
    RunResult r = RunFaultCase("overflow");
    EXPECT_EQ(r.exitCode, 0) << "signal " << r.signal << "\n" << r.err;
    std::string prefix = ": Line: ";
    size_t at = r.err.find(prefix);
    ASSERT_NE(at, std::string::npos) << r.err;
    int line = std::atoi(r.err.c_str() + at + prefix.size());
    EXPECT_GT(line, MarkerLine("overflow-begin"));
    EXPECT_LT(line, MarkerLine("overflow-end"));
    EXPECT_EQ(Count(r.err, ": " + FaultReportText(line, "Stack overflow", FaultFile) + "\n"), 1)
        << r.err;
}

TEST(FaultReport, FaultInsideTheCallbackEndsQuietlyWithZero) {
    RunResult r = RunFaultCase("reentry");
    EXPECT_EQ(r.exitCode, 0) << "signal " << r.signal;
    EXPECT_EQ(Count(r.err, "callback entered"), 1) << r.err;
    EXPECT_EQ(r.out.find("survived"), std::string::npos);
}

TEST(FaultReport, ProgramsWithoutFaultsAreUnaffected) {
    RunResult r = RunFaultCase("none");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "no fault\n");
    EXPECT_EQ(r.err.find("Line: "), std::string::npos) << r.err;
}

TEST(FaultReport, RemovedHandlerAndSentSignalsKeepTheDefaultAction) {
    for (const char* mode : {"removed", "sent"}) {
        RunResult r = RunFaultCase(mode);
        EXPECT_EQ(r.exitCode, -1) << mode;
        EXPECT_EQ(r.signal, SIGSEGV) << mode << "\n" << r.err;
        EXPECT_EQ(r.err.find("Line: "), std::string::npos) << mode << "\n" << r.err;
    }
}

} // namespace
