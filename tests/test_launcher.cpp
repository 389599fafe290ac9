// The launcher: path mapping, program start without waiting or leftovers, and
// the real launcher answered with real keys and clicks under Xvfb.
#include "TestSupport.h"
#include "XvfbServer.h"
#include "platform/PlatformLaunch.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

namespace {

// What one started stand-in wrote about itself.
struct StartRecord {
    std::string pid, prog, cwd, sid, fds;
    std::vector<std::string> args;
    bool ended = false;
};

// Returns the records of "started.log" in `dir`, in start order.
std::vector<StartRecord> ReadRecords(const std::string& dir) {
    std::vector<StartRecord> records;
    std::istringstream in(ReadFileBytes(dir + "/started.log"));
    std::string line;
    while (std::getline(in, line)) {
        size_t blank = line.find(' ');
        std::string key = line.substr(0, blank);
        std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (key == "start") {
            records.push_back({});
            records.back().pid = value;
        } else if (key == "end") {
            for (StartRecord& r : records)
                if (r.pid == value) r.ended = true;
        } else if (!records.empty()) {
            StartRecord& r = records.back();
            if (key == "prog") r.prog = value;
            if (key == "arg") r.args.push_back(value);
            if (key == "cwd") r.cwd = value;
            if (key == "sid") r.sid = value;
            if (key == "fds") r.fds = value;
        }
    }
    return records;
}

// Waits up to `seconds` for `done` to hold; returns whether it did.
template <class F> bool WaitFor(F done, double seconds) {
    for (int i = 0; i < seconds * 20; i++) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

// Returns the records once the first start has been written and a little
// more time has passed for any second one.
std::vector<StartRecord> SettledRecords(const std::string& dir, double seconds) {
    WaitFor([&] { return !ReadRecords(dir).empty(); }, seconds);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return ReadRecords(dir);
}

// Builds an install folder in `dir`; `withBin` adds both stand-in programs.
void MakeInstallFolder(const std::string& dir, bool withBin) {
    std::filesystem::create_directories(dir + "/data/base");
    std::filesystem::create_directories(dir + "/data/kl");
    if (!withBin) return;
    std::filesystem::create_directories(dir + "/bin");
    for (const char* name : {"vrem_dx9", "vrem_gl"})
        std::filesystem::copy_file(VREM_STANDIN, dir + "/bin/" + name);
}

// Opens /dev/null without close-on-exec: a descriptor children could inherit.
int OpenInheritable() {
    return open("/dev/null", O_RDONLY);
}

const std::vector<std::string> GameArgs = {"ld:data\\base", "ld:data\\kl"};

TEST(LauncherPath, NativeForm) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"bin\\vrem_dx9.exe", "bin/vrem_dx9"},
        {"bin\\vrem_gl.EXE", "bin/vrem_gl"},
        {"bin/vrem_gl", "bin/vrem_gl"},
        {"a\\b\\c", "a/b/c"},
        {".exe", ".exe"},
        {"bin\\run.exe.bak", "bin/run.exe.bak"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(PlatProgramPath(c.in), c.out) << c.in;
}

// Starting a program from this process: no child is left to reap, nothing
// but the standard descriptors passes, and it runs in a session of its own.
TEST(LauncherStart, StartsDetachedWithoutLeftovers) {
    TempDir dir;
    MakeInstallFolder(dir.path, true);
    int inheritable = OpenInheritable();
    ASSERT_GE(inheritable, 0);
    // The program path is resolved here, the work folder is the program's.
    std::string here = std::filesystem::current_path().string();
    std::filesystem::current_path(dir.path);
    PlatStartProgram("bin\\vrem_gl.exe", "ld:data\\base ld:data\\kl", "data");
    std::filesystem::current_path(here);
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    close(inheritable);

    std::vector<StartRecord> records = SettledRecords(dir.path + "/data", 10);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].prog, dir.path + "/bin/vrem_gl");
    EXPECT_EQ(records[0].args, GameArgs);
    EXPECT_EQ(records[0].cwd, dir.path + "/data");
    EXPECT_EQ(records[0].fds, "");
    EXPECT_NE(records[0].sid, std::to_string(getsid(0)));
    EXPECT_FALSE(records[0].ended);
    WriteFile(dir.path + "/data/release", "");
    EXPECT_TRUE(WaitFor([&] { return ReadRecords(dir.path + "/data")[0].ended; }, 10));
}

// Quoted words keep their blanks; a missing program is silent and leaves no child.
TEST(LauncherStart, QuotedParamsAndMissingProgram) {
    TempDir dir;
    MakeInstallFolder(dir.path, true);
    WriteFile(dir.path + "/release", "");
    PlatStartProgram(dir.path + "/bin/vrem_dx9", "\"cd:a b\"  ld:x", dir.path);
    std::vector<StartRecord> records = SettledRecords(dir.path, 10);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].args, (std::vector<std::string>{"cd:a b", "ld:x"}));

    PlatStartProgram(dir.path + "/bin/missing.exe", "ld:x", dir.path);
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ReadRecords(dir.path).size(), 1u);
}

// The launcher run as a program of its own.
struct LauncherRun {
    pid_t pid = -1;
    int exitCode = -1;
    std::string errFile = testing::TempDir() + "launcher_" + std::to_string(getpid()) + ".err";

    // Starts the launcher in `dir` with one inheritable descriptor open.
    void Start(const std::string& dir) {
        int inheritable = OpenInheritable();
        pid = fork();
        if (pid == 0) {
            int null = open("/dev/null", O_WRONLY);
            int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(null, 1);
            dup2(err < 0 ? null : err, 2);
            if (chdir(dir.c_str()) != 0) _exit(126);
            execl(VREM_LAUNCHER, "launcher", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(inheritable);
    }

    // Waits up to `seconds` for the end; returns whether it ended.
    bool Wait(double seconds) {
        int status = 0;
        bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds);
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        } else if (WIFEXITED(status)) {
            exitCode = WEXITSTATUS(status);
        }
        pid = -1;
        return ended;
    }

    // What the launcher wrote to its standard error.
    std::string Errors() const { return ReadFileBytes(errFile); }

    ~LauncherRun() {
        if (pid > 0) Wait(0);
        std::remove(errFile.c_str());
    }
};

TEST(Launcher, WithoutDisplayStartsNothingAndEnds) {
    TempDir dir;
    MakeInstallFolder(dir.path, true);
    LauncherRun run;
    run.Start(dir.path);
    ASSERT_TRUE(run.Wait(20));
    EXPECT_EQ(run.exitCode, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(ReadRecords(dir.path).empty());
}

// Finds the question box and, once it is shown, answers it with `action`
// (which may use the box's geometry W, H, X, Y); the answer is repeated while
// the box stays open, in case it came before the box took input. Exits 0 once
// the box has gone.
std::string AnswerScript(const std::string& action) {
    return "id=; for i in $(seq 400); do "
           "id=$(xwininfo -root -tree | grep '\"OpenGL\"' | awk '{print $1}' | head -n 1); "
           "[ -n \"$id\" ] && break; sleep 0.1; done; [ -n \"$id\" ] || exit 3; "
           "for try in $(seq 20); do "
           "info=$(xwininfo -id $id 2>/dev/null) || exit 0; "
           "case \"$info\" in *IsViewable*) ;; *) sleep 0.2; continue;; esac; "
           "v() { echo \"$info\" | awk -F: \"/$1/ {print \\$2+0}\"; }; "
           "X=$(v 'Absolute upper-left X'); Y=$(v 'Absolute upper-left Y'); "
           "W=$(v 'Width'); H=$(v 'Height'); sleep 0.3; " +
           action + "; sleep 1; done; exit 4";
}

// The buttons sit side by side near the bottom, centred: Yes left, No right.
const std::string ReturnKey = "xdotool mousemove $((X + W / 2)) $((Y + 10)); sleep 0.2; "
                              "xdotool key Return";
const std::string ClickYes = "xdotool mousemove $((X + W / 2 - 46)) $((Y + H - 27)); sleep 0.2; "
                             "xdotool click 1";
const std::string ClickNo = "xdotool mousemove $((X + W / 2 + 44)) $((Y + H - 27)); sleep 0.2; "
                            "xdotool click 1";

struct AnswerCase {
    const char* name;
    std::string answer;
    bool withBin;
    const char* program; // expected, or nullptr for none
};

// Names the case in test listings.
void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.name;
}

class LauncherOnDisplay : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(LauncherOnDisplay, StartsTheChosenProgramAndEnds) {
    const AnswerCase& c = GetParam();
    XvfbServer server;
    if (!server.Start()) GTEST_SKIP() << "Xvfb is not available";
    if (std::system("command -v xdotool > /dev/null && command -v xwininfo > /dev/null") != 0)
        GTEST_SKIP() << "no xdotool or xwininfo";
    TempDir dir;
    MakeInstallFolder(dir.path, c.withBin);
    LauncherRun run;
    run.Start(dir.path);
    ASSERT_EQ(std::system(AnswerScript(c.answer).c_str()), 0)
        << "the box did not show; launcher stderr: " << run.Errors();
    // It ends on its own while the game waits for its release.
    ASSERT_TRUE(run.Wait(15));
    EXPECT_EQ(run.exitCode, 0);

    std::vector<StartRecord> records = SettledRecords(dir.path, c.program ? 10 : 1);
    if (!c.program) {
        EXPECT_TRUE(records.empty());
        return;
    }
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].prog, c.program);
    EXPECT_EQ(records[0].args, GameArgs);
    EXPECT_EQ(records[0].cwd, dir.path);
    EXPECT_EQ(records[0].fds, "");
    // The game outlives the launcher.
    WriteFile(dir.path + "/release", "");
    EXPECT_TRUE(WaitFor([&] { return ReadRecords(dir.path)[0].ended; }, 10));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, LauncherOnDisplay,
    ::testing::Values(AnswerCase{"ReturnMeansYes", ReturnKey, true, "bin/vrem_dx9"},
                      AnswerCase{"ClickYes", ClickYes, true, "bin/vrem_dx9"},
                      AnswerCase{"ClickNo", ClickNo, true, "bin/vrem_gl"},
                      AnswerCase{"YesWithoutBin", ReturnKey, false, nullptr},
                      AnswerCase{"NoWithoutBin", ClickNo, false, nullptr}),
    [](const ::testing::TestParamInfo<AnswerCase>& p) { return std::string(p.param.name); });

} // namespace
