// Directory listing, current directory and path text on POSIX file systems.
#include "PlatformFiles.h"

#include <cstdio>
#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

struct PlatDirListing {
    DIR* dir = nullptr;
    std::string base; // native directory path ending in "/" ("" for the current one)
    std::string name;
    bool isDirectory = false;
    int64_t size = 0;
};

std::string PlatNativePath(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

PlatDirListing* PlatDirStart(const std::string& path, const char* /*pattern*/) {
    std::string base = PlatNativePath(path);
    if (!base.empty() && base.back() != '/') base += '/';
    DIR* d = opendir(base.empty() ? "." : base.c_str());
    if (!d) return nullptr;
    auto* listing = new PlatDirListing;
    listing->dir = d;
    listing->base = base;
    return listing;
}

bool PlatDirNext(PlatDirListing* listing) {
    if (!listing) return false;
    struct dirent* e = readdir(listing->dir);
    if (!e) return false;
    listing->name = e->d_name;
    listing->isDirectory = false;
    listing->size = 0;
    // Links count as what they lead to, as directory junctions do; a dangling
    // link is a file of size 0.
    std::string full = (listing->base.empty() ? "./" : listing->base) + listing->name;
    struct stat st;
    if (stat(full.c_str(), &st) == 0) {
        listing->isDirectory = S_ISDIR(st.st_mode);
        listing->size = listing->isDirectory ? 0 : static_cast<int64_t>(st.st_size);
    }
    return true;
}

const std::string& PlatDirName(const PlatDirListing* listing) {
    return listing->name;
}
bool PlatDirIsDirectory(const PlatDirListing* listing) {
    return listing->isDirectory;
}
int64_t PlatDirSize(const PlatDirListing* listing) {
    return listing->size;
}

void PlatDirFinish(PlatDirListing* listing) {
    if (!listing) return;
    closedir(listing->dir);
    delete listing;
}

bool PlatDirIdentity(const std::string& path, uint64_t id[2]) {
    std::string p = PlatNativePath(path);
    struct stat st;
    if (stat(p.empty() ? "." : p.c_str(), &st) != 0) return false;
    id[0] = static_cast<uint64_t>(st.st_dev);
    id[1] = static_cast<uint64_t>(st.st_ino);
    return true;
}

std::string PlatCurrentDir() {
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) return "/";
    std::string dir = buf;
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

bool PlatSetCurrentDir(const std::string& path) {
    if (path.empty()) return false;
    return chdir(PlatNativePath(path).c_str()) == 0;
}

std::string PlatExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return "";
    if (dot + 1 < name.size() && name[dot + 1] == ' ') return "";
    return name.substr(dot + 1);
}

std::string PlatLowerCase(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool PlatReadFile(const std::string& path, std::string* bytes) {
    FILE* f = fopen(PlatNativePath(path).c_str(), "rb");
    if (!f) return false;
    bytes->clear();
    char buf[65536];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, f)) > 0) bytes->append(buf, got);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}
