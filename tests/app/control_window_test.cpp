// The camera control window's held buttons, the drawing panel's controls and the cursor choice.

#include "app/control_window.h"

#include <array>
#include <utility>
#include <vector>

#include "app/cursors.h"
#include "camera/live_stream.h"
#include "imagewin/image_window.h"
#include "platform/byte_order.h"
#include "simcam/simcam.h"
#include "support/image_docs.h"
#include "support/live_fixture.h"

namespace {

using Sent = std::vector<std::pair<unsigned, unsigned>>;  // (command code, parameter)

class ControlPanels : public LiveTest {
  protected:
    void TearDown() override {
        for (WindowRef w : {g_control_win, g_draw_win})
            if (w) DisposeWindow(w);
        LiveTest::TearDown();
    }
    static Point global(WindowRef w, int h, int v) {
        const Point o = GetWindowContentOrigin(w);
        return Point{std::int16_t(o.v + v), std::int16_t(o.h + h)};
    }
    // Presses the control window at local `press`, holds it through `path` and releases it at
    // the last point of the path (or where it was pressed).
    static void hold(std::pair<int, int> press, const std::vector<std::pair<int, int>>& path) {
        std::vector<MouseState> script{{global(g_control_win, press.first, press.second), true}};
        for (const auto& [h, v] : path) script.push_back({global(g_control_win, h, v), true});
        script.push_back({script.back().where, false});
        hooks_script_mouse(script);
        hooks_click_window(g_control_win, std::int16_t(press.first), std::int16_t(press.second));
    }
    static Sent sent() {
        Sent out;
        for (const auto& block : simcam_commands())
            out.emplace_back(get_u16le(block.data() + 8), get_u32le(block.data() + 12));
        return out;
    }
};

TEST_F(ControlPanels, ButtonsSendTheirLensCommandsAndRestoreTheirRectangle) {
    connect();
    ASSERT_EQ(command("RCON"), eventNotHandledErr);
    ASSERT_NE(g_control_win, nullptr);
    struct Case {
        const char* what;
        std::pair<int, int> press;
        std::vector<std::pair<int, int>> path;
        Sent expected;
    };
    const Case cases[] = {
        {"normal iris released outside", {100, 20}, {{130, 20}}, {}},
        {"normal iris out and back in", {100, 20}, {{130, 20}, {100, 20}}, {{0xE2, 5}}},
        {"open iris dragged out", {150, 20}, {{150, 60}}, {{0xE2, 2}, {0xE2, 4}}},
        {"close iris", {200, 20}, {}, {{0xE2, 3}, {0xE2, 4}}},
        {"tele", {100, 60}, {}, {{0xE0, 1}, {0xE0, 0}}},
        {"wide", {150, 60}, {{5, 5}}, {{0xE0, 2}, {0xE0, 0}}},
        {"(119, 39) lies outside button 0", {119, 39}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        simcam_clear_record();
        const std::uint32_t before =
            GetPixelRGB(GetWindowPort(g_control_win), c.press.first, c.press.second);
        hold(c.press, c.path);
        EXPECT_EQ(sent(), c.expected);
        EXPECT_EQ(GetPixelRGB(GetWindowPort(g_control_win), c.press.first, c.press.second), before);
        EXPECT_FALSE(g_now_tracking_control_panel);
    }
    DisposeWindow(g_control_win);
    EXPECT_EQ(g_control_win, nullptr);
}

TEST_F(ControlPanels, HeldZoomButtonKeepsTheLivePictureComing) {
    start_live();
    command("RCON");
    hold({100, 60}, {{100, 60}, {100, 60}});
    const std::pair<unsigned, unsigned> frame{0x808E, 0};
    EXPECT_EQ(sent(), (Sent{{0xE0, 1}, frame, frame, frame, {0xE0, 0}}));
    EXPECT_TRUE(g_live_monitor_now);
}

TEST_F(ControlPanels, PanelShowsTheChoicesAndEraserSizesOnlyWithTheEraser) {
    ASSERT_EQ(command("DRAW"), eventNotHandledErr);
    ASSERT_NE(g_draw_win, nullptr);
    ControlRef* const panel = g_draw_controls;
    for (int slot = 0; slot < kDrawControlCount; ++slot) ASSERT_NE(panel[slot], nullptr) << slot;
    WindowRef window = g_draw_win;
    // The eraser with its largest size, then a plain tool with a wider line and another colour.
    for (const bool eraser : {true, false}) {
        SCOPED_TRACE(eraser);
        for (const char* choice :
             eraser ? std::vector{"TLE3", "TL06"} : std::vector{"LNW7", "CP05", "TL02"})
            command(choice);
        const int tool = eraser ? 5 : 1;
        for (int slot = 0; slot < kDrawControlCount; ++slot) {
            const bool shown = slot < 8 || (slot < 12 ? eraser : slot > 12 && !eraser);
            EXPECT_EQ(IsControlVisible(panel[slot]), shown) << slot;
            const bool tool_slot = slot < 6, size_slot = eraser && slot > 8 && slot < 12;
            EXPECT_TRUE(!tool_slot || GetControlValue(panel[slot]) == (slot == tool)) << slot;
            EXPECT_TRUE(!size_slot || GetControlValue(panel[slot]) == (slot == 11)) << slot;
        }
    }
    EXPECT_EQ(GetControlValue(panel[13]), 3);
    EXPECT_EQ(hooks_control_picture(panel[14]), 165);
    hooks_press_control(panel[2]);
    EXPECT_EQ(g_dp_cur_tool, FOUR_CC("TL03"));
    hooks_choose_popup_item(panel[13], 2);
    EXPECT_EQ(g_dp_cur_line_width, FOUR_CC("LNW5"));
    command("DRAW");
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(g_dp_cur_tool, FOUR_CC("HAND"));
    command("DRAW");
    EXPECT_EQ(g_draw_win, window);
    EXPECT_TRUE(IsWindowVisible(window));
    for (const char* tool : {"RECT", "TL03"}) {  // closing keeps only the selection tool
        command(tool);
        DisposeWindow(g_draw_win);
        EXPECT_EQ(g_draw_win, nullptr);
        EXPECT_EQ(g_dp_cur_tool, FOUR_CC(tool[0] == 'R' ? "SELE" : "HAND"));
        command("DRAW");
    }
}

// Each range at its top and then at its bottom, codes just outside the ranges, and the hand.
TEST_F(ControlPanels, DrawingChoicesAreStoredByTheirCodesAndCodesOutsideTheRangesChangeNothing) {
    const auto choices = [] {
        return std::array{g_dp_cur_tool, g_dp_cur_line_type, g_dp_cur_line_width, g_dp_cur_e_size,
                          g_dp_cur_color};
    };
    std::array<OSType, 5> expected{};
    for (const auto& set : {std::array{"TL06", "LTY1", "LNW7", "TLE3", "CP08"},
                            std::array{"TL01", "LTY0", "LNW3", "TLE1", "CP01"}}) {
        for (int i = 0; i < 5; ++i) {
            command(set[i]);
            expected[i] = code_of(set[i]);
        }
        EXPECT_EQ(choices(), expected) << set[0];
    }
    for (const char* code :
         {"CP09", "CP00", "TL00", "TL09", "TLE0", "TLE4", "LTY2", "LNW4", "SELE", "zzzz"})
        EXPECT_EQ(command(code), eventNotHandledErr);
    EXPECT_EQ(choices(), expected);
    command("HAND");
    EXPECT_EQ(g_dp_cur_tool, FOUR_CC("HAND"));
}

TEST_F(ControlPanels, CursorFollowsTheWindowAndTheTool) {
    cross_cursor = GetCursor(138);
    selection_cursor = GetCursor(15);
    hand_cursor = GetCursor(9);
    eraser_10x10 = GetCursor(129);
    eraser_16x16 = nullptr;  // not loaded
    arrow_cursor = GetQDGlobalsArrow();
    ASSERT_TRUE(cross_cursor && selection_cursor && hand_cursor && eraser_10x10);
    WindowRef live = show_live_window();
    MoveWindow(live, 20, 400, false);
    WindowRef doc = iw_new(200, 150, 5);
    ASSERT_NE(doc, nullptr);
    MoveWindow(doc, 400, 400, false);
    ShowWindow(doc);
    Rect c;
    GetWindowPortBounds(doc, &c);
    struct Case {
        const char* tool;
        const char* size;
        WindowRef front;         // null: the point is over no window
        int h, v;                // local
        const Cursor* expected;  // null: the cursor is left as it was (the hand here)
    };
    const Case cases[] = {
        {"TL06", "TLE2", doc, 50, 50, eraser_10x10},
        {"TL06", "TLE2", doc, 50, c.bottom - 5, arrow_cursor},  // over the bar
        {"TL06", "TLE3", doc, 50, 50, arrow_cursor},            // not loaded
        {"TL06", "TLEx", doc, 50, 50, nullptr},
        {"HAND", "TLE1", doc, 50, 50, hand_cursor},
        {"SELE", "TLE1", doc, 50, 50, selection_cursor},
        {"TL03", "TLE1", doc, 50, 50, cross_cursor},
        {"TL03", "TLE1", live, 50, 50, hand_cursor},
        {"TL03", "TLE1", nullptr, 1, 1, arrow_cursor},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(std::string(k.tool) + " " + k.size + " at " + std::to_string(k.v));
        g_dp_cur_tool = code_of(k.tool);
        g_dp_cur_e_size = code_of(k.size);
        SelectWindow(k.front ? k.front : doc);
        SetCursor(hand_cursor);
        do_setup_my_cursor(k.front ? global(k.front, k.h, k.v) : Point{1, 1});
        EXPECT_EQ(hooks_current_cursor(), k.expected ? k.expected : hand_cursor);
    }
}

}  // namespace
