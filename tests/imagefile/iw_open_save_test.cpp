// Opening image files by their content, the file chooser, and saving documents: formats,
// the format popup, the composite of annotations, and a failed save over an existing file.

#include <cstdlib>
#include <filesystem>

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
    // A test picture written in the format of the type code.
    std::string write_image(const std::string& name, OSType type, int w = 24, int h = 16) {
        GWorldPtr src = make_test_image(w, h, 7);
        const FSSpec spec{dir_.path(), name};
        EXPECT_EQ(GraphicsExportGWorldToFile(src, type, &spec), noErr);
        DisposeGWorld(src);
        return dir_.file(name);
    }
    FSSpec spec(const std::string& name) const { return FSSpec{dir_.path(), name}; }
    // A modified 8 x 6 document that belongs to the file name of the given type.
    WindowRef doc_of_file(const std::string& name, OSType type) {
        WindowRef w = new_doc(8, 6);
        rec(w)->has_spec = true;
        rec(w)->spec = spec(name);
        rec(w)->file_type = type;
        return w;
    }
    std::size_t files_in_folder() const {
        std::size_t n = 0;
        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            n += !e.is_directory();
        return n;
    }
    TempDir dir_;
};

TEST_F(OpenSave, FilesOpenByTheirContentWhateverTheirNameSays) {
    struct Case {
        const char* name;
        OSType written;
    };
    const Case cases[] = {{"photo.bmp", FOUR_CC("JPEG")},
                          {"photo", FOUR_CC("JPEG")},
                          {"drawing.jpg", FOUR_CC("BMPf")},
                          {"old.dat", FOUR_CC("PICT")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write_image(c.name, c.written);
        const FSSpec s = spec(c.name);
        EXPECT_EQ(get_ostype_of_file(&s), c.written);
        WindowRef w = iw_open(&s);
        ASSERT_NE(w, nullptr);
        IwRecord* r = rec(w);
        EXPECT_EQ(r->file_type, c.written);
        EXPECT_EQ(r->img_rect.right, 24);
        EXPECT_EQ(r->img_rect.bottom, 16);
        EXPECT_EQ(r->img_off->width, 24);
        EXPECT_EQ(r->zoom_index, 5);
        EXPECT_TRUE(r->has_spec);
        EXPECT_FALSE(r->modified);
        EXPECT_EQ(r->spec.name, c.name);
        EXPECT_TRUE(IsWindowVisible(w));
        EXPECT_EQ(GetWindowTitle(w), std::string(c.name) + " 100%");
        if (c.written != FOUR_CC("JPEG")) {  // the lossless formats show their exact pixels
            GWorldPtr src = make_test_image(24, 16, 7);
            EXPECT_EQ(gworld_pixels(r->img_off), gworld_pixels(src));
            DisposeGWorld(src);
        }
        close_doc(w);
    }
}

TEST_F(OpenSave, FilesThatDoNotOpenAreNamedWithTheReasonInOneAlert) {
    const char* const kind = "Only JPEG, PICT and BMP pictures can be opened";
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;  // empty: no such file
        OSType type;                      // as get_ostype_of_file sees it
        const char* reason;
    };
    const Case cases[] = {
        {"a.tif", {'I', 'I', '*', 0, 8, 0, 0, 0}, FOUR_CC("TIFF"), kind},
        {"a.gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0}, FOUR_CC("GIFf"), kind},
        {"a.jpg", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0}, FOUR_CC("PNGf"), kind},
        {"a.pdf", {'%', 'P', 'D', 'F', '-', '1', '.', '4'}, FOUR_CC("PDF "), kind},
        {"notes.jpg", {'h', 'e', 'l', 'l', 'o'}, 0, kind},
        {"broken.jpg",
         {0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10},
         FOUR_CC("JPEG"),
         "The picture is damaged or too large"},
        {"missing.jpg", {}, 0, "No such file or directory"},
    };
    std::vector<FSSpec> all;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.bytes.empty()) write_bytes(dir_.file(c.name), c.bytes);
        const FSSpec s = spec(c.name);
        all.push_back(s);
        EXPECT_EQ(get_ostype_of_file(&s), c.type);
        EXPECT_EQ(iw_open(&s), nullptr);
        EXPECT_TRUE(hooks_alerts().empty()) << "iw_open itself says nothing";
        iw_open_files({s});
        ASSERT_EQ(hooks_alerts().size(), 1u);
        EXPECT_EQ(hooks_alerts()[0].title, "Sorry, error occured.");
        EXPECT_EQ(hooks_alerts()[0].message, std::string("The file \"") + c.name +
                                                 "\" could not be opened: " + c.reason + ".");
        hooks_clear_record();
    }
    write_image("good.bmp", FOUR_CC("BMPf"));
    all.insert(all.begin() + 2, spec("good.bmp"));
    iw_open_files(all);
    EXPECT_EQ(document_titles(), (std::vector<std::string>{"good.bmp 100%"}));
    ASSERT_EQ(hooks_alerts().size(), 1u);
    std::string listed = "These files could not be opened:";
    for (const Case& c : cases) listed += std::string("\n\"") + c.name + "\": " + c.reason + ".";
    EXPECT_EQ(hooks_alerts()[0].message, listed);
}

TEST_F(OpenSave, ChooserOffersTheImageExtensionsAndTakesExactlyOneFile) {
    const OSType types[5] = {FOUR_CC("JPEG"), FOUR_CC("BMPf"), FOUR_CC("PICT"), FOUR_CC("BMP "), 0};
    FSSpec out;
    hooks_answer_choose_file({dir_.file("one.jpg")});
    EXPECT_TRUE(get_load_file(&out, 5, types, nullptr));
    EXPECT_EQ(out.name, "one.jpg");
    EXPECT_EQ(out.folder, dir_.path());
    EXPECT_EQ(hooks_nav_record().extensions,
              (std::vector<std::string>{".jpg", ".jpeg", ".bmp", ".pct", ".pict"}));
    hooks_answer_choose_file({dir_.file("one.jpg"), dir_.file("two.jpg")});
    EXPECT_FALSE(get_load_file(&out, 5, types, nullptr));
    hooks_answer_choose_file({});
    EXPECT_FALSE(get_load_file(&out, 5, types, nullptr));
}

TEST_F(OpenSave, PlainSaveReplacesTheFileAndABitmapTypeWithABlankKeepsItsType) {
    write_image("scan.bmp", FOUR_CC("JPEG"));
    WindowRef w = doc_of_file("scan.bmp", FOUR_CC("BMP "));
    IwRecord* r = rec(w);
    EXPECT_EQ(iw_save(w, false), noErr);
    EXPECT_EQ(hooks_nav_record().put_file, 0) << "a document with a file saves without asking";
    EXPECT_EQ(r->file_type, FOUR_CC("BMP "));
    const std::vector<std::uint8_t> bytes = read_bytes(dir_.file("scan.bmp"));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(files_in_folder(), 1u) << "the file is replaced in place";
    EXPECT_FALSE(r->modified);
}

TEST_F(OpenSave, FailedSaveOverAnExistingFileLeavesItAndTheDocumentAsTheyWere) {
    write_image("scan.jpg", FOUR_CC("JPEG"));
    const std::vector<std::uint8_t> before = read_bytes(dir_.file("scan.jpg"));
    WindowRef w = doc_of_file("scan.jpg", FOUR_CC("TIFF"));  // no exporter writes it
    IwRecord* r = rec(w);
    EXPECT_NE(iw_save(w, false), noErr);
    EXPECT_EQ(read_bytes(dir_.file("scan.jpg")), before);
    EXPECT_EQ(files_in_folder(), 1u) << "no temporary file is left behind";
    EXPECT_TRUE(r->modified);
    EXPECT_EQ(GetPixelRGB(r->shape_off, 2, 2), 0x888888u);
}

TEST_F(OpenSave, SaveAsThatCannotWriteKeepsTheDocumentsFileAndFormat) {
    WindowRef w = doc_of_file("scan.jpg", FOUR_CC("JPEG"));
    IwRecord* r = rec(w);
    const std::string title = GetWindowTitle(w);
    hooks_answer_put_file({"scan.bmp", {2}, dir_.file("no such folder")});
    EXPECT_EQ(iw_save(w, true), fnfErr);
    ASSERT_EQ(hooks_alerts().size(), 1u);
    EXPECT_EQ(hooks_alerts()[0].message,
              "The file \"scan.bmp\" could not be saved: No such file or directory.");
    EXPECT_EQ(r->file_type, FOUR_CC("JPEG"));
    EXPECT_EQ(r->spec.name, "scan.jpg");
    EXPECT_EQ(GetWindowTitle(w), title);
    EXPECT_TRUE(r->modified);
    EXPECT_EQ(files_in_folder(), 0u);
}

TEST_F(OpenSave, FileNameAndFormatAgreeWhateverIsTypedAndChosen) {
    struct Case {
        int popup_at_start;
        const char* typed;       // empty: the name proposed
        std::vector<int> popup;  // then chosen from the popup
        const char* name;        // the file written
        int format;              // and its format
    };
    const Case cases[] = {
        {0, "", {}, "Image.jpg", 0},
        {2, "", {}, "Image.bmp", 2},
        {0, "", {2}, "Image.bmp", 2},
        {0, "scan.jpg", {2}, "scan.bmp", 2},
        {0, "scan.old.jpg", {2}, "scan.old.bmp", 2},
        {0, "scan.jpg", {0}, "scan.jpg", 0},
        {0, "scan.jpg", {1, 2}, "scan.bmp", 2},
        {0, ".hidden", {1}, ".pct", 1},
        {0, "shot.bmp", {}, "shot.bmp", 2},
        {2, "cap.jpg", {}, "cap.jpg", 0},
        {1, "cap.JPEG", {}, "cap.JPEG", 0},
        {0, "shot.PICT", {}, "shot.PICT", 1},
        {2, "shot.pct", {}, "shot.pct", 1},
        {1, "shot", {}, "shot.pct", 1},
        {2, "shot.png", {}, "shot.png.bmp", 2},
        {0, "shot.bmp", {0}, "shot.jpg", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.popup_at_start << " " << c.typed);
        pref.save_type = c.popup_at_start;
        WindowRef w = new_doc(8, 6);
        hooks_answer_put_file({c.typed, c.popup, dir_.path()});
        EXPECT_EQ(iw_save(w, true), noErr);
        EXPECT_EQ(pref.save_type, c.format);
        EXPECT_EQ(rec(w)->file_type, image_types[c.format].type);
        EXPECT_EQ(rec(w)->spec.name, c.name);
        const FSSpec s = spec(c.name);
        EXPECT_EQ(get_ostype_of_file(&s),
                  c.format == 2 ? FOUR_CC("BMPf") : image_types[c.format].type);
        close_doc(w);
    }
}

TEST_F(OpenSave, ReplacingAFileIsAskedForTheNameWrittenNotTheNameTyped) {
    const std::pair<const char*, const char*> cases[] = {{"shot.png", "shot.png.jpg"},
                                                         {"shot", "shot.jpg"}};
    pref.save_type = 0;
    for (const auto& [typed, written] : cases) {
        SCOPED_TRACE(typed);
        write_bytes(dir_.file(written), {'o', 'l', 'd'});
        const std::size_t files = files_in_folder();
        WindowRef w = new_doc(8, 6);
        hooks_clear_record();
        hooks_answer_put_file({typed, {}, dir_.path(), false});
        EXPECT_EQ(iw_save(w, true), noErr);
        EXPECT_EQ(hooks_nav_record().replace_questions, 1);
        EXPECT_EQ(hooks_nav_record().put_file_name, written);
        EXPECT_EQ(read_bytes(dir_.file(written)), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
        EXPECT_EQ(files_in_folder(), files);
        EXPECT_FALSE(rec(w)->has_spec);
        hooks_answer_put_file({typed, {}, dir_.path(), true});
        EXPECT_EQ(iw_save(w, true), noErr);
        EXPECT_EQ(rec(w)->spec.name, written);
        const FSSpec s = spec(written);
        EXPECT_EQ(get_ostype_of_file(&s), FOUR_CC("JPEG"));
        close_doc(w);
    }
}

TEST_F(OpenSave, FileDialogsStartInTheLastFolderUsedKeptAcrossARestart) {
    ::setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
    ASSERT_NE(std::getenv("HOME"), nullptr);
    const std::string home = std::getenv("HOME");
    const OSType types[1] = {FOUR_CC("JPEG")};
    FSSpec out;
    g_last_folder.clear();
    hooks_answer_choose_file({dir_.file("one.jpg")});
    EXPECT_TRUE(get_load_file(&out, 1, types, nullptr));
    EXPECT_EQ(hooks_nav_record().location, home) << "the first dialog starts at home";
    file_save_prefs();
    g_last_folder = "/elsewhere";
    file_load_prefs();
    hooks_answer_choose_file({});
    get_load_file(&out, 1, types, nullptr);
    EXPECT_EQ(hooks_nav_record().location, dir_.path());
    g_last_folder = dir_.file("gone");
    hooks_answer_put_file({});
    iw_save(new_doc(8, 6), true);
    EXPECT_EQ(hooks_nav_record().location, home) << "a folder that is gone falls back to home";
    // A document with a file is saved as from its own folder, under its own name.
    hooks_answer_put_file({});
    iw_save(doc_of_file("scan.bmp", FOUR_CC("BMPf")), true);
    EXPECT_EQ(hooks_nav_record().location, dir_.path());
    EXPECT_EQ(hooks_nav_record().put_file_name, "scan.jpg");
    ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(OpenSave, PlainSaveOfANeverSavedCaptureAsksLikeSaveAs) {
    pref.save_type = 2;
    WindowRef w = new_doc(8, 6, 5, "Untitled 1");
    hooks_answer_put_file({"scan.bmp", {}, dir_.path()});
    EXPECT_EQ(iw_save(w, false), noErr);
    EXPECT_EQ(hooks_nav_record().put_file, 1);
    IwRecord* r = rec(w);
    EXPECT_TRUE(r->has_spec);
    EXPECT_FALSE(r->modified);
    EXPECT_EQ(r->file_type, FOUR_CC("BMPf"));
    EXPECT_EQ(GetWindowTitle(w), "scan.bmp 100%");
    EXPECT_EQ(r->spec.folder, dir_.path());
}

TEST_F(OpenSave, CancelledSaveDialogChangesNothingNotEvenThePreferredFormat) {
    pref.save_type = 1;
    WindowRef w = new_doc(8, 6);
    hooks_answer_put_file({"scan.jpg", {2}, ""});
    EXPECT_EQ(iw_save(w, true), noErr);
    EXPECT_EQ(pref.save_type, 1);
    EXPECT_TRUE(rec(w)->modified);
    EXPECT_FALSE(rec(w)->has_spec);
    EXPECT_EQ(files_in_folder(), 0u);
}

TEST_F(OpenSave, SavedFileHasTheAnnotationsOverThePictureExceptTheGrey) {
    WindowRef w = new_doc(6, 4);
    IwRecord* r = rec(w);
    set_pixel(r->img_off, 1, 1, {0, 0, 0xFFFF});
    set_pixel(r->draw_off, 1, 1, {0xFFFF, 0, 0});
    set_pixel(r->img_off, 2, 2, {0, 0xFFFF, 0});
    hooks_answer_put_file({"notes.bmp", {2}, dir_.path()});
    ASSERT_EQ(iw_save(w, true), noErr);
    const std::vector<std::uint8_t> bytes = read_bytes(dir_.file("notes.bmp"));
    GWorldPtr saved = nullptr;
    ASSERT_EQ(ReadBMPImage(bytes.data(), bytes.size(), &saved), noErr);
    EXPECT_EQ(GetPixelRGB(saved, 1, 1), 0xFF0000u);
    EXPECT_EQ(GetPixelRGB(saved, 2, 2), 0x00FF00u);
    EXPECT_EQ(GetPixelRGB(saved, 0, 0), 0xFFFFFFu);
    for (std::uint32_t p : gworld_pixels(r->shape_off)) ASSERT_EQ(p, 0x888888u);
    DisposeGWorld(saved);
}

}  // namespace
