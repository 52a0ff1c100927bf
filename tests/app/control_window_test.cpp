// The camera control window's held buttons, the drawing panel's controls and the cursor choice.

#include "app/control_window.h"

#include <tuple>
#include <utility>
#include <vector>

#include "app/cursors.h"
#include "imagewin/image_window.h"
#include "platform/byte_order.h"
#include "simcam/simcam.h"
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
    static Sent sent() {
        Sent out;
        for (const auto& block : simcam_commands())
            out.emplace_back(get_u16le(block.data() + 8), get_u32le(block.data() + 12));
        return out;
    }
};

TEST_F(ControlPanels, ButtonsSendTheirLensCommandsRestoreTheirRectangleAndKeepTheLivePicture) {
    connect();
    ASSERT_EQ(command("RCON"), eventNotHandledErr);
    ASSERT_NE(g_control_win, nullptr);
    // Each press follows a path and is let go at its last point: the normal iris released
    // outside, then out and back in; the open iris dragged out; close iris; tele; wide dragged
    // out; a press just outside the normal iris button.
    const std::pair<std::vector<std::pair<int, int>>, Sent> cases[] = {
        {{{100, 20}, {130, 20}}, {}},
        {{{100, 20}, {130, 20}, {100, 20}}, {{0xE2, 5}}},
        {{{150, 20}, {150, 60}}, {{0xE2, 2}, {0xE2, 4}}},
        {{{200, 20}}, {{0xE2, 3}, {0xE2, 4}}},
        {{{100, 60}}, {{0xE0, 1}, {0xE0, 0}}},
        {{{150, 60}, {5, 5}}, {{0xE0, 2}, {0xE0, 0}}},
        {{{119, 39}}, {}},
    };
    for (const auto& [path, expected] : cases) {
        SCOPED_TRACE(::testing::PrintToString(path));
        simcam_clear_record();
        const auto [h, v] = path.front();
        const std::uint32_t before = GetPixelRGB(GetWindowPort(g_control_win), h, v);
        press_through(g_control_win, path);
        EXPECT_EQ(sent(), expected);
        EXPECT_EQ(GetPixelRGB(GetWindowPort(g_control_win), h, v), before);
        EXPECT_FALSE(g_now_tracking_control_panel);
    }
    // A held zoom button keeps the live picture coming.
    ASSERT_EQ(command("MSTA"), noErr);
    simcam_clear_record();
    press_through(g_control_win, {{100, 60}, {100, 60}, {100, 60}});
    const std::pair<unsigned, unsigned> frame{0x808E, 0};
    EXPECT_EQ(sent(), (Sent{{0xE0, 1}, frame, frame, frame, {0xE0, 0}}));
    DisposeWindow(g_control_win);
    EXPECT_EQ(g_control_win, nullptr);
}

TEST_F(ControlPanels,
       ChoicesAreStoredWithinTheirRangesAndThePanelShowsThemWithSizesOnlyForTheEraser) {
    ASSERT_EQ(command("DRAW"), eventNotHandledErr);
    ControlRef* const panel = g_draw_controls;
    WindowRef window = g_draw_win;
    // The top of every range: the eraser with its largest size, then the hand with the dashed
    // line, the widest line and the last colour.
    for (const bool eraser : {true, false}) {
        SCOPED_TRACE(eraser);
        for (const char* choice :
             eraser ? std::vector{"TLE3", "TL06"} : std::vector{"LNW7", "CP08", "LTY1", "HAND"})
            command(choice);
        const int tool = eraser ? 5 : -1;
        for (int slot = 0; slot < kDrawControlCount; ++slot) {
            const bool shown = slot < 8 || (slot < 12 ? eraser : slot > 12 && !eraser);
            EXPECT_EQ(IsControlVisible(panel[slot]), shown) << slot;
            const bool tool_slot = slot < 6, size_slot = eraser && slot > 8 && slot < 12;
            EXPECT_TRUE(!tool_slot || GetControlValue(panel[slot]) == (slot == tool)) << slot;
            EXPECT_TRUE(!size_slot || GetControlValue(panel[slot]) == (slot == 11)) << slot;
        }
    }
    EXPECT_EQ(std::tuple(GetControlValue(panel[12]), GetControlValue(panel[13]),
                         hooks_control_picture(panel[14])),
              std::tuple(2, 3, 168));
    // The bottom of every range, then codes just outside the ranges, which change nothing.
    const char* const bottoms[] = {"TL01", "LTY0", "LNW3", "TLE1", "CP01"};
    for (const char* code : bottoms) command(code);
    for (const char* code :
         {"CP09", "CP00", "TL00", "TL09", "TLE0", "TLE4", "LTY2", "LNW4", "SELE", "zzzz"})
        EXPECT_EQ(command(code), eventNotHandledErr);
    const OSType chosen[] = {g_dp_cur_tool, g_dp_cur_line_type, g_dp_cur_line_width,
                             g_dp_cur_e_size, g_dp_cur_color};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(chosen[i], code_of(bottoms[i])) << bottoms[i];
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

TEST_F(ControlPanels, CursorFollowsTheWindowAndTheTool) {
    cross_cursor = GetCursor(138);
    selection_cursor = GetCursor(15);
    hand_cursor = GetCursor(9);
    eraser_6x6 = GetCursor(128);  // shown before each look, and chosen by none
    eraser_10x10 = GetCursor(129);
    eraser_16x16 = nullptr;  // not loaded
    arrow_cursor = GetQDGlobalsArrow();
    WindowRef live = show_live_window();
    MoveWindow(live, 20, 400, false);
    WindowRef doc = iw_new(200, 150, 5);
    ASSERT_NE(doc, nullptr);
    MoveWindow(doc, 400, 400, false);
    ShowWindow(doc);
    struct Case {
        const char* tool;
        const char* size;
        WindowRef front;  // null: the point is over no window
        int v;            // local, at h 50; below 150 the bar
        const Cursor* expected;
    };
    // The medium eraser over the picture and over the bar, the largest (not loaded); the other
    // tools; the live window; no window.
    const Case cases[] = {
        {"TL06", "TLE2", doc, 50, eraser_10x10},     {"TL06", "TLE2", doc, 157, arrow_cursor},
        {"TL06", "TLE3", doc, 50, arrow_cursor},     {"HAND", "TLE1", doc, 50, hand_cursor},
        {"SELE", "TLE1", doc, 50, selection_cursor}, {"TL03", "TLE1", doc, 50, cross_cursor},
        {"TL03", "TLE1", live, 50, hand_cursor},     {"TL03", "TLE1", nullptr, 0, arrow_cursor},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(&k - cases);
        g_dp_cur_tool = code_of(k.tool);
        g_dp_cur_e_size = code_of(k.size);
        SelectWindow(k.front ? k.front : doc);
        SetCursor(eraser_6x6);
        const Point o = k.front ? GetWindowContentOrigin(k.front) : Point{1, -49};
        do_setup_my_cursor(Point{std::int16_t(o.v + k.v), std::int16_t(o.h + 50)});
        EXPECT_EQ(hooks_current_cursor(), k.expected);
    }
}

}  // namespace
