// Editing image documents: turning them, selecting, zooming to the selection, erasing, and the
// drawing tools, driven by commands and scripted mouse gestures.

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/control_window.h"
#include "imagewin/draw_tools.h"
#include "imagewin/iw_view.h"
#include "imagewin/selection.h"
#include "support/image_docs.h"
#include "support/image_files.h"

namespace {

constexpr std::uint32_t kGrey = 0x888888;
constexpr RGBColor kRed{0xFFFF, 0, 0};

class Editing : public ImageDocTest {
  protected:
    void SetUp() override {
        ImageDocTest::SetUp();
        InstallApplicationEventHandler(__my_command_event_handler, 1, my_cmd_events, nullptr,
                                       nullptr);
        g_dp_cur_color = FOUR_CC("CP01");
        g_dp_cur_line_width = FOUR_CC("LNW3");
        g_dp_cur_e_size = FOUR_CC("TLE1");
    }
    // A shown document of width x height in a view of 415 x 315, its picture opened (not
    // modified) and its layers filled with distinct pictures.
    static WindowRef doc(int width, int height, int zoom_index = 5) {
        WindowRef w = new_doc(width, height, zoom_index);
        SizeWindow(w, 415, 315, false);
        __adjust_iw_win(w);
        rec(w)->modified = false;
        return w;
    }
    static void fill(GWorldPtr layer, unsigned seed) {
        GWorldPtr picture = make_test_image(layer->width, layer->height, seed);
        Rect r;
        GetPortBounds(layer, &r);
        CopyBits(picture, layer, &r, &r, srcCopy, nullptr);
        DisposeGWorld(picture);
    }
    // The user presses at the first local point, drags through the others and lets go at the
    // last; routine runs the gesture.
    static void drag(WindowRef w, std::function<void(WindowRef, Point)> routine,
                     const std::vector<Point>& local) {
        const Point o = GetWindowContentOrigin(w);
        std::vector<MouseState> states;
        for (const Point& p : local)
            states.push_back({Point{std::int16_t(o.v + p.v), std::int16_t(o.h + p.h)}, true});
        states.push_back({states.back().where, false});
        hooks_script_mouse(states);
        routine(w, local.front());
    }
    static void draw(WindowRef w, const std::vector<Point>& local) {
        drag(w, iw_click_draw, local);
    }
    // The bounds of the pixels of a layer that are (or, with differ, are not) of the colour.
    static Rect bounds_of(GWorldPtr layer, std::uint32_t colour, bool differ = true) {
        Rect out{0, 0, 0, 0};
        bool any = false;
        for (int v = 0; v < layer->height; ++v)
            for (int h = 0; h < layer->width; ++h) {
                if ((GetPixelRGB(layer, h, v) != colour) != differ) continue;
                if (!any) SetRect(&out, h, v, h + 1, v + 1);
                any = true;
                out.left = std::int16_t(std::min<int>(out.left, h));
                out.top = std::int16_t(std::min<int>(out.top, v));
                out.right = std::int16_t(std::max(int(out.right), h + 1));
                out.bottom = std::int16_t(std::max(int(out.bottom), v + 1));
            }
        return out;
    }
    static void expect_rect(const Rect& got, const Rect& want) {
        EXPECT_TRUE(EqualRect(&got, &want))
            << "got t" << got.top << " l" << got.left << " b" << got.bottom << " r" << got.right;
    }
};

Point pt(int h, int v) {
    return Point{std::int16_t(v), std::int16_t(h)};
}

// ---- Turning ------------------------------------------------------------------------------

TEST_F(Editing, TurnsMoveEveryPixelOfEveryLayerAndTheOppositeTurnRestoresThem) {
    struct Case {
        const char *turn, *back;
        int width, height;
        // Where source pixel (x, y) of a w x h picture lands.
        Point (*to)(int x, int y, int w, int h);
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
        for (unsigned i = 0; i < 3; ++i) {
            fill(r->*layers[i], i + 1);
            before.push_back(gworld_pixels(r->*layers[i]));
        }
        Rect view_before, view_after;
        GetWindowPortBounds(w, &view_before);
        ProcessHICommand(code_of(c.turn));
        const bool quarter = std::string(c.turn) != "R180";
        expect_rect(r->img_rect, Rect{0, 0, std::int16_t(quarter ? c.width : c.height),
                                      std::int16_t(quarter ? c.height : c.width)});
        for (unsigned i = 0; i < 3; ++i) {
            GWorldPtr layer = r->*layers[i];
            ASSERT_EQ(layer->width, r->img_rect.right);
            ASSERT_EQ(layer->height, r->img_rect.bottom);
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
        expect_rect(r->sel_rect, Rect{3, 2, 13, 12});
        GetWindowPortBounds(w, &view_after);
        EXPECT_TRUE(EqualRect(&view_before, &view_after)) << "the window keeps its size";
        ProcessHICommand(code_of(c.back));
        for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(gworld_pixels(r->*layers[i]), before[i]);
        close_doc(w);
    }
}

TEST_F(Editing, TurnThatCannotBeMadeLeavesTheDocumentWholeAndSaysSo) {
    WindowRef w = doc(64, 48);
    IwRecord* r = rec(w);
    fill(r->img_off, 1);
    const auto picture = gworld_pixels(r->img_off);
    const GWorldPtr layers[] = {r->img_off, r->draw_off, r->shape_off};
    for (int made : {0, 1, 2}) {
        SCOPED_TRACE(made);
        hooks_clear_record();
        hooks_fail_gworlds_after(made);
        ProcessHICommand(FOUR_CC("R90R"));
        hooks_fail_gworlds_after(-1);
        EXPECT_EQ((std::vector<GWorldPtr>{r->img_off, r->draw_off, r->shape_off}),
                  (std::vector<GWorldPtr>(std::begin(layers), std::end(layers))));
        expect_rect(r->img_rect, Rect{0, 0, 48, 64});
        EXPECT_EQ(gworld_pixels(r->img_off), picture);
        EXPECT_FALSE(r->modified);
        ASSERT_EQ(hooks_alerts().size(), 1u);
        EXPECT_EQ(hooks_alerts()[0].message, "The memory is insufficient to execute work.");
    }
}

// ---- Selecting, zooming to the selection, erasing ---------------------------------------

TEST_F(Editing, SelectionFollowsTheDragInPicturePixelsClampedToThePicture) {
    struct Case {
        const char* name;
        int zoom_index, scroll_h, scroll_v;
        Point from, to;
        Rect selection;  // top, left, bottom, right
    };
    const Case cases[] = {
        {"at 200%", 7, 0, 0, pt(10, 10), pt(31, 21), {5, 5, 10, 15}},
        {"upward to the left", 5, 0, 0, pt(30, 20), pt(10, 5), {5, 10, 20, 30}},
        {"scrolled at 200%", 7, 20, 10, pt(0, 0), pt(5, 7), {5, 10, 8, 12}},
        {"beyond the bottom right", 5, 0, 0, pt(350, 250), pt(410, 310), {250, 350, 300, 400}},
        {"wholly beyond the right", 5, 0, 0, pt(405, 10), pt(412, 20), {10, 405, 20, 400}},
        {"a click", 5, 0, 0, pt(10, 10), pt(10, 10), {10, 10, 10, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WindowRef w = doc(400, 300, c.zoom_index);
        SetControlValue(rec(w)->sc_h, c.scroll_h);
        SetControlValue(rec(w)->sc_v, c.scroll_v);
        drag(w, iw_click_selection, {c.from, pt((c.from.h + c.to.h) / 2, c.to.v), c.to});
        expect_rect(rec(w)->sel_rect, c.selection);
        EXPECT_FALSE(rec(w)->modified);
        close_doc(w);
    }
}

TEST_F(Editing, PressInThePictureActsByTheToolAndEveryToolButTheHandClearsTheSelection) {
    struct Case {
        const char* command;
        bool keeps_selection, draws;
    };
    const Case cases[] = {{"HAND", true, false}, {"RECT", false, false}, {"TL01", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        WindowRef w = doc(40, 30);
        SetRect(&rec(w)->sel_rect, 20, 20, 30, 30);
        iw_draw(w);
        ProcessHICommand(code_of(c.command));
        const Point o = GetWindowContentOrigin(w);
        const Point at{std::int16_t(o.v + 5), std::int16_t(o.h + 5)};
        hooks_script_mouse({{at, true}, {at, false}});
        hooks_click_window(w);  // at (5, 5)
        EXPECT_EQ(EmptyRect(&rec(w)->sel_rect), !c.keeps_selection);
        EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 22, 20) == 0, c.keeps_selection)
            << "the marquee is shown only while there is a selection";
        EXPECT_EQ(GetPixelRGB(rec(w)->draw_off, 5, 5) == 0, c.draws);
        EXPECT_EQ(rec(w)->modified, c.draws);
        close_doc(w);
    }
}

TEST_F(Editing, ZoomToSelectionFillsTheViewCentredWithinOneSixteenthToSixteen) {
    struct Case {
        int width, height;
        Rect selection;
        int zoom_index;
        double ratio;
        const char* title;
        int scroll_h, scroll_v;
    };
    // The view is 400 x 300 once the scroll bars are off.
    const Case cases[] = {
        {400, 400, {100, 100, 110, 110}, 12, 16.0, "scan 1600%", 1480, 1530},
        {400, 400, {10, 20, 60, 120}, 12, 4.0, "scan 400%", 80, 0},
        {8000, 100, {0, 0, 100, 8000}, 12, 0.0625, "scan 6.25%", 50, 0},
        {400, 400, {10, 20, 10, 120}, 5, 1.0, "scan 100%", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        WindowRef w = doc(c.width, c.height);
        rec(w)->sel_rect = c.selection;
        ProcessHICommand(FOUR_CC("ZSEL"));
        EXPECT_EQ(rec(w)->zoom_index, c.zoom_index);
        EXPECT_DOUBLE_EQ(iw_view_ratio(rec(w)), c.ratio);
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
    set_pixel(r->draw_off, 12, 12, kRed);
    set_pixel(r->shape_off, 14, 14, kRed);
    set_pixel(r->draw_off, 30, 25, kRed);
    ProcessHICommand(FOUR_CC("TL07"));
    EXPECT_EQ(GetPixelRGB(r->draw_off, 12, 12), 0xFF0000u) << "no selection, nothing erased";
    EXPECT_FALSE(r->modified);
    SetRect(&r->sel_rect, 10, 10, 20, 20);
    ProcessHICommand(FOUR_CC("TL07"));
    EXPECT_EQ(GetPixelRGB(r->draw_off, 12, 12), kGrey);
    EXPECT_EQ(GetPixelRGB(r->shape_off, 14, 14), kGrey);
    EXPECT_EQ(GetPixelRGB(r->draw_off, 30, 25), 0xFF0000u);
    EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 12, 12), GetPixelRGB(r->img_off, 12, 12))
        << "the picture shows again at once";
    EXPECT_TRUE(r->modified) << "erasing changes what a save writes";
    ProcessHICommand(FOUR_CC("TL08"));
    expect_rect(bounds_of(r->draw_off, kGrey), Rect{0, 0, 0, 0});
    EXPECT_EQ(gworld_pixels(r->img_off), picture);
}

// ---- Drawing tools ------------------------------------------------------------------------

TEST_F(Editing, ClickLeavesOneSquareOfThePenOrEraserSizeInPicturePixels) {
    struct Case {
        const char* tool;
        int zoom_index;
        const char* size;  // a line width or an eraser size
        int side;          // of the square left, in picture pixels; 0: nothing
    };
    const Case cases[] = {
        {"TL01", 5, "LNW3", 3}, {"TL01", 7, "LNW3", 3},  {"TL01", 5, "LNW7", 7},
        {"TL02", 5, "LNW5", 5}, {"TL03", 5, "LNW3", 0},  {"TL04", 9, "LNW3", 3},
        {"TL06", 7, "TLE3", 8}, {"TL06", 11, "TLE1", 1}, {"TL06", 5, "TLE2", 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tool) + " " + c.size + " at " + std::to_string(c.zoom_index));
        WindowRef w = doc(60, 40, c.zoom_index);
        IwRecord* r = rec(w);
        const bool eraser = std::string(c.tool) == "TL06";
        if (eraser) {
            SetGWorld(r->draw_off);
            RGBForeColor(&kRed);
            Rect all{0, 0, 40, 60};
            PaintRect(&all);
        }
        ProcessHICommand(code_of(c.tool));
        ProcessHICommand(code_of(c.size));
        const double ratio = iw_view_ratio(r);
        draw(w, {pt(int(20 * ratio), int(10 * ratio))});
        const Rect square =
            eraser ? bounds_of(r->draw_off, kGrey, false) : bounds_of(r->draw_off, kGrey);
        expect_rect(square, c.side
                                ? Rect{10, 20, std::int16_t(10 + c.side), std::int16_t(20 + c.side)}
                                : Rect{0, 0, 0, 0});
        expect_rect(bounds_of(r->shape_off, kGrey), Rect{0, 0, 0, 0});
        EXPECT_TRUE(r->modified);
        close_doc(w);
    }
}

TEST_F(Editing, EachColourDrawsItsPurePrimaryAndNoneIsTheTransparentGrey) {
    const std::pair<const char*, std::uint32_t> colours[] = {
        {"CP01", 0x000000}, {"CP02", 0xFF0000}, {"CP03", 0x0000FF}, {"CP04", 0x00FF00},
        {"CP05", 0xFFFFFF}, {"CP06", 0xFFFF00}, {"CP07", 0xFF00FF}, {"CP08", 0x00FFFF},
    };
    WindowRef w = doc(100, 20);
    ProcessHICommand(FOUR_CC("TL01"));
    int h = 0;
    for (const auto& [code, rgb] : colours) {
        ProcessHICommand(code_of(code));
        draw(w, {pt(h, 5)});
        EXPECT_EQ(GetPixelRGB(rec(w)->draw_off, h + 1, 6), rgb) << code;
        EXPECT_EQ(GetPixelRGB(GetWindowPort(w), h + 1, 6), rgb) << code << " is shown at once";
        h += 10;
    }
}

TEST_F(Editing, DraggedShapesKeepOnlyTheirLastFormAndHoldTheirAxis) {
    struct Case {
        const char* tool;
        Rect painted;  // the bounds of what is left in the drawing layer
        int count;     // painted pixels; 0: not counted
    };
    // Dragged from (10, 10) through (20, 25) to (30, 20), 3 pixels wide.
    const Case cases[] = {
        {"TL02", {10, 10, 23, 33}, 0},
        {"TL03", {10, 10, 20, 30}, 2 * 3 * 20 + 2 * 3 * 4},
        {"TL04", {10, 10, 13, 33}, 3 * 23},
        {"TL05", {10, 10, 23, 13}, 3 * 13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tool);
        WindowRef w = doc(60, 40);
        ProcessHICommand(code_of(c.tool));
        draw(w, {pt(10, 10), pt(20, 25), pt(30, 20)});
        const auto pixels = gworld_pixels(rec(w)->draw_off);
        expect_rect(bounds_of(rec(w)->draw_off, kGrey), c.painted);
        const auto painted =
            pixels.size() - std::size_t(std::count(pixels.begin(), pixels.end(), kGrey));
        if (c.count) {
            EXPECT_EQ(painted, std::size_t(c.count));
        }
        expect_rect(bounds_of(rec(w)->shape_off, kGrey), Rect{0, 0, 0, 0});
        close_doc(w);
    }
}

TEST_F(Editing, PenStrokeLeavingThePictureIsDrawnOnlyWhereItLiesWithin) {
    // At 6.25% the far point lies 48,000 picture pixels to the left, beyond 16 bits.
    WindowRef w = doc(400, 300, 0);
    ProcessHICommand(FOUR_CC("TL01"));
    draw(w, {pt(2, 2), pt(-3000, 2), pt(-3000, 3), pt(2, 3)});
    const auto pixels = gworld_pixels(rec(w)->draw_off);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0u), 2 * 3 * 35);
    expect_rect(bounds_of(rec(w)->draw_off, kGrey), Rect{32, 0, 51, 35});
}

TEST_F(Editing, EraserOverAStrokeShowsThePictureBeneath) {
    WindowRef w = doc(60, 40);
    fill(rec(w)->img_off, 3);
    const auto picture = gworld_pixels(rec(w)->img_off);
    ProcessHICommand(FOUR_CC("TL01"));
    draw(w, {pt(10, 10), pt(40, 10)});
    ASSERT_EQ(GetPixelRGB(GetWindowPort(w), 25, 11), 0u);
    ProcessHICommand(FOUR_CC("TL06"));
    ProcessHICommand(FOUR_CC("TLE3"));
    draw(w, {pt(5, 5), pt(50, 5)});
    expect_rect(bounds_of(rec(w)->draw_off, kGrey), Rect{0, 0, 0, 0});
    EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 25, 11), GetPixelRGB(rec(w)->img_off, 25, 11));
    EXPECT_EQ(gworld_pixels(rec(w)->img_off), picture);
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
    for (const char* tool : {"TL01", "TL03", "RECT"}) {
        SCOPED_TRACE(tool);
        WindowRef w = doc(60, 40);
        InstallWindowEventHandler(w, close_at_first_draw, 1, &draw_content, w, nullptr);
        ProcessHICommand(code_of(tool));
        drag(w, std::string(tool) == "RECT" ? iw_click_selection : iw_click_draw,
             {pt(10, 10), pt(20, 20), pt(30, 30)});
        EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
    }
}

}  // namespace
