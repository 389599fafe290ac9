// The asset index over real folders and real zip packs made by the tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "IndexedFile.h"
#include "TestSupport.h"
#include "ZipTestFiles.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformZip.h"

namespace fs = std::filesystem;

namespace {

// The bytes an index entry stands for, read the way the loaders read them;
// "<unreadable>" when they cannot be read.
std::string ReadAsset(const AssetEntry& entry) {
    if (entry.pack == 0) {
        std::string bytes;
        return PlatReadFile(entry.source, &bytes) ? bytes : "<unreadable>";
    }
    if (entry.size < 0) return "<unreadable>";
    std::string buffer(static_cast<size_t>(entry.size), '\0');
    int64_t got = PlatZipRead(entry.pack, buffer.data(), entry.size, entry.source);
    if (got < 0) return "<unreadable>";
    buffer.resize(static_cast<size_t>(got));
    return buffer;
}

// Returns `names` in sorted order.
std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// Returns the keys of `index`, sorted.
std::vector<std::string> Keys(const AssetMap& index) {
    std::vector<std::string> keys;
    for (const auto& [key, entry] : index) keys.push_back(key);
    return Sorted(keys);
}

// Names of a folder in the order its listing gives them.
std::vector<std::string> ListingOrder(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    while (struct dirent* e = d ? readdir(d) : nullptr) names.push_back(e->d_name);
    if (d) closedir(d);
    return names;
}

// Sets the 32-bit uncompressed size of the entry `name` in both its local and
// central headers of the zip file at `path`.
void PatchDeclaredSize(const std::string& path, const std::string& name, uint32_t size) {
    std::string bytes = ReadFileBytes(path);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; i++)
            bytes[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    auto nameAt = [&](size_t header, size_t nameOffset) {
        return bytes.compare(header + nameOffset, name.size(), name) == 0;
    };
    int patched = 0;
    for (size_t at = 0; at + 46 <= bytes.size(); at++) {
        if (bytes.compare(at, 4, "PK\x03\x04") == 0 && nameAt(at, 30))
            put32(at + 22, size), patched++;
        if (bytes.compare(at, 4, "PK\x01\x02") == 0 && nameAt(at, 46))
            put32(at + 24, size), patched++;
    }
    ASSERT_EQ(patched, 2) << path;
    WriteFile(path, bytes);
}

// Offset of the stored data of the entry `name` (its local header's end).
size_t EntryDataOffset(const std::string& bytes, const std::string& name) {
    for (size_t at = 0; at + 30 <= bytes.size(); at++) {
        if (bytes.compare(at, 4, "PK\x03\x04") != 0) continue;
        size_t nameLength = static_cast<unsigned char>(bytes[at + 26]) |
                            static_cast<unsigned char>(bytes[at + 27]) << 8;
        size_t extraLength = static_cast<unsigned char>(bytes[at + 28]) |
                             static_cast<unsigned char>(bytes[at + 29]) << 8;
        if (bytes.compare(at + 30, nameLength, name) == 0)
            return at + 30 + nameLength + extraLength;
    }
    return std::string::npos;
}

// Returns `length` bytes that do not repeat quickly, varied by `seed`.
std::string Pattern(size_t length, unsigned seed) {
    std::string text(length, '\0');
    for (size_t i = 0; i < length; i++) text[i] = static_cast<char>((i * 131 + seed * 7) % 251);
    return text;
}

// Each test works in a fresh folder that is the current directory; the
// previous current directory comes back and every pack closes afterwards.
class IndexTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = PlatCurrentDir();
        ASSERT_TRUE(PlatSetCurrentDir(root.path));
        cwd = PlatCurrentDir();
    }
    void TearDown() override {
        PlatSetCurrentDir(saved);
        PlatZipCloseAll();
    }
    // Returns the absolute path of `relative` inside the test folder.
    std::string At(const std::string& relative) const { return root.path + "/" + relative; }
    // Indexes the folder `relative` as a data root, as "ld:" does.
    void IndexRoot(const std::string& relative, int32_t packDepth = 16) {
        ASSERT_TRUE(PlatSetCurrentDir(At(relative)));
        IndexDirectory(index, "", packDepth);
        ASSERT_TRUE(PlatSetCurrentDir(root.path));
    }
    // Returns the entry under `key`, or null.
    const AssetEntry* Find(const std::string& key) const {
        auto it = index.find(key);
        return it == index.end() ? nullptr : &it->second;
    }

    TempDir root;
    std::string saved;
    std::string cwd; // the test folder as the platform reports it, ending in "/"
    AssetMap index;
};

TEST_F(IndexTest, LooseFilesGetLowerCaseKeysAndAbsoluteSources) {
    WriteFile(At("Maps/TestLevel/Color.PNG"), "color");
    WriteFile(At(".hidden"), "h");
    WriteFile(At("Sounds/Music/Turmoil_Short.OGG"), std::string(300, 'm'));
    fs::create_directories(At("Empty/Deeper"));
    IndexDirectory(index, "", 16);

    EXPECT_EQ(Keys(index), Sorted({"maps\\testlevel\\color.png", ".hidden",
                                   "sounds\\music\\turmoil_short.ogg"}));
    const AssetEntry* color = Find("maps\\testlevel\\color.png");
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->pack, 0);
    EXPECT_EQ(color->source, cwd + "Maps\\TestLevel\\Color.PNG");
    EXPECT_EQ(color->size, 5);
    EXPECT_EQ(ReadAsset(*color), "color");
    EXPECT_EQ(Find("sounds\\music\\turmoil_short.ogg")->size, 300);
}

TEST_F(IndexTest, SubDirectoryPathPrefixesKeysAndSources) {
    WriteFile(At("Sub/Dir/A.txt"), "a");
    WriteFile(At("Sub/Dir/Inner/B.txt"), "bb");
    WriteFile(At("Outside.txt"), "o");
    MakeZip(At("Sub/Dir/P.zip"), {{"In/C.txt", "ccc"}});
    IndexDirectory(index, "Sub\\Dir\\", 16);

    EXPECT_EQ(Keys(index), Sorted({"sub\\dir\\a.txt", "sub\\dir\\inner\\b.txt", "sub\\dir\\p.zip",
                                   "sub\\dir\\in\\c.txt"}));
    EXPECT_EQ(Find("sub\\dir\\inner\\b.txt")->source, cwd + "Sub\\Dir\\Inner\\B.txt");
    EXPECT_EQ(Find("sub\\dir\\in\\c.txt")->source, "In/C.txt");
    EXPECT_EQ(ReadAsset(*Find("sub\\dir\\in\\c.txt")), "ccc");
}

TEST_F(IndexTest, PackEntriesAreLaidOverTheirDirectory) {
    std::string music = Pattern(20000, 1) + std::string(20000, 'x');
    MakeZip(At("Assets.zip"), {{"maps/", ""},
                               {"maps/testlevel/", ""},
                               {"maps/testlevel/color.png", "stored color", false},
                               {"Sounds/Music/Turmoil.OGG", music, true},
                               {"empty/", ""}});
    MakeZip(At("sounds/clicks.zip"), {{"click.wav", "click!", true}});
    IndexDirectory(index, "", 16);

    EXPECT_EQ(Keys(index),
              Sorted({"assets.zip", "maps\\testlevel\\color.png", "sounds\\music\\turmoil.ogg",
                      "sounds\\clicks.zip", "sounds\\click.wav"}));
    const AssetEntry* color = Find("maps\\testlevel\\color.png");
    ASSERT_NE(color, nullptr);
    EXPECT_NE(color->pack, 0);
    EXPECT_EQ(color->source, "maps/testlevel/color.png");
    EXPECT_EQ(color->size, 12);
    EXPECT_EQ(ReadAsset(*color), "stored color");

    const AssetEntry* ogg = Find("sounds\\music\\turmoil.ogg");
    EXPECT_EQ(ogg->source, "Sounds/Music/Turmoil.OGG");
    EXPECT_EQ(ogg->size, 40000); // uncompressed, not the deflated size
    EXPECT_EQ(ReadAsset(*ogg), music);
    EXPECT_EQ(ogg->pack, color->pack);

    const AssetEntry* click = Find("sounds\\click.wav");
    EXPECT_NE(click->pack, color->pack);
    EXPECT_EQ(ReadAsset(*click), "click!");

    const AssetEntry* pack = Find("assets.zip");
    EXPECT_EQ(pack->pack, 0);
    EXPECT_EQ(pack->source, cwd + "Assets.zip");
    EXPECT_EQ(pack->size, static_cast<int32_t>(fs::file_size(At("Assets.zip"))));
}

TEST_F(IndexTest, OnlyZipExtensionsOpenAsPacks) {
    struct Case {
        const char* file;
        bool opened;
    } cases[] = {{"lower.zip", true},   {"ASSETS.ZIP", true},     {"Mixed.Zip", true},
                 {".zip", false},       {"no dot", false},        {"pack.zip.bak", false},
                 {"blank. zip", false}, {"double.tar.zip", true}, {"zip", false}};
    int n = 0;
    for (const Case& c : cases)
        MakeZip(At(c.file), {{"entry" + std::to_string(n++) + ".txt", "x"}});
    IndexDirectory(index, "", 16);
    n = 0;
    for (const Case& c : cases) {
        std::string entry = "entry" + std::to_string(n++) + ".txt";
        EXPECT_EQ(Find(entry) != nullptr, c.opened) << c.file;
        const AssetEntry* loose = Find(PlatLowerCase(c.file));
        ASSERT_NE(loose, nullptr) << c.file;
        EXPECT_EQ(loose->pack, 0) << c.file;
        EXPECT_EQ(loose->size, static_cast<int32_t>(fs::file_size(At(c.file)))) << c.file;
    }
}

TEST_F(IndexTest, UnreadablePacksAreLooseFilesOnly) {
    MakeZip(At("good.zip"), {{"inside.txt", Pattern(5000, 2)}});
    std::string good = ReadFileBytes(At("good.zip"));
    WriteFile(At("garbage.zip"), "this is not a zip archive at all");
    WriteFile(At("truncated.zip"), good.substr(0, good.size() / 2));
    WriteFile(At("empty.zip"), "");
    WriteFile(At("folder.zip/in folder.txt"), "f");
    ASSERT_EQ(mkfifo(At("fifo.zip").c_str(), 0600), 0); // opening it must not wait
    fs::remove(At("good.zip"));
    IndexDirectory(index, "", 16);

    EXPECT_EQ(Keys(index), Sorted({"garbage.zip", "truncated.zip", "empty.zip",
                                   "folder.zip\\in folder.txt", "fifo.zip"}));
    for (const auto& [key, entry] : index) EXPECT_EQ(entry.pack, 0) << key;
    EXPECT_EQ(Find("truncated.zip")->size, static_cast<int32_t>(good.size() / 2));
}

TEST_F(IndexTest, LooseFileWinsOverPackEntryInOneDirectory) {
    // Several pairs, so that both listing orders (pack first, file first) occur.
    for (int i = 0; i < 8; i++) {
        std::string n = std::to_string(i);
        MakeZip(At("p" + n + ".zip"), {{"K" + n + ".txt", "packed"}, {"only" + n + ".txt", "p"}});
        WriteFile(At("k" + n + ".TXT"), "loose");
    }
    IndexDirectory(index, "", 16);
    for (int i = 0; i < 8; i++) {
        std::string n = std::to_string(i);
        const AssetEntry* e = Find("k" + n + ".txt");
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->pack, 0) << n;
        EXPECT_EQ(e->source, cwd + "k" + n + ".TXT");
        EXPECT_EQ(ReadAsset(*e), "loose");
        EXPECT_NE(Find("only" + n + ".txt"), nullptr);
    }
}

TEST_F(IndexTest, PackListedLaterWinsInOneDirectory) {
    for (const char* name : {"a.zip", "b.zip", "c.zip", "d.zip"})
        MakeZip(At(name), {{"Same/Entry.txt", std::string("from ") + name}});
    IndexDirectory(index, "", 16);
    std::string last;
    for (const std::string& name : ListingOrder(root.path))
        if (PlatExtension(name) == "zip") last = name;
    const AssetEntry* e = Find("same\\entry.txt");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(ReadAsset(*e), "from " + last);
}

TEST_F(IndexTest, PrecedenceAcrossRoots) {
    struct Case {
        const char* what;
        bool firstLoose, secondLoose;
        const char* winner;
    } cases[] = {
        {"loose then packed", true, false, "first"},
        {"packed then loose", false, true, "second"},
        {"loose then loose", true, true, "second"},
        {"packed then packed", false, false, "second"},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string key = "Case" + std::to_string(n++) + "/Asset.png";
        const char* roots[] = {"first", "second"};
        bool loose[] = {c.firstLoose, c.secondLoose};
        for (int r = 0; r < 2; r++) {
            if (loose[r])
                WriteFile(At(std::string(roots[r]) + "/" + key), roots[r]);
            else
                MakeZip(At(std::string(roots[r]) + "/pack" + std::to_string(n) + ".zip"),
                        {{key, roots[r], true}});
        }
    }
    IndexRoot("first");
    IndexRoot("second");
    n = 0;
    for (const Case& c : cases) {
        const AssetEntry* e = Find("case" + std::to_string(n++) + "\\asset.png");
        ASSERT_NE(e, nullptr) << c.what;
        EXPECT_EQ(ReadAsset(*e), c.winner) << c.what;
        bool winnerLoose = std::string(c.winner) == "first" ? c.firstLoose : c.secondLoose;
        EXPECT_EQ(e->pack == 0, winnerLoose) << c.what;
    }
}

TEST_F(IndexTest, PackDepthCountsLevelsFromTheRoot) {
    // A pack at every level from the root (0) down to 16 levels below it.
    std::string dir, keyDir;
    std::vector<std::string> entryKeys;
    for (int level = 0; level <= 16; level++) {
        std::string n = std::to_string(level);
        MakeZip(At(dir + "p" + n + ".zip"), {{"e" + n + ".txt", n}});
        entryKeys.push_back(keyDir + "e" + n + ".txt");
        dir += "d" + n + "/";
        keyDir += "d" + n + "\\";
    }
    for (int32_t depth : {16, 15, 1, 0, -1, INT32_MIN, INT32_MAX}) {
        index.clear();
        IndexDirectory(index, "", depth);
        for (int level = 0; level <= 16; level++) {
            const AssetEntry* e = Find(entryKeys[static_cast<size_t>(level)]);
            bool opened = static_cast<int64_t>(level) < static_cast<int64_t>(depth);
            EXPECT_EQ(e != nullptr, opened) << "depth " << depth << " level " << level;
            if (e) {
                EXPECT_EQ(ReadAsset(*e), std::to_string(level));
            }
        }
        EXPECT_EQ(index.size(), 17 + static_cast<size_t>(std::clamp(depth, 0, 17)));
    }
}

TEST_F(IndexTest, PacksStayOpenAfterTheirFileGoes) {
    MakeZip(At("keep.zip"), {{"kept.txt", "still here", true}});
    IndexDirectory(index, "", 16);
    const AssetEntry* e = Find("kept.txt");
    ASSERT_NE(e, nullptr);
    fs::remove(At("keep.zip"));
    WriteFile(At("keep.zip"), "replaced by garbage");
    EXPECT_EQ(ReadAsset(*e), "still here");
}

TEST_F(IndexTest, LinksBackToAnAncestorAreNotFollowed) {
    WriteFile(At("top.txt"), "t");
    WriteFile(At("a/b/deep.txt"), "d");
    fs::create_directory_symlink("../..", At("a/b/up")); // to the root
    fs::create_directory_symlink(".", At("a/self"));     // to itself
    WriteFile(At("x/x.txt"), "x");
    WriteFile(At("y/y.txt"), "y");
    fs::create_directory_symlink("../y", At("x/to y")); // two links forming a loop
    fs::create_directory_symlink("../x", At("y/to x"));
    fs::create_symlink("nowhere", At("dangling"));
    IndexDirectory(index, "", 16);

    EXPECT_EQ(Keys(index), Sorted({"top.txt", "a\\b\\deep.txt", "x\\x.txt", "y\\y.txt",
                                   "x\\to y\\y.txt", "y\\to x\\x.txt", "dangling"}));
    EXPECT_EQ(ReadAsset(*Find("x\\to y\\y.txt")), "y");
    EXPECT_EQ(Find("dangling")->size, 0);
}

TEST_F(IndexTest, RootsThatCannotBeListedAddNothing) {
    WriteFile(At("file.txt"), "f");
    fs::create_directory(At("empty"));
    for (const char* path : {"missing\\", "file.txt\\", "empty\\"}) {
        IndexDirectory(index, path, 16);
        EXPECT_TRUE(index.empty()) << path;
    }
}

TEST_F(IndexTest, UnreadableDirectoryIsSkipped) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    WriteFile(At("open/a.txt"), "a");
    WriteFile(At("closed/b.txt"), "b");
    ASSERT_EQ(chmod(At("closed").c_str(), 0), 0);
    IndexDirectory(index, "", 16);
    EXPECT_EQ(Keys(index), Sorted({"open\\a.txt"}));
}

TEST_F(IndexTest, SizesKeepTheLow32Bits) {
    struct Case {
        const char* file;
        int64_t size;
        int32_t kept;
    } cases[] = {{"five.bin", 5LL * 1024 * 1024 * 1024 + 123, 1024 * 1024 * 1024 + 123},
                 {"three.bin", 3LL * 1024 * 1024 * 1024 + 5, -1073741819},
                 {"four.bin", 4LL * 1024 * 1024 * 1024, 0}};
    for (const Case& c : cases) {
        WriteFile(At(c.file), "");
        fs::resize_file(At(c.file), static_cast<uintmax_t>(c.size)); // sparse
    }
    IndexDirectory(index, "", 16);
    for (const Case& c : cases) EXPECT_EQ(Find(c.file)->size, c.kept) << c.file;
}

TEST_F(IndexTest, WrongDeclaredEntrySizesAreReadSafely) {
    struct Case {
        uint32_t declared;
        int32_t kept;
    } cases[] = {{0xFFFFFFF0u, -16}, {0x7FFFFFF0u, 0x7FFFFFF0}, {100, 100}};
    std::string data = Pattern(3000, 3);
    for (const Case& c : cases) {
        PlatZipCloseAll();
        index.clear();
        MakeZip(At("huge.zip"), {{"huge.bin", data}});
        PatchDeclaredSize(At("huge.zip"), "huge.bin", c.declared);
        IndexDirectory(index, "", 16);
        const AssetEntry* e = Find("huge.bin");
        ASSERT_NE(e, nullptr) << c.declared;
        EXPECT_EQ(e->size, c.kept);
        // Read as the loaders do, at most the declared size (within reason).
        int64_t length = c.kept > 0 && c.kept < 65536 ? c.kept : 65536;
        std::string buffer(70000, '\x5a');
        int64_t got = PlatZipRead(e->pack, buffer.data(), length, e->source);
        EXPECT_TRUE(got == -1 || got < length) << c.declared << " gave " << got;
        EXPECT_EQ(buffer.find_first_not_of('\x5a', static_cast<size_t>(length)), std::string::npos);
    }
}

TEST_F(IndexTest, DamagedEntryDataIsNotPassedOn) {
    std::string stored = Pattern(4000, 4), deflated = Pattern(30000, 5);
    MakeZip(At("damaged.zip"), {{"stored.bin", stored}, {"deflated.bin", deflated, true}});
    std::string bytes = ReadFileBytes(At("damaged.zip"));
    size_t s = EntryDataOffset(bytes, "stored.bin"), d = EntryDataOffset(bytes, "deflated.bin");
    ASSERT_NE(s, std::string::npos);
    ASSERT_NE(d, std::string::npos);
    bytes[s + 100] ^= 0x01;
    for (size_t i = d + 20; i < d + 60; i++) bytes[i] = '\x00';
    WriteFile(At("damaged.zip"), bytes);
    IndexDirectory(index, "", 16);

    for (const char* key : {"stored.bin", "deflated.bin"}) {
        const AssetEntry* e = Find(key);
        ASSERT_NE(e, nullptr) << key;
        std::string buffer(static_cast<size_t>(e->size) + 16, '\0');
        int64_t got = PlatZipRead(e->pack, buffer.data(), e->size, e->source);
        EXPECT_TRUE(got == -1 || got < e->size) << key << " gave " << got;
    }
}

TEST_F(IndexTest, EntryNamesAreTheProgramsText) {
    // "\x81" is u-umlaut in CP437; the archive does not mark the name as UTF-8.
    MakeZip(At("names.zip"), {{"Caf\xc3\xa9/\xc3\x84.TXT", "utf8"},
                              {"Old\x81.txt", "cp437", false, ZIP_FL_ENC_CP437}});
    WriteFile(At("\xc3\x96L.TXT"), "o");
    IndexDirectory(index, "", 16);

    // Only A to Z are lowered; other letters keep their case.
    EXPECT_EQ(Keys(index), Sorted({"names.zip", "caf\xc3\xa9\\\xc3\x84.txt", "old\xc3\xbc.txt",
                                   "\xc3\x96l.txt"}));
    const AssetEntry* old = Find("old\xc3\xbc.txt");
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->source, "Old\xc3\xbc.txt");
    EXPECT_EQ(ReadAsset(*old), "cp437");
}

TEST_F(IndexTest, CreateAssetIndexEmptiesTheGlobalIndex) {
    AssetIndex["left\\over"] = AssetEntry{0, "x", 1};
    CreateAssetIndex();
    EXPECT_TRUE(AssetIndex.empty());
    EXPECT_GE(AssetIndex.bucket_count(), 512u);
}

// Reading entries: every length, names and handles that match nothing.
TEST_F(IndexTest, PackReadsStayInsideTheBuffer) {
    std::string small = "hello world", big = Pattern(100000, 6);
    MakeZip(At("r.zip"), {{"small.txt", small}, {"dir/big.bin", big, true}});
    int pack = PlatZipOpen("r.zip");
    ASSERT_GT(pack, 0);
    struct Case {
        const char* name;
        int64_t length;
        int64_t result;
        const std::string* data;
    } cases[] = {
        {"small.txt", -1, -1, nullptr},
        {"small.txt", 0, 0, &small},
        {"small.txt", 5, 5, &small},
        {"small.txt", 11, 11, &small},
        {"small.txt", 500, 11, &small},
        {"dir/big.bin", 4096, 4096, &big},
        {"dir/big.bin", 100000, 100000, &big},
        {"dir/big.bin", 100001, 100000, &big},
        {"SMALL.TXT", 100, -1, nullptr},
        {"dir\\big.bin", 100, -1, nullptr},
        {"dir/", 100, -1, nullptr},
        {"", 100, -1, nullptr},
    };
    for (const Case& c : cases) {
        std::string buffer(200000, '\x77');
        int64_t got = PlatZipRead(pack, buffer.data(), c.length, c.name);
        EXPECT_EQ(got, c.result) << c.name << " " << c.length;
        if (c.data && got >= 0) {
            EXPECT_EQ(buffer.substr(0, static_cast<size_t>(got)),
                      c.data->substr(0, static_cast<size_t>(got)));
        }
        size_t untouched = static_cast<size_t>(std::max<int64_t>(got, 0));
        EXPECT_EQ(buffer.find_first_not_of('\x77', untouched), std::string::npos)
            << c.name << " " << c.length;
    }
    char buffer[16];
    for (int bad : {0, -3, pack + 1, 9999})
        EXPECT_EQ(PlatZipRead(bad, buffer, 16, "small.txt"), -1) << bad;
    EXPECT_EQ(PlatZipRead(pack, nullptr, 16, "small.txt"), -1);
    EXPECT_EQ(PlatZipRead(pack, buffer, 16, std::string("small.txt\0x", 11)), -1);

    // Listing a handle that names no pack gives nothing.
    PlatZipFirstEntry(0);
    EXPECT_FALSE(PlatZipNextEntry(0));
    EXPECT_EQ(PlatZipEntryName(9999), "");
    EXPECT_EQ(PlatZipEntrySize(-1), 0);
    PlatZipCloseAll();
    EXPECT_EQ(PlatZipRead(pack, buffer, 16, "small.txt"), -1);
}

TEST_F(IndexTest, PackListingWalksEveryEntryOnce) {
    MakeZip(At("l.zip"), {{"a/", ""}, {"a/one", "1"}, {"two", "22", true}});
    int pack = PlatZipOpen("l.zip");
    ASSERT_GT(pack, 0);
    for (int pass = 0; pass < 2; pass++) {
        PlatZipFirstEntry(pack);
        std::vector<std::string> seen;
        while (PlatZipNextEntry(pack))
            seen.push_back(PlatZipEntryName(pack) +
                           (PlatZipEntryIsDirectory(pack) ? " dir " : " ") +
                           std::to_string(PlatZipEntrySize(pack)));
        EXPECT_EQ(seen, (std::vector<std::string>{"a/ dir 0", "a/one 1", "two 2"}));
        EXPECT_FALSE(PlatZipNextEntry(pack));
        EXPECT_EQ(PlatZipEntryName(pack), "");
    }
}

} // namespace
