// Windows, controls and menus made from interface descriptions, and the event handlers on them.
//
// An interface description is a named set of Qt Designer forms held in the program's
// resources: the description "main" holds the forms "MenuBar", "toolbar" and the other
// windows. Controls and menu items are found by the dynamic properties of the forms:
// `signature` (four characters) and `id` (a number) identify a control, `command` (four
// characters) is the command a control or menu item sends, `menu_id` numbers a menu and
// `window_class` ("document", "floating") gives a window's class, and `content_picture` (a
// resource path) names a picture that the window's port starts with. A combo box's
// `item_commands` (four-character codes separated by commas) are the commands its items send.
#pragma once

#include <cstdint>
#include <string>

#include "platform/draw.h"
#include "platform/types.h"

struct OpaqueWindowPtr;
using WindowRef = OpaqueWindowPtr*;
struct OpaqueControlRef;
using ControlRef = OpaqueControlRef*;
struct OpaqueIBNibRef;
using IBNibRef = OpaqueIBNibRef*;
struct OpaqueMenuRef;
using MenuRef = OpaqueMenuRef*;
struct OpaqueEventRef;
using EventRef = OpaqueEventRef*;
struct OpaqueEventHandlerCallRef;
using EventHandlerCallRef = OpaqueEventHandlerCallRef*;
struct OpaqueEventHandlerRef;
using EventHandlerRef = OpaqueEventHandlerRef*;

// Status codes of this layer.
constexpr OSStatus kIBCarbonRuntimeCantFindNibFile = -10960;  // no description of that name
constexpr OSStatus kIBCarbonRuntimeCantFindObject = -10962;   // no form of that name in it
constexpr OSStatus errUnknownControl = -30584;                // no control of that identifier
constexpr OSStatus menuItemNotFoundErr = -5623;               // no menu item with that command
constexpr OSStatus eventParameterNotFoundErr = -9870;         // the event carries no such data
constexpr OSStatus errWindowNotFound = -5600;                 // no window of that class there

// ---- Interface descriptions -------------------------------------------------------------

// Opens the description of that name. 0, or kIBCarbonRuntimeCantFindNibFile.
OSStatus CreateNibReference(const char* name, IBNibRef* out);
void DisposeNibReference(IBNibRef nib);  // the windows made from it stay
// Makes the menu bar of the form `name` the application's menu bar; it is shown at the top
// of the first window whose form asks for it (property `shows_menu_bar`), and its shortcuts
// work in every window. 0, or kIBCarbonRuntimeCantFindObject.
OSStatus SetMenuBarFromNib(IBNibRef nib, const char* name);
// Creates the window of the form `name`, hidden. 0, or kIBCarbonRuntimeCantFindObject.
OSStatus CreateWindowFromNib(IBNibRef nib, const char* name, WindowRef* out);

// ---- Windows ------------------------------------------------------------------------------

using WindowClass = std::uint32_t;
constexpr WindowClass kMovableModalWindowClass = 4;
constexpr WindowClass kFloatingWindowClass = 5;
constexpr WindowClass kDocumentWindowClass = 6;
constexpr WindowClass kPlainWindowClass = 13;  // the full-screen window

// Window parts under a point.
using WindowPartCode = std::int16_t;
constexpr WindowPartCode inContent = 3;
constexpr WindowPartCode inDrag = 4;  // the title bar and the frame

// Sends the closed event to the window's handlers, then destroys the window.
void DisposeWindow(WindowRef window);
void ShowWindow(WindowRef window);        // shows it in front of the windows of its class
void HideWindow(WindowRef window);        // keeps its place among the windows of its class
bool IsWindowVisible(WindowRef window);   // shown on screen
bool IsValidWindowPtr(WindowRef window);  // made and not yet disposed of
void SelectWindow(WindowRef window);      // brings it to the front of its class and activates it
WindowClass GetWindowClass(WindowRef window);  // from the form's `window_class`
// The frontmost window of the class (only visible ones when visible_only), or null.
WindowRef GetFrontWindowOfClass(WindowClass window_class, bool visible_only);
// The next window of the class behind window (only visible ones when visible_only), or null.
WindowRef GetNextWindowOfClass(WindowRef window, WindowClass window_class, bool visible_only);
void SetWRefCon(WindowRef window, void* ref_con);               // the program's data for the window
void* GetWRefCon(WindowRef window);                             // null until set
void SetWindowTitle(WindowRef window, const char* utf8_title);  // UTF-8
std::string GetWindowTitle(WindowRef window);                   // UTF-8
// The content width at which the window's title bar shows the whole title beside its
// buttons.
std::int16_t GetWindowTitleWidth(WindowRef window);
// Places the window so that its content's top-left corner is at global (h, v); front
// also puts it in front of its class. Activation is left to ShowWindow and SelectWindow.
void MoveWindow(WindowRef window, std::int16_t h, std::int16_t v, bool front);
// Global position of the content's top-left corner (v, h).
Point GetWindowContentOrigin(WindowRef window);
// Sizes the content to width x height; the content port's pixels are replaced in place.
void SizeWindow(WindowRef window, std::int16_t width, std::int16_t height, bool update);
// The content port: (0, 0) to the content's size. Painted on screen by the window. One
// port for the window's whole life: a copy saved across a nested loop stays valid when the
// window is resized, and once the window is gone it draws into nothing visible.
CGrafPtr GetWindowPort(WindowRef window);
void GetWindowPortBounds(WindowRef window, Rect* out);
void SetPortWindowPort(WindowRef window);  // makes the window's port current
// The window whose content port this is, or null (an offscreen).
WindowRef GetWindowFromPort(CGrafPtr port);
// Global to local coordinates of the current port; an offscreen's are unchanged.
void GlobalToLocal(Point* p);
// The topmost window under the global point, when it is of the class, and the part of it
// there. 0, or errWindowNotFound (*window null).
OSStatus FindWindowOfClass(const Point* where, WindowClass window_class, WindowRef* window,
                           WindowPartCode* part);
// Marks r (content coordinates; null for all of it) to be redrawn: the draw-content event
// follows.
void InvalWindowRect(WindowRef window, const Rect* r);
bool IsWindowUpdatePending(WindowRef window);  // an invalid area waits to be drawn
// The part of the port through which drawing reaches the screen: while its window's content
// is being drawn, the area being updated; otherwise the port's bounds.
void GetPortVisibleRegion(CGrafPtr port, Rect* out);
// Sends the update event to the window now: its handlers draw the content at once and the
// pending area is shown on screen.
void SendWindowUpdateEvent(WindowRef window);
// Shows what was drawn into a window's port on screen at once; an offscreen is ignored.
void QDFlushPortBuffer(CGrafPtr port);

// The main screen: its full rectangle, and the height at its top that windows leave free:
// the desktop's own bar, or down to the frame of the window showing the menu bar. Document
// windows and dialogs are kept below it, within the screen, as they are shown.
void GetMainScreenRect(Rect* out);
std::int16_t GetMBarHeight();

// Full-screen mode on the main screen, at its resolution: a new window of the plain class,
// hidden until shown, covers the whole screen; its port is the screen's size and starts
// black. *window is null, and the status -108, when no such window can be had.
struct OpaqueFullScreenState;
using FullScreenStateRef = OpaqueFullScreenState*;
OSErr BeginFullScreen(FullScreenStateRef* state, WindowRef* window);
// Disposes of the full-screen window and activates again the window that was active before.
void EndFullScreen(FullScreenStateRef state);

// ---- Controls -----------------------------------------------------------------------------

struct ControlID {
    OSType signature;  // four-character code of the control's `signature` property
    std::int32_t id;   // the control's `id` property
};

// Scroll bar part codes given to action routines.
constexpr std::int16_t kControlUpButtonPart = 20;
constexpr std::int16_t kControlDownButtonPart = 21;
constexpr std::int16_t kControlPageUpPart = 22;
constexpr std::int16_t kControlPageDownPart = 23;
constexpr std::int16_t kControlIndicatorPart = 129;
// Called while the user works a scroll bar: arrows and pages leave the value to the routine,
// the indicator (thumb) has already moved the value when it is called.
using ControlActionProcPtr = void (*)(ControlRef control, std::int16_t part);

// 0, or errUnknownControl (and *out null).
OSStatus GetControlByID(WindowRef window, const ControlID* id, ControlRef* out);
std::int32_t GetControlValue(ControlRef control);              // a button: 1 when on
void SetControlValue(ControlRef control, std::int32_t value);  // kept within min..max
std::int32_t GetControlMinimum(ControlRef control);            // a button: 0
void SetControlMinimum(ControlRef control,
                       std::int32_t value);          // scroll bars, progress bars, labels
std::int32_t GetControlMaximum(ControlRef control);  // a button: 1
void SetControlMaximum(ControlRef control,
                       std::int32_t value);  // scroll bars, progress bars, labels
void SetControlViewSize(ControlRef control, std::int32_t size);  // a scroll bar's page
void ShowControl(ControlRef control);                            // visible whenever its window is
void HideControl(ControlRef control);                            // never drawn, never hit
bool IsControlVisible(ControlRef control);                       // not hidden by HideControl
void ActivateControl(ControlRef control);                        // enables it
void DeactivateControl(ControlRef control);                      // disables it
bool IsControlActive(ControlRef control);                        // enabled
void HiliteControl(ControlRef control, std::int16_t part);       // 0 enabled, 255 disabled
void MoveControl(ControlRef control, std::int16_t h, std::int16_t v);  // within the content
void SizeControl(ControlRef control, std::int16_t width, std::int16_t height);
void GetControlBounds(ControlRef control, Rect* out);
WindowRef GetControlOwner(ControlRef control);                   // the window holding the control
void SetControlText(ControlRef control, const char* utf8_text);  // labels, buttons, fields
std::string GetControlText(ControlRef control);                  // empty for a control without text
void DrawOneControl(ControlRef control);                         // redraws it at once
void SetControlAction(ControlRef control, ControlActionProcPtr action);  // null: none
// Shows picture `id` of the program's resources in a picture control (a label).
void SetControlPicture(ControlRef control, std::int16_t id);
// The control under the local point of the window, or null.
ControlRef FindControlUnderMouse(Point local, WindowRef window);

// ---- Menus --------------------------------------------------------------------------------

using MenuItemIndex = std::uint16_t;  // 1-based position of an item in its menu

MenuRef GetMenuRef(std::int16_t menu_id);  // the menu of the menu bar with that `menu_id`, or null
// The instance-th (from 1) item carrying the command in menu, or in the whole menu bar when
// menu is null. 0, or menuItemNotFoundErr.
OSStatus GetIndMenuItemWithCommandID(MenuRef menu, OSType command, std::uint32_t instance,
                                     MenuRef* out_menu, MenuItemIndex* out_index);
// Every item carrying the command in menu (the whole menu bar when null).
void EnableMenuCommand(MenuRef menu, OSType command);     // so that it can be chosen
void DisableMenuCommand(MenuRef menu, OSType command);    // greyed, its shortcut inactive
bool IsMenuCommandEnabled(MenuRef menu, OSType command);  // the first such item; false if none
void CheckMenuItem(MenuRef menu, MenuItemIndex item, bool checked);  // the check mark
bool IsMenuItemChecked(MenuRef menu, MenuItemIndex item);            // false for no such item

// ---- Events and handlers ------------------------------------------------------------------

constexpr OSType kEventClassCommand = FOUR_CC("cmds");
constexpr OSType kEventClassMouse = FOUR_CC("mous");
constexpr OSType kEventClassWindow = FOUR_CC("wind");
constexpr OSType kEventClassKeyboard = FOUR_CC("keyb");
constexpr std::uint32_t kEventRawKeyDown = 1;
constexpr std::uint32_t kEventCommandProcess = 1;
constexpr std::uint32_t kEventMouseDown = 1;
constexpr std::uint32_t kEventMouseUp = 2;
constexpr std::uint32_t kEventMouseMoved = 5;
constexpr std::uint32_t kEventMouseWheelMoved = 10;
constexpr std::uint32_t kEventWindowUpdate = 1;
constexpr std::uint32_t kEventWindowDrawContent = 2;
constexpr std::uint32_t kEventWindowActivated = 5;
constexpr std::uint32_t kEventWindowDeactivated = 6;
constexpr std::uint32_t kEventWindowBoundsChanged = 27;
constexpr std::uint32_t kEventWindowClose = 72;
constexpr std::uint32_t kEventWindowClosed = 73;

struct EventTypeSpec {
    OSType eventClass;        // kEventClassCommand, kEventClassMouse or kEventClassWindow
    std::uint32_t eventKind;  // the kind within the class
};

struct HICommand {
    std::uint32_t attributes;  // always 0
    OSType commandID;          // the command's four-character code
    MenuRef menu;              // the menu of the item that sent it, or null
    MenuItemIndex index;       // that item's index, or 0
};

// Returns 0 (handled), eventNotHandledErr (the next handler, and at the end the toolkit's
// standard handling, follows) or another status.
using EventHandlerProcPtr = OSStatus (*)(EventHandlerCallRef next, EventRef event, void* user_data);

// Handlers are called newest first. 0; *out may be null.
OSStatus InstallApplicationEventHandler(EventHandlerProcPtr proc, std::uint32_t count,
                                        const EventTypeSpec* types, void* user_data,
                                        EventHandlerRef* out);
OSStatus InstallWindowEventHandler(WindowRef window, EventHandlerProcPtr proc, std::uint32_t count,
                                   const EventTypeSpec* types, void* user_data,
                                   EventHandlerRef* out);
OSStatus RemoveEventHandler(EventHandlerRef handler);  // 0
// Runs the remaining handlers and then the standard handling now; their result.
OSStatus CallNextEventHandler(EventHandlerCallRef next, EventRef event);

OSType GetEventClass(EventRef event);        // kEventClassCommand, ...Mouse or ...Window
std::uint32_t GetEventKind(EventRef event);  // the kind within the class
// The event's data: 0, or eventParameterNotFoundErr when it carries none of that kind.
OSStatus GetEventCommand(EventRef event, HICommand* out);                          // command events
OSStatus GetEventMouseLocation(EventRef event, Point* global_out);                 // mouse events
OSStatus GetEventWheel(EventRef event, std::uint16_t* axis, std::int32_t* delta);  // axis 0 h, 1 v
OSStatus GetEventWindow(EventRef event, WindowRef* out);            // window events and presses
OSStatus GetEventKeyChar(EventRef event, std::uint8_t* char_code);  // key events: 27 is Escape

// Sends the command to the application's handlers, as a menu item or control does. The
// standard handling of `quit` ends the application event loop. Returns the handlers' result.
OSStatus ProcessHICommand(OSType command);

// ---- Cursors ------------------------------------------------------------------------------

struct Cursor;  // an image with a hot spot
using CursHandle = Cursor*;
// The cursor image `id` of the program's resources, or null when there is none.
CursHandle GetCursor(std::int16_t id);
const Cursor* GetQDGlobalsArrow();     // the standard arrow
void SetCursor(const Cursor* cursor);  // the pointer's shape over every window
