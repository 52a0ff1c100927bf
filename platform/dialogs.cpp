// Alerts and dialogs on Qt widgets, and the event records of modal loops.

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QExposeEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <deque>
#include <functional>

#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/prompts.h"
#include "platform/qt_window.h"
#include "platform/test_hooks.h"

struct OpaqueDialogPtr {
    WindowRef window;
};

namespace {

std::vector<std::unique_ptr<OpaqueDialogPtr>> g_dialogs;

// A waiting event record and what it needs to be handed on to the dialog.
struct Pending {
    EventRecord record;
    DialogRef dialog;
    std::int16_t hit_item = 0;       // a clicked button
    QPointer<QWidget> key_target;    // the widget a key was typed into
    std::unique_ptr<QKeyEvent> key;  // that key, delivered when the loop accepts it
};
std::deque<Pending> g_queue;
std::function<void()> g_wait_hook;  // a test acting as the user while a modal loop runs
Pending g_current;                  // the event WaitNextEvent returned last
QEventLoop* g_event_wait = nullptr;
bool g_delivering = false;  // a key is being handed to its widget: let it through

DialogRef dialog_of_widget(const QWidget* w) {
    if (!w) return nullptr;
    const QWidget* top = w->window();
    for (const auto& d : g_dialogs)
        if (d->window->widget == top) return d.get();
    return nullptr;
}

QWidget* item_widget(DialogRef dialog, std::int16_t item) {
    for (QWidget* w : dialog->window->widget->findChildren<QWidget*>())
        if (w->property("item").isValid() && w->property("item").toInt() == item) return w;
    return nullptr;
}

std::int16_t item_of_widget(DialogRef dialog, QWidget* w) {
    for (; w && w != dialog->window->widget; w = w->parentWidget())
        if (w->property("item").isValid()) return std::int16_t(w->property("item").toInt());
    return 0;
}

Point mouse_now() {
    const QPoint p = QCursor::pos();
    return Point{std::int16_t(p.y()), std::int16_t(p.x())};
}

void enqueue(Pending&& p) {
    g_queue.push_back(std::move(p));
    if (g_event_wait) g_event_wait->quit();
}

// The character code a key gives, 0 for a key that types nothing (a modifier alone).
std::uint8_t char_code(const QKeyEvent* k) {
    switch (k->key()) {
        case Qt::Key_Return:
            return 13;
        case Qt::Key_Enter:
            return 3;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Left:
            return 28;
        case Qt::Key_Right:
            return 29;
        case Qt::Key_Up:
            return 30;
        case Qt::Key_Down:
            return 31;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Delete:
            return 127;
        default:
            break;
    }
    if (k->text().isEmpty()) return 0;
    const char16_t c = k->text().at(0).unicode();
    return c < 256 ? std::uint8_t(c) : 0xFF;
}

// Keys typed into a dialog and the uncovering of a dialog wait as event records; other
// events go their way.
class DialogWatcher : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::KeyPress && !g_delivering) {
            auto* w = qobject_cast<QWidget*>(watched);
            DialogRef d = dialog_of_widget(w);
            auto* k = static_cast<QKeyEvent*>(e);
            const std::uint8_t code = char_code(k);
            if (d && code) {
                Pending p;
                p.record = {k->isAutoRepeat() ? autoKey : keyDown, code, TickCount(), mouse_now(),
                            std::uint16_t(k->modifiers() & Qt::ShiftModifier ? shiftKey : 0)};
                p.dialog = d;
                p.key_target = w;
                p.key = std::make_unique<QKeyEvent>(k->type(), k->key(), k->modifiers(), k->text(),
                                                    k->isAutoRepeat(), k->count());
                enqueue(std::move(p));
                return true;
            }
        }
        if (e->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            for (const auto& d : g_dialogs) {
                if (!window || d->window->widget->windowHandle() != window) continue;
                const bool waiting = std::any_of(g_queue.begin(), g_queue.end(), [&](auto& p) {
                    return p.record.what == updateEvt && p.dialog == d.get();
                });
                if (window->isExposed() && !waiting) {
                    Pending p;
                    p.record = {updateEvt, std::uintptr_t(d->window), TickCount(), mouse_now(), 0};
                    p.dialog = d.get();
                    enqueue(std::move(p));
                }
            }
        }
        return QObject::eventFilter(watched, e);
    }
};

void ensure_watcher() {
    static DialogWatcher* watcher = nullptr;
    if (!watcher) {
        watcher = new DialogWatcher;
        qApp->installEventFilter(watcher);
    }
}

OSStatus make_dialog(WindowRef window, DialogRef* out) {
    *out = nullptr;
    if (!window) return kIBCarbonRuntimeCantFindObject;
    ensure_watcher();
    window->window_class = kMovableModalWindowClass;
    window->widget->setWindowFlag(Qt::Dialog);
    window->widget->setWindowModality(Qt::ApplicationModal);
    g_dialogs.push_back(std::make_unique<OpaqueDialogPtr>(OpaqueDialogPtr{window}));
    DialogRef d = g_dialogs.back().get();
    window->dialog = d;
    // The content behind the items is the port: it starts in the desktop's window colour.
    const QColor bg = window->widget->palette().color(QPalette::Window);
    const RGBColor back{std::uint16_t(bg.red() * 257), std::uint16_t(bg.green() * 257),
                        std::uint16_t(bg.blue() * 257)};
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    SetGWorld(window->port);
    RGBBackColor(&back);
    Rect bounds;
    GetPortBounds(window->port, &bounds);
    EraseRect(&bounds);
    SetGWorld(saved);
    for (QAbstractButton* b : window->widget->findChildren<QAbstractButton*>()) {
        if (!b->property("item").isValid()) continue;
        const auto item = std::int16_t(b->property("item").toInt());
        QObject::connect(b, &QAbstractButton::clicked, b, [d, item] {
            Pending p;
            p.record = {mouseDown, 0, TickCount(), mouse_now(), 0};
            p.dialog = d;
            p.hit_item = item;
            enqueue(std::move(p));
        });
    }
    *out = d;
    return noErr;
}

}  // namespace

// ---- Notices ------------------------------------------------------------------------------

const Prompts g_shown_prompts = {shown_alert,        shown_beep,          shown_ask_save_changes,
                                 shown_choose_files, shown_choose_folder, shown_put_file};
const Prompts* g_prompts = &g_shown_prompts;

OSErr RunNoteAlert(const char* title, const char* message) {
    g_prompts->alert(title, message);
    return noErr;
}

void SysBeep(std::int16_t) {
    g_prompts->beep();
}

void shown_alert(const char* title, const char* message) {
    QMessageBox box(QMessageBox::Information, QString::fromUtf8(title), QString::fromUtf8(message),
                    QMessageBox::Ok);
    box.exec();
}

void shown_beep() {
    QApplication::beep();
}

// ---- Dialogs --------------------------------------------------------------------------------

OSStatus GetNewDialog(std::int16_t id, DialogRef* out) {
    return make_dialog(
        window_from_form_file(description_root() + QStringLiteral("/dialogs/dialog_%1.ui").arg(id)),
        out);
}

OSStatus hooks_new_dialog_from_form(const char* form_xml, DialogRef* out) {
    return make_dialog(window_from_form_text(QByteArray(form_xml)), out);
}

void DisposeDialog(DialogRef dialog) {
    g_queue.erase(std::remove_if(g_queue.begin(), g_queue.end(),
                                 [dialog](const Pending& p) { return p.dialog == dialog; }),
                  g_queue.end());
    if (g_current.dialog == dialog) g_current = Pending{};
    dialog->window->dialog = nullptr;
    DisposeWindow(dialog->window);
    g_dialogs.erase(std::remove_if(g_dialogs.begin(), g_dialogs.end(),
                                   [dialog](const auto& d) { return d.get() == dialog; }),
                    g_dialogs.end());
}

void hooks_on_event_wait(std::function<void()> hook) {
    g_wait_hook = std::move(hook);
}

void dialogs_reset() {
    prompts_reset();
    g_wait_hook = nullptr;
    g_queue.clear();
    g_current = Pending{};
    for (const auto& d : g_dialogs) d->window->dialog = nullptr;
    g_dialogs.clear();
}

WindowRef GetDialogWindow(DialogRef dialog) {
    return dialog->window;
}
DialogRef GetDialogFromWindow(WindowRef window) {
    return window ? window->dialog : nullptr;
}

std::int16_t CountDITL(DialogRef dialog) {
    int last = 0;
    for (QWidget* w : dialog->window->widget->findChildren<QWidget*>())
        if (w->property("item").isValid()) last = std::max(last, w->property("item").toInt());
    return std::int16_t(last);
}

std::int16_t GetDialogItemType(DialogRef dialog, std::int16_t item) {
    QWidget* w = item_widget(dialog, item);
    if (!w) return -1;
    std::int16_t type = kUserDialogItem;
    if (qobject_cast<QRadioButton*>(w))
        type = kRadioButtonDialogItem;
    else if (qobject_cast<QCheckBox*>(w))
        type = kCheckBoxDialogItem;
    else if (qobject_cast<QAbstractButton*>(w))
        type = kButtonDialogItem;
    else if (qobject_cast<QLineEdit*>(w))
        type = kEditTextDialogItem;
    else if (qobject_cast<QLabel*>(w))
        type = kStaticTextDialogItem;
    else if (qobject_cast<QProgressBar*>(w) || qobject_cast<QAbstractSlider*>(w) ||
             qobject_cast<QComboBox*>(w))
        type = kControlDialogItem;
    if (w->property("item_disabled").toBool()) type = std::int16_t(type | kItemDisableBit);
    return type;
}

void GetDialogItemRect(DialogRef dialog, std::int16_t item, Rect* out) {
    SetRect(out, 0, 0, 0, 0);
    if (QWidget* w = item_widget(dialog, item)) {
        const QPoint p = w->mapTo(dialog->window->widget, QPoint(0, 0));
        SetRect(out, p.x(), p.y(), p.x() + w->width(), p.y() + w->height());
    }
}

OSStatus GetDialogItemAsControl(DialogRef dialog, std::int16_t item, ControlRef* out) {
    *out = nullptr;
    const std::int16_t type = GetDialogItemType(dialog, item);
    if (type < 0 || (type & ~kItemDisableBit) == kUserDialogItem) return errUnknownControl;
    *out = control_for_widget(dialog->window, item_widget(dialog, item));
    return noErr;
}

void SetDialogItemText(DialogRef dialog, std::int16_t item, const char* utf8_text) {
    if (QWidget* w = item_widget(dialog, item))
        SetControlText(control_for_widget(dialog->window, w), utf8_text);
}

std::string GetDialogItemText(DialogRef dialog, std::int16_t item) {
    QWidget* w = item_widget(dialog, item);
    return w ? GetControlText(control_for_widget(dialog->window, w)) : std::string();
}

void SelectDialogItemText(DialogRef dialog, std::int16_t item, std::int16_t start,
                          std::int16_t end) {
    auto* edit = qobject_cast<QLineEdit*>(item_widget(dialog, item));
    if (!edit) return;
    edit->setFocus(Qt::TabFocusReason);
    const int length = int(edit->text().size());
    const int from = std::clamp(int(start), 0, length);
    edit->setSelection(from, std::clamp(int(end), from, length) - from);
}

std::int16_t GetDialogKeyboardFocusItem(DialogRef dialog) {
    return item_of_widget(dialog, dialog->window->widget->focusWidget());
}

void DrawDialog(DialogRef dialog) {
    QWidget* w = dialog->window->widget;
    if (!w->isVisible()) return;
    // A dialog just shown reaches the screen a moment later, and what is drawn before then is
    // lost: wait for it, briefly, so that it is drawn at once.
    QElapsedTimer waited;
    waited.start();
    while (w->windowHandle() && !w->windowHandle()->isExposed() && waited.elapsed() < 250) {
        QEventLoop wait;
        QTimer::singleShot(5, &wait, &QEventLoop::quit);
        wait.exec();
    }
    w->repaint();
}

std::string TruncDialogItemText(DialogRef dialog, std::int16_t item, const std::string& text,
                                int width) {
    QWidget* w = item_widget(dialog, item);
    const QFontMetrics metrics(w ? w->font() : dialog->window->widget->font());
    return metrics.elidedText(QString::fromStdString(text), Qt::ElideMiddle, std::max(width, 0))
        .toStdString();
}

// ---- Event records --------------------------------------------------------------------------

bool WaitNextEvent(std::uint16_t mask, EventRecord* out, std::uint32_t sleep_ticks) {
    const auto wanted = [mask](const Pending& p) { return (mask >> p.record.what) & 1; };
    if (g_wait_hook && std::none_of(g_queue.begin(), g_queue.end(), wanted)) g_wait_hook();
    QCoreApplication::processEvents();
    auto found = std::find_if(g_queue.begin(), g_queue.end(), wanted);
    if (found == g_queue.end() && sleep_ticks > 0) {
        QEventLoop wait;
        QTimer::singleShot(int(std::min<std::uint32_t>(sleep_ticks, 600000) * 1000 / 60), &wait,
                           &QEventLoop::quit);
        g_event_wait = &wait;
        wait.exec();
        g_event_wait = nullptr;
        found = std::find_if(g_queue.begin(), g_queue.end(), wanted);
    }
    if (found == g_queue.end()) {
        g_current = Pending{};
        g_current.record = {nullEvent, 0, TickCount(), mouse_now(), 0};
        *out = g_current.record;
        return false;
    }
    g_current = std::move(*found);
    g_queue.erase(found);
    *out = g_current.record;
    return true;
}

bool IsDialogEvent(const EventRecord* event) {
    if (event->what == nullEvent) return true;
    if (event->what == updateEvt)
        return GetDialogFromWindow(reinterpret_cast<WindowRef>(event->message)) != nullptr;
    return g_current.dialog != nullptr;
}

bool DialogSelect(const EventRecord* event, DialogRef* dialog, std::int16_t* item) {
    if (event->what == updateEvt) {
        if (DialogRef d = GetDialogFromWindow(reinterpret_cast<WindowRef>(event->message)))
            DrawDialog(d);
        return false;
    }
    DialogRef d = g_current.dialog;
    if (!d || event->what != g_current.record.what) return false;
    if (event->what == mouseDown && g_current.hit_item) {
        *dialog = d;
        *item = g_current.hit_item;
        return true;
    }
    if ((event->what == keyDown || event->what == autoKey) && g_current.key) {
        // The key goes where the focus is now: an earlier key may have moved it.
        QWidget* target = d->window->widget->focusWidget();
        if (!target) target = g_current.key_target;
        if (!target) return false;
        g_delivering = true;
        QCoreApplication::sendEvent(target, g_current.key.get());
        g_delivering = false;
        const std::int16_t hit = item_of_widget(d, target);
        const std::int16_t type = GetDialogItemType(d, hit);
        if (hit && type == kEditTextDialogItem) {
            *dialog = d;
            *item = hit;
            return true;
        }
    }
    return false;
}

// ---- Scripted dialog input --------------------------------------------------------------------

void hooks_dialog_key(DialogRef dialog, std::uint8_t char_code, std::uint16_t modifiers) {
    const bool shift = modifiers & shiftKey;
    int key = 0;
    QString text;
    switch (char_code) {
        case 13:
            key = Qt::Key_Return;
            text = QStringLiteral("\r");
            break;
        case 3:
            key = Qt::Key_Enter;
            text = QStringLiteral("\r");
            break;
        case 8:
            key = Qt::Key_Backspace;
            text = QStringLiteral("\b");
            break;
        case 9:
            key = shift ? Qt::Key_Backtab : Qt::Key_Tab;
            text = QStringLiteral("\t");
            break;
        case 28:
            key = Qt::Key_Left;
            break;
        case 29:
            key = Qt::Key_Right;
            break;
        case 30:
            key = Qt::Key_Up;
            break;
        case 31:
            key = Qt::Key_Down;
            break;
        default:
            text = QString(QChar(char_code));
            key = QChar(char_code).toUpper().unicode();
            break;
    }
    QWidget* target = dialog->window->widget->focusWidget();
    QKeyEvent press(QEvent::KeyPress, key, shift ? Qt::ShiftModifier : Qt::NoModifier, text);
    QCoreApplication::sendEvent(target ? target : dialog->window->widget, &press);
}

void hooks_dialog_click(DialogRef dialog, std::int16_t item) {
    if (auto* b = qobject_cast<QAbstractButton*>(item_widget(dialog, item))) b->click();
}

void hooks_dialog_expose(DialogRef dialog) {
    QWidget* w = dialog->window->widget;
    QCoreApplication::processEvents();
    if (!w->windowHandle()) return;
    QExposeEvent expose(QRegion(w->rect()));
    QCoreApplication::sendEvent(w->windowHandle(), &expose);
}
