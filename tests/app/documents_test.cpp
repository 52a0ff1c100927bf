// The document commands: open, close, save, quit with the save-changes question, the view
// commands on image windows and the desktop's open-documents request.

#include "app/commands.h"
#include "app/startup.h"
#include "imagefile/file_conversion.h"
#include "monitor/live_monitor.h"
#include "platform/codecs.h"
#include "support/image_docs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

class Documents : public ImageDocTest {
  protected:
    void SetUp() override {
        ImageDocTest::SetUp();
        InstallApplicationEventHandler(__my_command_event_handler, 1, my_cmd_events, nullptr,
                                       nullptr);
    }
    std::string write_jpeg(const std::string& name) {
        GWorldPtr src = make_test_image(30, 20, 1);
        const FSSpec spec{dir_.path(), name};
        EXPECT_EQ(GraphicsExportGWorldToFile(src, FOUR_CC("JPEG"), &spec), noErr);
        DisposeGWorld(src);
        return dir_.file(name);
    }
    TempDir dir_;
};

TEST_F(Documents, QuitAsksAboutEachChangedDocumentFrontToBackStopsAtCancelElseClosesAll) {
    WindowRef back = new_doc(10, 10, 5, "back");
    new_doc(10, 10, 5, "front");
    rec(back)->modified = false;
    ASSERT_EQ(hooks_new_window_from_form(document_form(50, 50).c_str(), &g_lm_win), noErr);
    ShowWindow(g_lm_win);
    new_doc(10, 10, 5, "top");
    hooks_answer_save_changes(kNavAskSaveChangesCancel);
    EXPECT_EQ(ProcessHICommand(FOUR_CC("quit")), userCanceledErr);
    EXPECT_EQ(hooks_nav_record().save_changes, 1) << "the walk stops at the first refusal";
    EXPECT_EQ(document_titles(), (std::vector<std::string>{"top 100%", "front 100%", "back 100%"}));
    hooks_answer_save_changes(kNavAskSaveChangesDontSave);
    hooks_answer_save_changes(kNavAskSaveChangesDontSave);
    EXPECT_EQ(ProcessHICommand(FOUR_CC("quit")), eventNotHandledErr);
    EXPECT_EQ(hooks_nav_record().save_changes, 3);
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
}

TEST_F(Documents, OpenViewSaveAndCloseCommandsActOnTheFrontImageWindow) {
    hooks_answer_choose_file({write_jpeg("one.jpg")});
    ProcessHICommand(FOUR_CC("open"));
    WindowRef w = new_doc(100, 50);
    SizeWindow(w, 415, 315, false);
    ProcessHICommand(FOUR_CC("BFIT"));
    EXPECT_EQ(GetWindowTitle(w), "scan 400%");
    ProcessHICommand(FOUR_CC("ASIZ"));
    EXPECT_EQ(GetWindowTitle(w), "scan 100%");
    hooks_answer_put_file({"a.bmp", {2}, dir_.path()});
    ProcessHICommand(FOUR_CC("save"));
    hooks_answer_put_file({"b.pct", {1}, dir_.path()});
    ProcessHICommand(FOUR_CC("svas"));
    ProcessHICommand(FOUR_CC("save"));
    EXPECT_EQ(rec(w)->spec.name, "b.pct");
    EXPECT_EQ(hooks_nav_record().put_file, 2) << "a saved document saves without asking";
    ProcessHICommand(FOUR_CC("clos"));
    EXPECT_EQ(document_titles(), (std::vector<std::string>{"one.jpg 100%"}));
}

TEST_F(Documents, OpenDocumentsRequestOpensTheFilesOnceNoConversionDialogIsOpenAndNamesTheMissing) {
    AEInstallEventHandler(kCoreEventClass, kAEOpenDocuments, ae_opendoc, 0);
    DialogRef dialog = nullptr;
    ASSERT_EQ(hooks_new_dialog_from_form(document_form(200, 100).c_str(), &dialog), noErr);
    g_file_conversion_dialog_ptr = dialog;
    const std::string first = write_jpeg("first.jpg");
    hooks_open_documents({first});
    EXPECT_TRUE(document_titles().empty()) << "refused while the conversion dialog is open";
    g_file_conversion_dialog_ptr = nullptr;
    hooks_open_documents({first, dir_.file("second.jpg"), write_jpeg("third.jpg")});
    EXPECT_EQ(document_titles(), (std::vector<std::string>{"third.jpg 100%", "first.jpg 100%"}));
    EXPECT_EQ(hooks_alerts().size(), 1u) << "a missing file is passed on, to be named";
}

}  // namespace
