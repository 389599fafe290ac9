// Process-wide fault callback of the platform layer.
#pragma once
#include <cstdint>

// Called on the faulting thread with the Windows exception code that matches
// the fault, the source line and the source file (relative to the source
// root, beginning with "\"; empty when unknown). It must not return.
using PlatFaultCallback = void (*)(uint32_t code, int line, const char* file);

void PlatSetFaultCallback(PlatFaultCallback callback);
void PlatClearFaultCallback();
