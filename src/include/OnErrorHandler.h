// The fault report: one message box naming the source line, the fault and the
// source file, then the process ends with exit code 0.
#pragma once
#include <cstdint>
#include <string>

// Registers ReportError as the process-wide fault callback.
void InstallErrorHandler();
// Gives the faults back to the system's default handling.
void RemoveErrorHandler();

// Description of a Windows exception code; "Unknown error code" for others.
const char* FaultDescription(uint32_t code);

// "Line: " + line + "| Code: " + description + "| File: " + file.
std::string FaultReportText(int line, const char* description, const char* file);

// Shows the report and ends the process with exit code 0, without ShutDown.
[[noreturn]] void ReportError(uint32_t code, int line, const char* file);
