// Image documents: titles, zoom steps, new windows, scroll bars, compositing, the hand tool
// and the wheel, closing with the save-changes question, and documents that cannot be made.

#include <filesystem>
#include <tuple>

#include "app/prefs.h"
#include "app/startup.h"
#include "camera/capture.h"
#include "imagewin/iw_view.h"
#include "support/image_docs.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace {

class ImageWindow : public ImageDocTest {};

constexpr RGBColor kGrey{0x8888, 0x8888, 0x8888};
constexpr RGBColor kRed{0xFFFF, 0, 0};

ControlRef bar(WindowRef w, bool horizontal) {
    return horizontal ? iw_record(w)->sc_h : iw_record(w)->sc_v;
}

TEST_F(ImageWindow, TitleShowsTheScaleAndZoomStepsThroughTheTableStoppingAtItsEnds) {
    // The table index (12: the custom ratio), the title, and where zooming in and out lead.
    const std::tuple<int, double, const char*, int, int> cases[] = {
        {0, 0, "scan 6.25%", 1, 0},       {1, 0, "scan 12.5%", 2, 0},
        {4, 0, "scan 66.7%", 5, 3},       {11, 0, "scan 1600%", 11, 10},
        {12, 0.05, "scan 5.00%", 0, 0},   {12, 0.0999, "scan 9.99%", 1, 0},
        {12, 0.1, "scan 10.0%", 1, 0},    {12, 0.5, "scan 50.0%", 4, 2},
        {12, 20.0, "scan 2000%", 11, 11}, {12, 1.0, "scan 100%", 6, 4}};
    WindowRef w = new_doc(40, 30);
    for (const auto& [index, ratio, title, in, out] : cases) {
        rec(w)->zoom_index = index;
        rec(w)->zoom_ratio = ratio;
        iw_set_window_title(w);
        EXPECT_EQ(GetWindowTitle(w), title);
        iw_zoon_in();
        EXPECT_EQ(rec(w)->zoom_index, in) << title;
        rec(w)->zoom_index = index;
        iw_zoon_out();
        EXPECT_EQ(rec(w)->zoom_index, out) << title;
    }
}

TEST_F(ImageWindow, CapturesAreNumberedAndScaledByTheLiveWindowSizeAndAFailedOneUsesNoNumber) {
    g_grab_off = make_test_image(64, 48, 1);
    g_off_width = 0;  // no layers can be made
    g_off_height = 48;
    EXPECT_EQ(iw_captrue(), nullptr);
    EXPECT_EQ(hooks_alerts().size(), 1u);
    g_off_width = 64;
    const char* titles[] = {"Untitled 1 25%", "Untitled 2 50%", "Untitled 3 100%"};
    for (pref.lm_size = 0; pref.lm_size < 3; ++pref.lm_size) {
        WindowRef w = iw_captrue();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(GetWindowTitle(w), titles[pref.lm_size]);
        EXPECT_TRUE(IsWindowVisible(w) && rec(w)->modified);
        EXPECT_EQ(gworld_pixels(rec(w)->img_off), gworld_pixels(g_grab_off));
    }
    DisposeGWorld(g_grab_off);
    g_grab_off = nullptr;
    EXPECT_EQ(iw_captrue(), nullptr) << "no picture, no document";
    g_off_width = g_off_height = -1;
}

TEST_F(ImageWindow, NewWindowIsSizedToTheScaledPictureAndStaysOnScreenBelowTheToolbar) {
    WindowRef w = iw_new(1024, 768, 2);
    ASSERT_NE(w, nullptr);
    Rect r;
    GetWindowPortBounds(w, &r);
    EXPECT_TRUE(r.right == 256 + 15 && r.bottom == 192 + 15);
    GetWindowPortBounds(iw_new(300, 150, 4), &r);
    EXPECT_NEAR(r.right - 15, 200, 1) << "two thirds";
    WindowRef toolbar = nullptr;
    ASSERT_EQ(SetMenuBarFromNib(g_nibRef, "MenuBar"), noErr);
    ASSERT_EQ(CreateWindowFromNib(g_nibRef, "toolbar", &toolbar), noErr);
    MoveWindow(toolbar, 16, 22, false);
    ShowWindow(toolbar);
    GetWindowPortBounds(toolbar, &r);
    const int below = GetMBarHeight();
    EXPECT_GE(below, 22 + r.bottom) << "the menu bar's window reaches down to the toolbar";
    Rect screen;
    GetMainScreenRect(&screen);
    WindowRef big = iw_new(2000, 1500, 5);
    ShowWindow(big);
    GetWindowPortBounds(big, &r);
    EXPECT_EQ(r.right, screen.right - screen.left - 8);
    EXPECT_EQ(r.bottom, screen.bottom - below - 32);
    const Point at = GetWindowContentOrigin(big);
    EXPECT_TRUE(at.v >= below && at.v + r.bottom <= screen.bottom);
}

TEST_F(ImageWindow, ScrollMaximaFollowTheScaledPictureAndArrowsStepByAHundredth) {
    // In a view 400 wide: the picture's width, the bar's maximum, an arrow's and a page's step.
    const std::tuple<int, int, int, int> cases[] = {{650, 250, 2, 20}, {300, 0, 0, 0}};
    for (const auto& [width, maximum, arrow, page] : cases) {
        ControlRef h = bar(view_doc(width, 100), true);
        EXPECT_EQ(GetControlMaximum(h), maximum) << width;
        EXPECT_TRUE(IsControlVisible(h));
        std::vector<int> values;
        for (auto part : {kControlDownButtonPart, kControlPageDownPart, kControlUpButtonPart,
                          kControlPageUpPart}) {
            hooks_control_part(h, part);
            values.push_back(GetControlValue(h));
        }
        EXPECT_EQ(values, (std::vector<int>{arrow, arrow + page, page, 0})) << width;
        close_all_documents();
    }
}

// Each picture pixel shows as a square of the scale's side: the layers over the picture,
// their grey transparent, the picture's own grey shown, black beyond the picture. A new
// document's picture is white and its layers all transparent grey.
TEST_F(ImageWindow, RedrawShowsTheLayersOverThePictureAtTheScale) {
    const std::tuple<int, int, std::uint32_t> pixels[] = {{3, 3, 0xFF0000},   {8, 8, 0x888888},
                                                          {12, 12, 0xFF0000}, {14, 14, 0xFF0000},
                                                          {4, 3, 0xFFFFFF},   {25, 1, 0}};
    WindowRef w = view_doc(20, 20, 9, 185, 185);  // 400%
    IwRecord* r = rec(w);
    set_pixel(r->img_off, 3, 3, kRed);
    set_pixel(r->draw_off, 3, 3, kGrey);
    set_pixel(r->img_off, 8, 8, kGrey);
    set_pixel(r->draw_off, 12, 12, kRed);
    set_pixel(r->shape_off, 14, 14, kRed);
    iw_draw(w);
    for (const auto& [x, y, shown] : pixels)
        for (int d : {0, 3})
            EXPECT_EQ(GetPixelRGB(GetWindowPort(w), x * 4 + d, y * 4 + d), shown) << x << "," << y;
}

// At 1600% the picture is 96,000 pixels wide, beyond 16 bits.
TEST_F(ImageWindow, LargePictureShowsItsCornersAtTheHighestScale) {
    constexpr RGBColor kGreen{0, 0xFFFF, 0}, kBlue{0, 0, 0xFFFF};
    WindowRef w = view_doc(6000, 4000, 11);
    set_pixel(rec(w)->img_off, 0, 0, kRed);
    set_pixel(rec(w)->draw_off, 5999, 0, kRed);
    set_pixel(rec(w)->img_off, 5998, 3999, kBlue);
    set_pixel(rec(w)->img_off, 5999, 3999, kGreen);
    ControlRef h = bar(w, true), v = bar(w, false);
    CGrafPtr port = GetWindowPort(w);
    iw_draw(w);
    EXPECT_EQ(GetPixelRGB(port, 15, 15), 0xFF0000u);
    EXPECT_EQ(GetPixelRGB(port, 16, 0), 0xFFFFFFu);
    hooks_control_part(h, kControlDownButtonPart);
    EXPECT_EQ(GetPixelRGB(port, 15, 15), 0xFFFFFFu) << "the arrow redraws at once";
    SetControlValue(h, GetControlMaximum(h));
    iw_draw(w);
    EXPECT_EQ(GetPixelRGB(port, 399, 0), 0xFF0000u) << "the drawing layer";
    SetControlValue(v, GetControlMaximum(v));
    iw_draw(w);
    EXPECT_EQ(GetPixelRGB(port, 399, 299), 0x00FF00u);
    EXPECT_EQ(GetPixelRGB(port, 399 - 16, 299 - 15), 0x0000FFu);
    EXPECT_EQ(GetPixelRGB(port, 399 - 32, 299), 0xFFFFFFu);
}

TEST_F(ImageWindow, WheelScrollsThreeLinesOfSixteenPixelsANotchAndTheHandDragsThePicture) {
    WindowRef w = view_doc(2000, 2000, 5, 300, 200);
    // A turn, and the bars' values after it from 500 each: a notch down, left, with Shift, a
    // touchpad's pixels, and two tenths of a notch (4.8 pixels each, the rest carried over).
    const std::tuple<WheelTurn, int, int> cases[] = {
        {{0, -120, 0, 0, false}, 500, 548}, {{-120, 0, 0, 0, false}, 548, 500},
        {{0, -120, 0, 0, true}, 548, 500},  {{0, 0, 7, -5, false}, 493, 505},
        {{0, -12, 0, 0, false}, 500, 504},  {{0, -12, 0, 0, false}, 500, 505}};
    for (const auto& [turn, h, v] : cases) {
        SetControlValue(bar(w, true), 500);
        SetControlValue(bar(w, false), 500);
        hooks_wheel(w, turn);
        EXPECT_EQ(GetControlValue(bar(w, true)), h);
        EXPECT_EQ(GetControlValue(bar(w, false)), v);
    }
    SetControlValue(bar(w, true), 100);
    drag(w, iw_click_scroll, {{50, 50}, {30, 40}, {30, 40}, {60, 45}});
    EXPECT_EQ(GetControlValue(bar(w, true)), 105);
    EXPECT_EQ(GetControlValue(bar(w, false)), 495);
    HideControl(bar(w, true));
    hooks_wheel(w, {-120, 0, 0, 0, false});
    EXPECT_EQ(GetControlValue(bar(w, true)), 105) << "a hidden bar does not scroll";
}

TEST_F(ImageWindow, SaveAnsweredWhenClosingClosesOnlyOnceTheFileIsWritten) {
    TempDir dir;
    WindowRef w = new_doc(10, 10);
    hooks_answer_save_changes(kNavAskSaveChangesSave);
    hooks_answer_put_file({});
    EXPECT_FALSE(iw_close(w)) << "the file dialog cancelled";
    hooks_answer_save_changes(kNavAskSaveChangesCancel);
    hooks_close_box(w);
    EXPECT_TRUE(is_iw(w)) << "the close box asks too";
    hooks_answer_save_changes(kNavAskSaveChangesSave);
    hooks_answer_put_file({"kept.jpg", {}, dir.path()});
    hooks_close_box(w);
    EXPECT_TRUE(std::filesystem::exists(dir.file("kept.jpg")));
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
}

TEST_F(ImageWindow, DocumentWithoutItsWindowDescriptionShowsTheMemoryAlertAndLeavesNoWindow) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("main"));
    DisposeNibReference(g_nibRef);
    hooks_set_description_root(dir.path().c_str());
    ASSERT_EQ(CreateNibReference("main", &g_nibRef), noErr);
    EXPECT_EQ(iw_new(10, 10, 5), nullptr);
    ASSERT_EQ(hooks_alerts().size(), 1u);
    EXPECT_EQ(hooks_alerts()[0].message, "The memory is insufficient to execute work.");
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
}

}  // namespace
