// Placeholder until the fault report lands.
#include "OnErrorHandler.h"

#include "platform/PlatformProcess.h"

void InstallErrorHandler() {}
void RemoveErrorHandler() {}
const char* FaultDescription(uint32_t) {
    return "Unknown error code";
}
std::string FaultReportText(int, const char*, const char*) {
    return "";
}
void ReportError(uint32_t, int, const char*) {
    PlatExit(0);
}
