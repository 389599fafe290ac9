// Process-wide fault callback of the platform layer.
#pragma once
#include <cstdint>

// Called on the faulting thread with the Windows exception code that matches
// the fault, the source line and the source file (relative to the source
// root, beginning with "\"; empty when unknown). It must not return.
using PlatFaultCallback = void (*)(uint32_t code, int line, const char* file);

// Routes the processor faults of the whole process (invalid memory access,
// bus error, arithmetic fault, illegal instruction, breakpoint, stack
// overflow) to `callback`. Signals sent by other processes or by raise() are
// not faults and keep their default action. A second fault while the
// callback runs ends the process quietly with exit code 0.
void PlatSetFaultCallback(PlatFaultCallback callback);
// Gives the fault signals back their default action.
void PlatClearFaultCallback();

// The Windows exception code for a POSIX fault signal and its si_code.
// `stackFault` marks a SIGSEGV at the edge of the faulting thread's stack;
// `privileged` marks a general-protection fault raised by a privileged
// instruction. Unknown combinations give 0.
uint32_t PlatFaultCode(int signal, int siCode, bool stackFault, bool privileged);

// `path` relative to the source root with "\" separators and a leading "\".
// Files outside the source root are made relative to the folder above it
// (the repository), and files outside that keep their absolute path.
// Writes at most `size` bytes including the terminating zero.
void PlatFaultFileName(const char* path, char* out, int size);
