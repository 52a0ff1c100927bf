// Opening image files by their content, the file chooser, and saving documents: formats,
// the format popup, the composite of annotations, and failed or cancelled saves.

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "app/prefs.h"
#include "imagefile/iw_open.h"
#include "imagefile/iw_save.h"
#include "platform/codecs.h"
#include "support/image_docs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

class OpenSave : public ImageDocTest {
  protected:
    // The test picture of 24 x 16 written in the format of the type code.
    void write_image(const std::string& name, OSType type) {
        GWorldPtr src = make_test_image(24, 16, 7);
        const FSSpec s = spec(name);
        EXPECT_EQ(GraphicsExportGWorldToFile(src, type, &s), noErr);
        DisposeGWorld(src);
    }
    FSSpec spec(const std::string& name) const { return FSSpec{dir_.path(), name}; }
    OSType type_of(const std::string& name) const {
        const FSSpec s = spec(name);
        return get_ostype_of_file(&s);
    }
    TempDir dir_;
};

// Files open by their content whatever their names say; those that do not are named with
// the reason in one alert, and each alone says nothing.
TEST_F(OpenSave, FilesOpenByTheirContentAndThoseThatDoNotAreNamedWithTheReasonInOneAlert) {
    const std::pair<const char*, OSType> good[] = {{"photo.bmp", FOUR_CC("JPEG")},
                                                   {"drawing.jpg", FOUR_CC("BMPf")},
                                                   {"old.dat", FOUR_CC("PICT")}};
    const char* const kind = "Only JPEG, PICT and BMP pictures can be opened";
    const char* const damaged = "The picture is damaged or too large";
    // The name, the bytes (none: no such file) and the reason.
    const std::tuple<const char*, std::vector<std::uint8_t>, const char*> bad[] = {
        {"a.tif", {'I', 'I', '*', 0, 8, 0, 0, 0}, kind},
        {"notes.jpg", {'h', 'e', 'l', 'l', 'o'}, kind},
        {"broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10}, damaged},
        {"missing.jpg", {}, "No such file or directory"}};
    std::vector<FSSpec> all;
    std::string listed = "These files could not be opened:";
    for (const auto& [name, bytes, reason] : bad) {
        if (!bytes.empty()) write_bytes(dir_.file(name), bytes);
        all.push_back(spec(name));
        EXPECT_EQ(iw_open(&all.back()), nullptr) << name;
        listed += std::string("\n\"") + name + "\": " + reason + ".";
    }
    EXPECT_TRUE(hooks_alerts().empty());
    for (const auto& [name, written] : good) {
        write_image(name, written);
        all.insert(all.begin() + 2, spec(name));
    }
    iw_open_files(all);
    ASSERT_EQ(hooks_alerts().size(), 1u);
    EXPECT_EQ(hooks_alerts()[0].message, listed);
    EXPECT_EQ(document_titles(),
              (std::vector<std::string>{"photo.bmp 100%", "drawing.jpg 100%", "old.dat 100%"}));
    GWorldPtr src = make_test_image(24, 16, 7);
    for (WindowRef w : image_windows()) {
        IwRecord* r = rec(w);
        EXPECT_TRUE(r->has_spec && !r->modified && IsWindowVisible(w));
        EXPECT_EQ(r->file_type, type_of(r->spec.name));
        // The lossless formats show their exact pixels.
        EXPECT_TRUE(r->file_type == FOUR_CC("JPEG") ||
                    gworld_pixels(r->img_off) == gworld_pixels(src))
            << r->spec.name;
    }
    DisposeGWorld(src);
}

// The first save of a capture asks like Save As; the next replaces the file in place without
// asking, and a bitmap type with a blank keeps its type; a failed one changes nothing.
TEST_F(OpenSave, PlainSaveAsksOnlyForANeverSavedDocumentThenReplacesItsFileWholeOrNotAtAll) {
    pref.save_type = 2;
    WindowRef w = new_doc(8, 6, 5, "Untitled 1");
    IwRecord* r = rec(w);
    hooks_answer_put_file({"scan.bmp", {}, dir_.path()});
    EXPECT_EQ(iw_save(w, false), noErr);
    EXPECT_TRUE(r->has_spec && !r->modified);
    EXPECT_EQ(GetWindowTitle(w), "scan.bmp 100%");
    write_image("scan.bmp", FOUR_CC("JPEG"));
    r->file_type = FOUR_CC("BMP ");
    EXPECT_EQ(iw_save(w, false), noErr);
    EXPECT_EQ(r->file_type, FOUR_CC("BMP "));
    EXPECT_EQ(type_of("scan.bmp"), FOUR_CC("BMPf"));
    // A save that fails leaves the file, the folder and the document as they were.
    const std::vector<std::uint8_t> before = read_bytes(dir_.file("scan.bmp"));
    r->modified = true;
    r->file_type = FOUR_CC("TIFF");  // no exporter writes it
    EXPECT_NE(iw_save(w, false), noErr);
    EXPECT_EQ(read_bytes(dir_.file("scan.bmp")), before);
    EXPECT_EQ(GetPixelRGB(r->shape_off, 2, 2), 0x888888u);
    // Save As cancelled, or into a folder that is not there, keeps the document's file, format
    // and changes; a cancelled dialog keeps the preferred format.
    r->file_type = FOUR_CC("BMPf");
    hooks_answer_put_file({"scan.jpg", {}, ""});
    EXPECT_EQ(iw_save(w, true), noErr);
    EXPECT_EQ(pref.save_type, 2);
    hooks_answer_put_file({"scan.jpg", {}, dir_.file("no such folder")});
    EXPECT_EQ(iw_save(w, true), fnfErr);
    ASSERT_EQ(hooks_alerts().size(), 2u) << "the failed save and this one, each once";
    EXPECT_EQ(hooks_alerts()[1].message,
              "The file \"scan.jpg\" could not be saved: No such file or directory.");
    EXPECT_TRUE(r->file_type == FOUR_CC("BMPf") && r->spec.name == "scan.bmp" && r->modified);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1)
        << "no temporary file is left behind";
}

TEST_F(OpenSave, FileNameAndFormatAgreeWhateverIsTypedAndChosen) {
    // The format in the popup at first, the name typed (empty: the one proposed), the formats
    // then chosen from the popup, and the name and format of the file written.
    const std::tuple<int, const char*, std::vector<int>, const char*, int> cases[] = {
        {2, "", {}, "Image.bmp", 2},
        {0, "scan.old.jpg", {2}, "scan.old.bmp", 2},
        {0, ".hidden", {1}, ".pct", 1},
        {0, "shot.bmp", {}, "shot.bmp", 2},
        {1, "cap.JPEG", {}, "cap.JPEG", 0},
        {1, "shot", {}, "shot.pct", 1},
        {2, "shot.png", {}, "shot.png.bmp", 2},
        {0, "shot.bmp", {0}, "shot.jpg", 0}};
    for (const auto& [at_start, typed, popup, name, format] : cases) {
        SCOPED_TRACE(testing::Message() << at_start << " " << typed);
        pref.save_type = at_start;
        WindowRef w = new_doc(8, 6);
        hooks_answer_put_file({typed, popup, dir_.path()});
        EXPECT_EQ(iw_save(w, true), noErr);
        EXPECT_EQ(pref.save_type, format);
        EXPECT_EQ(rec(w)->file_type, image_types[format].type);
        EXPECT_EQ(rec(w)->spec.name, name);
        EXPECT_EQ(type_of(name), format == 2 ? FOUR_CC("BMPf") : image_types[format].type);
        close_all_documents();
    }
}

// The dialog asks about the name the file will have, and a refusal writes nothing.
TEST_F(OpenSave, ReplacingAFileIsAskedForTheNameWrittenNotTheNameTyped) {
    write_bytes(dir_.file("shot.png.jpg"), {'o', 'l', 'd'});
    WindowRef w = new_doc(8, 6);
    hooks_answer_put_file({"shot.png", {}, dir_.path(), false});
    EXPECT_EQ(iw_save(w, true), noErr);
    EXPECT_EQ(hooks_nav_record().put_file_name, "shot.png.jpg");
    EXPECT_EQ(read_bytes(dir_.file("shot.png.jpg")).size(), 3u);
    EXPECT_FALSE(rec(w)->has_spec);
    hooks_answer_put_file({"shot.png", {}, dir_.path(), true});
    EXPECT_EQ(iw_save(w, true), noErr);
    EXPECT_EQ(type_of("shot.png.jpg"), FOUR_CC("JPEG"));
}

TEST_F(OpenSave, FileDialogsTakeOneFileOfTheImageKindsAndStartInTheLastFolderUsed) {
    ASSERT_NE(std::getenv("HOME"), nullptr);
    const std::string home = std::getenv("HOME");
    const OSType types[5] = {FOUR_CC("JPEG"), FOUR_CC("BMPf"), FOUR_CC("PICT"), FOUR_CC("BMP "), 0};
    FSSpec out;
    g_last_folder.clear();
    hooks_answer_choose_file({dir_.file("one.jpg"), dir_.file("two.jpg")});
    EXPECT_FALSE(get_load_file(&out, 5, types, nullptr)) << "one file only";
    EXPECT_EQ(hooks_nav_record().location, home) << "the first dialog starts at home";
    hooks_answer_choose_file({dir_.file("one.jpg")});
    EXPECT_TRUE(get_load_file(&out, 5, types, nullptr));
    EXPECT_EQ(FSpGetFullPath(&out), dir_.file("one.jpg"));
    EXPECT_EQ(hooks_nav_record().extensions,
              (std::vector<std::string>{".jpg", ".jpeg", ".bmp", ".pct", ".pict"}));
    hooks_answer_choose_file({});
    EXPECT_FALSE(get_load_file(&out, 5, types, nullptr));
    EXPECT_EQ(hooks_nav_record().location, dir_.path());
    g_last_folder = dir_.file("gone");
    hooks_answer_put_file({});
    iw_save(new_doc(8, 6), true);
    EXPECT_EQ(hooks_nav_record().location, home) << "a folder that is gone falls back to home";
    // A document with a file is saved as from its own folder, under its own name.
    hooks_answer_put_file({});
    WindowRef w = new_doc(8, 6, 5, "scan.old.bmp");
    rec(w)->has_spec = true;
    rec(w)->spec.folder = dir_.path();
    iw_save(w, true);
    EXPECT_EQ(hooks_nav_record().location, dir_.path());
    EXPECT_EQ(hooks_nav_record().put_file_name, "scan.old.jpg");
}

TEST_F(OpenSave, SavedFileHasTheAnnotationsOverThePictureExceptTheGrey) {
    WindowRef w = new_doc(6, 4);
    IwRecord* r = rec(w);
    set_pixel(r->img_off, 1, 1, {0, 0, 0xFFFF});
    set_pixel(r->draw_off, 1, 1, {0xFFFF, 0, 0});
    set_pixel(r->img_off, 2, 2, {0, 0xFFFF, 0});
    hooks_answer_put_file({"notes.bmp", {2}, dir_.path()});
    ASSERT_EQ(iw_save(w, true), noErr);
    int width = 0, height = 0;
    const auto saved = magick_pixels(dir_.file("notes.bmp"), &width, &height);
    ASSERT_EQ(saved.size(), 24u);
    EXPECT_EQ(saved[1 * 6 + 1], 0xFF0000u);
    EXPECT_EQ(saved[2 * 6 + 2], 0x00FF00u);
    for (std::uint32_t p : gworld_pixels(r->shape_off)) ASSERT_EQ(p, 0x888888u);
}

}  // namespace
