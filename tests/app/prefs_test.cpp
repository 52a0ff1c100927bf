// The preference record on disk: defaults, partial and damaged files, atomic saves.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/prefs.h"
#include "platform/resfile.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Prefs : public ::testing::Test {
  protected:
    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
        g_last_folder.clear();
    }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }
    std::string path() const { return dir_.file(kPrefFileName); }
    static Bytes words(std::initializer_list<std::int32_t> w) {
        Bytes b;
        for (std::int32_t v : w)
            for (int i = 0; i < 4; ++i) b.push_back(std::uint8_t(std::uint32_t(v) >> (8 * i)));
        return b;
    }
    // A preference file of one record resource holding these words.
    static Bytes record_file(std::initializer_list<std::int32_t> w) {
        Bytes b =
            words({kTag, 1, std::int32_t(kPrefResType), kPrefResID, std::int32_t(4 * w.size())});
        const Bytes data = words(w);
        b.insert(b.end(), data.begin(), data.end());
        return b;
    }
    // The words the program uses: the live window's size, its view scale, the save type.
    static std::array<std::int32_t, 3> used() {
        return {pref.lm_size, pref.lm_ratio, pref.save_type};
    }
    static constexpr std::int32_t kTag = 'O' | 'V' << 8 | 'R' << 16 | 'F' << 24;
    TempDir dir_;
};

TEST_F(Prefs, FirstRunTakesDefaultsAndSavesLeaveOneLittleEndianRecordAndTheLastFolder) {
    pref.lm_ratio = 0;
    file_load_prefs();
    EXPECT_EQ(used(), (std::array{0, 5, 0}));
    pref = PrefRecord{2, 11, 1, {}};
    g_last_folder = "/photos";  // the folder last chosen is kept beside the record
    file_save_prefs();
    file_save_prefs();
    const Bytes b = read_bytes(path());
    // Tag, count, a header of 12 bytes before the 36-byte record and before the folder's 7:
    // each saved once.
    ASSERT_EQ(b.size(), 8u + 12u + 36u + 12u + 7u);
    EXPECT_EQ(Bytes(b.begin() + 20, b.begin() + 56), words({2, 11, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1)
        << "no temporary file left beside it";
    pref = PrefRecord{};
    g_last_folder.clear();
    file_load_prefs();
    EXPECT_EQ(used(), (std::array{2, 11, 1}));
    EXPECT_EQ(g_last_folder, "/photos");
}

// A short record fills only its leading words and a long one is read to the record's size.
TEST_F(Prefs, StoredBytesAreReadWordByWordWithinTheRecordAndItsRanges) {
    using Used = std::array<std::int32_t, 3>;
    const auto load = [this](const Bytes& stored) {
        pref = PrefRecord{2, 9, 1, {}};
        write_bytes(path(), stored);
        file_load_prefs();
        return used();
    };
    EXPECT_EQ(load(record_file({1, 3})), (Used{1, 3, 0}));
    EXPECT_EQ(load(record_file({2, 4, 2, 0, 0, 0, 0, 0, 0, 77})), (Used{2, 4, 2}));
    // Words just out of their ranges; an empty file, a cut tag, a wrong tag; a count, a length
    // and trailing bytes that do not match the file's end.
    const std::int32_t type = std::int32_t(kPrefResType);
    const Bytes damaged[] = {record_file({3, 12, 3}),
                             record_file({-5, -1, -1}),
                             Bytes(),
                             Bytes{'O', 'V', 'R'},
                             words({kTag + 1, 0}),
                             words({kTag, -1}),
                             words({kTag, 1, type, kPrefResID, 0x7FFFFFFF, 1}),
                             words({kTag, 1, type, kPrefResID, 8, 2, 9, 0})};
    for (const Bytes& stored : damaged)
        EXPECT_EQ(load(stored), (Used{0, 5, 0})) << ::testing::PrintToString(stored);
    // A resource is read into a handle up to the size asked for.
    write_bytes(path(), record_file({1, 2, 3}));
    std::int16_t ref, previous;
    ASSERT_EQ(file_open_pref_res_file(&ref, &previous), noErr);
    Bytes handle;
    EXPECT_TRUE(file_load_res(kPrefResType, kPrefResID, &handle, nullptr, 8));
    EXPECT_EQ(handle, words({1, 2}));
    CloseResFile(ref);
    UseResFile(previous);
}

TEST_F(Prefs, PipeFolderOrFileWhereTheFolderShouldBeReadsAsMissingAndIsLeftAlone) {
    using std::filesystem::file_type;
    for (file_type type : {file_type::fifo, file_type::directory, file_type::regular}) {
        SCOPED_TRACE(int(type));
        // A pipe opened blocking would wait forever.
        ASSERT_TRUE(type != file_type::fifo || ::mkfifo(path().c_str(), 0600) == 0);
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

}  // namespace
