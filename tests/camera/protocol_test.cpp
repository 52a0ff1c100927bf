// Command blocks, transaction numbers, the idle routine's pacing and the busy flag.

#include <QTimer>
#include <iterator>

#include "app/control_window.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/protocol.h"
#include "camera/usb_connection.h"
#include "simcam/simcam.h"
#include "support/camera_fixture.h"

namespace {

// Read before any test runs: the counter as start-up leaves it.
const std::uint32_t kTransIdAtStart = g_total_trans_id;

std::uint8_t lo(std::uint32_t v) {
    return std::uint8_t(v & 0xFF);
}

struct LensRow {
    void (*op)();
    std::uint16_t code;
    std::uint32_t parameter;
};

// Every field little-endian; transaction numbers rise by one per block, past 16 bits, and
// the block carries their low 16 bits.
TEST_F(CameraTest, EachOperationSendsOneLittleEndianBlockWithTheNextTransactionNumber) {
    EXPECT_EQ(kTransIdAtStart, 1u);
    const LensRow rows[] = {
        {do_tel_zoom, 0xE0, 1},   {do_wide_zoom, 0xE0, 2},   {do_stop_zoom, 0xE0, 0},
        {do_af_focus, 0xE1, 0},   {do_near_focus, 0xEA, 1},  {do_far_focus, 0xEA, 2},
        {do_stop_focus, 0xEA, 0}, {do_open_iris, 0xE2, 2},   {do_close_iris, 0xE2, 3},
        {do_stop_iris, 0xE2, 4},  {do_normal_iris, 0xE2, 5}, {[] { do_grab_image(); }, 0x808E, 0},
    };
    connect();
    const std::uint32_t first = 0xFFFA;
    g_total_trans_id = first;
    for (std::uint32_t i = 0; i < std::size(rows); ++i) {
        const LensRow& row = rows[i];
        simcam_clear_record();
        row.op();
        ASSERT_EQ(simcam_commands().size(), 1u) << row.code;
        const std::uint32_t id = first + i;
        const std::array<std::uint8_t, 32> block = {
            0, 0, lo(id),           lo(id >> 8), 24, 0, 0, 0, lo(row.code), lo(row.code >> 8),
            0, 0, lo(row.parameter)};
        EXPECT_EQ(simcam_commands()[0], block) << row.code;
        EXPECT_EQ(g_now_camera_busy, 0);
    }
    EXPECT_EQ(g_total_trans_id, first + std::size(rows));
}

TEST_F(CameraTest, IdleRetriesEveryThirtyTicksNotWhileAButtonIsHeldFetchesOnlyWhileLive) {
    g_now_tracking_control_panel = true;
    idle(40);
    EXPECT_EQ(simcam_lookups(), 0);
    g_now_tracking_control_panel = false;
    simcam_plug(false);
    idle(100);  // 300 ticks
    EXPECT_EQ(simcam_lookups(), 10);
    simcam_plug(true);
    idle(1);
    ASSERT_TRUE(is_camera_active()) << "the retry is due on this call";
    simcam_clear_record();
    idle(5);
    EXPECT_TRUE(simcam_commands().empty());
    live_monoitor_start();
    idle(5);
    EXPECT_EQ(simcam_commands().size(), 5u);
    // A lens command in a fetch's write wait, from a timer or a click, sends nothing.
    simcam_clear_record();
    QTimer::singleShot(0, [] { do_tel_zoom(); });
    idle(1);
    ASSERT_EQ(simcam_commands().size(), 1u);
    EXPECT_EQ(simcam_commands()[0][8], 0x8E) << "the image request";
}

}  // namespace
