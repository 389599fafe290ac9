// Shared helpers of the test programs: scratch folders, files, child programs.
#pragma once
#include <string>
#include <vector>

// A new empty folder under the system's temporary folder, removed with its
// contents when the object goes.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path; // absolute, without a trailing "/"
};

// Writes `bytes` to `path`, creating the folders on the way.
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);

struct RunResult {
    int exitCode = -1; // -1 when the child did not exit normally
    int signal = 0;    // the signal that ended it, if any
    std::string out;
    std::string err;
};

// Runs `argv` in `cwd` with extra environment entries ("NAME=value"), waits at
// most `timeoutSeconds`, and returns what it printed.
RunResult RunProgram(const std::vector<std::string>& argv, const std::string& cwd,
                     const std::vector<std::string>& env = {}, int timeoutSeconds = 60);

// Path of a program built beside the game programs.
std::string BuiltProgram(const std::string& name);
