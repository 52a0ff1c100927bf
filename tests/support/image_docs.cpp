// A fixture for image documents: the interface description is open, the image windows are
// prepared, and documents of any size are made shown and named.

#include "support/image_docs.h"

#include "app/control_window.h"
#include "app/prefs.h"
#include "app/startup.h"
#include "imagewin/iw_view.h"
#include "monitor/live_monitor.h"

void ImageDocTest::SetUp() {
    ToolboxTest::SetUp();
    ASSERT_EQ(CreateNibReference("main", &g_nibRef), noErr);
    iw_init();
    pref = PrefRecord{0, 5, 0, {}};
    g_dp_cur_tool = FOUR_CC("HAND");
    g_untitled_counter = 1;
    g_lm_win = nullptr;
}

void ImageDocTest::TearDown() {
    close_all_documents();
    DisposeNibReference(g_nibRef);
    g_nibRef = nullptr;
    g_lm_win = nullptr;
    ToolboxTest::TearDown();
}

WindowRef ImageDocTest::new_doc(int width, int height, int zoom_index, const std::string& name) {
    WindowRef w = iw_new(std::int16_t(width), std::int16_t(height), zoom_index);
    EXPECT_NE(w, nullptr);
    if (!w) return nullptr;
    iw_record(w)->spec.name = name;
    iw_set_window_title(w);
    ShowWindow(w);
    return w;
}

WindowRef ImageDocTest::view_doc(int width, int height, int zoom_index, int view_width,
                                 int view_height) {
    WindowRef w = new_doc(width, height, zoom_index);
    SizeWindow(w, std::int16_t(view_width + 15), std::int16_t(view_height + 15), false);
    __adjust_iw_win(w);
    iw_record(w)->modified = false;
    return w;
}

void ImageDocTest::drag(WindowRef window, void (*routine)(WindowRef, Point),
                        const std::vector<Point>& local) {
    const Point o = GetWindowContentOrigin(window);
    std::vector<MouseState> states;
    for (const Point& p : local)
        states.push_back({Point{std::int16_t(o.v + p.v), std::int16_t(o.h + p.h)}, true});
    states.push_back({states.back().where, false});
    hooks_script_mouse(states);
    routine(window, local.front());
}

void set_pixel(GWorldPtr layer, int h, int v, const RGBColor& colour) {
    CGrafPtr saved = nullptr;
    GetGWorld(&saved);
    SetGWorld(layer);
    RGBForeColor(&colour);
    PenNormal();
    Rect r;
    SetRect(&r, h, v, h + 1, v + 1);
    PaintRect(&r);
    SetGWorld(saved);
}

std::vector<WindowRef> image_windows() {
    std::vector<WindowRef> out;
    for (WindowRef w = GetFrontWindowOfClass(kDocumentWindowClass, false); w;
         w = GetNextWindowOfClass(w, kDocumentWindowClass, false))
        if (is_iw(w)) out.push_back(w);
    return out;
}

void close_all_documents() {
    for (WindowRef w : image_windows()) {
        iw_record(w)->modified = false;
        iw_close(w);
    }
}

std::vector<std::string> document_titles() {
    std::vector<std::string> out;
    for (WindowRef w : image_windows()) out.push_back(GetWindowTitle(w));
    return out;
}
