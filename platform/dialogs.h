// Alerts and dialogs shown to the user, dialog items and the event records of modal loops.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"
#include "platform/window.h"

// Shows a modal note alert with one button and waits until it is dismissed. Returns 0.
OSErr RunNoteAlert(const char* title, const char* message);

// ---- Dialogs with numbered items ----------------------------------------------------------
//
// A dialog is a movable modal window made from the form "dialog_<id>" of the program's
// resources; its items are the widgets carrying an `item` property (1 is the default
// button). While a dialog is shown, other windows receive no clicks or keys, and the
// dialog's keys, button clicks and uncovering become event records (below).

struct OpaqueDialogPtr;
using DialogRef = OpaqueDialogPtr*;

// Item types.
constexpr std::int16_t kUserDialogItem = 0;
constexpr std::int16_t kButtonDialogItem = 4;
constexpr std::int16_t kCheckBoxDialogItem = 5;
constexpr std::int16_t kRadioButtonDialogItem = 6;
constexpr std::int16_t kControlDialogItem = 7;  // any other control: a progress bar
constexpr std::int16_t kStaticTextDialogItem = 8;
constexpr std::int16_t kEditTextDialogItem = 16;
constexpr std::int16_t kItemDisableBit = 128;  // the item reports no hits (`item_disabled`)

// Creates dialog `id`, hidden. 0, or kIBCarbonRuntimeCantFindObject.
OSStatus GetNewDialog(std::int16_t id, DialogRef* out);
void DisposeDialog(DialogRef dialog);
WindowRef GetDialogWindow(DialogRef dialog);
DialogRef GetDialogFromWindow(WindowRef window);  // null for a window that is no dialog
std::int16_t CountDITL(DialogRef dialog);         // the highest item number
std::int16_t GetDialogItemType(DialogRef dialog, std::int16_t item);     // -1 for no such item
void GetDialogItemRect(DialogRef dialog, std::int16_t item, Rect* out);  // empty when none
// 0, or errUnknownControl for an item that is no control.
OSStatus GetDialogItemAsControl(DialogRef dialog, std::int16_t item, ControlRef* out);
void SetDialogItemText(DialogRef dialog, std::int16_t item, const char* utf8_text);
std::string GetDialogItemText(DialogRef dialog, std::int16_t item);
// Gives an edit item the keyboard focus and selects characters start to end.
void SelectDialogItemText(DialogRef dialog, std::int16_t item, std::int16_t start,
                          std::int16_t end);
std::int16_t GetDialogKeyboardFocusItem(DialogRef dialog);  // 0 when no item has it
void DrawDialog(DialogRef dialog);                          // redraws it at once

// ---- Event records ------------------------------------------------------------------------

constexpr std::uint16_t nullEvent = 0;
constexpr std::uint16_t mouseDown = 1;
constexpr std::uint16_t keyDown = 3;
constexpr std::uint16_t autoKey = 5;
constexpr std::uint16_t updateEvt = 6;
constexpr std::uint16_t everyEvent = 0xFFFF;
constexpr std::uint16_t shiftKey = 0x0200;
constexpr std::uint32_t charCodeMask = 0xFF;

struct EventRecord {
    std::uint16_t what;       // nullEvent, mouseDown, keyDown, autoKey or updateEvt
    std::uintptr_t message;   // key: character code in the low byte; update: the window
    std::uint32_t when;       // TickCount() when it happened
    Point where;              // pointer position, global
    std::uint16_t modifiers;  // shiftKey
};

// The next event of the kinds in mask, waiting up to sleep_ticks for one (the loop keeps
// running meanwhile). False, with a null event, when none came.
bool WaitNextEvent(std::uint16_t mask, EventRecord* out, std::uint32_t sleep_ticks);
// True when the event belongs to a shown dialog (null events always do).
bool IsDialogEvent(const EventRecord* event);
// Lets the dialog handle the event: a key goes to the focused item, an update redraws it.
// True, with the dialog and item, when an item was hit (a button clicked, or a key typed
// into an edit item without kItemDisableBit).
bool DialogSelect(const EventRecord* event, DialogRef* dialog, std::int16_t* item);
