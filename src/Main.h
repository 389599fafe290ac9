// The game shell: start-up, command line, shutdown and the shell's state.
#pragma once
#include <cstdint>
#include <string>

extern int32_t Zoom;
extern int32_t SharpDisplay;
extern int32_t FullScreenOn;
extern std::string TypedCode;
extern int32_t LastScreenWidth;
extern int32_t LastScreenHeight;

// Runs the start-up sequence and the frame loop; never returns.
[[noreturn]] void GameMain();

// Acts on every "cd:", "ld:" and "ldnz:" parameter in order.
void ParseCommandLine();

// Closes the platform services in order and exits with code 0.
[[noreturn]] void ShutDown();
