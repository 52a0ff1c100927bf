// The file dialogs and the save-changes question on Qt widgets, and their scripted answers.

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <deque>
#include <functional>

#include "platform/dialogs.h"
#include "platform/qt_window.h"
#include "platform/test_hooks.h"

struct OpaqueNavDialogRef {
    QFileDialog* dialog;                 // the dialog shown; null while a test answers
    std::vector<NavMenuItemSpec> items;  // the format popup
    int selected;                        // the popup item in use (scripted answers)
    std::string name;                    // the name field (scripted answers)
};

namespace {

std::deque<NavAskSaveChangesResult> g_save_answers;
std::deque<std::vector<std::string>> g_choose_answers;
std::deque<PutFileAnswer> g_put_answers;
NavRecord g_record;

FSSpec spec_of_path(const QString& path) {
    const QFileInfo info(path);
    return FSSpec{info.absolutePath().toStdString(), info.fileName().toStdString()};
}

int item_of_type(const std::vector<NavMenuItemSpec>& items, OSType type) {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].menuType == type) return int(i);
    return 0;
}

// "*.jpg *.JPG *.jpeg *.JPEG": both cases, since the dialog matches names exactly.
QString patterns_of(const std::vector<std::string>& extensions) {
    QStringList patterns;
    for (const std::string& e : extensions) {
        const QString ext = QString::fromStdString(e);
        patterns << QLatin1Char('*') + ext.toLower() << QLatin1Char('*') + ext.toUpper();
    }
    return patterns.join(QLatin1Char(' '));
}

// A format's filter: "BMP (*.bmp *.BMP)".
QString name_filter(const NavMenuItemSpec& item) {
    const QString name = QString::fromStdString(item.menuItemName);
    const std::vector<std::string> extensions = FileTypeExtensions(item.menuType);
    return extensions.empty() ? name : QStringLiteral("%1 (%2)").arg(name, patterns_of(extensions));
}

QLineEdit* name_field(QFileDialog* dialog) {
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

// The folder a file dialog starts in: the one asked for while it exists, else home.
QString start_folder(const std::string& location) {
    const QFileInfo folder(QString::fromStdString(location));
    return !location.empty() && folder.isDir() ? folder.absoluteFilePath() : QDir::homePath();
}

// Makes popup item i the one in use.
void use_item(OpaqueNavDialogRef* nav, int i) {
    nav->selected = i;
    if (nav->dialog) nav->dialog->selectNameFilter(name_filter(nav->items[std::size_t(i)]));
}

// A save dialog that runs before_accept just before it accepts a file's name, so that its
// question whether to replace an existing file concerns the name as finally settled.
class PutFileDialog : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;
    std::function<void()> before_accept;

    void accept() override {
        // A folder's name opens the folder instead; there is no file name to settle yet.
        const QStringList files = selectedFiles();
        if (before_accept && !files.isEmpty() && !QFileInfo(files.first()).isDir()) before_accept();
        QFileDialog::accept();
    }
};

OSErr scripted_put_file(OpaqueNavDialogRef* nav, NavEventProcPtr proc, void* user_data,
                        FSSpec* out) {
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
    if (QFileInfo::exists(QDir(QString::fromStdString(answer.folder))
                              .filePath(QString::fromStdString(nav->name)))) {
        ++g_record.replace_questions;
        if (!answer.replace) return userCanceledErr;
    }
    *out = FSSpec{answer.folder, nav->name};
    return noErr;
}

}  // namespace

void nav_clear_record() {
    g_record = NavRecord{};
}

void nav_reset() {
    g_save_answers.clear();
    g_choose_answers.clear();
    g_put_answers.clear();
    nav_clear_record();
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

OSErr NavAskSaveChanges(const char* document_name, NavAskSaveChangesResult* answer) {
    ++g_record.save_changes;
    if (!g_save_answers.empty()) {
        *answer = g_save_answers.front();
        g_save_answers.pop_front();
        return noErr;
    }
    if (dialogs_recording()) {
        *answer = kNavAskSaveChangesCancel;
        return noErr;
    }
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(),
                    QStringLiteral("Do you want to save the changes you made in the document "
                                   "\u201c%1\u201d?")
                        .arg(QString::fromUtf8(document_name)),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box.setInformativeText(
        QStringLiteral("Your changes will be lost if you don\u2019t save them."));
    box.setDefaultButton(QMessageBox::Save);
    box.setWindowModality(Qt::ApplicationModal);
    switch (box.exec()) {
        case QMessageBox::Save:
            *answer = kNavAskSaveChangesSave;
            break;
        case QMessageBox::Discard:
            *answer = kNavAskSaveChangesDontSave;
            break;
        default:
            *answer = kNavAskSaveChangesCancel;
            break;
    }
    return noErr;
}

OSErr NavChooseFile(const char* message, const std::vector<std::string>& extensions,
                    const std::string& location, std::vector<FSSpec>* chosen) {
    chosen->clear();
    ++g_record.choose_file;
    g_record.extensions = extensions;
    const QString folder = start_folder(location);
    g_record.location = folder.toStdString();
    if (!g_choose_answers.empty() || dialogs_recording()) {
        std::vector<std::string> paths;
        if (!g_choose_answers.empty()) {
            paths = g_choose_answers.front();
            g_choose_answers.pop_front();
        }
        for (const std::string& p : paths)
            chosen->push_back(spec_of_path(QString::fromStdString(p)));
        return chosen->empty() ? userCanceledErr : noErr;
    }
    QFileDialog dialog(nullptr, message ? QString::fromUtf8(message) : QString(), folder);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Files are recognised by their content: one named without an extension can be chosen.
    QStringList filters;
    if (!extensions.empty()) filters << QStringLiteral("Images (%1)").arg(patterns_of(extensions));
    filters << QStringLiteral("All files (*)");
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted) return userCanceledErr;
    for (const QString& path : dialog.selectedFiles()) chosen->push_back(spec_of_path(path));
    return chosen->empty() ? userCanceledErr : noErr;
}

OSErr NavCustomControl(NavDialogRef nav, std::int32_t selector, void* param) {
    switch (selector) {
        case kNavCtlSelectCustomType: {
            const auto* item = static_cast<const NavMenuItemSpec*>(param);
            for (std::size_t i = 0; i < nav->items.size(); ++i) {
                if (nav->items[i].menuType != item->menuType) continue;
                use_item(nav, int(i));
                return noErr;
            }
            return paramErr;
        }
        case kNavCtlGetEditFileName: {
            auto* name = static_cast<std::string*>(param);
            QLineEdit* field = nav->dialog ? name_field(nav->dialog) : nullptr;
            *name = field ? field->text().toStdString() : nav->name;
            return noErr;
        }
        case kNavCtlSetEditFileName: {
            nav->name = *static_cast<const std::string*>(param);
            if (!nav->dialog) return noErr;
            // Selecting the name drops a file picked in the list before, which would
            // otherwise stay the one accepted; the field is set even while it has the focus.
            const QString name = QString::fromStdString(nav->name);
            nav->dialog->selectFile(name);
            if (QLineEdit* field = name_field(nav->dialog)) field->setText(name);
            return noErr;
        }
        default:
            return paramErr;
    }
}

OSErr NavPutFile(const NavDialogOptions* options, OSType file_type, NavEventProcPtr event_proc,
                 void* user_data, FSSpec* out) {
    ++g_record.put_file;
    const QString folder = start_folder(options->location);
    g_record.location = folder.toStdString();
    OpaqueNavDialogRef nav{nullptr, options->popupExtension,
                           item_of_type(options->popupExtension, file_type), options->saveFileName};
    NavCBRec start{&nav, nullptr};
    if (!g_put_answers.empty() || dialogs_recording()) {
        if (event_proc) event_proc(kNavCBStart, &start, user_data);
        return scripted_put_file(&nav, event_proc, user_data, out);
    }
    PutFileDialog dialog(nullptr, QString(), folder);
    nav.dialog = &dialog;
    dialog.before_accept = [&nav, event_proc, user_data] {
        NavCBRec rec{&nav, nullptr};
        if (event_proc) event_proc(kNavCBAccept, &rec, user_data);
    };
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowTitle(QApplication::applicationName());
    if (!options->message.empty())
        dialog.setLabelText(QFileDialog::FileName, QString::fromStdString(options->message));
    // Each format lists the files of its extensions: "BMP (*.bmp *.BMP)".
    QStringList filters;
    for (const NavMenuItemSpec& item : nav.items) filters << name_filter(item);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        use_item(&nav, nav.selected);
    }
    dialog.selectFile(QString::fromStdString(nav.name));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&nav, filters, event_proc, user_data](const QString& filter) {
                         const qsizetype i = filters.indexOf(filter);
                         if (i < 0 || i == nav.selected) return;
                         use_item(&nav, int(i));
                         NavCBRec rec{&nav, &nav.items[std::size_t(i)]};
                         if (event_proc) event_proc(kNavCBPopupMenuSelect, &rec, user_data);
                     });
    if (QLineEdit* field = name_field(&dialog))
        QObject::connect(field, &QLineEdit::textChanged, &dialog, [&nav, event_proc, user_data] {
            NavCBRec rec{&nav, nullptr};
            if (event_proc) event_proc(kNavCBNameChanged, &rec, user_data);
        });
    if (event_proc) event_proc(kNavCBStart, &start, user_data);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return userCanceledErr;
    *out = spec_of_path(dialog.selectedFiles().first());
    return noErr;
}
