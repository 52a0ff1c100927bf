// Command blocks, transaction numbers, the busy flag and the idle routine's pacing.

#include <QTimer>

#include "app/control_window.h"
#include "app/toolbar.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/protocol.h"
#include "camera/usb_connection.h"
#include "platform/window.h"
#include "simcam/simcam.h"
#include "support/camera_fixture.h"

namespace {

// Read before any test runs: the counter as start-up leaves it.
const std::uint32_t kTransIdAtStart = g_total_trans_id;

std::uint32_t get16(const std::array<std::uint8_t, 32>& b, int at) {
    return std::uint32_t(b[at] | b[at + 1] << 8);
}

std::uint32_t get32(const std::array<std::uint8_t, 32>& b, int at) {
    return get16(b, at) | get16(b, at + 2) << 16;
}

TEST_F(CameraTest, TransactionNumbersStartAtOneRiseByOneAndCarryTheLowSixteenBits) {
    EXPECT_EQ(kTransIdAtStart, 1u);
    connect();
    std::uint32_t first = g_total_trans_id;
    do_tel_zoom();
    do_stop_zoom();
    do_grab_image();
    const auto blocks = simcam_commands();
    ASSERT_EQ(blocks.size(), 3u);
    for (std::size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(get16(blocks[i], 2), (first + i) & 0xFFFF) << i;
    EXPECT_EQ(g_total_trans_id, first + 3);
    simcam_clear_record();
    g_total_trans_id = 0x12345;
    do_af_focus();
    ASSERT_EQ(simcam_commands().size(), 1u);
    EXPECT_EQ(get16(simcam_commands()[0], 2), 0x2345u) << "the block carries the low 16 bits";
    EXPECT_EQ(g_total_trans_id, 0x12346u);
}

struct LensRow {
    void (*op)();
    std::uint16_t code;
    std::uint32_t parameter;
};

TEST_F(CameraTest, LensOperationsSendTheirCodeAndParameterInALittleEndianBlock) {
    const LensRow rows[] = {
        {do_tel_zoom, 0xE0, 1},   {do_wide_zoom, 0xE0, 2},   {do_stop_zoom, 0xE0, 0},
        {do_af_focus, 0xE1, 0},   {do_near_focus, 0xEA, 1},  {do_far_focus, 0xEA, 2},
        {do_stop_focus, 0xEA, 0}, {do_open_iris, 0xE2, 2},   {do_close_iris, 0xE2, 3},
        {do_stop_iris, 0xE2, 4},  {do_normal_iris, 0xE2, 5}, {nullptr, 0x808E, 0},
    };
    connect();
    for (const LensRow& row : rows) {
        simcam_clear_record();
        if (row.op)
            row.op();
        else
            do_grab_image();
        ASSERT_EQ(simcam_commands().size(), 1u) << row.code;
        const auto& b = simcam_commands()[0];
        EXPECT_EQ(get16(b, 0), 0u);
        EXPECT_EQ(get32(b, 4), 24u);
        EXPECT_EQ(get16(b, 8), row.code);
        EXPECT_EQ(get16(b, 10), 0u);
        EXPECT_EQ(get32(b, 12), row.parameter) << row.code;
        for (int i = 16; i < 32; ++i) EXPECT_EQ(b[i], 0) << i;
        EXPECT_EQ(g_now_camera_busy, 0);
    }
}

TEST_F(CameraTest, LensCommandDuringALiveFetchSendsNothing) {
    connect();
    live_monoitor_start();
    // Runs inside the image request's write wait, as a timer or a click would.
    QTimer::singleShot(0, [] { do_tel_zoom(); });
    EXPECT_EQ(do_grab_image(), 1);
    ASSERT_EQ(simcam_commands().size(), 1u);
    EXPECT_EQ(get16(simcam_commands()[0], 8), 0x808Eu);
    simcam_clear_record();
    do_tel_zoom();
    EXPECT_EQ(simcam_commands().size(), 1u);
}

TEST_F(CameraTest, LensCommandsAndTheSizeProbeWithoutConnectionSendNothing) {
    simcam_clear_record();
    do_tel_zoom();
    do_open_iris();
    EXPECT_EQ(check_image_size(), -1);
    EXPECT_TRUE(simcam_transfers().empty());
    EXPECT_EQ(g_now_camera_busy, 0);
    connect();
    EXPECT_EQ(check_image_size(), 0);
}

TEST_F(CameraTest, UnpluggedIdleTriesToOpenEveryThirtyTicksOnlyAndNotWhileAButtonIsHeld) {
    g_now_tracking_control_panel = true;
    simcam_clear_record();
    idle(40);
    EXPECT_EQ(simcam_lookups(), 0);
    g_now_tracking_control_panel = false;
    simcam_plug(false);
    idle(100);  // 300 ticks
    EXPECT_EQ(simcam_lookups(), 10);
    EXPECT_FALSE(is_camera_active());
}

TEST_F(CameraTest, IdleConnectsOnItsFirstCallThenFetchesOnlyWhileLive) {
    idle(1);
    ASSERT_TRUE(is_camera_active());
    simcam_clear_record();
    idle(5);
    EXPECT_TRUE(simcam_commands().empty());
    live_monoitor_start();
    idle(5);
    EXPECT_EQ(simcam_commands().size(), 5u);
}

// The toolbar's status text, as the user reads it.
std::string status_text() {
    const ControlID id{FOUR_CC("TBAR"), 15};
    ControlRef text = nullptr;
    EXPECT_EQ(GetControlByID(g_tool_bar, &id, &text), noErr);
    return GetControlText(text);
}

TEST_F(CameraTest, ReplugGivesCameraReadyAgainWithinThirtyTicksWithoutLive) {
    IBNibRef nib = nullptr;
    ASSERT_EQ(CreateNibReference("main", &nib), noErr);
    ASSERT_EQ(CreateWindowFromNib(nib, "toolbar", &g_tool_bar), noErr);
    DisposeNibReference(nib);
    idle(1);
    EXPECT_EQ(status_text(), "Camera:Ready");
    live_monoitor_start();
    idle(3);
    simcam_plug(false);
    run_posted();
    EXPECT_FALSE(is_camera_active());
    EXPECT_FALSE(g_live_monitor_now);
    EXPECT_EQ(status_text(), "Camera:Not found.");
    idle(20);
    EXPECT_EQ(status_text(), "Camera:Not found.");
    simcam_plug(true);
    idle(10);  // 30 ticks
    EXPECT_EQ(status_text(), "Camera:Ready");
    EXPECT_FALSE(g_live_monitor_now);
    g_tool_bar = nullptr;
}

}  // namespace
