// The image request: chunk arithmetic, the camera's faults at each step, and the picture
// decoded into the capture offscreen.

#include <algorithm>
#include <cstdlib>

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
#include "support/camera_fixture.h"

namespace {

const char* const kZeroLengthLine =
    "data_from_camera_sync: ************************************* zero length packet will come ";
const char* const kResponseErrorLine =
    "receive_response returned error...................................";

bool has_line(const std::vector<std::string>& all, const std::string& line) {
    return std::find(all.begin(), all.end(), line) != all.end();
}

std::vector<std::uint8_t> counting_body(std::size_t n) {
    std::vector<std::uint8_t> body(n);
    for (std::size_t i = 0; i < n; ++i) body[i] = std::uint8_t(i * 31 + i / 256);
    return body;
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
        simcam_set_body(counting_body(row.body));
        simcam_clear_record();
        hooks_capture_stdout(false);
        hooks_capture_stdout(true);
        EXPECT_EQ(do_grab_image(), 1) << row.body;
        EXPECT_EQ(chunk_reads(), row.chunks) << row.body;
        EXPECT_EQ(has_line(lines(), kZeroLengthLine), row.zero_length_line) << row.body;
        EXPECT_EQ(g_latst_jpeg_size, row.body);
        EXPECT_TRUE(hooks_alerts().empty()) << row.body;
        EXPECT_TRUE(is_camera_active()) << row.body;
    }
}

TEST_F(CameraTest, ShortChunkAlertsAndFailsButKeepsTheConnection) {
    connect();
    simcam_set_body(counting_body(70000));
    simcam_fail_at(3, SimcamFault::short_chunk);
    EXPECT_EQ(do_grab_image(), 0);
    ASSERT_EQ(hooks_alerts().size(), 1u);
    EXPECT_EQ(hooks_alerts()[0].title, "error");
    EXPECT_EQ(hooks_alerts()[0].message, "ReadPipeTO failed. 0 / 32 bytes read. ");
    std::vector<std::string> got = lines();
    EXPECT_TRUE(has_line(
        got,
        "data_from_camera_sync: ReadPipeTO Failed, 65528 of 65536 bytes read...................."
        "................"));
    EXPECT_TRUE(has_line(got, "in pipe was ok."));
    EXPECT_TRUE(has_line(got, "out pipe was ok."));
    EXPECT_TRUE(is_camera_active());
    EXPECT_EQ(g_now_camera_busy, 0);
    EXPECT_EQ(do_grab_image(), 1);
    // The read itself reports the short chunk as -1.
    __write_command_block(kCmdImage, 0);
    ASSERT_EQ(__receive_response(), 0);
    simcam_fail_at(1, SimcamFault::short_chunk);
    EXPECT_EQ(data_from_camera_sync(g_recv_buf, kRecvBufSize, 1), -1);
    EXPECT_TRUE(is_camera_active());
}

struct ClosingRow {
    const char* name;
    int at;
    SimcamFault fault;
    std::vector<std::string> want;  // lines that must appear
};

TEST_F(CameraTest, FailedTransfersCloseTheConnectionAndTheIdleRoutineReopensIt) {
    const ClosingRow rows[] = {
        {"response times out",
         2,
         SimcamFault::read_timeout,
         {"data_from_camera_sync: ReadPipeTO Failed, err = e0004051(-536854447)", "in pipe was ok.",
          "out pipe was ok.", kResponseErrorLine}},
        {"chunk stalls",
         3,
         SimcamFault::stall,
         {"data_from_camera_sync: ReadPipeTO Failed, err = e000404f(-536854449)",
          "in pipe was stalled.", "out pipe was ok."}},
        {"unplug during the write's wait", 1, SimcamFault::unplug, {kResponseErrorLine}},
        {"unplug during a chunk",
         3,
         SimcamFault::unplug,
         {"data_from_camera_sync: ReadPipeTO Failed, err = e00002c0(-536870208)"}},
    };
    for (const ClosingRow& row : rows) {
        close_camera();
        simcam_reset();
        now += 100;  // past the retry time the previous row set
        idle(1);
        ASSERT_TRUE(is_camera_active()) << row.name;
        live_monoitor_start();
        hooks_capture_stdout(false);
        hooks_capture_stdout(true);
        simcam_fail_at(row.at, row.fault);
        EXPECT_EQ(do_grab_image(), 0) << row.name;
        run_posted();
        EXPECT_FALSE(is_camera_active()) << row.name;
        EXPECT_FALSE(g_live_monitor_now) << row.name;
        EXPECT_EQ(g_now_camera_busy, 0) << row.name;
        EXPECT_TRUE(hooks_alerts().empty()) << row.name;
        std::vector<std::string> got = lines();
        for (const std::string& line : row.want)
            EXPECT_TRUE(has_line(got, line)) << row.name << ": " << line;
        simcam_plug(true);
        idle(11);
        EXPECT_TRUE(is_camera_active()) << row.name;
    }
}

TEST_F(CameraTest, WriteWhoseCompletionNeverComesOnlyEndsItsWait) {
    connect();
    g_last_callback_arg0 = 7;
    simcam_fail_at(1, SimcamFault::write_never_completes);
    EXPECT_EQ(do_grab_image(), 1);
    EXPECT_EQ(g_last_callback_arg0, 7u);
    EXPECT_TRUE(is_camera_active());
    EXPECT_TRUE(hooks_alerts().empty());
    do_tel_zoom();
    EXPECT_EQ(g_last_callback_arg0, 32u);
}

struct RefusalRow {
    const char* name;
    SimcamFault fault;
    std::uint32_t size_after;
};

TEST_F(CameraTest, RefusedOrImpossiblePictureBeepsOnceAndKeepsThePreviousPicture) {
    const RefusalRow rows[] = {
        {"refused", SimcamFault::refuse, 2000},
        {"announced size far beyond any picture", SimcamFault::huge_size, 0x7FFFFFFF},
    };
    connect();
    for (const RefusalRow& row : rows) {
        simcam_set_body(counting_body(2000));
        ASSERT_EQ(do_grab_image(), 1);
        int beeps = hooks_beeps();
        simcam_fail_at(2, row.fault);
        EXPECT_EQ(do_grab_image(), 0) << row.name;
        EXPECT_EQ(hooks_beeps(), beeps + 1) << row.name;
        EXPECT_EQ(g_latst_jpeg_size, row.size_after) << row.name;
        EXPECT_TRUE(is_camera_active()) << row.name;
        EXPECT_EQ(g_now_camera_busy, 0) << row.name;
        EXPECT_EQ(do_grab_image(), 1) << row.name;
    }
}

TEST_F(CameraTest, ZeroBytePictureStopsTheLivePictureAndHidesItsWindow) {
    connect();
    WindowRef live = show_live_window();
    live_monoitor_start();
    simcam_fail_at(2, SimcamFault::zero_size);
    EXPECT_EQ(do_grab_image(), 0);
    EXPECT_EQ(g_latst_jpeg_size, 0u);
    EXPECT_FALSE(g_live_monitor_now);
    EXPECT_FALSE(IsWindowVisible(live));
    EXPECT_TRUE(g_end_fullscreen_request);
    EXPECT_TRUE(is_camera_active());
    EXPECT_EQ(g_now_camera_busy, 0);
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

TEST_F(CameraTest, UnplugDuringLiveViewStopsItAndReplugDoesNotRestartIt) {
    idle(1);
    live_monoitor_start();
    idle(4);
    std::size_t fetched = simcam_commands().size();
    EXPECT_GE(fetched, 4u);
    WindowRef live = show_live_window();
    simcam_plug(false);
    idle(1);
    EXPECT_FALSE(is_camera_active());
    EXPECT_FALSE(g_live_monitor_now);
    EXPECT_FALSE(IsWindowVisible(live));
    simcam_plug(true);
    idle(10);
    EXPECT_TRUE(is_camera_active());
    EXPECT_EQ(simcam_commands().size(), fetched);
}

TEST_F(CameraTest, TestPictureDecodesIntoTheCaptureOffscreen) {
    connect();
    EXPECT_EQ(do_grab_image(), 1);
    ASSERT_NE(g_grab_off, nullptr);
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
        for (int shift = 0; shift < 24; shift += 8) {
            int a = int((got >> shift) & 0xFF), b = int((bars[i] >> shift) & 0xFF);
            EXPECT_LE(std::abs(a - b), 24) << "bar " << i;
        }
    }
}

TEST_F(CameraTest, CorruptBodyIsADecoderErrorAndTheRequestStillCounts) {
    connect();
    simcam_fail_at(3, SimcamFault::corrupt_body);
    EXPECT_EQ(do_grab_image(), 1);
    EXPECT_TRUE(is_camera_active());
    std::vector<std::uint8_t> body = simcam_picture_body(0);
    body[2] = 0;
    body[3] = 2;
    EXPECT_EQ(convert_jpeg_to_grab_off(body.data(), std::uint32_t(body.size()), 1024, 768),
              codecErr);
    EXPECT_EQ(do_grab_image(), 1);
}

TEST_F(CameraTest, ReadWithoutConnectionFailsAndTellsAboutTheZeroLengthPacket) {
    EXPECT_EQ(data_from_camera_sync(g_recv_buf, 512, 1), -1);
    EXPECT_TRUE(has_line(lines(), kZeroLengthLine));
    EXPECT_EQ(data_from_camera_sync(g_recv_buf, 65536, 1), -1);
    EXPECT_EQ(lines().size(), 1u);
}

}  // namespace
