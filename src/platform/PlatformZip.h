// Zip packs, addressed by handle (0 = none).
#pragma once
#include <cstdint>
#include <string>

void PlatZipRegister();
// Opens a pack for reading; 0 when the file is not a readable zip archive.
int PlatZipOpen(const std::string& path);
// Positions before the first entry.
void PlatZipFirstEntry(int pack);
// Advances to the next entry; false after the last one.
bool PlatZipNextEntry(int pack);
std::string PlatZipEntryName(int pack);
bool PlatZipEntryIsDirectory(int pack);
int64_t PlatZipEntrySize(int pack);
// Reads up to `length` bytes of the entry `name` into `buffer`; returns the
// count written, or -1.
int64_t PlatZipRead(int pack, void* buffer, int64_t length, const std::string& name);
// Closes every pack still open.
void PlatZipCloseAll();
