// The image request: chunk arithmetic, the camera's faults at each step as the capture
// command meets them, and the picture decoded into the capture offscreen.

#include <algorithm>

#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/protocol.h"
#include "camera/transfer.h"
#include "camera/usb_connection.h"
#include "monitor/full_screen.h"
#include "monitor/live_monitor.h"
#include "platform/codecs.h"
#include "platform/test_hooks.h"
#include "simcam/simcam.h"
#include "support/image_docs.h"
#include "support/live_fixture.h"

namespace {

bool printed(const std::string& line) {
    const std::vector<std::string> all = hooks_stdout_lines();
    return std::find(all.begin(), all.end(), line) != all.end();
}

// What each chunk read of the last request moved; every one asks for a whole buffer.
std::vector<std::uint32_t> chunk_reads() {
    std::vector<std::uint32_t> out;
    const std::vector<SimcamTransfer>& all = simcam_transfers();  // the block, the response, chunks
    for (std::size_t i = 2; i < all.size(); ++i) {
        EXPECT_EQ(all[i].size, std::uint32_t(kRecvBufSize));
        out.push_back(all[i].moved);
    }
    return out;
}

struct ChunkRow {
    std::uint32_t body;
    std::vector<std::uint32_t> chunks;
    bool zero_length_line;
};

TEST_F(CameraTest, BodyIsReadInChunksOfAtMost65536BytesWithTheirPrefixes) {
    const ChunkRow rows[] = {
        {1, {9}, false},
        {504, {512}, true},
        {505, {513}, false},
        {65520, {65528}, false},
        {65528, {65536}, false},
        {65529, {65536, 9}, false},
        {131056, {65536, 65536}, false},
        {131560, {65536, 65536, 512}, true},
    };
    connect();
    for (const ChunkRow& row : rows) {
        SCOPED_TRACE(std::to_string(row.body) + " bytes");
        simcam_set_body(std::vector<std::uint8_t>(row.body, 0x5A));
        simcam_clear_record();
        hooks_capture_stdout(false);
        hooks_capture_stdout(true);
        EXPECT_EQ(do_grab_image(), 1);
        EXPECT_EQ(chunk_reads(), row.chunks);
        EXPECT_EQ(printed("data_from_camera_sync: ************************************* "
                          "zero length packet will come "),
                  row.zero_length_line);
        EXPECT_TRUE(hooks_alerts().empty());
        EXPECT_TRUE(is_camera_active());
    }
}

const char* const kNotCaptured = "The picture could not be captured.";

// Padding after the scan data, as some cameras send, instead of a fault.
constexpr int kPadded = -1;

// What the capture command meets when the camera fails at one step of its image request.
// Only a request that delivered and decoded a new picture makes a window; every failure
// reaches the user once, by the request's own beep or alert, else by the command's alert.
struct FaultRow {
    const char* name;
    int at;  // the transfer that fails: 1 the command's write, 2 the response, 3 the first chunk
    SimcamFault fault;
    bool window;         // a new document holds the picture
    bool kept;           // the connection stays open
    int beeps;           // beeps heard
    const char* alert;   // the one alert's message, or null for none
    bool count_cleared;  // g_latst_jpeg_size is 0 afterwards
    const char* line;    // a line that must appear on standard output, or null
};

class CaptureFaults : public LiveTest {};

TEST_F(CaptureFaults, AfterAGoodPictureEachFailureMakesNoWindowAndIsToldOnce) {
    const char* const timed_out =
        "data_from_camera_sync: ReadPipeTO Failed, err = e0004051(-536854447)";
    const char* const short_read = "ReadPipeTO failed. 0 / 32 bytes read. ";
    const FaultRow rows[] = {
        {"refused", 2, SimcamFault::refuse, false, true, 1, nullptr, false, nullptr},
        {"size beyond any picture", 2, SimcamFault::huge_size, false, true, 1, nullptr, true,
         nullptr},
        {"0 bytes announced", 2, SimcamFault::zero_size, false, true, 0, kNotCaptured, true,
         nullptr},
        {"response times out", 2, SimcamFault::read_timeout, false, false, 0, kNotCaptured, false,
         timed_out},
        {"unplug in the write's wait", 1, SimcamFault::unplug, false, false, 0, kNotCaptured, false,
         "receive_response returned error..................................."},
        {"chunk arrives short", 3, SimcamFault::short_chunk, false, true, 0, short_read, true,
         "in pipe was ok."},
        {"chunk stalls", 3, SimcamFault::stall, false, false, 0, kNotCaptured, true,
         "in pipe was stalled."},
        {"chunk times out", 3, SimcamFault::read_timeout, false, false, 0, kNotCaptured, true,
         timed_out},
        {"unplug in a chunk", 3, SimcamFault::unplug, false, false, 0, kNotCaptured, true,
         "data_from_camera_sync: ReadPipeTO Failed, err = e00002c0(-536870208)"},
        {"body corrupt", 3, SimcamFault::corrupt_body, false, true, 0, kNotCaptured, true, nullptr},
        {"write never completes", 1, SimcamFault::write_never_completes, true, true, 0, nullptr,
         false, nullptr},
        {"body padded after its data", kPadded, SimcamFault::refuse, true, true, 0, nullptr, false,
         nullptr},
    };
    std::vector<std::uint8_t> padded = simcam_picture_body(0);
    padded.insert(padded.end(), 300, 0);
    for (const FaultRow& row : rows) {
        SCOPED_TRACE(row.name);
        close_all_documents();
        close_camera();
        simcam_reset();
        now += 100;  // past the retry time the previous row set
        idle(1);
        command("CAPT");
        ASSERT_EQ(document_titles().size(), 1u) << "the camera has delivered a picture";
        WindowRef live = show_live_window();
        hooks_clear_record();
        hooks_capture_stdout(false);
        hooks_capture_stdout(true);
        row.at == kPadded ? simcam_set_body(padded) : simcam_fail_at(row.at, row.fault);

        command("CAPT");
        run_posted();
        EXPECT_EQ(document_titles().size(), row.window ? 2u : 1u);
        EXPECT_EQ(hooks_beeps(), row.beeps);
        std::string told;
        for (const ShownAlert& a : hooks_alerts()) told += a.title + ": " + a.message + "\n";
        EXPECT_EQ(told, row.alert ? "error: " + std::string(row.alert) + "\n" : "");
        EXPECT_EQ(is_camera_active(), row.kept);
        EXPECT_EQ(IsWindowVisible(live), row.kept && row.fault != SimcamFault::zero_size);
        EXPECT_EQ(g_latst_jpeg_size == 0, row.count_cleared);
        EXPECT_EQ(g_now_camera_busy, 0);
        EXPECT_TRUE(!row.line || printed(row.line)) << row.line;

        simcam_plug(true);
        idle(11);
        ASSERT_TRUE(is_camera_active());
        command("CAPT");
        EXPECT_EQ(document_titles().size(), row.window ? 3u : 2u) << "the next capture works";
        g_lm_win = nullptr;
        DisposeWindow(live);
    }
}

TEST_F(CameraTest, LiveOffscreenChangesOnlyWhileLiveAndItsWindowIsShown) {
    connect();
    ASSERT_EQ(do_grab_image(), 1);
    Rect all;
    GetPortBounds(g_lm_off, &all);
    SetGWorld(g_lm_off);
    ForeColor(redColor);
    PaintRect(&all);
    WindowRef live = show_live_window();
    HideWindow(live);
    live_monoitor_start();
    ASSERT_EQ(do_grab_image(), 1);
    EXPECT_EQ(GetPixelRGB(g_lm_off, 64, 100), 0xFF0000u);  // hidden: untouched
    ShowWindow(live);
    live_monitor_end();
    ASSERT_EQ(do_grab_image(), 1);
    EXPECT_EQ(GetPixelRGB(g_lm_off, 64, 100), 0xFF0000u);  // not live: untouched
    live_monoitor_start();
    ASSERT_EQ(do_grab_image(), 1);
    for (int h : {10, 500, 1000})
        for (int v : {10, 400, 700})
            EXPECT_EQ(GetPixelRGB(g_lm_off, h, v), GetPixelRGB(g_grab_off, h, v)) << h << "," << v;
}

TEST_F(CameraTest, TestPictureDecodesIntoTheCaptureOffscreen) {
    connect();
    EXPECT_EQ(do_grab_image(), 1);
    ASSERT_NE(g_lm_off, nullptr);
    EXPECT_EQ(g_off_width, 1024);
    EXPECT_EQ(g_off_height, 768);
    EXPECT_EQ(g_latst_jpeg_width, 1024u);
    EXPECT_EQ(g_latst_jpeg_height, 768u);
    // Bars: white, yellow, cyan, green, magenta, red, blue, black.
    const std::uint32_t bars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                   0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
    for (int i = 0; i < 8; ++i) {
        std::uint32_t got = GetPixelRGB(g_grab_off, i * 128 + 64, 100);
        for (int shift = 0; shift < 24; shift += 8)
            EXPECT_NEAR(int(got >> shift & 0xFF), int(bars[i] >> shift & 0xFF), 24) << "bar " << i;
    }
}

}  // namespace
