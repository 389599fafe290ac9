// The replay tool's command line and its input files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One line of a keys file: a key change or a posted menu command.
struct ReplayAction {
    int64_t frame = 0; // 1 is the first frame
    bool menu = false;
    int32_t code = 0; // scan code, or the menu command number
    bool down = false;
};

struct ReplayShot {
    int64_t frame = 0;
    std::string path; // absolute, so "cd:" parameters don't move it
};

struct ReplayOptions {
    int64_t frames = -1;
    std::string keysPath;
    std::string drawsPath;
    bool seedGiven = false;
    uint64_t seed = 1;
    std::string tracePath; // "-" for standard output; empty for none
    int32_t width = 800;
    int32_t height = 600;
    std::vector<ReplayShot> shots;
    std::vector<std::string> params; // the game's own parameters
};

// Reads the command line (argv after the program path); false with a message
// in `error` for an unknown option, a bad value or a missing --frames.
bool ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions* options,
                        std::string* error);

// The scan code of a key name or number ("space", "57", "0x39"); -1 when the
// text is neither or out of range.
int32_t ReplayKeyCode(const std::string& text);

// Reads a keys file into actions sorted by frame (file order within a frame);
// false with "FILE:LINE: reason" (or the reason the file is unreadable).
bool ReadReplayKeys(const std::string& path, std::vector<ReplayAction>* actions,
                    std::string* error);

// Reads the whitespace-separated draws (each 0 to 3); false with a message
// naming the file and line for an unreadable or empty file or a bad value.
bool ReadReplayDraws(const std::string& path, std::vector<int32_t>* draws, std::string* error);
