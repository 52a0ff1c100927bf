// Hooks through which tests script the user and watch what the program shows.
// The program never calls these; with no hook set it behaves as with a real user.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/types.h"
#include "platform/window.h"

// While on, alerts are recorded instead of shown and answered at once, and beeps are
// counted instead of sounded.
void hooks_record_dialogs(bool on);

struct ShownAlert {
    std::string title;
    std::string message;
};
// Alerts and beeps recorded since the last call to hooks_clear_record().
const std::vector<ShownAlert>& hooks_alerts();
int hooks_beeps();
void hooks_clear_record();

// Standard output: while captured, what the program prints is kept instead of written.
void hooks_capture_stdout(bool on);
std::vector<std::string> hooks_stdout_lines();  // the complete lines printed so far

// Before the application object is made: under the offscreen platform, the screen is
// width x height instead of 800 x 800.
void hooks_offscreen_screen(int width, int height);

// The tick source: while set, TickCount() returns what it returns; null restores the clock.
void hooks_set_tick_source(std::uint32_t (*source)());

// Pixel buffers run out: once count more have been made, every further one fails as out of
// memory. -1 (the default) never fails.
void hooks_fail_gworlds_after(int count);

// The repeating timers installed, oldest first.
struct TimerSchedule {
    int next_ms;    // the wait before the next call: the first delay until the first call
    int period_ms;  // the wait between calls after the first
};
std::vector<TimerSchedule> hooks_timers();

// Scripted mouse for tracking loops: each StillDown() takes the next state, Button() and
// GetMouse() report the latest one. Once the script is used up the button is up.
struct MouseState {
    Point where;  // global
    bool down;
};
void hooks_script_mouse(const std::vector<MouseState>& states);

// Where interface descriptions are looked up (a resource folder); null restores the
// program's own.
void hooks_set_description_root(const char* root);

// A window made from Qt Designer form text instead of a description, hidden.
OSStatus hooks_new_window_from_form(const char* form_xml, WindowRef* out);
// The user clicks the window's close box.
void hooks_close_box(WindowRef window);
// The user chooses a menu item, or presses a button control.
void hooks_choose_menu_item(MenuRef menu, MenuItemIndex item);
void hooks_press_control(ControlRef control);
// The user chooses item (from 1) of a popup control.
void hooks_choose_popup_item(ControlRef control, int item);
// The user clicks the window's content at local (h, v).
void hooks_click_window(WindowRef window, std::int16_t h = 5, std::int16_t v = 5);
// The user types a key while the window has the focus (27 is Escape).
void hooks_window_key(WindowRef window, std::uint8_t char_code);
// The user turns the mouse wheel over the window, or moves on a touchpad: the angle in
// eighths of a degree (120 a notch; positive turns up or left) or the touchpad's pixels.
struct WheelTurn {
    int angle_h, angle_v;    // a wheel's turn
    int pixels_h, pixels_v;  // a touchpad's movement; zero for a wheel
    bool shift;              // Shift is held
};
void hooks_wheel(WindowRef window, const WheelTurn& turn);
// The user works a scroll bar: part is one of the part codes of the action routines.
void hooks_control_part(ControlRef control, std::int16_t part);
// The picture resource a picture control shows, 0 for none.
std::int16_t hooks_control_picture(ControlRef control);
// The cursor last set, null before any.
const Cursor* hooks_current_cursor();
// A scroll bar's view size as SetControlViewSize left it; 0 for another control.
std::int32_t hooks_view_size(ControlRef control);

// A dialog made from Qt Designer form text instead of a resource.
OSStatus hooks_new_dialog_from_form(const char* form_xml, DialogRef* out);
// Types a key into the dialog's focused item, as the user would (modifiers: shiftKey).
void hooks_dialog_key(DialogRef dialog, std::uint8_t char_code, std::uint16_t modifiers);
// Clicks a dialog's button item.
void hooks_dialog_click(DialogRef dialog, std::int16_t item);
// The dialog's window is uncovered.
void hooks_dialog_expose(DialogRef dialog);

// Called each time the program asks for the next event while none is waiting: a test acts
// there as the user would while a modal loop runs (clicks, keys). Null removes it.
void hooks_on_event_wait(std::function<void()> hook);

// Queued answers for the save-changes question and the file dialogs, taken first in first
// out. While dialogs are recorded, one asked with no answer queued is cancelled at once.
void hooks_answer_save_changes(NavAskSaveChangesResult answer);
// Answers the next choose-file or choose-folder dialog; none: cancel.
void hooks_answer_choose_file(const std::vector<std::string>& paths);
struct PutFileAnswer {
    std::string name;              // typed into the name field first; empty: left as proposed
    std::vector<int> popup_items;  // then chosen from the format popup (0-based), in order
    std::string folder;            // then confirmed in this folder; empty: cancelled
    bool replace = true;           // asked to replace an existing file: Yes, or No (cancels)
};
void hooks_answer_put_file(const PutFileAnswer& answer);
// What the file dialogs and the question were asked since hooks_clear_record().
struct NavRecord {
    int save_changes = 0;                 // save-changes questions asked
    int choose_file = 0;                  // choose-file dialogs shown
    int put_file = 0;                     // put-file dialogs shown
    std::vector<std::string> extensions;  // the filter of the last choose-file dialog
    std::string location;                 // the folder the last file dialog started in
    std::string put_file_name;            // the last put-file dialog's name field at its end
    int replace_questions = 0;            // put-file dialogs' questions to replace a file
};
const NavRecord& hooks_nav_record();

// The desktop asks the program to open these documents: the open-documents handler runs now.
void hooks_open_documents(const std::vector<std::string>& paths);

// Disposes every window, dialog, menu bar, handler, timer and pending request of the run,
// so that a test can start the program again.
void hooks_reset_toolbox();
