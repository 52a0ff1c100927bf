// The test hooks' table of notices and questions: alerts and beeps are recorded, questions
// and file dialogs take the queued answers, and nothing waits for a user.

#include <deque>
#include <filesystem>

#include "platform/prompts.h"
#include "platform/test_hooks.h"

namespace {

std::vector<ShownAlert> g_alerts;
int g_beeps = 0;
std::deque<NavAskSaveChangesResult> g_save_answers;
std::deque<std::vector<std::string>> g_choose_answers;
std::deque<PutFileAnswer> g_put_answers;
NavRecord g_record;

void recorded_alert(const char* title, const char* message) {
    g_alerts.push_back({title, message});
}

void recorded_beep() {
    ++g_beeps;
}

// A question with no answer queued is cancelled.
NavAskSaveChangesResult recorded_ask_save_changes(const char*) {
    ++g_record.save_changes;
    if (g_save_answers.empty()) return kNavAskSaveChangesCancel;
    const NavAskSaveChangesResult answer = g_save_answers.front();
    g_save_answers.pop_front();
    return answer;
}

std::vector<std::string> recorded_choose_files(const char*,
                                               const std::vector<std::string>& extensions,
                                               const std::string& folder) {
    ++g_record.choose_file;
    g_record.extensions = extensions;
    g_record.location = folder;
    if (g_choose_answers.empty()) return {};
    std::vector<std::string> paths = g_choose_answers.front();
    g_choose_answers.pop_front();
    return paths;
}

// Takes the next answer queued for the file dialogs: one path, else cancelled.
std::string recorded_choose_folder(const std::string& folder) {
    ++g_record.choose_file;
    g_record.location = folder;
    if (g_choose_answers.empty()) return {};
    const std::vector<std::string> paths = g_choose_answers.front();
    g_choose_answers.pop_front();
    return paths.size() == 1 ? paths.front() : std::string();
}

OSErr recorded_put_file(NavDialogRef nav, const NavDialogOptions*, const std::string& folder,
                        NavEventProcPtr proc, void* user_data, FSSpec* out) {
    ++g_record.put_file;
    g_record.location = folder;
    NavCBRec start{nav, nullptr};
    if (proc) proc(kNavCBStart, &start, user_data);
    const PutFileAnswer answer = g_put_answers.empty() ? PutFileAnswer{} : g_put_answers.front();
    if (!g_put_answers.empty()) g_put_answers.pop_front();
    if (!answer.name.empty()) {
        nav->name = answer.name;
        NavCBRec rec{nav, nullptr};
        if (proc) proc(kNavCBNameChanged, &rec, user_data);
    }
    for (int item : answer.popup_items) {
        if (item < 0 || item >= int(nav->items.size())) continue;
        nav->selected = item;
        NavCBRec rec{nav, &nav->items[std::size_t(item)]};
        if (proc) proc(kNavCBPopupMenuSelect, &rec, user_data);
    }
    // Accepting settles the name first, and then asks about replacing a file of that name.
    NavCBRec rec{nav, nullptr};
    if (proc && !answer.folder.empty()) proc(kNavCBAccept, &rec, user_data);
    g_record.put_file_name = nav->name;
    if (answer.folder.empty()) return userCanceledErr;
    std::error_code error;
    if (std::filesystem::exists(std::filesystem::path(answer.folder) / nav->name, error)) {
        ++g_record.replace_questions;
        if (!answer.replace) return userCanceledErr;
    }
    *out = FSSpec{answer.folder, nav->name};
    return noErr;
}

const Prompts g_recorded_prompts = {
    recorded_alert,        recorded_beep,          recorded_ask_save_changes,
    recorded_choose_files, recorded_choose_folder, recorded_put_file};

}  // namespace

void hooks_record_dialogs(bool on) {
    g_prompts = on ? &g_recorded_prompts : &g_shown_prompts;
}

const std::vector<ShownAlert>& hooks_alerts() {
    return g_alerts;
}

int hooks_beeps() {
    return g_beeps;
}

void hooks_clear_record() {
    g_record = NavRecord{};
    g_alerts.clear();
    g_beeps = 0;
}

const NavRecord& hooks_nav_record() {
    return g_record;
}

void hooks_answer_save_changes(NavAskSaveChangesResult answer) {
    g_save_answers.push_back(answer);
}

void hooks_answer_choose_file(const std::vector<std::string>& paths) {
    g_choose_answers.push_back(paths);
}

void hooks_answer_put_file(const PutFileAnswer& answer) {
    g_put_answers.push_back(answer);
}

void prompts_reset() {
    g_save_answers.clear();
    g_choose_answers.clear();
    g_put_answers.clear();
    g_record = NavRecord{};
}
