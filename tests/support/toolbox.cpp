// A fixture that gives each test a fresh toolbox.

#include "support/toolbox.h"

void ToolboxTest::SetUp() {
    InitToolbox(0, nullptr);
    hooks_record_dialogs(true);
    hooks_clear_record();
}

void ToolboxTest::TearDown() {
    hooks_reset_toolbox();
    hooks_record_dialogs(false);
    SetGWorld(nullptr);
}

void press_through(WindowRef window, const std::vector<std::pair<int, int>>& local) {
    const Point o = GetWindowContentOrigin(window);
    std::vector<MouseState> script;
    for (const auto& [h, v] : local)
        script.push_back({Point{std::int16_t(o.v + v), std::int16_t(o.h + h)}, true});
    script.push_back({script.back().where, false});
    hooks_script_mouse(script);
    hooks_click_window(window, std::int16_t(local.front().first),
                       std::int16_t(local.front().second));
}

std::string document_form(int width, int height, const std::string& children) {
    return "<ui version=\"4.0\"><widget class=\"QWidget\" name=\"doc\">"
           "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>" +
           std::to_string(width) + "</width><height>" + std::to_string(height) +
           "</height></rect></property>"
           "<property name=\"window_class\" stdset=\"0\"><string>document</string></property>" +
           children + "</widget></ui>";
}

OSType code_of(const char* four) {
    return OSType(std::uint8_t(four[0])) << 24 | OSType(std::uint8_t(four[1])) << 16 |
           OSType(std::uint8_t(four[2])) << 8 | OSType(std::uint8_t(four[3]));
}
