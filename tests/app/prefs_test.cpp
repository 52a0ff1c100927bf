// The preference record on disk: defaults, partial and damaged files, atomic saves.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/prefs.h"
#include "platform/resfile.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Prefs : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
        pref = PrefRecord{};
        g_last_folder.clear();
    }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }
    std::string path() const { return dir_.file(kPrefFileName); }
    Bytes read_file() const {
        std::ifstream in(path(), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    // A file holding these bytes, or one PREF 128 resource holding them.
    void write_file(const Bytes& b, bool as_resource) const {
        std::filesystem::remove(path());
        FSSpec spec{dir_.path(), kPrefFileName};
        if (!as_resource) {
            std::ofstream(path(), std::ios::binary)
                .write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
            return;
        }
        ASSERT_EQ(FSpCreateResFile(&spec), noErr);
        const std::int16_t ref = FSpOpenResFile(&spec);
        AddResource(kPrefResType, kPrefResID, b.data(), b.size());
        ASSERT_EQ(CloseResFile(ref), noErr);
    }
    static Bytes words(std::initializer_list<std::int32_t> w) {
        Bytes b;
        for (std::int32_t v : w)
            for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(std::uint32_t(v) >> (8 * i)));
        return b;
    }
    TempDir dir_;
};

TEST_F(Prefs, FirstRunTakesDefaultsAndSavesLeaveOneLittleEndianRecordAndTheFolder) {
    pref.lm_ratio = 0;
    file_load_prefs();
    EXPECT_EQ(pref.lm_size, 0);
    EXPECT_EQ(pref.lm_ratio, 5);
    EXPECT_EQ(pref.save_type, 0);
    EXPECT_FALSE(read_file().empty());  // created at start-up
    pref = PrefRecord{2, 11, 1, {}};
    g_last_folder = "/home/ann";
    file_save_prefs();
    file_save_prefs();
    const Bytes b = read_file();
    // Tag and count 2, then each resource as a 12-byte header and its bytes.
    ASSERT_EQ(b.size(), 8u + 12u + 36u + 12u + 9u);
    EXPECT_EQ(b[4], 2);
    EXPECT_EQ(Bytes(b.begin() + 20, b.begin() + 56), words({2, 11, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1)
        << "no temporary file left beside it";
    pref = PrefRecord{};
    g_last_folder.clear();
    file_load_prefs();
    EXPECT_EQ(pref.lm_size, 2);
    EXPECT_EQ(pref.lm_ratio, 11);
    EXPECT_EQ(pref.save_type, 1);
    EXPECT_EQ(g_last_folder, "/home/ann");
}

// A short resource fills only its leading words, a long one is read to the record's size,
// words out of their ranges take their defaults, and a damaged file reads as no file.
TEST_F(Prefs, StoredBytesAreReadWordByWordWithinTheRecordAndItsRanges) {
    struct Case {
        const char* name;
        bool as_resource;  // the bytes as the record's resource, or as the whole file
        Bytes stored;
        int lm_size, lm_ratio, save_type;
    };
    const Case cases[] = {
        {"8 bytes", true, words({1, 3}), 1, 3, 0},
        {"40 bytes", true, words({2, 4, 2, 0, 0, 0, 0, 0, 0, 77}), 2, 4, 2},
        {"too large", true, words({3, 12, 3}), 0, 5, 0},
        {"negative", true, words({-5, -1, -1}), 0, 5, 0},
        {"empty file", false, {}, 0, 5, 0},
        {"truncated tag", false, {'O', 'V', 'R'}, 0, 5, 0},
        {"wrong tag", false, {'X', 'V', 'R', 'F', 0, 0, 0, 0}, 0, 5, 0},
        {"count beyond the end", false, {'O', 'V', 'R', 'F', 0xFF, 0xFF, 0xFF, 0xFF}, 0, 5, 0},
        {"length beyond the end",
         false,
         {'O', 'V', 'R', 'F', 1,    0,    0,    0,    'F', 'E', 'R', 'P',
          128, 0,   0,   0,   0xFF, 0xFF, 0xFF, 0x7F, 1,   0,   0,   0},
         0,
         5,
         0},
        {"bytes after the end",
         false,
         {'O', 'V', 'R', 'F', 1, 0, 0, 0, 'F', 'E', 'R', 'P', 128, 0,   0,
          0,   8,   0,   0,   0, 2, 0, 0, 0,   9,   0,   0,   0,   0xAA},
         0,
         5,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pref = PrefRecord{2, 9, 1, {}};
        write_file(c.stored, c.as_resource);
        file_load_prefs();
        EXPECT_EQ(pref.lm_size, c.lm_size);
        EXPECT_EQ(pref.lm_ratio, c.lm_ratio);
        EXPECT_EQ(pref.save_type, c.save_type);
    }
}

TEST_F(Prefs, PipeFolderOrFileWhereTheFolderShouldBeReadsAsMissingAndIsLeftAlone) {
    using std::filesystem::file_type;
    for (file_type type : {file_type::fifo, file_type::directory, file_type::regular}) {
        SCOPED_TRACE(int(type));
        // A pipe opened blocking would wait forever.
        if (type == file_type::fifo) {
            ASSERT_EQ(::mkfifo(path().c_str(), 0600), 0);
        }
        if (type == file_type::directory) std::filesystem::create_directory(path());
        if (type == file_type::regular) {  // a file in the place of the configuration folder
            std::ofstream(path()) << "x";
            ::setenv("XDG_CONFIG_HOME", path().c_str(), 1);
        }
        pref.lm_ratio = 9;
        EXPECT_EQ(file_load_prefs(), noErr);
        EXPECT_EQ(pref.lm_ratio, 5);
        EXPECT_EQ(file_save_prefs(), noErr);
        EXPECT_EQ(std::filesystem::status(path()).type(), type);
        std::filesystem::remove(path());
    }
}

TEST_F(Prefs, LoadResCopiesAtMostMaxSize) {
    write_file(words({1, 2, 3}), true);
    std::int16_t ref, previous;
    ASSERT_EQ(file_open_pref_res_file(&ref, &previous), noErr);
    Bytes handle;
    EXPECT_TRUE(file_load_res(kPrefResType, kPrefResID, &handle, nullptr, 8));
    EXPECT_EQ(handle, words({1, 2}));
    CloseResFile(ref);
    UseResFile(previous);
}

}  // namespace
