// Alerts and dialogs shown to the user, dialog items and the event records of modal loops.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
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
// text shortened to at most width pixels in the item's font by removing characters from its
// middle and putting an ellipsis there; text itself when it fits.
std::string TruncDialogItemText(DialogRef dialog, std::int16_t item, const std::string& text,
                                int width);

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

// ---- File dialogs and the save-changes question -----------------------------------------------

// The answers to the question asked before a document with unsaved changes closes.
using NavAskSaveChangesResult = std::uint32_t;
constexpr NavAskSaveChangesResult kNavAskSaveChangesSave = 1;
constexpr NavAskSaveChangesResult kNavAskSaveChangesCancel = 2;
constexpr NavAskSaveChangesResult kNavAskSaveChangesDontSave = 3;

// Asks, application-modal, whether to save the changes of the named document before it
// closes: Save, Don't Save or Cancel. 0 with the answer, or -1 when it cannot be asked.
OSErr NavAskSaveChanges(const char* document_name, NavAskSaveChangesResult* answer);

// Lets the user choose existing files whose names end in one of the extensions (case
// ignored), or any file at all, showing message when not null, starting in the folder
// `location` (the home folder when it is empty or missing). The user may choose several.
// 0 with the files chosen, or -128 when cancelled.
OSErr NavChooseFile(const char* message, const std::vector<std::string>& extensions,
                    const std::string& location, std::vector<FSSpec>* chosen);

// Lets the user choose one existing folder, starting in the folder `location` (the home
// folder when it is empty or missing). 0 with the folder in *out, or -128 when cancelled.
OSErr NavChooseFolder(const std::string& location, FSSpec* out);

// One item of the put-file dialog's format popup.
struct NavMenuItemSpec {
    std::uint16_t version;     // always 0
    OSType menuCreator;        // the program's creator code
    OSType menuType;           // the format's type code
    std::string menuItemName;  // the text shown
};

struct OpaqueNavDialogRef;
using NavDialogRef = OpaqueNavDialogRef*;

// What the put-file dialog tells its event routine.
using NavEventCallbackMessage = std::int32_t;
constexpr NavEventCallbackMessage kNavCBStart = 2;            // the dialog is about to show
constexpr NavEventCallbackMessage kNavCBPopupMenuSelect = 8;  // a popup item was chosen
constexpr NavEventCallbackMessage kNavCBAccept = 9;           // a name is about to be accepted
constexpr NavEventCallbackMessage kNavCBNameChanged = 64;     // the name field changed
struct NavCBRec {
    NavDialogRef context;              // the dialog, for NavCustomControl
    const NavMenuItemSpec* menu_item;  // kNavCBPopupMenuSelect: the item chosen; else null
};
using NavEventProcPtr = void (*)(NavEventCallbackMessage selector, NavCBRec* params,
                                 void* user_data);

// Requests to the dialog from its event routine.
constexpr std::int32_t kNavCtlSelectCustomType = 21;  // param: const NavMenuItemSpec*
constexpr std::int32_t kNavCtlGetEditFileName = 23;   // param: std::string* receiving the name
constexpr std::int32_t kNavCtlSetEditFileName = 24;   // param: const std::string*
// 0, or -50 for another selector or a popup item the dialog does not hold.
OSErr NavCustomControl(NavDialogRef dialog, std::int32_t selector, void* param);

struct NavDialogOptions {
    std::string location;                         // the folder to start in; empty: home
    std::string saveFileName;                     // the name proposed
    std::string message;                          // shown above the name
    std::vector<NavMenuItemSpec> popupExtension;  // the format popup's items, in order
};
// Asks, application-modal, where to save a file of the type (the popup starts on its item).
// event_proc hears of the start, of each popup choice, of each change of the name, and of
// the accept just before a name is accepted, when it may still rename it; replacing an
// existing file is then confirmed by the user for the name accepted. 0 with the file in
// *out, or -128 when cancelled.
OSErr NavPutFile(const NavDialogOptions* options, OSType file_type, NavEventProcPtr event_proc,
                 void* user_data, FSSpec* out);
