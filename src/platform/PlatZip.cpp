// Zip packs on libzip: opened read-only, listed, and read one entry at a time.
#include "PlatformZip.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

#include "PlatformFiles.h"

struct ZipPack {
    zip_t* archive = nullptr;
    zip_int64_t count = 0;    // entries in the archive
    zip_int64_t current = -1; // entry the listing stands on; -1 before the first
};

// Handle n is Packs[n - 1].
static std::vector<ZipPack> Packs;

// Returns the open pack behind `pack`, or null for a handle that names none.
static ZipPack* FindPack(int pack) {
    if (pack < 1 || static_cast<size_t>(pack) > Packs.size()) return nullptr;
    ZipPack* p = &Packs[static_cast<size_t>(pack) - 1];
    return p->archive ? p : nullptr;
}

// Returns the pack's current entry, or -1 when the listing stands on none.
static zip_int64_t CurrentEntry(const ZipPack* p) {
    if (!p || p->current < 0 || p->current >= p->count) return -1;
    return p->current;
}

// Nothing to do: libzip reads zip archives without registration.
void PlatZipRegister() {}

// Returns the handle of the newly opened pack at `path`, or 0.
int PlatZipOpen(const std::string& path) {
    // Only regular, non-empty files: opening a fifo would wait for a writer,
    // and libzip would take an empty file as an empty archive.
    int fd = open(PlatNativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return 0;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) {
        close(fd);
        return 0;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    int error = 0;
    zip_t* archive = zip_fdopen(fd, 0, &error);
    if (!archive) {
        close(fd);
        return 0;
    }
    ZipPack pack;
    pack.archive = archive;
    pack.count = zip_get_num_entries(archive, 0);
    if (pack.count < 0) pack.count = 0;
    Packs.push_back(pack);
    return static_cast<int>(Packs.size());
}

// Puts the pack's listing before its first entry.
void PlatZipFirstEntry(int pack) {
    if (ZipPack* p = FindPack(pack)) p->current = -1;
}

// Moves the listing on; returns whether it stands on an entry.
bool PlatZipNextEntry(int pack) {
    ZipPack* p = FindPack(pack);
    if (!p || p->current >= p->count) return false;
    p->current++;
    return p->current < p->count;
}

// Returns the current entry's name, UTF-8, or "".
std::string PlatZipEntryName(int pack) {
    ZipPack* p = FindPack(pack);
    zip_int64_t entry = CurrentEntry(p);
    if (entry < 0) return "";
    // Guessed encoding: the same names zip_name_locate compares against.
    const char* name = zip_get_name(p->archive, static_cast<zip_uint64_t>(entry), ZIP_FL_ENC_GUESS);
    return name ? name : "";
}

// Returns whether the current entry's name ends in "/".
bool PlatZipEntryIsDirectory(int pack) {
    std::string name = PlatZipEntryName(pack);
    return !name.empty() && name.back() == '/';
}

// Returns the current entry's uncompressed size, or 0.
int64_t PlatZipEntrySize(int pack) {
    ZipPack* p = FindPack(pack);
    zip_int64_t entry = CurrentEntry(p);
    if (entry < 0) return 0;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(p->archive, static_cast<zip_uint64_t>(entry), 0, &st) != 0) return 0;
    if (!(st.valid & ZIP_STAT_SIZE)) return 0;
    // Sizes above 2^63 wrap; only the low bits matter to the index.
    return static_cast<int64_t>(st.size);
}

// Fills `buffer` with at most `length` bytes of the entry `name`; returns
// the count, or -1 when the entry is missing or damaged.
int64_t PlatZipRead(int pack, void* buffer, int64_t length, const std::string& name) {
    ZipPack* p = FindPack(pack);
    if (!p || length < 0 || (!buffer && length > 0)) return -1;
    if (name.find('\0') != std::string::npos) return -1;
    zip_int64_t entry = zip_name_locate(p->archive, name.c_str(), ZIP_FL_ENC_GUESS);
    if (entry < 0) return -1;
    zip_file_t* file = zip_fopen_index(p->archive, static_cast<zip_uint64_t>(entry), 0);
    if (!file) return -1;
    auto* out = static_cast<unsigned char*>(buffer);
    int64_t got = 0;
    bool damaged = false;
    while (got < length) {
        zip_int64_t n = zip_fread(file, out + got, static_cast<zip_uint64_t>(length - got));
        if (n < 0) {
            damaged = true;
            break;
        }
        if (n == 0) break;
        got += n;
    }
    // A wrong checksum or size shows only at the entry's end; when the buffer
    // filled up, one more byte (into a scratch byte) reaches it. Data going
    // on past the declared size is damaged too.
    if (!damaged && got == length) {
        unsigned char probe;
        zip_int64_t more = zip_fread(file, &probe, 1);
        zip_stat_t st;
        zip_stat_init(&st);
        bool declared = zip_stat_index(p->archive, static_cast<zip_uint64_t>(entry), 0, &st) == 0 &&
                        (st.valid & ZIP_STAT_SIZE);
        if (more < 0 || (more > 0 && declared && static_cast<uint64_t>(got) >= st.size))
            damaged = true;
    }
    zip_fclose(file);
    return damaged ? -1 : got;
}

// Closes every pack; all handles become invalid.
void PlatZipCloseAll() {
    for (ZipPack& p : Packs)
        if (p.archive) zip_discard(p.archive);
    Packs.clear();
}
