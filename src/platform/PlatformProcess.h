// Process services of the platform layer: parameters, message boxes, exit.
#pragma once
#include <string>
#include <vector>

// Keeps the program's parameters (argv after the program's own path).
void PlatSetParams(int argc, char** argv);
int PlatParamCount();
std::string PlatParam(int i);

// Splits a parameter text at blanks; a word in double quotes keeps its
// blanks and loses the quotes.
std::vector<std::string> PlatSplitParams(const std::string& text);

// Modal box with one OK button. Without a display the title and text go to
// standard error instead and the call returns at once.
void PlatMessageBox(const std::string& title, const std::string& text);

// Ends the process with `code` at once.
[[noreturn]] void PlatExit(int code);
