// File system and process services of the platform layer.
// Paths may use "\" or "/" as separators; the platform maps them to its own.
#pragma once
#include <cstdint>
#include <string>

// Starts a listing of every entry of `path` matching `pattern` ("*" only),
// "." and ".." included; an empty path lists the current directory.
// Returns 0 when the listing cannot be started.
struct PlatDirListing;
PlatDirListing* PlatDirStart(const std::string& path, const char* pattern);
// Advances to the next entry; false once exhausted or when `dir` is null.
bool PlatDirNext(PlatDirListing* dir);
const std::string& PlatDirName(const PlatDirListing* dir);
bool PlatDirIsDirectory(const PlatDirListing* dir);
int64_t PlatDirSize(const PlatDirListing* dir);
void PlatDirFinish(PlatDirListing* dir);

// Identity of a directory (device and node), the same for every path that
// leads to it; false when it cannot be read.
bool PlatDirIdentity(const std::string& path, uint64_t id[2]);

// Absolute current directory, always ending in the platform's separator.
std::string PlatCurrentDir();
// Returns false when the directory cannot be entered (the current one stays).
bool PlatSetCurrentDir(const std::string& path);

// Text after the last "." of a file name; empty when there is no dot, the
// dot is the first character, or a space follows it.
std::string PlatExtension(const std::string& name);

// Lower-cases A to Z; other bytes stay as they are.
std::string PlatLowerCase(const std::string& text);

// Platform form of a path given with "\" or "/" separators.
std::string PlatNativePath(const std::string& path);

// Reads a whole file; false when it cannot be read.
bool PlatReadFile(const std::string& path, std::string* bytes);
