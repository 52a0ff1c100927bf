// A fixture for image documents: the interface description is open, the image windows are
// prepared, and documents of any size are made shown and named.
#pragma once

#include <string>
#include <vector>

#include "imagewin/image_window.h"
#include "support/toolbox.h"

class ImageDocTest : public ToolboxTest {
  protected:
    void SetUp() override;
    void TearDown() override;
    // A shown document of width x height at the zoom index, named and titled.
    static WindowRef new_doc(int width, int height, int zoom_index = 5,
                             const std::string& name = "scan");
    // A shown, unmodified document whose view (the window without its scroll bars) is
    // view_width x view_height.
    static WindowRef view_doc(int width, int height, int zoom_index = 5, int view_width = 400,
                              int view_height = 300);
    static IwRecord* rec(WindowRef window) { return iw_record(window); }
    // The user presses at the first local point, moves through the others and lets go at the
    // last; routine (a tool's) runs the gesture.
    static void drag(WindowRef window, void (*routine)(WindowRef, Point),
                     const std::vector<Point>& local);
};

// Fills one pixel of a layer with the colour.
void set_pixel(GWorldPtr layer, int h, int v, const RGBColor& colour);

// The image windows, shown or hidden, front to back.
std::vector<WindowRef> image_windows();
// Closes every image document left open, without asking, releasing its record and layers.
void close_all_documents();
// The titles of the image windows.
std::vector<std::string> document_titles();
