// The fault report: a message box naming the source line, the fault and the
// source file, then the end of the process.
#include "OnErrorHandler.h"

#include "platform/PlatformFault.h"
#include "platform/PlatformProcess.h"

namespace {

struct FaultText {
    uint32_t code;
    const char* description;
};

const FaultText FaultTexts[] = {
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
};

} // namespace

// Makes ReportError the process-wide fault callback.
void InstallErrorHandler() {
    PlatSetFaultCallback(ReportError);
}

// Gives faults back to the system's default handling.
void RemoveErrorHandler() {
    PlatClearFaultCallback();
}

// Returns the fixed description of `code`; no state.
const char* FaultDescription(uint32_t code) {
    for (const FaultText& t : FaultTexts)
        if (t.code == code) return t.description;
    return "Unknown error code";
}

// Returns the report's text; no state.
std::string FaultReportText(int line, const char* description, const char* file) {
    return "Line: " + std::to_string(line) + "| Code: " + (description ? description : "") +
           "| File: " + (file ? file : "");
}

// Shows the report and ends the process with exit code 0; never returns.
void ReportError(uint32_t code, int line, const char* file) {
    PlatMessageBox("", FaultReportText(line, FaultDescription(code), file));
    PlatExit(0);
}
