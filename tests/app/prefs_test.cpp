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
    void write_file(const Bytes& b) const {
        std::ofstream out(path(), std::ios::binary);
        out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    }
    // A file holding one PREF 128 resource with these bytes.
    void write_pref_resource(const Bytes& data) const {
        FSSpec spec{dir_.path(), kPrefFileName};
        ASSERT_EQ(FSpCreateResFile(&spec), noErr);
        const std::int16_t ref = FSpOpenResFile(&spec);
        ASSERT_GT(ref, 0);
        AddResource(kPrefResType, kPrefResID, data.data(), data.size());
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

TEST_F(Prefs, FirstRunCreatesFileTakesDefaultsAndTwoSavesLeaveOne36ByteRecord) {
    pref.lm_ratio = 0;
    file_load_prefs();
    EXPECT_EQ(pref.lm_size, 0);
    EXPECT_EQ(pref.lm_ratio, 5);
    EXPECT_EQ(pref.save_type, 0);
    EXPECT_FALSE(read_file().empty());  // created at start-up
    pref.lm_size = 2;
    pref.lm_ratio = 11;
    pref.save_type = 1;
    file_save_prefs();
    file_save_prefs();
    const Bytes b = read_file();
    // Tag, count 1, one header of 12 bytes and the 36-byte record: exactly one resource.
    ASSERT_EQ(b.size(), 8u + 12u + 36u);
    EXPECT_EQ(b[4], 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1)
        << "no temporary file left beside it";
    EXPECT_EQ(Bytes(b.begin() + 20, b.end()),
              words({2, 11, 1, 0, 0, 0, 0, 0, 0}));  // little-endian words
    pref = PrefRecord{};
    file_load_prefs();
    EXPECT_EQ(pref.lm_size, 2);
    EXPECT_EQ(pref.lm_ratio, 11);
    EXPECT_EQ(pref.save_type, 1);
}

// A short resource fills only its leading words, a long one is read to the record's size,
// and words out of their ranges take their defaults; every save writes one 36-byte record.
TEST_F(Prefs, StoredResourceIsReadWordByWordWithinTheRecordAndItsRanges) {
    struct Case {
        const char* name;
        Bytes stored;
        int lm_size, lm_ratio, save_type;
    };
    const Case cases[] = {
        {"8 bytes", words({1, 3}), 1, 3, 0},
        {"40 bytes", words({2, 4, 2, 0, 0, 0, 0, 0, 0, 77}), 2, 4, 2},
        {"too large", words({3, 12, -1}), 0, 5, 0},
        {"negative", words({-5, -1, 3}), 0, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(path().c_str());
        pref = PrefRecord{2, 9, 1, {}};
        write_pref_resource(c.stored);
        file_load_prefs();
        EXPECT_EQ(pref.lm_size, c.lm_size);
        EXPECT_EQ(pref.lm_ratio, c.lm_ratio);
        EXPECT_EQ(pref.save_type, c.save_type);
        file_save_prefs();
        EXPECT_EQ(read_file().size(), 8u + 12u + 36u);
    }
}

TEST_F(Prefs, DamagedFilesReadAsDefaultsWithoutCrashing) {
    const Bytes cases[] = {
        {},                                                               // empty
        {'O', 'V', 'R'},                                                  // truncated tag
        {'X', 'V', 'R', 'F', 0, 0, 0, 0},                                 // wrong tag
        {'O', 'V', 'R', 'F', 0xFF, 0xFF, 0xFF, 0xFF},                     // count beyond the end
        {'O', 'V', 'R', 'F', 1,    0,    0,    0,    'F', 'E', 'R', 'P',  // length beyond the end
         128, 0,   0,   0,   0xFF, 0xFF, 0xFF, 0x7F, 1,   0,   0,   0},
        {'O', 'V', 'R', 'F', 1, 0, 0, 0, 'F', 'E', 'R', 'P',  // bytes after the end
         128, 0,   0,   0,   8, 0, 0, 0, 2,   0,   0,   0,   9, 0, 0, 0, 0xAA},
    };
    for (const Bytes& c : cases) {
        write_file(c);
        pref.lm_size = 2;
        pref.lm_ratio = 9;
        file_load_prefs();
        EXPECT_EQ(pref.lm_size, 0);
        EXPECT_EQ(pref.lm_ratio, 5);
    }
}

TEST_F(Prefs, PipeOrFolderInThePlaceOfTheFileReadsAsMissingAndIsLeftAlone) {
    for (bool pipe : {true, false}) {
        if (pipe) {
            ASSERT_EQ(::mkfifo(path().c_str(), 0600), 0);  // opened blocking, it would wait forever
        } else {
            std::filesystem::create_directory(path());
        }
        pref.lm_ratio = 9;
        EXPECT_EQ(file_load_prefs(), noErr);
        EXPECT_EQ(pref.lm_ratio, 5);
        EXPECT_EQ(file_save_prefs(), noErr);
        EXPECT_EQ(std::filesystem::is_fifo(path()), pipe);
        EXPECT_EQ(std::filesystem::is_directory(path()), !pipe);
        std::filesystem::remove(path());
    }
}

TEST_F(Prefs, UnreachableFolderAppliesDefaultsAndSkipsSaving) {
    const std::string blocker = dir_.file("not-a-folder");
    std::ofstream(blocker) << "x";
    ::setenv("XDG_CONFIG_HOME", blocker.c_str(), 1);
    pref.lm_ratio = 0;
    EXPECT_EQ(file_load_prefs(), noErr);
    EXPECT_EQ(pref.lm_ratio, 5);
    EXPECT_EQ(file_save_prefs(), noErr);
}

TEST_F(Prefs, LoadResLooksOnlyAtTheCurrentFileAndCopiesAtMostMaxSize) {
    write_pref_resource(words({1, 2, 3}));
    std::int16_t ref, previous;
    ASSERT_EQ(file_open_pref_res_file(&ref, &previous), noErr);
    std::vector<std::uint8_t> handle;
    EXPECT_TRUE(file_load_res(kPrefResType, kPrefResID, &handle, nullptr, 8));
    EXPECT_EQ(handle, words({1, 2}));
    std::uint8_t untouched[4] = {9, 9, 9, 9};
    EXPECT_FALSE(file_load_res(kPrefResType, 129, nullptr, untouched, 4));
    EXPECT_EQ(untouched[0], 9);
    file_save_res(kPrefResType, kPrefResID, nullptr, nullptr, 0);
    EXPECT_FALSE(file_load_res(kPrefResType, kPrefResID, &handle, nullptr, 8));
    CloseResFile(ref);
    UseResFile(previous);
    EXPECT_FALSE(file_load_res(kPrefResType, kPrefResID, &handle, nullptr, 8));
}

}  // namespace
