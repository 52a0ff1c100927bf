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
const EventTypeSpec kClosed[] = {{kEventClassWindow, kEventWindowClosed}};
const EventTypeSpec kDraw[] = {{kEventClassWindow, kEventWindowDrawContent}};

class Windows : public ToolboxTest {
  protected:
    void SetUp() override {
        ToolboxTest::SetUp();
        g_calls.clear();
    }
    WindowRef make(int width = 100, int height = 80, const std::string& children = "") {
        WindowRef w = nullptr;
        EXPECT_EQ(hooks_new_window_from_form(document_form(width, height, children).c_str(), &w),
                  noErr);
        return w;
    }
};

TEST_F(Windows, HandlersRunNewestFirstUntilOneHandlesTheEventAndRemovedOnesAreSkipped) {
    EventHandlerRef handled = nullptr, first = nullptr;
    InstallApplicationEventHandler(record_b_handled, 1, kCommand, nullptr, &handled);
    InstallApplicationEventHandler(record_a, 1, kCommand, nullptr, &first);
    EXPECT_EQ(ProcessHICommand(FOUR_CC("abcd")), noErr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"a", "b"}));
    RemoveEventHandler(handled);
    g_calls.clear();
    EXPECT_EQ(ProcessHICommand(FOUR_CC("abcd")), eventNotHandledErr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"a"}));
    RemoveEventHandler(first);
}

TEST_F(Windows, PassingOnRunsTheRestOnceAndStandardQuitEndsTheLoop) {
    InstallApplicationEventHandler(record_a, 1, kCommand, nullptr, nullptr);
    InstallApplicationEventHandler(record_c_passes_on, 1, kCommand, nullptr, nullptr);
    EXPECT_EQ(ProcessHICommand(FOUR_CC("quit")), eventNotHandledErr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"c", "a", "c after"}));
    RunApplicationEventLoop();  // the quit asked before the loop ends it at once
}

TEST_F(Windows, CloseBoxDisposesTheWindowAfterHidingItAndTellsItsHandlers) {
    WindowRef w = make();
    InstallWindowEventHandler(w, record_closed, 1, kClosed, w, nullptr);
    ShowWindow(w);
    hooks_close_box(w);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"closed", "hidden"}));
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), nullptr);
}

TEST_F(Windows, FrontWindowOfAClassFollowsShowSelectAndVisibility) {
    WindowRef a = make(), b = make();
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, true), nullptr);
    ShowWindow(a);
    ShowWindow(b);
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, true), b);
    SelectWindow(a);
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, true), a);
    HideWindow(a);
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, true), b);
    EXPECT_EQ(GetFrontWindowOfClass(kDocumentWindowClass, false), a);
    EXPECT_EQ(GetFrontWindowOfClass(kFloatingWindowClass, false), nullptr);
}

TEST_F(Windows, InvalidationDrawsOnImmediateUpdateOnlyAndResizingKeepsThePicture) {
    WindowRef w = make(40, 30);
    InstallWindowEventHandler(w, draw_red, 1, kDraw, w, nullptr);
    EXPECT_FALSE(IsWindowUpdatePending(w));
    SendWindowUpdateEvent(w);
    EXPECT_TRUE(g_calls.empty()) << "nothing pending, nothing drawn";
    InvalWindowRect(w, nullptr);
    EXPECT_TRUE(IsWindowUpdatePending(w));
    SendWindowUpdateEvent(w);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"draw"}));
    EXPECT_FALSE(IsWindowUpdatePending(w));
    EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 5, 5), 0xFF0000u);
    SizeWindow(w, 60, 50, false);
    Rect r;
    GetWindowPortBounds(w, &r);
    EXPECT_EQ(r.right, 60);
    EXPECT_EQ(r.bottom, 50);
    EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 9, 9), 0xFF0000u) << "resizing keeps the picture";
    EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 50, 40), 0xFFFFFFu);
}

TEST_F(Windows, APortSavedAcrossAResizeOrTheWindowsEndStaysSafeToDrawInto) {
    WindowRef w = make(40, 30);
    SetPortWindowPort(w);
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    ForeColor(redColor);
    SizeWindow(w, 300, 200, false);
    EXPECT_EQ(GetWindowPort(w), saved);
    SetGWorld(saved);
    Rect all;
    SetRect(&all, 0, 0, 300, 200);
    PaintRect(&all);
    EXPECT_EQ(GetPixelRGB(GetWindowPort(w), 299, 199), 0xFF0000u) << "pen kept, new size drawn";
    DisposeWindow(w);
    SetGWorld(saved);
    PaintRect(&all);
    EXPECT_EQ(GetWindowFromPort(saved), nullptr);
}

TEST_F(Windows, LocalCoordinatesFollowTheWindowsPosition) {
    WindowRef w = make();
    MoveWindow(w, 30, 40, false);
    ShowWindow(w);
    SetPortWindowPort(w);
    Point p{50, 35};
    GlobalToLocal(&p);
    EXPECT_EQ(p.v, 10);
    EXPECT_EQ(p.h, 5);
    Rect bounds;
    SetRect(&bounds, 0, 0, 10, 10);
    GWorldPtr offscreen = nullptr;
    ASSERT_EQ(NewGWorld(&offscreen, 32, &bounds, 0), noErr);
    SetGWorld(offscreen);
    GlobalToLocal(&p);
    EXPECT_EQ(p.v, 10) << "an offscreen has no position";
    SetGWorld(nullptr);
    DisposeGWorld(offscreen);
}

const char* kBar =
    "<widget class=\"QScrollBar\" name=\"bar\"><property name=\"orientation\">"
    "<enum>Qt::Vertical</enum></property><property name=\"geometry\"><rect><x>85</x><y>0</y>"
    "<width>15</width><height>80</height></rect></property>"
    "<property name=\"signature\" stdset=\"0\"><string>LIVE</string></property>"
    "<property name=\"id\" stdset=\"0\"><number>0</number></property></widget>"
    "<widget class=\"QLabel\" name=\"text\"><property name=\"geometry\"><rect><x>0</x><y>0</y>"
    "<width>50</width><height>20</height></rect></property>"
    "<property name=\"signature\" stdset=\"0\"><string>LIVE</string></property>"
    "<property name=\"id\" stdset=\"0\"><number>1</number></property></widget>";

std::vector<std::int16_t> g_parts;
void record_part(ControlRef c, std::int16_t part) {
    g_parts.push_back(part);
    if (part != kControlIndicatorPart) SetControlValue(c, GetControlValue(c) + 10);
}

TEST_F(Windows, ControlsAndLabelsAreFoundByIdentifierAndKeepTheirValuesInRange) {
    WindowRef w = make(100, 80, kBar);
    ControlRef bar = nullptr, missing = nullptr;
    const ControlID id{FOUR_CC("LIVE"), 0}, other{FOUR_CC("LIVE"), 7};
    ASSERT_EQ(GetControlByID(w, &id, &bar), noErr);
    EXPECT_EQ(GetControlByID(w, &other, &missing), errUnknownControl);
    EXPECT_EQ(missing, nullptr);
    SetControlMaximum(bar, 50);
    SetControlValue(bar, 80);
    EXPECT_EQ(GetControlValue(bar), 50);
    SetControlValue(bar, -3);
    EXPECT_EQ(GetControlValue(bar), 0);
    MoveControl(bar, 70, 5);
    SizeControl(bar, 16, 60);
    Rect r;
    GetControlBounds(bar, &r);
    EXPECT_EQ(r.left, 70);
    EXPECT_EQ(r.top, 5);
    EXPECT_EQ(r.right, 86);
    EXPECT_EQ(r.bottom, 65);
    ControlRef label = nullptr;
    const ControlID label_id{FOUR_CC("LIVE"), 1};
    ASSERT_EQ(GetControlByID(w, &label_id, &label), noErr);
    SetControlMaximum(label, 3);
    SetControlValue(label, 9);
    EXPECT_EQ(GetControlValue(label), 3) << "a label keeps its value in range too";
}

TEST_F(Windows, ScrollBarPartsReachTheActionRoutineWhichMovesTheValue) {
    WindowRef w = make(100, 80, kBar);
    ControlRef bar = nullptr;
    const ControlID id{FOUR_CC("LIVE"), 0};
    ASSERT_EQ(GetControlByID(w, &id, &bar), noErr);
    SetControlMaximum(bar, 100);
    SetControlValue(bar, 20);
    SetControlAction(bar, record_part);
    g_parts.clear();
    hooks_control_part(bar, kControlUpButtonPart);
    EXPECT_EQ(GetControlValue(bar), 30) << "the routine, not the toolkit, moves the value";
    hooks_control_part(bar, kControlPageDownPart);
    EXPECT_EQ(GetControlValue(bar), 40);
    hooks_control_part(bar, kControlIndicatorPart);
    EXPECT_EQ(GetControlValue(bar), 41);
    EXPECT_EQ(g_parts, (std::vector<std::int16_t>{kControlUpButtonPart, kControlPageDownPart,
                                                  kControlIndicatorPart}));
}

TEST_F(Windows, MissingDescriptionsAndFormsAreReported) {
    IBNibRef nib = nullptr;
    EXPECT_EQ(CreateNibReference("nothing", &nib), kIBCarbonRuntimeCantFindNibFile);
    ASSERT_EQ(CreateNibReference("main", &nib), noErr);
    WindowRef w = nullptr;
    EXPECT_EQ(CreateWindowFromNib(nib, "NoSuchWindow", &w), kIBCarbonRuntimeCantFindObject);
    EXPECT_EQ(w, nullptr);
    EXPECT_EQ(SetMenuBarFromNib(nib, "toolbar"), kIBCarbonRuntimeCantFindObject);
    DisposeNibReference(nib);
    EXPECT_EQ(hooks_new_window_from_form("<ui>not a form", &w), kIBCarbonRuntimeCantFindObject);
}

TEST_F(Windows, MenuItemsAndToolbarButtonsSendTheirCommands) {
    static std::vector<OSType> sent;
    sent.clear();
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
    WindowRef toolbar = nullptr;
    ASSERT_EQ(CreateWindowFromNib(nib, "toolbar", &toolbar), noErr);
    DisposeNibReference(nib);
    EXPECT_EQ(GetWindowClass(toolbar), kFloatingWindowClass);
    MenuRef menu = nullptr;
    MenuItemIndex item = 0;
    ASSERT_EQ(GetIndMenuItemWithCommandID(nullptr, FOUR_CC("svas"), 1, &menu, &item), noErr);
    EXPECT_EQ(menu, GetMenuRef(128));
    hooks_choose_menu_item(menu, item);
    const ControlID capture{FOUR_CC("TBAR"), 12};
    ControlRef button = nullptr;
    ASSERT_EQ(GetControlByID(toolbar, &capture, &button), noErr);
    hooks_press_control(button);
    EXPECT_EQ(sent, (std::vector<OSType>{FOUR_CC("svas"), FOUR_CC("CAPT")}));
    DisableMenuCommand(GetMenuRef(128), FOUR_CC("svas"));
    EXPECT_FALSE(IsMenuCommandEnabled(nullptr, FOUR_CC("svas")));
    EXPECT_TRUE(IsMenuCommandEnabled(nullptr, FOUR_CC("save")));
}

TEST_F(Windows, CursorsComeFromTheResourcesAndMissingOnesAreNull) {
    EXPECT_NE(GetCursor(138), nullptr);
    EXPECT_EQ(GetCursor(138), GetCursor(138));
    EXPECT_EQ(GetCursor(4321), nullptr);
    SetCursor(GetQDGlobalsArrow());
}

}  // namespace
