// Cursor images from the program's resources, set for the whole application.

#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <map>

#include "platform/qt_window.h"

struct Cursor {
    QCursor shape;
};

namespace {
std::map<std::int16_t, Cursor> g_loaded;
bool g_overridden = false;
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
    if (g_overridden) {
        QGuiApplication::changeOverrideCursor(cursor->shape);
    } else {
        QGuiApplication::setOverrideCursor(cursor->shape);
        g_overridden = true;
    }
}
