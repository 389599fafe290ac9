// Launcher services of the platform layer: the Yes/No question box and
// starting another program without waiting for it.
#pragma once
#include <string>

// Answers of the question box; PlatAnswerFailed when the box could not be
// shown or was closed without an answer.
enum PlatAnswer { PlatAnswerFailed = 0, PlatAnswerYes = 1, PlatAnswerNo = 2 };

// Starts and stops the services the question box needs.
void PlatLaunchStart();
void PlatLaunchStop();

// Shows a modal box without owner and icon, buttons Yes (the Return key's
// default) and No; returns the answer. Without a display it fails at once.
PlatAnswer PlatAskYesNo(const std::string& title, const std::string& text);

// Returns the program path `path` in this system's form: "\" becomes "/" and a trailing ".exe"
// is dropped on POSIX systems.
std::string PlatProgramPath(const std::string& path);

// Starts `program` with the parameters split from `paramText` in the
// directory `workDir` ("" keeps the current one), in a session of its own,
// with no descriptor but the standard three; returns at once, leaving no
// child behind. A program that cannot be started is silent.
void PlatStartProgram(const std::string& program, const std::string& paramText,
                      const std::string& workDir);
