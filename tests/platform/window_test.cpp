// Windows, handler chains, controls, menus and content ports of the platform layer.

#include <vector>

#include "support/toolbox.h"

namespace {

std::vector<std::string> g_calls;

OSStatus record_a(EventHandlerCallRef, EventRef, void*) {
    g_calls.push_back("a");
    return eventNotHandledErr;
}
OSStatus record_b_handled(EventHandlerCallRef, EventRef, void*) {
    g_calls.push_back("b");
    return noErr;
}
OSStatus record_c_passes_on(EventHandlerCallRef next, EventRef event, void*) {
    g_calls.push_back("c");
    CallNextEventHandler(next, event);
    g_calls.push_back("c after");
    return eventNotHandledErr;
}
OSStatus record_closed(EventHandlerCallRef, EventRef event, void* user) {
    WindowRef w = nullptr;
    GetEventWindow(event, &w);
    g_calls.push_back(w == user ? "closed" : "closed other");
    g_calls.push_back(IsWindowVisible(w) ? "still visible" : "hidden");
    return noErr;
}
OSStatus draw_red(EventHandlerCallRef, EventRef, void* user) {
    g_calls.push_back("draw");
    SetPortWindowPort(static_cast<WindowRef>(user));
    ForeColor(redColor);
    Rect r;
    SetRect(&r, 0, 0, 10, 10);
    PaintRect(&r);
    return noErr;
}

const EventTypeSpec kCommand[] = {{kEventClassCommand, kEventCommandProcess}};

class Windows : public ToolboxTest {
  protected:
    void SetUp() override {
        ToolboxTest::SetUp();
        g_calls.clear();
    }
    WindowRef make(int width = 100, int height = 80) {
        WindowRef w = nullptr;
        EXPECT_EQ(hooks_new_window_from_form(document_form(width, height).c_str(), &w), noErr);
        return w;
    }
    // A window of the program's own descriptions.
    static WindowRef from_nib(const char* name) {
        IBNibRef nib = nullptr;
        WindowRef w = nullptr;
        EXPECT_EQ(CreateNibReference("main", &nib), noErr);
        EXPECT_EQ(CreateWindowFromNib(nib, name, &w), noErr) << name;
        DisposeNibReference(nib);
        return w;
    }
};

// Handlers run newest first until one handles the event; a removed one is skipped, and
// one that passes the event on runs the rest inside itself. The standard quit, asked for
// before the loop runs, ends it at once.
TEST_F(Windows, HandlerChainRunsNewestFirstUntilHandled) {
    EventHandlerRef handled = nullptr;
    InstallApplicationEventHandler(record_b_handled, 1, kCommand, nullptr, &handled);
    InstallApplicationEventHandler(record_a, 1, kCommand, nullptr, nullptr);
    EXPECT_EQ(ProcessHICommand(FOUR_CC("abcd")), noErr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"a", "b"}));
    RemoveEventHandler(handled);
    InstallApplicationEventHandler(record_c_passes_on, 1, kCommand, nullptr, nullptr);
    g_calls.clear();
    EXPECT_EQ(ProcessHICommand(FOUR_CC("quit")), eventNotHandledErr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"c", "a", "c after"}));
    RunApplicationEventLoop();
}

// Drawing happens on an immediate update of a pending invalidation only. The content port
// is one for the window's life: a resize keeps it, its picture, pen and colours, and lets
// drawing reach the new size. The close box hides the window, tells its handlers and
// disposes of it; its port is still safe to draw into.
TEST_F(Windows, InvalidationDrawsOnUpdateAndThePortOutlivesResizesAndTheCloseBox) {
    WindowRef w = make(40, 30);
    const EventTypeSpec draw[] = {{kEventClassWindow, kEventWindowDrawContent}},
                        closed[] = {{kEventClassWindow, kEventWindowClosed}};
    InstallWindowEventHandler(w, draw_red, 1, draw, w, nullptr);
    InstallWindowEventHandler(w, record_closed, 1, closed, w, nullptr);
    SendWindowUpdateEvent(w);
    EXPECT_TRUE(g_calls.empty()) << "nothing pending, nothing drawn";
    InvalWindowRect(w, nullptr);
    EXPECT_TRUE(IsWindowUpdatePending(w));
    SendWindowUpdateEvent(w);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"draw"}));
    EXPECT_FALSE(IsWindowUpdatePending(w));
    CGrafPtr port = GetWindowPort(w);
    SizeWindow(w, 300, 200, false);
    EXPECT_EQ(GetWindowPort(w), port);
    Rect r;
    GetWindowPortBounds(w, &r);
    EXPECT_TRUE(r.right == 300 && r.bottom == 200);
    EXPECT_EQ(GetPixelRGB(port, 9, 9), 0xFF0000u) << "resizing keeps the picture";
    EXPECT_EQ(GetPixelRGB(port, 50, 40), 0xFFFFFFu);
    SetGWorld(port);
    PaintRect(&r);
    EXPECT_EQ(GetPixelRGB(port, 299, 199), 0xFF0000u) << "pen kept, new size drawn";
    ShowWindow(w);
    hooks_close_box(w);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"draw", "closed", "hidden"}));
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
    SetGWorld(port);
    PaintRect(&r);
    EXPECT_EQ(GetWindowFromPort(port), nullptr);
}

TEST_F(Windows, LocalCoordinatesFollowTheWindowsPosition) {
    WindowRef w = make();
    MoveWindow(w, 30, 40, false);
    ShowWindow(w);
    SetPortWindowPort(w);
    Point p{50, 35};
    GlobalToLocal(&p);
    EXPECT_TRUE(p.v == 10 && p.h == 5);
}

std::vector<std::int16_t> g_parts;
void step_unless_thumb(ControlRef c, std::int16_t part) {
    g_parts.push_back(part);
    if (part != kControlIndicatorPart) SetControlValue(c, GetControlValue(c) + 10);
}

// Controls are found by their identifiers and keep their values in range, labels too; the
// parts of a scroll bar reach its action routine, which alone moves the value (the thumb
// dragged one step moves it by one).
TEST_F(Windows, ControlsAreFoundByIdentifierKeepTheirValuesInRangeAndLetTheirRoutineMoveThem) {
    WindowRef live = from_nib("ImageWindow"), panel = from_nib("DrawPanel");
    ControlRef bar = nullptr, label = nullptr, missing = nullptr;
    const ControlID bar_id{FOUR_CC("LIVE"), 0}, label_id{FOUR_CC("TLE0"), 0},
        other{FOUR_CC("LIVE"), 7};
    ASSERT_EQ(GetControlByID(live, &bar_id, &bar), noErr);
    ASSERT_EQ(GetControlByID(panel, &label_id, &label), noErr);
    EXPECT_EQ(GetControlByID(live, &other, &missing), errUnknownControl);
    EXPECT_EQ(missing, nullptr);
    for (ControlRef c : {bar, label}) {
        SetControlMaximum(c, 50);
        SetControlValue(c, 80);
        EXPECT_EQ(GetControlValue(c), 50);
        SetControlValue(c, -3);
        EXPECT_EQ(GetControlValue(c), 0);
    }
    SetControlValue(bar, 20);
    SetControlAction(bar, step_unless_thumb);
    for (std::int16_t part : {kControlUpButtonPart, kControlPageDownPart, kControlIndicatorPart})
        hooks_control_part(bar, part);
    EXPECT_EQ(GetControlValue(bar), 41) << "the routine, not the toolkit, moves the value";
    EXPECT_EQ(g_parts.size(), 3u) << "the thumb's move reaches the routine too";
}

// Cursors come from the resources (a missing one is null); menu items send their commands.
TEST_F(Windows, CursorsAndMenusComeFromTheResourcesAndMenuItemsSendTheirCommands) {
    EXPECT_NE(GetCursor(138), nullptr);
    EXPECT_EQ(GetCursor(4321), nullptr);
    static std::vector<OSType> sent;
    InstallApplicationEventHandler(
        [](EventHandlerCallRef, EventRef e, void*) -> OSStatus {
            HICommand c{};
            GetEventCommand(e, &c);
            sent.push_back(c.commandID);
            return noErr;
        },
        1, kCommand, nullptr, nullptr);
    IBNibRef nib = nullptr;
    ASSERT_EQ(CreateNibReference("main", &nib), noErr);
    ASSERT_EQ(SetMenuBarFromNib(nib, "MenuBar"), noErr);
    DisposeNibReference(nib);
    MenuRef menu = nullptr;
    MenuItemIndex item = 0;
    ASSERT_EQ(GetIndMenuItemWithCommandID(nullptr, FOUR_CC("svas"), 1, &menu, &item), noErr);
    EXPECT_EQ(menu, GetMenuRef(128));
    hooks_choose_menu_item(menu, item);
    EXPECT_EQ(sent, std::vector<OSType>{FOUR_CC("svas")});
}

}  // namespace
