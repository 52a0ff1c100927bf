// The application's menu bar: menus by number, items by command, enabling and check marks.

#include <QAction>
#include <QFile>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QUiLoader>

#include "platform/qt_window.h"
#include "platform/test_hooks.h"

struct OpaqueMenuRef {
    QPointer<QMenu> menu;
    std::int16_t id;  // the menu's `menu_id`, 0 when it has none
};

namespace {

QPointer<QMenuBar> g_menu_bar;
bool g_menu_bar_shown = false;
std::vector<std::unique_ptr<OpaqueMenuRef>> g_menus;  // in menu bar order

OSType command_of(const QAction* a) {
    return four_cc_property(a, "command");
}

void send_menu_command(MenuRef menu, QAction* action) {
    OpaqueEventRef ev{kEventClassCommand, kEventCommandProcess};
    ev.has_command = true;
    ev.command.commandID = command_of(action);
    ev.command.menu = menu;
    ev.command.index = MenuItemIndex(menu->menu->actions().indexOf(action) + 1);
    dispatch_event(nullptr, &ev);
}

template <typename F>
void for_each_item(MenuRef menu, OSType command, F f) {
    for (const auto& m : g_menus) {
        if (menu && m.get() != menu) continue;
        for (QAction* a : m->menu->actions())
            if (command_of(a) == command) f(a);
    }
}

QAction* item_action(MenuRef menu, MenuItemIndex item) {
    const auto actions = menu->menu->actions();
    return item >= 1 && item <= actions.size() ? actions[item - 1] : nullptr;
}

}  // namespace

OSStatus SetMenuBarFromNib(IBNibRef nib, const char* name) {
    QFile file(nib->folder + QLatin1Char('/') + QString::fromUtf8(name) + QStringLiteral(".ui"));
    if (!file.open(QIODevice::ReadOnly)) return kIBCarbonRuntimeCantFindObject;
    QUiLoader loader;
    QWidget* form = loader.load(&file);
    QMenuBar* bar = form ? form->findChild<QMenuBar*>(QString::fromUtf8(name)) : nullptr;
    if (!bar) {
        delete form;
        return kIBCarbonRuntimeCantFindObject;
    }
    bar->setParent(nullptr);
    // The form owns the menu items; they must outlive it.
    for (QAction* a : form->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
        a->setParent(bar);
    delete form;
    menu_bar_reset();
    g_menu_bar = bar;
    for (QMenu* m : bar->findChildren<QMenu*>()) {
        g_menus.push_back(std::make_unique<OpaqueMenuRef>(
            OpaqueMenuRef{m, std::int16_t(m->property("menu_id").toInt())}));
        MenuRef ref = g_menus.back().get();
        for (QAction* a : m->actions()) {
            if (!command_of(a)) continue;
            // Shortcuts work whichever of the program's windows is in front.
            a->setShortcutContext(Qt::ApplicationShortcut);
            // Zoom In answers Ctrl+= too: the same key without Shift on most keyboards.
            if (a->shortcut() == QKeySequence(QKeySequence::ZoomIn))
                a->setShortcuts({a->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
            QObject::connect(a, &QAction::triggered, a, [ref, a] { send_menu_command(ref, a); });
        }
    }
    return noErr;
}

void menu_bar_attach(QWidget* window_root) {
    if (!g_menu_bar || g_menu_bar_shown || !window_root->property("shows_menu_bar").toBool())
        return;
    g_menu_bar_shown = true;
    if (QLayout* layout = window_root->layout()) {
        layout->setMenuBar(g_menu_bar);
    } else {
        g_menu_bar->setParent(window_root);
        g_menu_bar->show();
    }
}

void menu_bar_reset() {
    g_menus.clear();
    delete g_menu_bar.data();
    g_menu_bar_shown = false;
}

MenuRef GetMenuRef(std::int16_t menu_id) {
    for (const auto& m : g_menus)
        if (m->id == menu_id && menu_id != 0) return m.get();
    return nullptr;
}

OSStatus GetIndMenuItemWithCommandID(MenuRef menu, OSType command, std::uint32_t instance,
                                     MenuRef* out_menu, MenuItemIndex* out_index) {
    std::uint32_t seen = 0;
    for (const auto& m : g_menus) {
        if (menu && m.get() != menu) continue;
        const auto actions = m->menu->actions();
        for (int i = 0; i < actions.size(); ++i) {
            if (command_of(actions[i]) != command || ++seen != instance) continue;
            if (out_menu) *out_menu = m.get();
            if (out_index) *out_index = MenuItemIndex(i + 1);
            return noErr;
        }
    }
    return menuItemNotFoundErr;
}

void EnableMenuCommand(MenuRef menu, OSType command) {
    for_each_item(menu, command, [](QAction* a) { a->setEnabled(true); });
}

void DisableMenuCommand(MenuRef menu, OSType command) {
    for_each_item(menu, command, [](QAction* a) { a->setEnabled(false); });
}

bool IsMenuCommandEnabled(MenuRef menu, OSType command) {
    MenuRef found = nullptr;
    MenuItemIndex index = 0;
    if (GetIndMenuItemWithCommandID(menu, command, 1, &found, &index) != noErr) return false;
    return item_action(found, index)->isEnabled();
}

void CheckMenuItem(MenuRef menu, MenuItemIndex item, bool checked) {
    if (QAction* a = item_action(menu, item)) {
        a->setCheckable(true);
        a->setChecked(checked);
    }
}

bool IsMenuItemChecked(MenuRef menu, MenuItemIndex item) {
    QAction* a = item_action(menu, item);
    return a && a->isChecked();
}

void hooks_choose_menu_item(MenuRef menu, MenuItemIndex item) {
    if (QAction* a = item_action(menu, item)) a->trigger();
}
