// Windows on Qt widgets: forms loaded by name, classes and z-order, content ports and updates.

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUiLoader>
#include <QWheelEvent>
#include <algorithm>

#include "platform/events.h"
#include "platform/qt_window.h"
#include "platform/test_hooks.h"

namespace {

std::vector<WindowRef> g_windows;  // front first
QString g_root = QStringLiteral(":/ui");

// Makes the form's top-level QWidget a WindowWidget, so that it paints a port.
class FormLoader : public QUiLoader {
  public:
    QWidget* createWidget(const QString& class_name, QWidget* parent,
                          const QString& name) override {
        if (!parent && class_name == QLatin1String("QWidget")) {
            auto* w = new WindowWidget;
            w->setObjectName(name);
            return w;
        }
        return QUiLoader::createWidget(class_name, parent, name);
    }
};

void to_front(WindowRef window) {
    auto it = std::find(g_windows.begin(), g_windows.end(), window);
    if (it != g_windows.end()) g_windows.erase(it);
    g_windows.insert(g_windows.begin(), window);
}

// The content port of a window is one GWorld for the window's whole life: callers save it
// across nested loops and restore it afterwards. Resizing replaces its pixels in place,
// keeping them where the old and new sizes overlap; its pen and colours stay.
void resize_port(WindowRef window, int width, int height) {
    width = std::clamp(width, 1, 32767);
    height = std::clamp(height, 1, 32767);
    GWorldPtr port = window->port;
    if (port && port->width == width && port->height == height) return;
    Rect bounds;
    SetRect(&bounds, 0, 0, width, height);
    GWorldPtr fresh = nullptr;
    if (NewGWorld(&fresh, 32, &bounds, 0) != noErr) return;
    if (!port) {
        window->port = fresh;
        return;
    }
    Rect src;
    GetPortBounds(port, &src);
    CopyBits(port, fresh, &src, &src, srcCopy, nullptr);
    std::swap(port->pixels, fresh->pixels);
    std::swap(port->row_bytes, fresh->row_bytes);
    std::swap(port->width, fresh->width);
    std::swap(port->height, fresh->height);
    port->clip = bounds;
    DisposeGWorld(fresh);
}

// Copies the image into the port from its top-left corner, as far as both reach.
void image_into_port(const QImage& image, GWorldPtr port) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int width = std::min<int>(rgb.width(), port->width);
    const int height = std::min<int>(rgb.height(), port->height);
    for (int y = 0; y < height; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        std::uint8_t* dst = port->pixels + std::ptrdiff_t(y) * port->row_bytes;
        for (int x = 0; x < width; ++x, dst += 4) {
            dst[1] = std::uint8_t(qRed(src[x]));
            dst[2] = std::uint8_t(qGreen(src[x]));
            dst[3] = std::uint8_t(qBlue(src[x]));
        }
    }
}

// The shown window that holds the menu bar, or null.
QWidget* menu_bar_window() {
    for (WindowRef w : g_windows)
        if (w->widget->property("shows_menu_bar").toBool() && w->widget->isVisible())
            return w->widget;
    return nullptr;
}

// The frame's margins around the content. A window not yet shown has no frame yet: the
// menu bar window's frame, drawn by the same desktop, stands in for it.
QMargins frame_margins(const QWidget* w) {
    const QRect frame = w->frameGeometry(), content = w->geometry();
    QMargins m(content.left() - frame.left(), content.top() - frame.top(),
               frame.right() - content.right(), frame.bottom() - content.bottom());
    if (m.isNull() && w != menu_bar_window())
        if (const QWidget* bar = menu_bar_window()) return frame_margins(bar);
    return m;
}

// Moves a window being shown so that its frame lies within the placement area, and makes
// it smaller where it cannot fit.
void keep_in_area(QWidget* w) {
    const QRect area = placement_area();
    const QMargins m = frame_margins(w);
    QRect content = w->geometry();
    content.setWidth(std::min(content.width(), area.width() - m.left() - m.right()));
    content.setHeight(std::min(content.height(), area.height() - m.top() - m.bottom()));
    const QRect frame = content.marginsAdded(m);
    const int dx = std::max(area.left() - frame.left(), std::min(0, area.right() - frame.right()));
    const int dy = std::max(area.top() - frame.top(), std::min(0, area.bottom() - frame.bottom()));
    content.translate(dx, dy);
    if (content != w->geometry()) w->setGeometry(content);
}

// Every document window and dialog is kept within the placement area as it is shown; the
// menu bar window, palettes, menus and full-screen windows are left where they are.
class Placer : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (e->type() == QEvent::Show && w && w->isWindow() &&
            (w->windowType() == Qt::Window || w->windowType() == Qt::Dialog) &&
            !(w->windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized)) &&
            !w->property("shows_menu_bar").toBool())
            keep_in_area(w);
        return QObject::eventFilter(watched, e);
    }
};

// Ports of windows that are gone, shrunk to one pixel and never freed: a copy saved before
// its window went away still draws somewhere harmless when it is restored. The list itself
// outlives the program's static destructors, so the ports stay reachable to the end.
std::vector<GWorldPtr>& g_retired_ports = *new std::vector<GWorldPtr>;

WindowRef finish_window(QWidget* loaded) {
    auto* widget = dynamic_cast<WindowWidget*>(loaded);
    if (!widget) {
        delete loaded;
        return nullptr;
    }
    WindowRef window = widget->ref;
    const QString cls = widget->property("window_class").toString();
    if (cls == QLatin1String("floating")) {
        window->window_class = kFloatingWindowClass;
        // A palette floats as a tool window above the documents (and above a full-screen
        // picture, where the control window stays at hand); the window holding the menu bar
        // is the program's main window and stays an ordinary one that the desktop lists.
        if (!widget->property("shows_menu_bar").toBool())
            widget->setWindowFlags(widget->windowFlags() | Qt::Tool | Qt::WindowStaysOnTopHint);
    } else if (cls == QLatin1String("movable_modal")) {
        window->window_class = kMovableModalWindowClass;
        widget->setWindowFlag(Qt::Dialog);
        widget->setWindowModality(Qt::ApplicationModal);
    }
    window->close_command = four_cc_property(widget, "close_command");
    widget->setMouseTracking(true);
    connect_command_controls(widget);
    menu_bar_attach(widget);
    // A form laid out by its layout takes the size its contents ask for.
    if (widget->layout()) widget->adjustSize();
    resize_port(window, widget->width(), widget->height());
    const QString picture = widget->property("content_picture").toString();
    if (!picture.isEmpty() && window->port) image_into_port(QImage(picture), window->port);
    g_windows.push_back(window);
    static Placer* placer = nullptr;
    if (!placer) qApp->installEventFilter(placer = new Placer);
    return window;
}

}  // namespace

QRect placement_area() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    QRect area = screen->availableGeometry();
    if (const QWidget* bar = menu_bar_window())
        area.setTop(std::max(area.top(), bar->frameGeometry().bottom() + 1));
    return area;
}

QString description_root() {
    return g_root;
}

void hooks_set_description_root(const char* root) {
    g_root = root ? QString::fromUtf8(root) : QStringLiteral(":/ui");
}

const std::vector<WindowRef>& window_list() {
    return g_windows;
}

WindowRef window_from_form_file(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return nullptr;
    FormLoader loader;
    return finish_window(loader.load(&file));
}

WindowRef window_from_form_text(const QByteArray& xml) {
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    FormLoader loader;
    return finish_window(loader.load(&buffer));
}

// ---- WindowWidget ---------------------------------------------------------------------------

WindowWidget::WindowWidget(QWidget* parent) : QWidget(parent), ref(new OpaqueWindowPtr) {
    ref->widget = this;
}

WindowWidget::~WindowWidget() {
    forget_window(ref);
    if (ref->port) {
        CGrafPtr current = nullptr;
        GetGWorld(&current);
        if (current == ref->port) SetGWorld(nullptr);
        resize_port(ref, 1, 1);
        g_retired_ports.push_back(ref->port);
    }
    delete ref;
}

void forget_window(WindowRef window) {
    auto it = std::find(g_windows.begin(), g_windows.end(), window);
    if (it != g_windows.end()) g_windows.erase(it);
}

bool WindowWidget::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate || e->type() == QEvent::WindowDeactivate) {
        const bool active = e->type() == QEvent::WindowActivate;
        if (active) to_front(ref);
        OpaqueEventRef ev{kEventClassWindow,
                          active ? kEventWindowActivated : kEventWindowDeactivated};
        ev.window = ref;
        dispatch_event(ref, &ev);
    }
    return QWidget::event(e);
}

void WindowWidget::paintEvent(QPaintEvent* e) {
    ref->painting = true;
    draw_invalid_content(ref);
    GWorldPtr port = ref->port;
    if (!port) {
        ref->painting = false;
        return;
    }
    const QRect area = e->rect() & QRect(0, 0, port->width, port->height);
    if (ref->screen.size() != QSize(port->width, port->height))
        ref->screen = QImage(port->width, port->height, QImage::Format_RGB32);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const std::uint8_t* src =
            port->pixels + std::ptrdiff_t(y) * port->row_bytes + 4 * area.left();
        auto* dst = reinterpret_cast<QRgb*>(ref->screen.scanLine(y)) + area.left();
        for (int x = 0; x < area.width(); ++x, src += 4) *dst++ = qRgb(src[1], src[2], src[3]);
    }
    QPainter painter(this);
    painter.drawImage(area, ref->screen, area);
    ref->painting = false;
}

void WindowWidget::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    resize_port(ref, width(), height());
    GetPortBounds(ref->port, &ref->invalid);
    OpaqueEventRef ev{kEventClassWindow, kEventWindowBoundsChanged};
    ev.window = ref;
    dispatch_event(ref, &ev);
}

void WindowWidget::closeEvent(QCloseEvent* e) {
    // The program decides whether a window closes: the close box only asks.
    e->ignore();
    if (ref->close_command) {
        ProcessHICommand(ref->close_command);
    } else if (!ref->dialog) {
        OpaqueEventRef ev{kEventClassWindow, kEventWindowClose};
        ev.window = ref;
        dispatch_event(ref, &ev);
    }
}

void WindowWidget::mousePressEvent(QMouseEvent* e) {
    OpaqueEventRef ev{kEventClassMouse, kEventMouseDown};
    const QPoint global = e->globalPosition().toPoint();
    ev.has_mouse = true;
    ev.mouse = Point{std::int16_t(global.y()), std::int16_t(global.x())};
    ev.window = ref;
    dispatch_event(ref, &ev);
}

void WindowWidget::wheelEvent(QWheelEvent* e) {
    // A touchpad that reports pixels scrolls by them. A wheel notch (120 eighths of a
    // degree) scrolls the desktop's number of lines of 16 pixels, a part of a notch in
    // proportion, and what does not make a whole pixel waits for the next turn.
    QPoint pixels = e->pixelDelta();
    if (pixels.isNull()) {
        ref->wheel_rest += e->angleDelta() * (QApplication::wheelScrollLines() * 16);
        pixels = QPoint(ref->wheel_rest.x() / 120, ref->wheel_rest.y() / 120);
        ref->wheel_rest -= pixels * 120;
    }
    if ((e->modifiers() & Qt::ShiftModifier) && pixels.x() == 0) pixels = QPoint(pixels.y(), 0);
    for (int axis = 0; axis < 2; ++axis) {
        const int delta = axis ? pixels.y() : pixels.x();
        if (delta == 0) continue;
        OpaqueEventRef ev{kEventClassMouse, kEventMouseWheelMoved};
        ev.has_wheel = true;
        ev.wheel_axis = std::uint16_t(axis);
        ev.wheel_delta = delta;
        ev.window = ref;
        dispatch_event(ref, &ev);
    }
    e->accept();
}

void WindowWidget::keyPressEvent(QKeyEvent* e) {
    OpaqueEventRef ev{kEventClassKeyboard, kEventRawKeyDown};
    ev.has_key = true;
    const QByteArray text = e->text().toLatin1();
    ev.key_char = e->key() == Qt::Key_Escape ? 27 : text.isEmpty() ? 0 : std::uint8_t(text[0]);
    ev.window = ref;
    if (dispatch_event(ref, &ev) == eventNotHandledErr) QWidget::keyPressEvent(e);
}

// ---- Descriptions ---------------------------------------------------------------------------

OSStatus CreateNibReference(const char* name, IBNibRef* out) {
    *out = nullptr;
    const QString folder = description_root() + QLatin1Char('/') + QString::fromUtf8(name);
    if (!QFile::exists(folder)) return kIBCarbonRuntimeCantFindNibFile;
    *out = new OpaqueIBNibRef{folder};
    return noErr;
}

void DisposeNibReference(IBNibRef nib) {
    delete nib;
}

OSStatus CreateWindowFromNib(IBNibRef nib, const char* name, WindowRef* out) {
    *out = window_from_form_file(nib->folder + QLatin1Char('/') + QString::fromUtf8(name) +
                                 QStringLiteral(".ui"));
    return *out ? noErr : kIBCarbonRuntimeCantFindObject;
}

// ---- Windows --------------------------------------------------------------------------------

void DisposeWindow(WindowRef window) {
    if (!window || window->disposed) return;
    window->disposed = true;
    // Gone from the screen and the window list before its handlers hear of it.
    forget_window(window);
    window->widget->hide();
    OpaqueEventRef ev{kEventClassWindow, kEventWindowClosed};
    ev.window = window;
    dispatch_event(window, &ev);
    window->widget->deleteLater();
}

void ShowWindow(WindowRef window) {
    to_front(window);
    window->widget->show();
    window->widget->raise();
}

void HideWindow(WindowRef window) {
    QWidget* w = window->widget;
    // Pinned where it is, so that the desktop shows it there again rather than placing it anew.
    if (w->isVisible()) w->move(w->pos());
    w->hide();
}

bool IsWindowVisible(WindowRef window) {
    return window->widget->isVisible();
}

bool IsValidWindowPtr(WindowRef window) {
    return std::find(g_windows.begin(), g_windows.end(), window) != g_windows.end();
}

void SelectWindow(WindowRef window) {
    to_front(window);
    window->widget->raise();
    window->widget->activateWindow();
}

WindowClass GetWindowClass(WindowRef window) {
    return window->window_class;
}

WindowRef GetFrontWindowOfClass(WindowClass window_class, bool visible_only) {
    for (WindowRef w : g_windows)
        if (w->window_class == window_class && (!visible_only || w->widget->isVisible())) return w;
    return nullptr;
}

WindowRef GetNextWindowOfClass(WindowRef window, WindowClass window_class, bool visible_only) {
    auto it = std::find(g_windows.begin(), g_windows.end(), window);
    if (it == g_windows.end()) return nullptr;
    for (++it; it != g_windows.end(); ++it)
        if ((*it)->window_class == window_class && (!visible_only || (*it)->widget->isVisible()))
            return *it;
    return nullptr;
}

void SetWRefCon(WindowRef window, void* ref_con) {
    window->ref_con = ref_con;
}
void* GetWRefCon(WindowRef window) {
    return window->ref_con;
}

void SetWindowTitle(WindowRef window, const char* utf8_title) {
    window->widget->setWindowTitle(QString::fromUtf8(utf8_title));
}

std::string GetWindowTitle(WindowRef window) {
    return window->widget->windowTitle().toStdString();
}

std::int16_t GetWindowTitleWidth(WindowRef window) {
    // Title bars draw in a bold face; the room for the icon and the three buttons.
    constexpr int kButtons = 96;
    QFont font = QApplication::font();
    font.setBold(true);
    const int text = QFontMetrics(font).horizontalAdvance(window->widget->windowTitle());
    return std::int16_t(std::min(text + kButtons, 32767));
}

void MoveWindow(WindowRef window, std::int16_t h, std::int16_t v, bool front) {
    window->widget->setGeometry(h, v, window->widget->width(), window->widget->height());
    if (front) to_front(window);
}

Point GetWindowContentOrigin(WindowRef window) {
    const QPoint p = window->widget->mapToGlobal(QPoint(0, 0));
    return Point{std::int16_t(p.y()), std::int16_t(p.x())};
}

void SizeWindow(WindowRef window, std::int16_t width, std::int16_t height, bool update) {
    window->widget->resize(width, height);
    resize_port(window, width, height);
    if (update) InvalWindowRect(window, nullptr);
}

CGrafPtr GetWindowPort(WindowRef window) {
    return window->port;
}

void GetWindowPortBounds(WindowRef window, Rect* out) {
    GetPortBounds(window->port, out);
}

void SetPortWindowPort(WindowRef window) {
    SetGWorld(window->port);
}

WindowRef GetWindowFromPort(CGrafPtr port) {
    for (WindowRef w : g_windows)
        if (w->port == port) return w;
    return nullptr;
}

void GlobalToLocal(Point* p) {
    CGrafPtr port = nullptr;
    GetGWorld(&port);
    if (WindowRef w = GetWindowFromPort(port)) {
        const Point origin = GetWindowContentOrigin(w);
        p->h = std::int16_t(p->h - origin.h);
        p->v = std::int16_t(p->v - origin.v);
    }
}

OSStatus FindWindowOfClass(const Point* where, WindowClass window_class, WindowRef* window,
                           WindowPartCode* part) {
    *window = nullptr;
    const QPoint p(where->h, where->v);
    // The desktop knows what is on top there, dialogs and menus included.
    const QWidget* top = QApplication::topLevelAt(p);
    for (WindowRef w : g_windows) {
        if (w->widget != top) continue;
        if (w->window_class != window_class) break;
        *window = w;
        *part = QRect(w->widget->mapToGlobal(QPoint(0, 0)), w->widget->size()).contains(p)
                    ? inContent
                    : inDrag;
        return noErr;
    }
    return errWindowNotFound;
}

// r null: the whole content. The invalid area is kept as the rectangle enclosing every
// invalidated one.
void InvalWindowRect(WindowRef window, const Rect* r) {
    Rect area, bounds;
    GetPortBounds(window->port, &bounds);
    if (!SectRect(r ? r : &bounds, &bounds, &area)) return;
    Rect& invalid = window->invalid;
    if (EmptyRect(&invalid)) {
        invalid = area;
    } else {
        invalid.top = std::min(invalid.top, area.top);
        invalid.left = std::min(invalid.left, area.left);
        invalid.bottom = std::max(invalid.bottom, area.bottom);
        invalid.right = std::max(invalid.right, area.right);
    }
    window->widget->update(
        QRect(area.left, area.top, area.right - area.left, area.bottom - area.top));
}

bool IsWindowUpdatePending(WindowRef window) {
    return !EmptyRect(&window->invalid);
}

Rect draw_invalid_content(WindowRef window) {
    const Rect area = window->invalid;
    if (EmptyRect(&area)) return area;
    window->invalid = Rect{0, 0, 0, 0};
    window->drawing = area;
    OpaqueEventRef ev{kEventClassWindow, kEventWindowDrawContent};
    ev.window = window;
    dispatch_event(window, &ev);
    window->drawing = Rect{0, 0, 0, 0};
    return area;
}

void GetPortVisibleRegion(CGrafPtr port, Rect* out) {
    GetPortBounds(port, out);
    if (WindowRef w = GetWindowFromPort(port); w && !EmptyRect(&w->drawing)) *out = w->drawing;
}

void SendWindowUpdateEvent(WindowRef window) {
    OpaqueEventRef ev{kEventClassWindow, kEventWindowUpdate};
    ev.window = window;
    dispatch_event(window, &ev);
}

void QDFlushPortBuffer(CGrafPtr port) {
    WindowRef w = GetWindowFromPort(port);
    if (w && !w->painting && w->widget->isVisible()) w->widget->repaint();
}

void GetMainScreenRect(Rect* out) {
    const QRect g = QGuiApplication::primaryScreen()->geometry();
    SetRect(out, g.left(), g.top(), g.right() + 1, g.bottom() + 1);
}

std::int16_t GetMBarHeight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return std::int16_t(placement_area().top() - screen->geometry().top());
}

struct OpaqueFullScreenState {
    QPointer<WindowWidget> full_screen;  // the window covering the screen
    QPointer<QWidget> was_active;        // the window to activate again afterwards
};

OSErr BeginFullScreen(FullScreenStateRef* state, WindowRef* window) {
    *state = nullptr;
    *window = nullptr;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    auto* widget = new WindowWidget;
    WindowRef w = widget->ref;
    w->window_class = kPlainWindowClass;
    resize_port(w, screen.width(), screen.height());
    if (!w->port || w->port->width != screen.width() || w->port->height != screen.height()) {
        delete widget;
        return memFullErr;
    }
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    SetGWorld(w->port);
    ForeColor(blackColor);
    Rect all;
    GetPortBounds(w->port, &all);
    PaintRect(&all);
    SetGWorld(saved);
    widget->setGeometry(screen);
    widget->setWindowState(Qt::WindowFullScreen);
    widget->setMouseTracking(true);
    g_windows.push_back(w);
    *state = new OpaqueFullScreenState{widget, QApplication::activeWindow()};
    *window = w;
    return noErr;
}

void EndFullScreen(FullScreenStateRef state) {
    if (!state) return;
    if (state->full_screen) DisposeWindow(state->full_screen->ref);
    if (state->was_active && state->was_active->isVisible()) state->was_active->activateWindow();
    delete state;
}

void hooks_reset_toolbox() {
    dialogs_reset();
    events_reset();
    remove_all_application_handlers();
    const std::vector<WindowRef> windows = g_windows;
    for (WindowRef w : windows) delete w->widget;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    menu_bar_reset();
    hooks_set_description_root(nullptr);
    hooks_fail_gworlds_after(-1);
}

OSStatus hooks_new_window_from_form(const char* form_xml, WindowRef* out) {
    *out = window_from_form_text(QByteArray(form_xml));
    return *out ? noErr : kIBCarbonRuntimeCantFindObject;
}

void hooks_click_window(WindowRef window, std::int16_t h, std::int16_t v) {
    QWidget* w = window->widget;
    const QPointF local(h, v);
    const QPointF global = w->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

void hooks_wheel(WindowRef window, const WheelTurn& turn) {
    QWidget* w = window->widget;
    const QPointF local(5, 5);
    QWheelEvent wheel(local, w->mapToGlobal(local), QPoint(turn.pixels_h, turn.pixels_v),
                      QPoint(turn.angle_h, turn.angle_v), Qt::NoButton,
                      turn.shift ? Qt::ShiftModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &wheel);
}

void hooks_close_box(WindowRef window) {
    window->widget->close();
}

void hooks_window_key(WindowRef window, std::uint8_t char_code) {
    const int key = char_code == 27 ? int(Qt::Key_Escape) : int(char_code);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(QChar(char_code)));
    QCoreApplication::sendEvent(window->widget, &press);
}
