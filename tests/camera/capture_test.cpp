// The image request: chunk arithmetic, the camera's faults at each step as the capture
// command meets them, the picture decoded into the capture offscreen, and the frame header
// chosen for a picture size.

#include <algorithm>
#include <array>
#include <ranges>

#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/transfer.h"
#include "camera/usb_connection.h"
#include "platform/codecs.h"
#include "simcam/simcam.h"
#include "support/image_docs.h"
#include "support/live_fixture.h"

namespace {

TEST_F(CameraTest, BodyIsReadInChunksOfAtMost65536BytesWithTheirPrefixes) {
    const struct {
        std::uint32_t body;
        std::vector<std::uint32_t> chunks;
        bool zero_length_line;
    } rows[] = {
        {504, {512}, true},
        {505, {513}, false},
        {65528, {65536}, false},
        {65529, {65536, 9}, false},
        {131560, {65536, 65536, 512}, true},
    };
    connect();
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.body) + " bytes");
        simcam_set_body(std::vector<std::uint8_t>(row.body, 0x5A));
        simcam_clear_record();
        hooks_capture_stdout(false);
        hooks_capture_stdout(true);
        EXPECT_EQ(do_grab_image(), 1);
        std::vector<std::uint32_t> moved;  // after the block and the response, each chunk read
        for (const SimcamTransfer& t : simcam_transfers() | std::views::drop(2)) {
            EXPECT_EQ(t.size, std::uint32_t(kRecvBufSize)) << "a whole buffer is asked for";
            moved.push_back(t.moved);
        }
        EXPECT_EQ(moved, row.chunks);
        EXPECT_EQ(std::ranges::count(hooks_stdout_lines(),
                                     "data_from_camera_sync: ************************************* "
                                     "zero length packet will come "),
                  row.zero_length_line ? 1 : 0);
    }
}

// What the capture command meets when the camera fails at one step of its image request.
// Only a request that delivered and decoded a new picture makes a window; every failure
// reaches the user once, by the request's own beep or alert, else by the command's alert.
TEST_F(LiveTest, AfterAGoodPictureEachFailureMakesNoWindowAndIsToldOnce) {
    using enum SimcamFault;
    const char* const lost = "The picture could not be captured.";
    const char* const timed_out =
        "data_from_camera_sync: ReadPipeTO Failed, err = e0004051(-536854447)";
    const struct {
        int at;  // the failing transfer: 1 the command's write, 2 the response, 3 the 1st chunk
        SimcamFault fault;
        bool kept;           // the connection stays open
        int beeps;           // beeps heard
        const char* alert;   // the one alert's message, or null for none
        bool count_cleared;  // g_latst_jpeg_size is 0 afterwards
        const char* line;    // a line that must appear on standard output, or null
    } rows[] = {
        {2, refuse, true, 1, nullptr, false, nullptr},        // refused
        {2, huge_size, true, 1, nullptr, true, nullptr},      // a size beyond any picture
        {2, zero_size, true, 0, lost, true, nullptr},         // 0 bytes announced
        {2, read_timeout, false, 0, lost, false, timed_out},  // the response times out
        // unplugged in the write's wait
        {1, unplug, false, 0, lost, false,
         "receive_response returned error..................................."},
        // the chunk arrives short
        {3, short_chunk, true, 0, "ReadPipeTO failed. 0 / 32 bytes read. ", true,
         "in pipe was ok."},
        {3, stall, false, 0, lost, true, "in pipe was stalled."},  // the chunk stalls
        {3, read_timeout, false, 0, lost, true, timed_out},        // the chunk times out
        // unplugged in a chunk
        {3, unplug, false, 0, lost, true,
         "data_from_camera_sync: ReadPipeTO Failed, err = e00002c0(-536870208)"},
        {3, corrupt_body, true, 0, lost, true, nullptr},               // the body is corrupt
        {1, write_never_completes, true, 0, nullptr, false, nullptr},  // the write never completes
    };
    WindowRef live = show_live_window();
    for (const auto& row : rows) {
        SCOPED_TRACE("row " + std::to_string(&row - rows));
        simcam_plug(true);
        if (!is_camera_active()) connect();
        close_all_documents();
        command("CAPT");
        ASSERT_EQ(document_titles().size(), 1u) << "the camera delivers a picture";
        ShowWindow(live);
        hooks_clear_record();
        hooks_capture_stdout(false);
        hooks_capture_stdout(true);
        simcam_fail_at(row.at, row.fault);

        command("CAPT");
        run_posted();
        const bool told = row.beeps || row.alert;
        EXPECT_EQ(document_titles().size(), told ? 1u : 2u);
        EXPECT_EQ(hooks_beeps(), row.beeps);
        std::string alerts;
        for (const ShownAlert& a : hooks_alerts()) alerts += a.title + ": " + a.message + "\n";
        EXPECT_EQ(alerts, row.alert ? "error: " + std::string(row.alert) + "\n" : "");
        EXPECT_EQ(is_camera_active(), row.kept);
        EXPECT_EQ(IsWindowVisible(live), row.kept && row.fault != zero_size);
        EXPECT_EQ(g_latst_jpeg_size == 0, row.count_cleared);
        EXPECT_TRUE(!row.line || std::ranges::count(hooks_stdout_lines(), row.line)) << row.line;
    }
}

// Header and body decode exactly as the encoder's own stream, away from the moving square.
TEST_F(CameraTest, PictureDecodesIntoTheCaptureOffscreenAndReachesTheLiveOneOnlyWhileShownLive) {
    connect();
    ASSERT_EQ(do_grab_image(), 1);
    const std::vector<std::uint8_t>& jpeg = simcam_picture_jpeg(0);
    GWorldPtr want = nullptr;
    ASSERT_EQ(ReadJPEGImage(jpeg.data(), jpeg.size(), 1, &want), noErr);
    for (int h : {64, 320, 576, 832, 1000})
        for (int v : {100, 600, 760})
            EXPECT_EQ(GetPixelRGB(g_grab_off, h, v), GetPixelRGB(want, h, v)) << h << "," << v;
    DisposeGWorld(want);
    // Only a shown window with the live picture on gets the frame: a mark stays until then.
    set_pixel(g_lm_off, 64, 100, RGBColor{0xFFFF, 0, 0});
    WindowRef live = show_live_window();
    for (const auto& [shown, on] : {std::pair{false, true}, {true, false}, {true, true}}) {
        shown ? ShowWindow(live) : HideWindow(live);
        on ? live_monoitor_start() : live_monitor_end();
        ASSERT_EQ(do_grab_image(), 1);
        EXPECT_EQ(GetPixelRGB(g_lm_off, 64, 100) == 0xFF0000u, !(shown && on)) << shown << on;
    }
    for (int h : {10, 500, 1000})
        for (int v : {10, 400, 700})
            EXPECT_EQ(GetPixelRGB(g_lm_off, h, v), GetPixelRGB(g_grab_off, h, v)) << h << "," << v;
}

TEST(FrameHeader, ChosenByWidthThenHeightAndAssembledAroundTheBody) {
    // A picture's width and height, and the frame width and height its header declares.
    for (const auto& [w, h, frame_w, frame_h] : {std::array{1024, 720, 1024, 768},
                                                 {1280, 720, 1280, 720},
                                                 {1280, 960, 1280, 960},
                                                 {640, 960, 1280, 960},
                                                 {1280, 1000, 1280, 1024}}) {
        // The frame's height and width, big-endian, at this offset of every header.
        const std::uint8_t* frame = jpeg_header_for(w, h) + 561;
        EXPECT_EQ(frame[0] << 8 | frame[1], frame_h) << w << " x " << h;
        EXPECT_EQ(frame[2] << 8 | frame[3], frame_w) << w << " x " << h;
    }
    const std::uint8_t body[1] = {0x5A};
    std::size_t length = 0;
    std::uint8_t* stream = assemble_jpeg_stream(body, 1, 1280, 960, &length);
    ASSERT_EQ(length, 578u);
    EXPECT_EQ(std::vector<std::uint8_t>(stream + 575, stream + 578),
              (std::vector<std::uint8_t>{0x5A, 0xFF, 0xD9}));
    delete[] stream;
}

}  // namespace
