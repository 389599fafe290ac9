// Placeholder until zip packs land.
#include "PlatformZip.h"

void PlatZipRegister() {}
int PlatZipOpen(const std::string&) {
    return 0;
}
void PlatZipFirstEntry(int) {}
bool PlatZipNextEntry(int) {
    return false;
}
std::string PlatZipEntryName(int) {
    return "";
}
bool PlatZipEntryIsDirectory(int) {
    return false;
}
int64_t PlatZipEntrySize(int) {
    return 0;
}
int64_t PlatZipRead(int, void*, int64_t, const std::string&) {
    return -1;
}
void PlatZipCloseAll() {}
