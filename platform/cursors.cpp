// Cursor images from the program's resources, set for the whole application.

#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <map>

#include "platform/qt_window.h"
#include "platform/test_hooks.h"

struct Cursor {
    QCursor shape;
};

namespace {
std::map<std::int16_t, Cursor> g_loaded;
bool g_overridden = false;
const Cursor* g_current = nullptr;
}  // namespace

CursHandle GetCursor(std::int16_t id) {
    auto it = g_loaded.find(id);
    if (it != g_loaded.end()) return &it->second;
    QPixmap image(QStringLiteral(":/cursors/%1.png").arg(id));
    if (image.isNull()) return nullptr;
    // The hot spot is the image's centre.
    return &g_loaded.emplace(id, Cursor{QCursor(image)}).first->second;
}

const Cursor* GetQDGlobalsArrow() {
    static const Cursor arrow{QCursor(Qt::ArrowCursor)};
    return &arrow;
}

void SetCursor(const Cursor* cursor) {
    g_current = cursor;
    if (g_overridden) {
        QGuiApplication::changeOverrideCursor(cursor->shape);
    } else {
        QGuiApplication::setOverrideCursor(cursor->shape);
        g_overridden = true;
    }
}

const Cursor* hooks_current_cursor() {
    return g_current;
}
