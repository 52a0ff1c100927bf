// The file dialogs and the save-changes question on Qt widgets.

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <functional>

#include "platform/dialogs.h"
#include "platform/prompts.h"

namespace {

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

}  // namespace

OSErr NavAskSaveChanges(const char* document_name, NavAskSaveChangesResult* answer) {
    *answer = g_prompts->ask_save_changes(document_name);
    return noErr;
}

NavAskSaveChangesResult shown_ask_save_changes(const char* document_name) {
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
            return kNavAskSaveChangesSave;
        case QMessageBox::Discard:
            return kNavAskSaveChangesDontSave;
        default:
            return kNavAskSaveChangesCancel;
    }
}

OSErr NavChooseFile(const char* message, const std::vector<std::string>& extensions,
                    const std::string& location, std::vector<FSSpec>* chosen) {
    chosen->clear();
    const std::string folder = start_folder(location).toStdString();
    for (const std::string& path : g_prompts->choose_files(message, extensions, folder))
        chosen->push_back(spec_of_path(QString::fromStdString(path)));
    return chosen->empty() ? userCanceledErr : noErr;
}

std::vector<std::string> shown_choose_files(const char* message,
                                            const std::vector<std::string>& extensions,
                                            const std::string& folder) {
    QFileDialog dialog(nullptr, message ? QString::fromUtf8(message) : QString(),
                       QString::fromStdString(folder));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Files are recognised by their content: one named without an extension can be chosen.
    QStringList filters;
    if (!extensions.empty()) filters << QStringLiteral("Images (%1)").arg(patterns_of(extensions));
    filters << QStringLiteral("All files (*)");
    dialog.setNameFilters(filters);
    std::vector<std::string> paths;
    if (dialog.exec() == QDialog::Accepted)
        for (const QString& path : dialog.selectedFiles()) paths.push_back(path.toStdString());
    return paths;
}

OSErr NavChooseFolder(const std::string& location, FSSpec* out) {
    const std::string folder = g_prompts->choose_folder(start_folder(location).toStdString());
    if (folder.empty()) return userCanceledErr;
    *out = spec_of_path(QString::fromStdString(folder));
    return noErr;
}

std::string shown_choose_folder(const std::string& folder) {
    return QFileDialog::getExistingDirectory(nullptr, QString(), QString::fromStdString(folder))
        .toStdString();
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
    OpaqueNavDialogRef nav{nullptr, options->popupExtension,
                           item_of_type(options->popupExtension, file_type), options->saveFileName};
    const std::string folder = start_folder(options->location).toStdString();
    return g_prompts->put_file(&nav, options, folder, event_proc, user_data, out);
}

OSErr shown_put_file(NavDialogRef nav, const NavDialogOptions* options, const std::string& folder,
                     NavEventProcPtr event_proc, void* user_data, FSSpec* out) {
    PutFileDialog dialog(nullptr, QString(), QString::fromStdString(folder));
    nav->dialog = &dialog;
    dialog.before_accept = [nav, event_proc, user_data] {
        NavCBRec rec{nav, nullptr};
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
    for (const NavMenuItemSpec& item : nav->items) filters << name_filter(item);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        use_item(nav, nav->selected);
    }
    dialog.selectFile(QString::fromStdString(nav->name));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [nav, filters, event_proc, user_data](const QString& filter) {
                         const qsizetype i = filters.indexOf(filter);
                         if (i < 0 || i == nav->selected) return;
                         use_item(nav, int(i));
                         NavCBRec rec{nav, &nav->items[std::size_t(i)]};
                         if (event_proc) event_proc(kNavCBPopupMenuSelect, &rec, user_data);
                     });
    if (QLineEdit* field = name_field(&dialog))
        QObject::connect(field, &QLineEdit::textChanged, &dialog, [nav, event_proc, user_data] {
            NavCBRec rec{nav, nullptr};
            if (event_proc) event_proc(kNavCBNameChanged, &rec, user_data);
        });
    NavCBRec start{nav, nullptr};
    if (event_proc) event_proc(kNavCBStart, &start, user_data);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return userCanceledErr;
    *out = spec_of_path(dialog.selectedFiles().first());
    return noErr;
}
