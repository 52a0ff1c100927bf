// Opening the connection: configuration, interface, pipe choice and their diagnostic lines;
// closing it on unplug, the idle routine's retries and fetches, and opening it on replug;
// the command blocks and their transaction numbers.

#include <QTimer>

#include "app/control_window.h"
#include "app/toolbar.h"
#include "camera/capture.h"
#include "camera/live_stream.h"
#include "camera/protocol.h"
#include "camera/usb_connection.h"
#include "platform/usb.h"
#include "simcam/simcam.h"
#include "support/camera_fixture.h"

namespace {

constexpr SimcamPipe kOut2{kUSBOut, 2, kUSBBulk}, kIn1{kUSBIn, 1, kUSBBulk},
    kIntrIn3{kUSBIn, 3, kUSBInterrupt}, kOut4{kUSBOut, 4, kUSBBulk}, kIn5{kUSBIn, 5, kUSBBulk};

// An interface with these pipes on its default setting and on alternate setting 1.
SimcamShape pipes(std::vector<SimcamPipe> setting0, std::vector<SimcamPipe> setting1 = {}) {
    return SimcamShape{true, std::move(setting0), std::move(setting1)};
}

// How the device describes itself, and what opening it makes of that.

TEST_F(CameraTest, OpeningTakesTheLowestBulkPipeOfEachDirectionOrStaysIncompleteForARetry) {
    std::vector<SimcamPipe> fifteen(13, kIntrIn3);
    fifteen.insert(fifteen.end(), {kIn1, kOut2});
    const struct {
        const char* name;
        SimcamShape shape;
        OSErr result;
        int in, out;       // the pipes chosen, 0 for none
        const char* last;  // how the lines of the steps that find the pipes end
    } rows[] = {
        {"standard", pipes({kOut2, kIn1}), 0, 2, 1,
         "find_interefaces: found 2 pipes\n"
         "find_pipes: grabbing BULK OUT pipe index 1, number 2\n"
         "find_pipes: grabbing BULK IN pipe index 2, number 1\n"},
        {"lowest of each", pipes({kIntrIn3, kIn5, kOut4, kIn1, kOut2}), 0, 2, 3,
         "BULK IN pipe index 2, number 5\nfind_pipes: grabbing BULK OUT pipe index 3, number 4\n"},
        // The alternate setting's pipes are scanned until the first unreadable one.
        {"alternate setting", pipes({}, {kIntrIn3, kIn1, kOut2}), 0, 2, 3,
         "find_pipes: unable to get pipe properties for pipe 4, err = e00002c2\n"},
        {"alternate setting scanned to pipe 13 only", pipes({}, fifteen), 0, 0, 0,
         "find_pipes: skipping pipe 13 because it is not a bulk pipe\n"},
        {"no interface", {false, {}, {}}, -1, 0, 0, "find_device: found 1 configurations\n"},
        {"only an IN pipe", pipes({kIn1}), 0, 1, 0, "BULK IN pipe index 1, number 1\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        simcam_set_shape(row.shape);
        hooks_capture_stdout(false);
        hooks_capture_stdout(true);
        EXPECT_EQ(init_camera(), row.result);
        std::string found;
        for (const std::string& l : hooks_stdout_lines())
            if (l.rfind("find_", 0) == 0) found += l + "\n";
        EXPECT_TRUE(found.ends_with(row.last)) << found;
        // A second attempt starts afresh: what the first one held is released first.
        EXPECT_EQ(init_camera(), row.result);
        EXPECT_EQ(g_inPipeRef, row.in);
        EXPECT_EQ(g_outPipeRef, row.out);
        EXPECT_EQ(is_camera_active(), row.in && row.out);
    }
}

// Unplugging closes everything from the event loop; while unplugged the idle routine looks
// for the camera every 30 ticks, not while a control window button is held, and nothing is
// sent; plugged back in, the camera is found on the next due retry, the live picture off.
TEST_F(CameraTest, UnplugClosesEverythingRetriesEveryThirtyTicksAndReplugGivesReadyWithoutLive) {
    idle(1);
    live_monoitor_start();
    WindowRef live = show_live_window();
    simcam_plug(false);
    run_posted();
    EXPECT_FALSE(is_camera_active());
    EXPECT_EQ(g_notification, nullptr);
    EXPECT_FALSE(g_live_monitor_now);
    EXPECT_FALSE(IsWindowVisible(live));
    EXPECT_FALSE(tb[11].enabled) << "the toolbar shows the camera gone";
    EXPECT_EQ(init_camera(), -1);
    EXPECT_EQ(g_masterPort, nullptr) << "a failed attempt keeps nothing";
    simcam_clear_record();
    do_tel_zoom();
    EXPECT_EQ(check_image_size(), -1);
    g_now_tracking_control_panel = true;
    idle(40);
    EXPECT_EQ(simcam_lookups(), 0);
    g_now_tracking_control_panel = false;
    idle(100);  // 300 ticks
    EXPECT_EQ(simcam_lookups(), 10);
    EXPECT_TRUE(simcam_transfers().empty());
    simcam_plug(true);
    idle(1);
    ASSERT_TRUE(is_camera_active()) << "the retry is due on this call";
    EXPECT_TRUE(tb[11].enabled);
    EXPECT_FALSE(g_live_monitor_now);
    EXPECT_EQ(check_image_size(), 0);
    live_monoitor_start();
    simcam_clear_record();
    // A lens command in a fetch's write wait, from a timer or a click, sends nothing.
    QTimer::singleShot(0, [] { do_tel_zoom(); });
    idle(5);
    EXPECT_EQ(simcam_commands().size(), 5u) << "one image request a call";
}

// Read before any test runs: the counter as start-up leaves it.
const std::uint32_t kTransIdAtStart = g_total_trans_id;

// Every field little-endian; transaction numbers rise by one per block, past 16 bits, and
// the block carries their low 16 bits. The zoom and iris codes are checked through the
// control window's buttons.
TEST_F(CameraTest, EachOperationSendsOneLittleEndianBlockWithTheNextTransactionNumber) {
    EXPECT_EQ(kTransIdAtStart, 1u);
    connect();
    g_total_trans_id = 0xFFFD;
    for (void (*op)() : {do_af_focus, do_near_focus, do_far_focus, do_stop_focus}) op();
    do_grab_image();
    const std::vector<std::array<std::uint8_t, 32>> blocks = {
        {0, 0, 0xFD, 0xFF, 24, 0, 0, 0, 0xE1},
        {0, 0, 0xFE, 0xFF, 24, 0, 0, 0, 0xEA, 0, 0, 0, 1},
        {0, 0, 0xFF, 0xFF, 24, 0, 0, 0, 0xEA, 0, 0, 0, 2},
        {0, 0, 0, 0, 24, 0, 0, 0, 0xEA},
        {0, 0, 1, 0, 24, 0, 0, 0, 0x8E, 0x80},
    };
    EXPECT_EQ(simcam_commands(), blocks);
    EXPECT_EQ(g_total_trans_id, 0x10002u);
}

}  // namespace
