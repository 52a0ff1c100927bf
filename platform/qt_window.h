// The Qt widgets behind windows, controls, menus and dialogs; seen only inside platform/.
#pragma once

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/window.h"

class WindowWidget;

struct OpaqueIBNibRef {
    QString folder;  // the description's resource folder
};

struct OpaqueEventHandlerRef {
    EventHandlerProcPtr proc;
    std::vector<EventTypeSpec> types;
    void* user_data;
    WindowRef target;  // null: the application
};

struct OpaqueControlRef {
    QPointer<QWidget> widget;
    WindowRef owner;
    ControlActionProcPtr action = nullptr;
    bool in_action = false;  // the action routine is running: its own changes do not call it
    // Value and range of a control whose widget keeps none (a label, a picture).
    std::int32_t value = 0, minimum = 0, maximum = 0;
    std::int16_t picture = 0;  // the picture resource a picture control shows, 0 for none
};

struct OpaqueWindowPtr {
    WindowWidget* widget = nullptr;
    WindowClass window_class = kDocumentWindowClass;
    void* ref_con = nullptr;
    GWorldPtr port = nullptr;    // the content, painted by the widget
    QImage screen;               // the port converted for painting
    Rect invalid{};              // what waits for the draw-content event; empty: nothing
    Rect drawing{};              // while the draw-content event runs, the area it draws
    OSType close_command = 0;    // sent instead of closing, when the form names one
    DialogRef dialog = nullptr;  // the dialog this window shows, if any
    bool disposed = false;
    bool painting = false;  // inside the widget's paint: flushing waits for its end
    QPoint wheel_rest;      // wheel turns not yet scrolled, in 120ths of a pixel
    std::vector<std::unique_ptr<OpaqueEventHandlerRef>> handlers;  // oldest first
    std::vector<std::unique_ptr<OpaqueControlRef>> controls;
};

// Sends the draw-content event for the window's invalid area, which is then valid; the area.
Rect draw_invalid_content(WindowRef window);

// The top-level widget of every window: paints the port and turns Qt events into events.
class WindowWidget : public QWidget {
  public:
    explicit WindowWidget(QWidget* parent = nullptr);
    ~WindowWidget() override;
    WindowRef ref;

  protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// Loads a form into a new hidden window of the form's class. Null when the form is missing.
WindowRef window_from_form_file(const QString& path);
WindowRef window_from_form_text(const QByteArray& xml);
// The part of the main screen where windows and dialogs are placed: what the desktop
// leaves free, less the band at the top down to the menu bar window's frame.
QRect placement_area();
// The description folder (":/ui" unless a test moved it).
QString description_root();
// The four-character code in a widget's or menu item's property, or 0 when it holds none.
OSType four_cc_property(const QObject* object, const char* name);
// Connects every button carrying a `command` property to the application's command handler.
void connect_command_controls(QWidget* root);
// Control record for a widget of the window (made on first use).
ControlRef control_for_widget(WindowRef window, QWidget* widget);
// The window and all its records go away with the widget.
void forget_window(WindowRef window);
// Every live window, front first.
const std::vector<WindowRef>& window_list();

// Event dispatch: the handlers of the target (null: the application), newest first, then
// the standard handling.
struct OpaqueEventRef {
    OSType event_class;
    std::uint32_t kind;
    bool has_command = false;
    HICommand command{};
    bool has_mouse = false;
    Point mouse{};
    bool has_wheel = false;
    std::uint16_t wheel_axis = 0;
    std::int32_t wheel_delta = 0;
    bool has_key = false;
    std::uint8_t key_char = 0;
    WindowRef window = nullptr;
};
OSStatus dispatch_event(WindowRef target, OpaqueEventRef* event);
void remove_all_application_handlers();

// Menus.
void menu_bar_attach(QWidget* window_root);  // shows the menu bar in this window if it asks
void menu_bar_reset();

// Dialog records of the platform, for the event filter and the reset.
void dialogs_reset();
void events_reset();
void mouse_note_event(QEvent* e);  // keeps the button state and position for polling
