// The command line driven in-process: "cd:", "ld:" and "ldnz:" over real
// folders and zip packs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "IndexedFile.h"
#include "Main.h"
#include "TestSupport.h"
#include "ZipTestFiles.h"
#include "platform/PlatformFiles.h"
#include "platform/PlatformProcess.h"
#include "platform/PlatformZip.h"

namespace fs = std::filesystem;

namespace {

// Two data roots, Data/Base and Data/KL, in a fresh folder that is the
// current directory; the index starts empty and everything is put back after.
class CommandLineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = PlatCurrentDir();
        WriteFile(At("Data/Base/Maps/Level.png"), "base level");
        WriteFile(At("Data/Base/Shared.txt"), "base shared");
        MakeZip(At("Data/Base/Pack.zip"), {{"sounds/click.wav", "packed click", true}});
        WriteFile(At("Data/KL/Shared.txt"), "kl shared");
        WriteFile(At("Data/KL/Extra.txt"), "kl extra");
        WriteFile(At("My Data/Blank.txt"), "blank");
        WriteFile(At("Top.txt"), "top");
        fs::create_directory(At("Start"));
        ASSERT_TRUE(PlatSetCurrentDir(dir.path));
        top = PlatCurrentDir();
        CreateAssetIndex();
    }
    void TearDown() override {
        PlatSetCurrentDir(saved);
        CreateAssetIndex();
        PlatZipCloseAll();
        Run({});
    }
    // Returns the absolute path of `relative` inside the test folder.
    std::string At(const std::string& relative) const { return dir.path + "/" + relative; }
    // Runs ParseCommandLine over `params` as the program's parameters.
    void Run(const std::vector<std::string>& params) {
        std::vector<std::string> words = {"vrem_gl"};
        words.insert(words.end(), params.begin(), params.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        PlatSetParams(static_cast<int>(argv.size()), argv.data());
        ParseCommandLine();
    }
    // Returns the keys of the global index, sorted.
    std::vector<std::string> Keys() const {
        std::vector<std::string> keys;
        for (const auto& [key, entry] : AssetIndex) keys.push_back(key);
        std::sort(keys.begin(), keys.end());
        return keys;
    }
    // Returns the source under `key`, or "<absent>".
    std::string Source(const std::string& key) const {
        auto it = AssetIndex.find(key);
        return it == AssetIndex.end() ? "<absent>" : it->second.source;
    }

    TempDir dir;
    std::string saved;
    std::string top; // the test folder as the platform reports it, ending in "/"
};

const std::vector<std::string> BaseLoose = {"maps\\level.png", "pack.zip", "shared.txt"};
const std::vector<std::string> BaseAll = {"maps\\level.png", "pack.zip", "shared.txt",
                                          "sounds\\click.wav"};

TEST_F(CommandLineTest, PrefixesInAnyCaseWithEitherSeparator) {
    struct Case {
        const char* param;
        bool packs;
    } cases[] = {{"ld:Data\\Base", true},   {"LD:Data\\Base", true},    {"Ld:Data/Base", true},
                 {"lD:Data\\Base\\", true}, {"ldnz:Data\\Base", false}, {"LDNZ:Data\\Base", false},
                 {"LdNz:Data/Base/", false}};
    for (const Case& c : cases) {
        CreateAssetIndex();
        PlatZipCloseAll();
        Run({c.param});
        EXPECT_EQ(Keys(), c.packs ? BaseAll : BaseLoose) << c.param;
        EXPECT_EQ(PlatCurrentDir(), top) << c.param;
        EXPECT_EQ(PlatNativePath(Source("shared.txt")), top + "Data/Base/Shared.txt") << c.param;
    }
}

TEST_F(CommandLineTest, IndexedAssetsReadBackAfterTheDirectoryIsRestored) {
    Run({"ld:Data\\Base"});
    std::string bytes;
    ASSERT_TRUE(PlatReadFile(Source("maps\\level.png"), &bytes));
    EXPECT_EQ(bytes, "base level");
    const AssetEntry& click = AssetIndex.at("sounds\\click.wav");
    std::string buffer(static_cast<size_t>(click.size), '\0');
    EXPECT_EQ(PlatZipRead(click.pack, buffer.data(), click.size, click.source), click.size);
    EXPECT_EQ(buffer, "packed click");
}

TEST_F(CommandLineTest, ChangeDirectoryStaysForLaterParameters) {
    ASSERT_TRUE(PlatSetCurrentDir(At("Start")));
    Run({"cd:..", "ld:Data\\Base"});
    EXPECT_EQ(PlatCurrentDir(), top);
    EXPECT_EQ(Keys(), BaseAll);

    CreateAssetIndex();
    Run({"CD:Data", "ldnz:KL", "ldnz:Base"});
    EXPECT_EQ(PlatCurrentDir(), top + "Data/");
    EXPECT_EQ(Keys(),
              (std::vector<std::string>{"extra.txt", "maps\\level.png", "pack.zip", "shared.txt"}));
    EXPECT_EQ(PlatNativePath(Source("shared.txt")), top + "Data/Base/Shared.txt");
}

TEST_F(CommandLineTest, LaterRootsReplaceEarlierOnes) {
    Run({"ld:Data\\Base", "ld:Data\\KL"});
    EXPECT_EQ(PlatNativePath(Source("shared.txt")), top + "Data/KL/Shared.txt");
    EXPECT_EQ(PlatNativePath(Source("maps\\level.png")), top + "Data/Base/Maps/Level.png");
    EXPECT_EQ(PlatNativePath(Source("extra.txt")), top + "Data/KL/Extra.txt");
    EXPECT_EQ(Source("sounds\\click.wav"), "sounds/click.wav");
}

TEST_F(CommandLineTest, EmptyDirectoryTextIndexesTheCurrentDirectory) {
    ASSERT_TRUE(PlatSetCurrentDir(At("Data/Base")));
    Run({"ld:"});
    EXPECT_EQ(Keys(), BaseAll);
    CreateAssetIndex();
    Run({"LDNZ:"});
    EXPECT_EQ(Keys(), BaseLoose);
    EXPECT_EQ(PlatCurrentDir(), top + "Data/Base/");
}

TEST_F(CommandLineTest, MissingDirectoriesAreSilent) {
    ASSERT_TRUE(PlatSetCurrentDir(At("Data/KL")));
    Run({"cd:missing", "cd:", "ld:missing\\folder"});
    // The indexing runs over the unchanged current directory.
    EXPECT_EQ(Keys(), (std::vector<std::string>{"extra.txt", "shared.txt"}));
    EXPECT_EQ(PlatCurrentDir(), top + "Data/KL/");
}

TEST_F(CommandLineTest, OtherParametersAreIgnored) {
    Run({"xd:Data", "Data\\Base", "ld", "ldnz", "cd", "l d:Data", " ld:Data", "-ld:Data",
         "ldz:Data", "ld;Data", "c:Data", "cdx:..", "\"ld:Data\\Base\""});
    EXPECT_TRUE(AssetIndex.empty());
    EXPECT_EQ(PlatCurrentDir(), top);
}

TEST_F(CommandLineTest, ADirectoryWithBlanksIsOneParameter) {
    Run({"ld:My Data"});
    EXPECT_EQ(Keys(), (std::vector<std::string>{"blank.txt"}));
    EXPECT_EQ(PlatNativePath(Source("blank.txt")), top + "My Data/Blank.txt");
}

} // namespace
