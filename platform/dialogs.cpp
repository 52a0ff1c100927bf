// Alerts and dialogs on Qt widgets, with the recording test hooks.

#include "platform/dialogs.h"

#include <QMessageBox>

#include "platform/test_hooks.h"

namespace {
bool g_record = false;
std::vector<ShownAlert> g_alerts;
}  // namespace

void hooks_record_dialogs(bool on) {
    g_record = on;
}
const std::vector<ShownAlert>& hooks_alerts() {
    return g_alerts;
}
void hooks_clear_record() {
    g_alerts.clear();
}

OSErr RunNoteAlert(const char* title, const char* message) {
    if (g_record) {
        g_alerts.push_back({title, message});
        return noErr;
    }
    QMessageBox box(QMessageBox::Information, QString::fromUtf8(title), QString::fromUtf8(message),
                    QMessageBox::Ok);
    box.exec();
    return noErr;
}
