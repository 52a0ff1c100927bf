// Image documents: titles, zoom steps, best fit, scroll bars, compositing, the hand tool,
// closing with the save-changes question, and the alert when a document cannot be made.

#include <filesystem>
#include <fstream>

#include "app/dialog_utils.h"
#include "app/prefs.h"
#include "app/startup.h"
#include "camera/capture.h"
#include "imagewin/iw_view.h"
#include "support/image_docs.h"
#include "support/temp_dir.h"

namespace {

class ImageWindow : public ImageDocTest {};

constexpr RGBColor kGrey{0x8888, 0x8888, 0x8888};
constexpr RGBColor kRed{0xFFFF, 0, 0};

TEST_F(ImageWindow, TitleShowsTheScaleInItsFormat) {
    struct Case {
        int index;
        double ratio;
        const char* title;
    };
    const Case cases[] = {
        {0, 0, "scan 6.25%"},       {1, 0, "scan 12.5%"},    {2, 0, "scan 25%"},
        {4, 0, "scan 66.7%"},       {6, 0, "scan 150%"},     {11, 0, "scan 1600%"},
        {12, 0.05, "scan 5.00%"},   {12, 0.5, "scan 50.0%"}, {12, 2.0, "scan 200%"},
        {12, 0.0999, "scan 9.99%"}, {12, 0.1, "scan 10.0%"}, {12, 1.0, "scan 100%"},
    };
    WindowRef w = new_doc(40, 30);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        rec(w)->zoom_index = c.index;
        rec(w)->zoom_ratio = c.ratio;
        iw_set_window_title(w);
        EXPECT_EQ(GetWindowTitle(w), c.title);
    }
}

// A captured picture of width x height in the capture offscreen, a red pixel at (5, 4).
class Capture : public ImageWindow {
  protected:
    void grab(int width, int height) {
        Rect r;
        SetRect(&r, 0, 0, width, height);
        ASSERT_EQ(NewGWorld(&g_grab_off, 32, &r, 0), noErr);
        g_off_width = width;
        g_off_height = height;
        set_pixel(g_grab_off, 5, 4, kRed);
    }
    void TearDown() override {
        if (g_grab_off) DisposeGWorld(g_grab_off);
        g_grab_off = nullptr;
        g_off_width = g_off_height = -1;
        ImageWindow::TearDown();
    }
};

TEST_F(Capture, CapturesAreNumberedAndScaledByTheLiveWindowSize) {
    grab(64, 48);
    struct Case {
        int lm_size;
        const char* title;
    };
    const Case cases[] = {{0, "Untitled 1 25%"}, {1, "Untitled 2 50%"}, {2, "Untitled 3 100%"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        pref.lm_size = c.lm_size;
        WindowRef w = iw_captrue();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(GetWindowTitle(w), c.title);
        EXPECT_TRUE(IsWindowVisible(w));
        EXPECT_TRUE(rec(w)->modified);
        EXPECT_EQ(rec(w)->img_rect.right, 64);
        EXPECT_EQ(GetPixelRGB(rec(w)->img_off, 5, 4), 0xFF0000u);
        EXPECT_EQ(GetPixelRGB(rec(w)->img_off, 6, 4), 0xFFFFFFu);
    }
}

TEST_F(Capture, CaptureThatCannotBeMadeDoesNotUseUpItsNumber) {
    grab(16, 8);
    g_off_width = 0;  // no layers can be made
    EXPECT_EQ(iw_captrue(), nullptr);
    EXPECT_EQ(hooks_alerts().size(), 1u);
    GWorldPtr picture = g_grab_off;
    g_grab_off = nullptr;
    EXPECT_EQ(iw_captrue(), nullptr) << "no picture, no document";
    g_grab_off = picture;
    g_off_width = 16;
    WindowRef w = iw_captrue();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetWindowTitle(w), "Untitled 1 25%");
}

TEST_F(ImageWindow, ZoomBeyondEitherEndOrWithAPlainWindowInFrontChangesNothing) {
    WindowRef w = new_doc(40, 30, 11);
    SetWindowTitle(w, "untouched");
    iw_zoon_in();
    EXPECT_EQ(rec(w)->zoom_index, 11);
    EXPECT_EQ(GetWindowTitle(w), "untouched");
    rec(w)->zoom_index = 0;
    iw_zoon_out();
    EXPECT_EQ(rec(w)->zoom_index, 0);
    EXPECT_EQ(GetWindowTitle(w), "untouched");
    rec(w)->zoom_index = 5;
    iw_zoon_in();
    EXPECT_EQ(GetWindowTitle(w), "scan 150%");
    WindowRef plain = nullptr;
    ASSERT_EQ(hooks_new_window_from_form(document_form(50, 50).c_str(), &plain), noErr);
    ShowWindow(plain);
    iw_zoon_in();
    iw_best_fit();
    EXPECT_EQ(rec(w)->zoom_index, 6) << "zoom acts only on an image window in front";
}

TEST_F(ImageWindow, ZoomFromACustomRatioStepsToTheNeighbouringTableEntries) {
    struct Case {
        double ratio;
        int in, out;
    };
    const Case cases[] = {{0.3, 3, 2}, {0.5, 4, 2}, {0.05, 0, 0}, {20.0, 11, 11}, {1.2, 6, 5}};
    WindowRef w = new_doc(40, 30);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ratio);
        rec(w)->zoom_index = 12;
        rec(w)->zoom_ratio = c.ratio;
        iw_zoon_in();
        EXPECT_EQ(rec(w)->zoom_index, c.in);
        rec(w)->zoom_index = 12;
        iw_zoon_out();
        EXPECT_EQ(rec(w)->zoom_index, c.out);
    }
}

TEST_F(ImageWindow, BestFitOfAWideImageTakesTheWidthOfTheViewAsCustomRatio) {
    WindowRef w = new_doc(100, 50);
    SizeWindow(w, 415, 315, false);
    iw_best_fit();
    EXPECT_EQ(rec(w)->zoom_index, 12);
    EXPECT_DOUBLE_EQ(rec(w)->zoom_ratio, 4.0);
    EXPECT_EQ(GetWindowTitle(w), "scan 400%");
    iw_actual_size();
    EXPECT_EQ(rec(w)->zoom_index, 5);
    EXPECT_EQ(GetWindowTitle(w), "scan 100%");
}

TEST_F(ImageWindow, NewWindowIsSizedToTheScaledPictureWithinTheScreen) {
    WindowRef w = iw_new(1024, 768, 2);
    ASSERT_NE(w, nullptr);
    Rect r;
    GetWindowPortBounds(w, &r);
    EXPECT_EQ(r.right, 256 + 15);
    EXPECT_EQ(r.bottom, 192 + 15);
    GetWindowPortBounds(iw_new(300, 150, 4), &r);
    EXPECT_NEAR(r.right - 15, 200, 1) << "two thirds";
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_TRUE(rec(w)->modified);
    EXPECT_FALSE(rec(w)->has_spec);
    EXPECT_EQ(GetPixelRGB(rec(w)->img_off, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(GetPixelRGB(rec(w)->draw_off, 3, 3), 0x888888u);
    // The window holding the menu bar takes the top of the screen: windows stay below it.
    WindowRef toolbar = nullptr;
    ASSERT_EQ(SetMenuBarFromNib(g_nibRef, "MenuBar"), noErr);
    ASSERT_EQ(CreateWindowFromNib(g_nibRef, "toolbar", &toolbar), noErr);
    MoveWindow(toolbar, 16, 22, false);
    ShowWindow(toolbar);
    GetWindowPortBounds(toolbar, &r);
    const int below = GetMBarHeight();
    EXPECT_GE(below, 22 + r.bottom) << "down to the toolbar's frame";
    Rect screen;
    GetMainScreenRect(&screen);
    WindowRef big = iw_new(2000, 1500, 5);
    ASSERT_NE(big, nullptr);
    ShowWindow(big);
    GetWindowPortBounds(big, &r);
    EXPECT_EQ(r.right, screen.right - screen.left - 8);
    EXPECT_EQ(r.bottom, screen.bottom - below - 32);
    const Point at = GetWindowContentOrigin(big);
    EXPECT_GE(at.v, below);
    EXPECT_LE(at.v + r.bottom, screen.bottom);
}

ControlRef bar(WindowRef w, bool horizontal) {
    return horizontal ? iw_record(w)->sc_h : iw_record(w)->sc_v;
}

TEST_F(ImageWindow, ScrollMaximaFollowTheScaledPictureAndArrowsStepByAHundredth) {
    struct Case {
        int image_width;
        int maximum, arrow, page;
    };
    // The view is 415 - 15 = 400 pixels wide.
    const Case cases[] = {{650, 250, 2, 20}, {599, 199, 1, 10}, {300, 0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image_width);
        WindowRef w = new_doc(c.image_width, 100);
        SizeWindow(w, 415, 315, false);
        __adjust_iw_win(w);
        ControlRef h = bar(w, true);
        EXPECT_EQ(GetControlMaximum(h), c.maximum);
        EXPECT_TRUE(IsControlVisible(h));
        hooks_control_part(h, kControlDownButtonPart);
        EXPECT_EQ(GetControlValue(h), c.arrow);
        hooks_control_part(h, kControlPageDownPart);
        EXPECT_EQ(GetControlValue(h), c.arrow + c.page);
        hooks_control_part(h, kControlUpButtonPart);
        EXPECT_EQ(GetControlValue(h), c.page);
        hooks_control_part(h, kControlPageUpPart);
        EXPECT_EQ(GetControlValue(h), 0);
        close_doc(w);
    }
}

TEST_F(ImageWindow, ScrollingRedrawsThePictureShiftedByTheBarValues) {
    WindowRef w = new_doc(650, 400);
    SizeWindow(w, 415, 315, false);
    __adjust_iw_win(w);
    set_pixel(rec(w)->img_off, 260, 120, kRed);
    SetControlValue(bar(w, true), 250);
    SetControlValue(bar(w, false), 100);
    iw_draw(w);
    EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 10, 20), 0xFF0000u);
    hooks_control_part(bar(w, true), kControlUpButtonPart);
    EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 12, 20), 0xFF0000u) << "the arrow redraws at once";
}

TEST_F(ImageWindow, GreyIsTransparentInTheDrawingLayerButShowsInTheImageLayer) {
    WindowRef w = new_doc(20, 20);
    SizeWindow(w, 100, 100, false);
    __adjust_iw_win(w);
    set_pixel(rec(w)->img_off, 3, 3, kRed);
    set_pixel(rec(w)->draw_off, 3, 3, kGrey);
    set_pixel(rec(w)->img_off, 8, 8, kGrey);
    set_pixel(rec(w)->draw_off, 12, 12, kRed);
    set_pixel(rec(w)->shape_off, 14, 14, kRed);
    iw_draw(w);
    CGrafPtr port = GetWindowPort(w);
    EXPECT_EQ(GetPixelRGB(port, 3, 3), 0xFF0000u);
    EXPECT_EQ(GetPixelRGB(port, 8, 8), 0x888888u);
    EXPECT_EQ(GetPixelRGB(port, 12, 12), 0xFF0000u);
    EXPECT_EQ(GetPixelRGB(port, 14, 14), 0xFF0000u);
    EXPECT_EQ(GetPixelRGB(port, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(GetPixelRGB(port, 50, 50), 0x000000u) << "outside the picture the view is black";
}

TEST_F(ImageWindow, ScaledRedrawTakesTheNearestPictureOrLayerPixel) {
    WindowRef w = new_doc(20, 20, 9);
    SizeWindow(w, 200, 200, false);
    __adjust_iw_win(w);
    set_pixel(rec(w)->img_off, 2, 1, kRed);
    iw_draw(w);
    CGrafPtr port = GetWindowPort(w);
    for (int dv = 0; dv < 4; ++dv)
        for (int dh = 0; dh < 4; ++dh) EXPECT_EQ(GetPixelRGB(port, 8 + dh, 4 + dv), 0xFF0000u);
    EXPECT_EQ(GetPixelRGB(port, 12, 4), 0xFFFFFFu);
}

TEST_F(ImageWindow, LargePictureShowsItsCornersAtTheHighestScales) {
    constexpr RGBColor kGreen{0, 0xFFFF, 0}, kBlue{0, 0, 0xFFFF};
    WindowRef w = new_doc(6000, 4000);
    SizeWindow(w, 415, 315, false);
    set_pixel(rec(w)->img_off, 0, 0, kRed);
    set_pixel(rec(w)->draw_off, 5999, 0, kRed);
    set_pixel(rec(w)->img_off, 5998, 3999, kBlue);
    set_pixel(rec(w)->img_off, 5999, 3999, kGreen);
    ControlRef h = bar(w, true), v = bar(w, false);
    CGrafPtr port = GetWindowPort(w);
    for (int index : {10, 11}) {
        const int r = int(dbl_ratio[index]);
        SCOPED_TRACE(r);
        rec(w)->zoom_index = index;
        __adjust_iw_win(w);
        EXPECT_EQ(GetControlMaximum(h), 6000 * r - 400);
        SetControlValue(h, 0);
        SetControlValue(v, 0);
        hooks_control_part(h, kControlDownButtonPart);
        EXPECT_EQ(GetControlValue(h), (6000 * r - 400) / 100) << "the step rule holds";
        SetControlValue(h, 0);
        iw_draw(w);
        EXPECT_EQ(GetPixelRGB(port, r - 1, r - 1), 0xFF0000u);
        EXPECT_EQ(GetPixelRGB(port, r, 0), 0xFFFFFFu);
        SetControlValue(h, GetControlMaximum(h));
        iw_draw(w);
        EXPECT_EQ(GetPixelRGB(port, 399, 0), 0xFF0000u) << "the drawing layer";
        SetControlValue(v, GetControlMaximum(v));
        iw_draw(w);
        EXPECT_EQ(GetPixelRGB(port, 399, 299), 0x00FF00u);
        EXPECT_EQ(GetPixelRGB(port, 399 - r, 299 - r + 1), 0x0000FFu);
        EXPECT_EQ(GetPixelRGB(port, 399 - 2 * r, 299), 0xFFFFFFu);
    }
}

TEST_F(ImageWindow, SelectionIsFramedInTheMarqueePatternOverThePicture) {
    WindowRef w = new_doc(40, 40);
    SizeWindow(w, 100, 100, false);
    __adjust_iw_win(w);
    SetRect(&rec(w)->sel_rect, 10, 10, 30, 30);
    iw_draw(w);
    CGrafPtr port = GetWindowPort(w);
    // Row 10 of the pattern is 0xC3 (10 mod 8 = 2): columns 8, 9 black, 10 to 13 white.
    EXPECT_EQ(GetPixelRGB(port, 14, 10), 0x000000u);
    EXPECT_EQ(GetPixelRGB(port, 12, 10), 0xFFFFFFu);
    EXPECT_EQ(GetPixelRGB(port, 20, 20), 0xFFFFFFu) << "inside the frame the picture shows";
}

TEST_F(ImageWindow, HandToolAndWheelMoveThePictureAndTheWheelOnlyThroughShownBars) {
    WindowRef w = new_doc(800, 600);
    SizeWindow(w, 315, 215, false);
    __adjust_iw_win(w);
    SetControlValue(bar(w, true), 100);
    SetControlValue(bar(w, false), 100);
    drag(w, iw_click_scroll, {{50, 50}, {30, 40}, {30, 40}, {60, 45}});
    EXPECT_EQ(GetControlValue(bar(w, true)), 105);
    EXPECT_EQ(GetControlValue(bar(w, false)), 90);
    HideControl(bar(w, true));
    hooks_wheel(w, {0, 0, -4, 0, false});
    EXPECT_EQ(GetControlValue(bar(w, true)), 105) << "a hidden bar does not scroll";
    IwRecord* r = rec(w);
    SetWRefCon(w, nullptr);
    hooks_wheel(w, {0, 0, 0, 3, false});
    EXPECT_EQ(GetControlValue(r->sc_v), 90) << "without its record the window ignores the wheel";
    SetWRefCon(w, r);
}

TEST_F(ImageWindow, WheelNotchScrollsThreeLinesOfSixteenPixelsAndATouchpadItsPixels) {
    WindowRef w = new_doc(2000, 2000);
    SizeWindow(w, 315, 215, false);
    __adjust_iw_win(w);
    struct Case {
        const char* name;
        WheelTurn turn;
        int h, v;  // the bars' values after the turn, from 500 each
    };
    const Case cases[] = {
        {"a notch down", {0, -120, 0, 0, false}, 500, 548},
        {"two notches up", {0, 240, 0, 0, false}, 500, 404},
        {"a notch right", {-120, 0, 0, 0, false}, 548, 500},
        {"Shift turns across", {0, -120, 0, 0, true}, 548, 500},
        {"touchpad pixels", {0, 0, 7, -5, false}, 493, 505},
        {"past the end", {0, -120 * 50, 0, 0, false}, 500, 1800},
        {"past the start", {120 * 50, 0, 0, 0, false}, 0, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetControlValue(bar(w, true), 500);
        SetControlValue(bar(w, false), 500);
        hooks_wheel(w, c.turn);
        EXPECT_EQ(GetControlValue(bar(w, true)), c.h);
        EXPECT_EQ(GetControlValue(bar(w, false)), c.v);
    }
    SetControlValue(bar(w, false), 500);
    hooks_wheel(w, {0, -12, 0, 0, false});
    hooks_wheel(w, {0, -12, 0, 0, false});
    EXPECT_EQ(GetControlValue(bar(w, false)), 509) << "4.8 pixels a tenth of a notch, carried";
}

TEST_F(ImageWindow, ClosingAsksOnlyAboutUnsavedChanges) {
    WindowRef opened = new_doc(10, 10);
    rec(opened)->modified = false;
    EXPECT_TRUE(iw_close(opened));
    EXPECT_EQ(hooks_nav_record().save_changes, 0);

    WindowRef capture = new_doc(10, 10);
    hooks_answer_save_changes(kNavAskSaveChangesCancel);
    EXPECT_FALSE(iw_close(capture));
    EXPECT_EQ(hooks_nav_record().save_changes, 1);
    EXPECT_TRUE(is_iw(capture));
    hooks_answer_save_changes(kNavAskSaveChangesDontSave);
    EXPECT_TRUE(iw_close(capture));
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
}

TEST_F(ImageWindow,
       SaveAnsweredInTheClosingQuestionWritesTheFileThenClosesUnlessCancelledOrFailed) {
    TempDir dir;
    WindowRef capture = new_doc(10, 10);
    hooks_answer_save_changes(kNavAskSaveChangesSave);
    hooks_answer_put_file({});
    EXPECT_FALSE(iw_close(capture)) << "the file dialog was cancelled";
    EXPECT_EQ(hooks_nav_record().put_file, 1);
    EXPECT_TRUE(is_iw(capture));
    EXPECT_TRUE(rec(capture)->modified);
    EXPECT_TRUE(hooks_alerts().empty());
    hooks_answer_save_changes(kNavAskSaveChangesSave);
    hooks_answer_put_file({"lost.jpg", {}, dir.file("gone")});
    EXPECT_FALSE(iw_close(capture)) << "the save failed";
    EXPECT_EQ(hooks_alerts().size(), 1u);
    hooks_answer_save_changes(kNavAskSaveChangesSave);
    hooks_answer_put_file({"kept.jpg", {}, dir.path()});
    EXPECT_TRUE(iw_close(capture));
    EXPECT_TRUE(std::filesystem::exists(dir.file("kept.jpg")));
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
}

TEST_F(ImageWindow, CloseBoxAndTheClosedEventGoThroughTheDocument) {
    WindowRef w = new_doc(10, 10);
    hooks_answer_save_changes(kNavAskSaveChangesCancel);
    hooks_close_box(w);
    EXPECT_TRUE(is_iw(w));
    rec(w)->modified = false;
    hooks_close_box(w);
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
}

TEST_F(ImageWindow, DocumentThatCannotBeMadeShowsTheMemoryAlertAndLeavesNoWindow) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("main"));
    struct Case {
        const char* name;
        int width;
        bool without_form;
    };
    const Case cases[] = {{"no layers", 0, false}, {"no window description", 10, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hooks_clear_record();
        if (c.without_form) {
            DisposeNibReference(g_nibRef);
            hooks_set_description_root(dir.path().c_str());
            ASSERT_EQ(CreateNibReference("main", &g_nibRef), noErr);
        }
        EXPECT_EQ(iw_new(std::int16_t(c.width), 10, 5), nullptr);
        ASSERT_EQ(hooks_alerts().size(), 1u);
        EXPECT_EQ(hooks_alerts()[0].title, kErrorAlertTitle);
        EXPECT_EQ(hooks_alerts()[0].message, "The memory is insufficient to execute work.");
        EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
    }
}

}  // namespace
