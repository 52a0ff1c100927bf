// Editing image documents: turning them, selecting, zooming to the selection, erasing, and the
// drawing tools, driven by commands and scripted mouse gestures.

#include <algorithm>
#include <ostream>
#include <string>
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
    // A shown, unmodified document in a view of 400 x 300 (415 x 315 with the scroll bars).
    static WindowRef doc(int width, int height, int zoom_index = 5) {
        WindowRef w = new_doc(width, height, zoom_index);
        SizeWindow(w, 415, 315, false);
        __adjust_iw_win(w);
        rec(w)->modified = false;
        return w;
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

TEST_F(Editing, TurnsMoveEveryPixelOfEveryLayerAndTheOppositeTurnRestoresThem) {
    struct Case {
        const char *turn, *back;
        int width, height;
        Point (*to)(int x, int y, int w, int h);  // where source pixel (x, y) lands
    };
    const Case cases[] = {
        {"R90R", "R90L", 640, 480, [](int x, int y, int, int h) { return pt(h - 1 - y, x); }},
        {"R90L", "R90R", 130, 70, [](int x, int y, int w, int) { return pt(y, w - 1 - x); }},
        {"R180", "R180", 130, 70,
         [](int x, int y, int w, int h) { return pt(w - 1 - x, h - 1 - y); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.turn);
        WindowRef w = doc(c.width, c.height);
        IwRecord* r = rec(w);
        SetRect(&r->sel_rect, 2, 3, 12, 13);
        GWorldPtr IwRecord::*layers[] = {&IwRecord::img_off, &IwRecord::draw_off,
                                         &IwRecord::shape_off};
        std::vector<std::vector<std::uint32_t>> before;
        for (auto layer : layers) {
            fill(r->*layer, unsigned(before.size() + 1));
            before.push_back(gworld_pixels(r->*layer));
        }
        ProcessHICommand(code_of(c.turn));
        const bool quarter = c.turn[1] == '9';
        EXPECT_EQ(r->img_rect, (Rect{0, 0, std::int16_t(quarter ? c.width : c.height),
                                     std::int16_t(quarter ? c.height : c.width)}));
        for (std::size_t i = 0; i < 3; ++i) {
            GWorldPtr layer = r->*layers[i];
            ASSERT_TRUE(layer->width == r->img_rect.right && layer->height == r->img_rect.bottom);
            int wrong = 0;
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const Point d = c.to(x, y, c.width, c.height);
                    wrong +=
                        GetPixelRGB(layer, d.h, d.v) != before[i][std::size_t(y * c.width + x)];
                }
            EXPECT_EQ(wrong, 0) << "layer " << i;
        }
        EXPECT_TRUE(r->modified) << "a turn is a change a save would write";
        EXPECT_EQ(r->sel_rect, (Rect{3, 2, 13, 12}));
        ProcessHICommand(code_of(c.back));
        for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(gworld_pixels(r->*layers[i]), before[i]);
        close_doc(w);
    }
}

TEST_F(Editing, TurnThatCannotBeMadeLeavesTheDocumentWholeAndSaysSo) {
    WindowRef w = doc(64, 48);
    IwRecord* r = rec(w);
    const std::vector<GWorldPtr> layers{r->img_off, r->draw_off, r->shape_off};
    for (int made : {0, 2}) {
        hooks_clear_record();
        hooks_fail_gworlds_after(made);
        ProcessHICommand(FOUR_CC("R90R"));
        hooks_fail_gworlds_after(-1);
        EXPECT_EQ((std::vector<GWorldPtr>{r->img_off, r->draw_off, r->shape_off}), layers);
        EXPECT_EQ(r->img_rect, (Rect{0, 0, 48, 64}));
        EXPECT_FALSE(r->modified);
        ASSERT_EQ(hooks_alerts().size(), 1u);
        EXPECT_EQ(hooks_alerts()[0].message, "The memory is insufficient to execute work.");
    }
}

TEST_F(Editing, BlankLayersTurnWithoutTakingMemory) {
    WindowRef w = doc(64, 48);
    fill(rec(w)->img_off, 1);
    ProcessHICommand(FOUR_CC("R90R"));
    RGBColor grey;
    EXPECT_TRUE(IsGWorldUniform(rec(w)->draw_off, &grey) &&
                IsGWorldUniform(rec(w)->shape_off, &grey));
    EXPECT_EQ(marks(rec(w)->draw_off), kNone);
    EXPECT_FALSE(IsGWorldUniform(rec(w)->img_off, &grey));
}

TEST_F(Editing, SelectionFollowsTheDragInPicturePixelsClampedToThePicture) {
    struct Case {
        int zoom_index, scroll_h, scroll_v;
        Point from, to;
        Rect selection;
    };
    // A 400 x 300 picture.
    const Case cases[] = {
        {7, 0, 0, pt(10, 10), pt(31, 21), {5, 5, 10, 15}},
        {5, 0, 0, pt(30, 20), pt(10, 5), {5, 10, 20, 30}},
        {7, 20, 10, pt(0, 0), pt(5, 7), {5, 10, 8, 12}},
        {5, 0, 0, pt(350, 250), pt(410, 310), {250, 350, 300, 400}},
        {5, 0, 0, pt(405, 10), pt(412, 20), {10, 405, 20, 400}},  // beyond the right: empty
        {5, 0, 0, pt(10, 10), pt(10, 10), {10, 10, 10, 10}},      // a click: empty
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from.h);
        WindowRef w = doc(400, 300, c.zoom_index);
        SetControlValue(rec(w)->sc_h, c.scroll_h);
        SetControlValue(rec(w)->sc_v, c.scroll_v);
        drag(w, iw_click_selection, {c.from, pt((c.from.h + c.to.h) / 2, c.to.v), c.to});
        EXPECT_EQ(rec(w)->sel_rect, c.selection);
        close_doc(w);
    }
}

TEST_F(Editing, PressInThePictureActsByTheToolAndEveryToolButTheHandClearsTheSelection) {
    const struct {
        const char* command;
        bool keeps_selection, draws;
    } cases[] = {{"HAND", true, false}, {"RECT", false, false}, {"TL01", false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        WindowRef w = doc(40, 30);
        SetRect(&rec(w)->sel_rect, 20, 20, 30, 30);
        iw_draw(w);
        ProcessHICommand(code_of(c.command));
        const Point o = GetWindowContentOrigin(w), at{std::int16_t(o.v + 5), std::int16_t(o.h + 5)};
        hooks_script_mouse({{at, true}, {at, false}});
        hooks_click_window(w);  // at (5, 5)
        EXPECT_EQ(EmptyRect(&rec(w)->sel_rect), !c.keeps_selection);
        EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 22, 20) == 0, c.keeps_selection) << "marquee";
        EXPECT_EQ(GetPixelRGB(rec(w)->draw_off, 5, 5) == 0, c.draws);
        EXPECT_EQ(rec(w)->modified, c.draws);
        close_doc(w);
    }
}

TEST_F(Editing, ZoomToSelectionFillsTheViewCentredWithinOneSixteenthToSixteen) {
    const struct {
        int width;
        Rect selection;
        const char* title;
        int scroll_h, scroll_v;
    } cases[] = {
        {400, {100, 100, 110, 110}, "scan 1600%", 1480, 1530},  // 30 clamped to 16
        {400, {10, 20, 60, 120}, "scan 400%", 80, 0},
        {8000, {0, 0, 100, 8000}, "scan 6.25%", 50, 0},  // 0.05 raised to 1/16
        {400, {10, 20, 10, 120}, "scan 100%", 0, 0},     // no selection: nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        WindowRef w = doc(c.width, 400);
        rec(w)->sel_rect = c.selection;
        ProcessHICommand(FOUR_CC("ZSEL"));
        EXPECT_EQ(GetWindowTitle(w), c.title);
        EXPECT_EQ(GetControlValue(rec(w)->sc_h), c.scroll_h);
        EXPECT_EQ(GetControlValue(rec(w)->sc_v), c.scroll_v);
        close_doc(w);
    }
}

TEST_F(Editing, EraseRemovesAnnotationsInTheSelectionOrEverywhereButNeverThePicture) {
    WindowRef w = doc(40, 30);
    IwRecord* r = rec(w);
    fill(r->img_off, 7);
    const auto picture = gworld_pixels(r->img_off);
    const RGBColor red{0xFFFF, 0, 0};
    set_pixel(r->draw_off, 12, 12, red);
    set_pixel(r->shape_off, 14, 14, red);
    set_pixel(r->draw_off, 30, 25, red);
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

TEST_F(Editing, ClickLeavesOneSquareOfThePenOrEraserSizeInPicturePixels) {
    const struct {
        const char* tool;
        int zoom_index;
        const char* size;  // a line width or an eraser size
        int side;          // of the square left at (20, 10) in picture pixels; 0: none
    } cases[] = {
        {"TL01", 5, "LNW3", 3}, {"TL01", 7, "LNW3", 3},  {"TL01", 5, "LNW7", 7},
        {"TL02", 5, "LNW5", 5}, {"TL03", 5, "LNW3", 0},  {"TL04", 9, "LNW3", 3},
        {"TL06", 7, "TLE3", 8}, {"TL06", 11, "TLE1", 1}, {"TL06", 5, "TLE2", 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.tool) + " " + c.size + " at " + std::to_string(c.zoom_index));
        WindowRef w = doc(60, 40, c.zoom_index);
        IwRecord* r = rec(w);
        const bool eraser = c.tool[3] == '6';
        if (eraser) fill(r->draw_off, 1);
        ProcessHICommand(code_of(c.tool));
        ProcessHICommand(code_of(c.size));
        const double ratio = iw_view_ratio(r);
        drag(w, iw_click_draw, {pt(int(20 * ratio), int(10 * ratio))});
        const Rect square{10, 20, std::int16_t(10 + c.side), std::int16_t(20 + c.side)};
        EXPECT_EQ(marks(r->draw_off, eraser), c.side ? square : kNone);
        EXPECT_EQ(marks(r->shape_off), kNone);
        EXPECT_TRUE(r->modified);
        close_doc(w);
    }
}

TEST_F(Editing, EachColourDrawsItsPurePrimaryAtOnceAndNoneIsTheTransparentGrey) {
    const std::uint32_t colours[] = {0x000000, 0xFF0000, 0x0000FF, 0x00FF00,
                                     0xFFFFFF, 0xFFFF00, 0xFF00FF, 0x00FFFF};
    WindowRef w = doc(100, 20);
    ProcessHICommand(FOUR_CC("TL01"));
    for (int i = 0; i < 8; ++i) {
        ProcessHICommand(code_of(("CP0" + std::to_string(i + 1)).c_str()));
        drag(w, iw_click_draw, {pt(10 * i, 5)});
        EXPECT_EQ(GetPixelRGB(rec(w)->draw_off, 10 * i + 1, 6), colours[i]);
        EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 10 * i + 1, 6), colours[i]);
    }
}

TEST_F(Editing, DraggedShapesKeepOnlyTheirLastFormAndHoldTheirAxis) {
    const struct {
        const char* tool;
        Rect painted;
        long count;  // painted pixels; 0: not counted
    } cases[] = {
        // Dragged from (10, 10) through (20, 25) to (30, 20), 3 pixels wide.
        {"TL02", {10, 10, 23, 33}, 0},
        {"TL03", {10, 10, 20, 30}, 2 * 3 * 20 + 2 * 3 * 4},
        {"TL04", {10, 10, 13, 33}, 3 * 23},
        {"TL05", {10, 10, 23, 13}, 3 * 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tool);
        WindowRef w = doc(60, 40);
        ProcessHICommand(code_of(c.tool));
        drag(w, iw_click_draw, {pt(10, 10), pt(20, 25), pt(30, 20)});
        const auto pixels = gworld_pixels(rec(w)->draw_off);
        EXPECT_EQ(marks(rec(w)->draw_off), c.painted);
        if (c.count) {
            EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), c.count);
        }
        EXPECT_EQ(marks(rec(w)->shape_off), kNone);
        close_doc(w);
    }
}

TEST_F(Editing, PenStrokeLeavingThePictureIsDrawnOnlyWhereItLiesWithin) {
    // At 6.25% the far point lies 48,000 picture pixels to the left, beyond 16 bits.
    WindowRef w = doc(400, 300, 0);
    ProcessHICommand(FOUR_CC("TL01"));
    drag(w, iw_click_draw, {pt(2, 2), pt(-3000, 2), pt(-3000, 3), pt(2, 3)});
    const auto pixels = gworld_pixels(rec(w)->draw_off);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), 2 * 3 * 35);
    EXPECT_EQ(marks(rec(w)->draw_off), (Rect{32, 0, 51, 35}));
}

// Closes the document at its first redraw, as when the user closes it in mid-gesture.
OSStatus close_at_first_draw(EventHandlerCallRef, EventRef, void* window) {
    auto* w = static_cast<WindowRef>(window);
    if (is_iw(w)) {
        iw_record(w)->modified = false;
        iw_close(w);
    }
    return eventNotHandledErr;
}

TEST_F(Editing, GestureEndsSafelyWhenItsWindowGoesAway) {
    const EventTypeSpec draw_content{kEventClassWindow, kEventWindowDrawContent};
    for (auto routine : {iw_click_draw, iw_click_selection}) {
        WindowRef w = doc(60, 40);
        InstallWindowEventHandler(w, close_at_first_draw, 1, &draw_content, w, nullptr);
        ProcessHICommand(FOUR_CC("TL03"));
        drag(w, routine, {pt(10, 10), pt(20, 20), pt(30, 30)});
        EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
    }
}

}  // namespace
