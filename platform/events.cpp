// The application event loop on Qt: start-up, nested runs, timers, ticks, mouse polling and
// the open-documents request.

#include <QApplication>
#include <QCommandLineParser>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QIcon>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>

#include "platform/events.h"
#include "platform/instance.h"
#include "platform/qt_window.h"
#include "platform/test_hooks.h"

struct AppleEvent {
    AEDescList documents;  // the direct parameter
};

namespace {

int g_argc = 1;
char g_program_name[] = "orvilcast";
char* g_default_argv[] = {g_program_name, nullptr};

QElapsedTimer g_clock;
std::uint32_t (*g_tick_source)() = nullptr;

QEventLoop* g_app_loop = nullptr;
bool g_quit_requested = false;
std::vector<QEventLoop*> g_nested_loops;  // innermost last

struct LoopTimer {
    QTimer* timer;
    int period;    // milliseconds between calls after the first
    bool running;  // the routine is being called: a nested loop inside it must not call it again
};
std::vector<std::unique_ptr<LoopTimer>> g_timers;

// The pointer as the last mouse event left it, or as a test scripts it.
Point g_mouse{0, 0};
bool g_mouse_down = false;
bool g_scripted = false;
std::deque<MouseState> g_script;
QEventLoop* g_mouse_wait = nullptr;

std::vector<std::string> g_documents;  // paths given at start, not yet delivered
AEEventHandlerProcPtr g_open_documents = nullptr;
long g_open_documents_ref_con = 0;

// Moves and releases go to the application's handlers as well.
void tell_application(QEvent* e) {
    const QPoint p = static_cast<QMouseEvent*>(e)->globalPosition().toPoint();
    OpaqueEventRef ev{kEventClassMouse,
                      e->type() == QEvent::MouseMove ? kEventMouseMoved : kEventMouseUp};
    ev.has_mouse = true;
    ev.mouse = Point{std::int16_t(p.y()), std::int16_t(p.x())};
    dispatch_event(nullptr, &ev);
}

class MouseWatcher : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        switch (e->type()) {
            case QEvent::MouseButtonPress:
                mouse_note_event(e);
                break;
            case QEvent::MouseButtonRelease:
            case QEvent::MouseMove:
                mouse_note_event(e);
                // The screen window sees each event once, before the widget under the pointer.
                if (watched->isWindowType()) tell_application(e);
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, e);
    }
};

// Seconds as timer milliseconds, kept within what a timer takes.
int to_ms(double seconds) {
    return int(std::clamp(seconds * 1000.0, 0.0, 2.0e9));
}

void deliver_documents() {
    if (!g_open_documents || g_documents.empty()) return;
    AppleEvent request{AEDescList{g_documents}};
    AppleEvent reply;
    g_documents.clear();
    g_open_documents(&request, &reply, g_open_documents_ref_con);
}

// The program's options. Qt removes its own (-style, -platform, ...) before they are read;
// single-dash words are long options, as Qt's are.
struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                            QStringLiteral("Shows this help and ends.")};
    QCommandLineOption version{{QStringLiteral("v"), QStringLiteral("version")},
                               QStringLiteral("Shows the version and ends.")};
    CommandLine() {
        parser.setApplicationDescription(
            QStringLiteral("Shows a USB document camera's live picture, captures stills and "
                           "opens image files."));
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOption(help);
        parser.addOption(version);
        parser.addPositionalArgument(QStringLiteral("files"),
                                     QStringLiteral("JPEG, PICT or BMP files to open."),
                                     QStringLiteral("[files...]"));
    }
};

QStringList arguments_of(int argc, char** argv) {
    QStringList list;
    for (int i = 0; argv && i < argc; ++i)
        if (argv[i]) list << QString::fromLocal8Bit(argv[i]);
    return list;
}

// Answers --help and --version before the application object exists, so that they work
// without a display: the exit status, or -1 when neither was asked for.
int answer_help_or_version(int argc, char** argv) {
    CommandLine line;
    line.parser.parse(arguments_of(argc, argv));  // Qt's own options are not known yet
    if (line.parser.isSet(line.help)) {
        QString text = line.parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QFileInfo(argv[0]).fileName());
        std::fputs(text.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (line.parser.isSet(line.version)) {
        std::printf("Orvilcast %s\n", ORVILCAST_VERSION);
        return 0;
    }
    return -1;
}

// Raises the window that shows the menu bar, or else any visible window of the program.
void come_to_front() {
    WindowWidget* chosen = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* window = dynamic_cast<WindowWidget*>(w);
        if (!window || !window->isVisible()) continue;
        if (!chosen || window->findChild<QMenuBar*>()) chosen = window;
    }
    if (chosen) SelectWindow(chosen->ref);
}

// Documents that a later start of the program handed over, opened once the socket's
// exchange is over.
void documents_arrived(const std::vector<std::string>& paths) {
    come_to_front();
    g_documents.insert(g_documents.end(), paths.begin(), paths.end());
    QTimer::singleShot(0, qApp, deliver_documents);
}

// How long a start waits for the running program to take its documents.
constexpr int kHandOverMs = 1000;

}  // namespace

void mouse_note_event(QEvent* e) {
    if (g_scripted) return;
    const auto* m = static_cast<QMouseEvent*>(e);
    const QPoint p = m->globalPosition().toPoint();
    g_mouse = Point{std::int16_t(p.y()), std::int16_t(p.x())};
    g_mouse_down = (m->buttons() & Qt::LeftButton) != 0;
    if (g_mouse_wait) g_mouse_wait->quit();
}

int InitToolbox(int argc, char** argv) {
    const bool from_command_line = argc > 0 && argv && !QApplication::instance();
    if (from_command_line) {
        const int answered = answer_help_or_version(argc, argv);
        if (answered >= 0) return answered;
        g_argc = argc;
    }
    if (!QApplication::instance()) {
        // Removes Qt's own options from argv and g_argc.
        new QApplication(g_argc, from_command_line ? argv : g_default_argv);
        qApp->installEventFilter(new MouseWatcher);
        g_clock.start();
    }
    CommandLine line;
    const QStringList arguments =
        from_command_line ? QCoreApplication::arguments() : arguments_of(argc, argv);
    std::vector<std::string> documents;
    if (!arguments.isEmpty()) {
        if (!line.parser.parse(arguments) && from_command_line) {
            std::fprintf(stderr, "%s\nTry '%s --help'.\n", qPrintable(line.parser.errorText()),
                         qPrintable(QFileInfo(arguments.first()).fileName()));
            return EXIT_FAILURE;
        }
        for (const QString& path : line.parser.positionalArguments())
            documents.push_back(QFileInfo(path).absoluteFilePath().toStdString());
    }
    if (from_command_line) {
        const QString program = QFileInfo(arguments.first()).fileName();
        if (instance_join(
                QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).toStdString(),
                program.toStdString(), documents, kHandOverMs, documents_arrived))
            return EXIT_SUCCESS;
        std::atexit(instance_leave);
    }
    static bool resources_ready = false;
    if (!resources_ready) {
        // The resources live in a static library: nothing else would pull them in.
        Q_INIT_RESOURCE(orvilcast);
        resources_ready = true;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(QStringLiteral("Orvilcast"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orvilcast.png")));
    g_documents.insert(g_documents.end(), documents.begin(), documents.end());
    return -1;
}

void RunApplicationEventLoop() {
    if (g_quit_requested) {
        g_quit_requested = false;
        return;
    }
    QEventLoop loop;
    g_app_loop = &loop;
    loop.exec();
    g_app_loop = nullptr;
}

void QuitApplicationEventLoop() {
    if (g_app_loop)
        g_app_loop->exit(0);
    else
        g_quit_requested = true;
}

std::uint32_t TickCount() {
    if (g_tick_source) return g_tick_source();
    if (!g_clock.isValid()) g_clock.start();
    return std::uint32_t(g_clock.elapsed() * 60 / 1000);
}

void hooks_offscreen_screen(int width, int height) {
    if (QApplication::instance() || qgetenv("QT_QPA_PLATFORM") != "offscreen") return;
    const QString path =
        QDir::temp().filePath(QStringLiteral("orvilcast-screen-%1x%2.json").arg(width).arg(height));
    // Replaced whole, so that test programs running at once never read half a file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    file.write(QStringLiteral(R"({"screens": [{"name": "main", "x": 0, "y": 0, "width": %1, )"
                              R"("height": %2, "logicalDpi": 96}]})")
                   .arg(width)
                   .arg(height)
                   .toUtf8());
    if (file.commit()) qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + path.toLocal8Bit());
}

void hooks_set_tick_source(std::uint32_t (*source)()) {
    g_tick_source = source;
}

int RunCurrentEventLoop(double seconds) {
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
    limit.start(to_ms(seconds));
    g_nested_loops.push_back(&loop);
    const int result = loop.exec();
    g_nested_loops.pop_back();
    return result;
}

void QuitCurrentEventLoop() {
    if (!g_nested_loops.empty()) g_nested_loops.back()->exit(0);
}

void Delay(std::uint32_t ticks) {
    const std::uint32_t start = TickCount();
    for (std::uint32_t passed = 0; passed < ticks; passed = TickCount() - start) {
        if (g_tick_source) {
            // A substituted clock moves only when its owner moves it: never sleep on it.
            QCoreApplication::processEvents();
            continue;
        }
        QEventLoop wait;
        QTimer::singleShot(int((ticks - passed) * 1000 / 60) + 1, &wait, &QEventLoop::quit);
        wait.exec();
    }
}

void InstallEventLoopTimer(double first_delay, double interval, EventLoopTimerProc proc,
                           void* user_data) {
    auto entry =
        std::make_unique<LoopTimer>(LoopTimer{new QTimer, std::max(1, to_ms(interval)), false});
    LoopTimer* t = entry.get();
    t->timer->setInterval(to_ms(first_delay));
    QObject::connect(t->timer, &QTimer::timeout, t->timer, [t, proc, user_data] {
        t->timer->setInterval(t->period);
        if (t->running) return;
        t->running = true;
        proc(user_data);
        t->running = false;
    });
    t->timer->start();
    g_timers.push_back(std::move(entry));
}

std::vector<TimerSchedule> hooks_timers() {
    std::vector<TimerSchedule> out;
    for (const auto& t : g_timers) out.push_back({t->timer->interval(), t->period});
    return out;
}

bool StillDown() {
    if (g_scripted) {
        if (g_script.empty()) {
            g_mouse_down = false;
            return false;
        }
        g_mouse = g_script.front().where;
        g_mouse_down = g_script.front().down;
        g_script.pop_front();
        return g_mouse_down;
    }
    if (!g_mouse_down) return false;
    QEventLoop wait;
    QTimer::singleShot(1000 / 60, &wait, &QEventLoop::quit);
    g_mouse_wait = &wait;
    wait.exec();
    g_mouse_wait = nullptr;
    return g_mouse_down;
}

bool Button() {
    return g_mouse_down;
}

void GetGlobalMouse(Point* global) {
    if (!g_scripted) {
        const QPoint p = QCursor::pos();
        g_mouse = Point{std::int16_t(p.y()), std::int16_t(p.x())};
    }
    *global = g_mouse;
}

void GetMouse(Point* local) {
    GetGlobalMouse(local);
    GlobalToLocal(local);
}

void hooks_script_mouse(const std::vector<MouseState>& states) {
    g_scripted = true;
    g_script.assign(states.begin(), states.end());
    g_mouse_down = !g_script.empty() && g_script.front().down;
    if (!g_script.empty()) g_mouse = g_script.front().where;
}

OSErr AEInstallEventHandler(OSType event_class, OSType event_id, AEEventHandlerProcPtr proc,
                            long ref_con) {
    if (event_class != kCoreEventClass || event_id != kAEOpenDocuments) return paramErr;
    g_open_documents = proc;
    g_open_documents_ref_con = ref_con;
    if (!g_documents.empty()) QTimer::singleShot(0, qApp, deliver_documents);
    return noErr;
}

void hooks_open_documents(const std::vector<std::string>& paths) {
    if (!g_open_documents) return;
    AppleEvent request{AEDescList{paths}};
    AppleEvent reply;
    g_open_documents(&request, &reply, g_open_documents_ref_con);
}

OSErr AEGetParamDesc(const AppleEvent* request, OSType keyword, OSType type, AEDescList* out) {
    if (keyword != keyDirectObject || type != typeAEList) return errAEDescNotFound;
    *out = request->documents;
    return noErr;
}

OSErr AEGetAttributePtr(const AppleEvent*, OSType, OSType) {
    return errAEDescNotFound;
}

OSErr AECountItems(const AEDescList* list, long* count) {
    *count = long(list->items.size());
    return noErr;
}

OSErr AEGetNthFSSpec(const AEDescList* list, long index, FSSpec* out) {
    if (index < 1 || index > long(list->items.size())) return errAEDescNotFound;
    const QFileInfo info(QString::fromStdString(list->items[std::size_t(index - 1)]));
    if (info.fileName().isEmpty()) return errAECoercionFail;
    out->folder = info.absolutePath().toStdString();
    out->name = info.fileName().toStdString();
    return noErr;
}

OSErr AEDisposeDesc(AEDescList* list) {
    list->items.clear();
    return noErr;
}

void events_reset() {
    for (auto& t : g_timers) delete t->timer;
    g_timers.clear();
    g_quit_requested = false;
    g_scripted = false;
    g_script.clear();
    g_mouse_down = false;
    g_documents.clear();
    g_open_documents = nullptr;
    g_tick_source = nullptr;
}
