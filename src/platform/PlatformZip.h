// Zip packs, addressed by small positive handles (0 = none). A pack stays open
// until PlatZipCloseAll. Entry names are UTF-8 ("/" separated): names the
// archive marks as UTF-8 or that are valid UTF-8 are kept as they are, others
// are taken as CP437 and converted.
#pragma once
#include <cstdint>
#include <string>

// Makes the zip format available; libzip needs nothing, so this only keeps
// the start-up order readable.
void PlatZipRegister();
// Opens a pack for reading; 0 when the file is not a readable zip archive
// (missing, not a regular file, empty, damaged).
int PlatZipOpen(const std::string& path);
// Positions before the first entry.
void PlatZipFirstEntry(int pack);
// Advances to the next entry; false after the last one.
bool PlatZipNextEntry(int pack);
// Name, kind and uncompressed size of the current entry ("", false, 0 when
// there is none).
std::string PlatZipEntryName(int pack);
bool PlatZipEntryIsDirectory(int pack);
int64_t PlatZipEntrySize(int pack);
// Reads up to `length` bytes of the entry `name` (exact match) into `buffer`;
// returns the count written, or -1 when the entry cannot be read or its data
// is damaged. Never writes more than `length` bytes.
int64_t PlatZipRead(int pack, void* buffer, int64_t length, const std::string& name);
// Closes every pack still open; their handles become invalid.
void PlatZipCloseAll();
