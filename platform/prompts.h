// The notices and questions the toolkit puts to the user, behind one replaceable table:
// the program shows them on screen; the test hooks install a table that records them and
// answers at once.
#pragma once

#include <string>
#include <vector>

#include "platform/dialogs.h"

class QFileDialog;

struct OpaqueNavDialogRef {
    QFileDialog* dialog;                 // the dialog on screen; null while a test answers
    std::vector<NavMenuItemSpec> items;  // the format popup
    int selected;                        // the popup item in use
    std::string name;                    // the name field while no dialog is on screen
};

struct Prompts {
    void (*alert)(const char* title, const char* message);
    void (*beep)();
    NavAskSaveChangesResult (*ask_save_changes)(const char* document_name);
    // The paths chosen, starting in folder; none when cancelled.
    std::vector<std::string> (*choose_files)(const char* message,
                                             const std::vector<std::string>& extensions,
                                             const std::string& folder);
    // The folder chosen, starting in folder; empty when cancelled.
    std::string (*choose_folder)(const std::string& folder);
    // Starts in folder; calls proc with kNavCBStart, then as the name and format change,
    // and with kNavCBAccept before a name is accepted. noErr or userCanceledErr.
    OSErr (*put_file)(NavDialogRef nav, const NavDialogOptions* options, const std::string& folder,
                      NavEventProcPtr proc, void* user_data, FSSpec* out);
};

extern const Prompts g_shown_prompts;  // on screen, waiting for the user
extern const Prompts* g_prompts;       // the table in use

// The shown table's entries.
void shown_alert(const char* title, const char* message);
void shown_beep();
NavAskSaveChangesResult shown_ask_save_changes(const char* document_name);
std::vector<std::string> shown_choose_files(const char* message,
                                            const std::vector<std::string>& extensions,
                                            const std::string& folder);
std::string shown_choose_folder(const std::string& folder);
OSErr shown_put_file(NavDialogRef nav, const NavDialogOptions* options, const std::string& folder,
                     NavEventProcPtr proc, void* user_data, FSSpec* out);

void prompts_reset();  // forgets the queued answers and the record of the recording table
