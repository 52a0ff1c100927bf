// Hooks through which tests script the user and watch what the program shows.
// The program never calls these; with no hook set it behaves as with a real user.
#pragma once

#include <string>
#include <vector>

// While on, alerts are recorded instead of shown and answered at once.
void hooks_record_dialogs(bool on);

struct ShownAlert {
    std::string title;
    std::string message;
};
// Alerts recorded since the last call to hooks_clear_record().
const std::vector<ShownAlert>& hooks_alerts();
void hooks_clear_record();
