// Editing image documents: turning them, selecting, zooming to the selection, erasing, and the
// drawing tools, driven by commands and scripted mouse gestures.

#include <algorithm>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "app/commands.h"
#include "app/control_window.h"
#include "imagewin/draw_tools.h"
#include "imagewin/iw_view.h"
#include "imagewin/selection.h"
#include "support/image_docs.h"
#include "support/image_files.h"

static bool operator==(const Rect& a, const Rect& b) {
    return EqualRect(&a, &b);
}
static void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{t" << r.top << " l" << r.left << " b" << r.bottom << " r" << r.right << "}";
}

namespace {

constexpr std::uint32_t kGrey = 0x888888;
constexpr Rect kNone{0, 0, 0, 0};

Point pt(int h, int v) {
    return Point{std::int16_t(v), std::int16_t(h)};
}

class Editing : public ImageDocTest {
  protected:
    void SetUp() override {
        ImageDocTest::SetUp();
        InstallApplicationEventHandler(__my_command_event_handler, 1, my_cmd_events, nullptr,
                                       nullptr);
        for (const char* choice : {"CP01", "LNW3", "TLE1"}) ProcessHICommand(code_of(choice));
    }
    static void fill(GWorldPtr layer, unsigned seed) {
        GWorldPtr picture = make_test_image(layer->width, layer->height, seed);
        CopyBits(picture, layer, &picture->clip, &picture->clip, srcCopy, nullptr);
        DisposeGWorld(picture);
    }
    // The bounds of the pixels that are not the transparent grey (with grey set: that are).
    static Rect marks(GWorldPtr layer, bool grey = false) {
        Rect out = kNone;
        for (int v = 0; v < layer->height; ++v)
            for (int h = 0; h < layer->width; ++h) {
                if ((GetPixelRGB(layer, h, v) == kGrey) != grey) continue;
                if (EmptyRect(&out)) SetRect(&out, h, v, h + 1, v + 1);
                SetRect(&out, std::min<int>(out.left, h), std::min<int>(out.top, v),
                        std::max(out.right, std::int16_t(h + 1)),
                        std::max(out.bottom, std::int16_t(v + 1)));
            }
        return out;
    }
};

TEST_F(Editing, TurnsMoveEveryPixelOfEveryLayer) {
    // The turn, the picture's size and where its pixel (x, y) lands.
    const std::tuple<const char*, int, int, Point (*)(int x, int y, int w, int h)> cases[] = {
        {"R90R", 640, 480, [](int x, int y, int, int h) { return pt(h - 1 - y, x); }},
        {"R90L", 130, 70, [](int x, int y, int w, int) { return pt(y, w - 1 - x); }},
        {"R180", 130, 70, [](int x, int y, int w, int h) { return pt(w - 1 - x, h - 1 - y); }}};
    for (const auto& [turn, width, height, to] : cases) {
        SCOPED_TRACE(turn);
        IwRecord* r = rec(view_doc(width, height));
        SetRect(&r->sel_rect, 2, 3, 12, 13);
        GWorldPtr IwRecord::*layers[] = {&IwRecord::img_off, &IwRecord::draw_off,
                                         &IwRecord::shape_off};
        std::vector<std::vector<std::uint32_t>> before;
        for (auto layer : layers) {
            fill(r->*layer, unsigned(before.size() + 1));
            before.push_back(gworld_pixels(r->*layer));
        }
        ProcessHICommand(code_of(turn));
        const bool quarter = turn[1] == '9';
        EXPECT_EQ(r->img_rect, (Rect{0, 0, std::int16_t(quarter ? width : height),
                                     std::int16_t(quarter ? height : width)}));
        for (std::size_t i = 0; i < 3; ++i) {
            GWorldPtr layer = r->*layers[i];
            ASSERT_TRUE(layer->width == r->img_rect.right && layer->height == r->img_rect.bottom);
            int wrong = 0;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const Point d = to(x, y, width, height);
                    wrong += GetPixelRGB(layer, d.h, d.v) != before[i][std::size_t(y * width + x)];
                }
            EXPECT_EQ(wrong, 0) << "layer " << i;
        }
        EXPECT_TRUE(r->modified) << "a turn is a change a save would write";
        EXPECT_EQ(r->sel_rect, (Rect{3, 2, 13, 12}));
        close_all_documents();
    }
}

TEST_F(Editing, TurnThatCannotBeMadeLeavesTheDocumentWholeAndBlankLayersTurnBlank) {
    IwRecord* r = rec(view_doc(64, 48));
    const std::vector<GWorldPtr> layers{r->img_off, r->draw_off, r->shape_off};
    for (int made : {0, 2}) {
        hooks_clear_record();
        hooks_fail_gworlds_after(made);
        ProcessHICommand(FOUR_CC("R90R"));
        hooks_fail_gworlds_after(-1);
        EXPECT_EQ((std::vector<GWorldPtr>{r->img_off, r->draw_off, r->shape_off}), layers);
        EXPECT_EQ(r->img_rect, (Rect{0, 0, 48, 64}));
        EXPECT_FALSE(r->modified);
        EXPECT_EQ(hooks_alerts().size(), 1u);
    }
    ProcessHICommand(FOUR_CC("R90R"));
    RGBColor colour;
    EXPECT_TRUE(IsGWorldUniform(r->draw_off, &colour)) << "without taking memory";
    EXPECT_EQ(marks(r->draw_off), kNone);
}

TEST_F(Editing, SelectionFollowsTheDragInPicturePixelsClampedToThePicture) {
    // On a 400 x 300 picture: the scale, the scroll bars' values, the drag and the selection.
    const std::tuple<int, int, int, Point, Point, Rect> cases[] = {
        {5, 0, 0, pt(30, 20), pt(10, 5), {5, 10, 20, 30}},
        {7, 20, 10, pt(0, 0), pt(5, 7), {5, 10, 8, 12}},
        {5, 0, 0, pt(350, 250), pt(410, 310), {250, 350, 300, 400}},
        {5, 0, 0, pt(405, 10), pt(412, 20), {10, 405, 20, 400}}};  // beyond the right: empty
    for (const auto& [zoom_index, scroll_h, scroll_v, from, to, selection] : cases) {
        WindowRef w = view_doc(400, 300, zoom_index);
        SetControlValue(rec(w)->sc_h, scroll_h);
        SetControlValue(rec(w)->sc_v, scroll_v);
        drag(w, iw_click_selection, {from, pt((from.h + to.h) / 2, to.v), to});
        EXPECT_EQ(rec(w)->sel_rect, selection) << from.h;
        close_all_documents();
    }
}

TEST_F(Editing, PressInThePictureActsByTheToolAndEveryToolButTheHandClearsTheSelection) {
    // The tool, whether the selection stays and whether the press draws.
    const std::tuple<const char*, bool, bool> cases[] = {
        {"HAND", true, false}, {"RECT", false, false}, {"TL01", false, true}};
    for (const auto& [command, keeps_selection, draws] : cases) {
        SCOPED_TRACE(command);
        WindowRef w = view_doc(40, 30);
        SetRect(&rec(w)->sel_rect, 20, 20, 30, 30);
        iw_draw(w);
        ProcessHICommand(code_of(command));
        drag(w, [](WindowRef window, Point) { hooks_click_window(window); }, {pt(5, 5)});
        EXPECT_EQ(EmptyRect(&rec(w)->sel_rect), !keeps_selection);
        EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 22, 20) == 0, keeps_selection) << "marquee";
        EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 25, 25), 0xFFFFFFu) << "the picture inside";
        EXPECT_EQ(GetPixelRGB(rec(w)->draw_off, 5, 5) == 0, draws);
        EXPECT_EQ(rec(w)->modified, draws);
        close_all_documents();
    }
}

TEST_F(Editing, ZoomToSelectionFillsTheViewCentredWithinOneSixteenthToSixteen) {
    // The picture's width, the selection, the title and the scroll bars' values afterwards.
    const std::tuple<int, Rect, const char*, int, int> cases[] = {
        {400, {100, 100, 110, 110}, "scan 1600%", 1480, 1530},  // 30 clamped to 16
        {400, {10, 20, 60, 120}, "scan 400%", 80, 0},
        {8000, {0, 0, 100, 8000}, "scan 6.25%", 50, 0},  // 0.05 raised to 1/16
        {400, {10, 20, 10, 120}, "scan 100%", 0, 0}};    // no selection: nothing
    for (const auto& [width, selection, title, scroll_h, scroll_v] : cases) {
        WindowRef w = view_doc(width, 400);
        rec(w)->sel_rect = selection;
        ProcessHICommand(FOUR_CC("ZSEL"));
        EXPECT_EQ(GetWindowTitle(w), title);
        EXPECT_EQ(GetControlValue(rec(w)->sc_h), scroll_h) << title;
        EXPECT_EQ(GetControlValue(rec(w)->sc_v), scroll_v) << title;
        close_all_documents();
    }
}

TEST_F(Editing, EraseRemovesAnnotationsInTheSelectionOrEverywhereButNeverThePicture) {
    WindowRef w = view_doc(40, 30);
    IwRecord* r = rec(w);
    fill(r->img_off, 7);
    const auto picture = gworld_pixels(r->img_off);
    set_pixel(r->draw_off, 12, 12, {0xFFFF, 0, 0});
    set_pixel(r->shape_off, 14, 14, {0xFFFF, 0, 0});
    set_pixel(r->draw_off, 30, 25, {0xFFFF, 0, 0});
    ProcessHICommand(FOUR_CC("TL07"));
    EXPECT_EQ(marks(r->draw_off), (Rect{12, 12, 26, 31})) << "no selection, nothing erased";
    EXPECT_FALSE(r->modified);
    SetRect(&r->sel_rect, 10, 10, 20, 20);
    ProcessHICommand(FOUR_CC("TL07"));
    EXPECT_EQ(marks(r->draw_off), (Rect{25, 30, 26, 31}));
    EXPECT_EQ(marks(r->shape_off), kNone);
    EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 12, 12), picture[12 * 40 + 12]) << "shown at once";
    EXPECT_TRUE(r->modified) << "erasing changes what a save writes";
    ProcessHICommand(FOUR_CC("TL08"));
    EXPECT_EQ(marks(r->draw_off), kNone);
    EXPECT_EQ(gworld_pixels(r->img_off), picture);
}

TEST_F(Editing, EachColourDrawsItsPurePrimaryAtOnceAndNoneIsTheTransparentGrey) {
    const std::uint32_t colours[] = {0x000000, 0xFF0000, 0x0000FF, 0x00FF00,
                                     0xFFFFFF, 0xFFFF00, 0xFF00FF, 0x00FFFF};
    WindowRef w = view_doc(100, 20);
    ProcessHICommand(FOUR_CC("TL01"));
    for (int i = 0; i < 8; ++i) {
        ProcessHICommand(code_of(("CP0" + std::to_string(i + 1)).c_str()));
        drag(w, iw_click_draw, {pt(10 * i, 5)});
        EXPECT_EQ(GetPixelRGB(rec(w)->draw_off, 10 * i + 1, 6), colours[i]);
        EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 10 * i + 1, 6), colours[i]);
    }
}

// Each tool's gesture in window pixels, on a 400 x 300 picture; what it leaves in the
// drawing layer in picture pixels: the bounds and, where counted, the pixels painted.
TEST_F(Editing, ToolsLeaveTheirShapeInPicturePixelsWhateverTheScale) {
    // The tool, the scale, a line width or eraser size, the path, the bounds of the marks (of
    // the grey pixels for the eraser) and the pixels painted (0: not counted).
    const std::tuple<const char*, int, const char*, std::vector<Point>, Rect, long> cases[] = {
        {"TL01", 7, "LNW7", {pt(40, 20)}, {10, 20, 17, 27}, 49},
        {"TL02", 5, "LNW5", {pt(20, 10)}, {10, 20, 15, 25}, 25},
        {"TL03", 5, "LNW3", {pt(20, 10)}, kNone, 0},
        {"TL04", 9, "LNW3", {pt(80, 40)}, {10, 20, 13, 23}, 9},
        {"TL06", 7, "TLE3", {pt(40, 20)}, {10, 20, 18, 28}, 0},
        {"TL06", 11, "TLE1", {pt(320, 160)}, {10, 20, 11, 21}, 0},
        {"TL06", 5, "TLE2", {pt(20, 10)}, {10, 20, 20, 30}, 0},
        // Dragged through a point and ended elsewhere: only the last form stays.
        {"TL02", 5, "LNW3", {pt(10, 10), pt(20, 25), pt(30, 20)}, {10, 10, 23, 33}, 0},
        {"TL03", 5, "LNW3", {pt(10, 10), pt(20, 25), pt(30, 20)}, {10, 10, 20, 30}, 144},
        {"TL04", 5, "LNW3", {pt(10, 10), pt(20, 25), pt(30, 20)}, {10, 10, 13, 33}, 3 * 23},
        {"TL05", 5, "LNW3", {pt(10, 10), pt(20, 25), pt(30, 20)}, {10, 10, 23, 13}, 3 * 13},
        // At 6.25% the far point lies 48,000 picture pixels to the left, beyond 16 bits.
        {"TL01", 0, "LNW3", {pt(2, 2), pt(-3000, 2), pt(-3000, 3), pt(2, 3)}, {32, 0, 51, 35}, 210},
    };
    for (const auto& [tool, zoom_index, size, path, marked, count] : cases) {
        SCOPED_TRACE(std::string(tool) + " " + size + " at " + std::to_string(zoom_index));
        WindowRef w = view_doc(400, 300, zoom_index);
        IwRecord* r = rec(w);
        const bool eraser = tool[3] == '6';
        if (eraser) fill(r->draw_off, 1);
        ProcessHICommand(code_of(tool));
        ProcessHICommand(code_of(size));
        drag(w, iw_click_draw, path);
        EXPECT_EQ(marks(r->draw_off, eraser), marked);
        const auto pixels = gworld_pixels(r->draw_off);
        EXPECT_TRUE(!count || std::count(pixels.begin(), pixels.end(), 0u) == count) << count;
        EXPECT_EQ(marks(r->shape_off), kNone);
        close_all_documents();
    }
}

// Closes the document at its first redraw, as when the user closes it in mid-gesture.
OSStatus close_at_first_draw(EventHandlerCallRef, EventRef, void*) {
    close_all_documents();
    return eventNotHandledErr;
}

TEST_F(Editing, GestureEndsSafelyWhenItsWindowGoesAway) {
    const EventTypeSpec draw_content{kEventClassWindow, kEventWindowDrawContent};
    for (auto routine : {iw_click_draw, iw_click_selection}) {
        WindowRef w = view_doc(60, 40);
        InstallWindowEventHandler(w, close_at_first_draw, 1, &draw_content, nullptr, nullptr);
        ProcessHICommand(FOUR_CC("TL03"));
        drag(w, routine, {pt(10, 10), pt(20, 20), pt(30, 30)});
        EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
    }
}

}  // namespace
