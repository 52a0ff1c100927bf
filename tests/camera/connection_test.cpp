// Opening the connection: configuration, interface, pipe choice and their diagnostic lines;
// closing it on unplug.

#include "camera/live_stream.h"
#include "camera/usb_connection.h"
#include "platform/usb.h"
#include "simcam/simcam.h"
#include "support/camera_fixture.h"

namespace {

constexpr SimcamPipe kOut2{kUSBOut, 2, kUSBBulk}, kIn1{kUSBIn, 1, kUSBBulk},
    kIntrIn3{kUSBIn, 3, kUSBInterrupt}, kOut4{kUSBOut, 4, kUSBBulk}, kIn5{kUSBIn, 5, kUSBBulk};

std::vector<std::string> pipe_lines(const std::vector<std::string>& all) {
    std::vector<std::string> out;
    for (const std::string& l : all)
        if (l.rfind("find_pipes", 0) == 0 || l.rfind("find_interefaces", 0) == 0) out.push_back(l);
    return out;
}

TEST_F(CameraTest, OpeningPrintsItsStepsAndSelectsTheFirstPipes) {
    EXPECT_EQ(init_camera(), 0);
    EXPECT_TRUE(is_camera_active());
    std::vector<std::string> got = lines();
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[0], "find_device: found 1 configurations");
    EXPECT_EQ(got[1], "*** SetConfiguration");
    EXPECT_EQ(got[2], "*** CreateInterfaceIterator");
    EXPECT_EQ(got[3], "*** IOIteratorNext");
    EXPECT_EQ(got[4].rfind("found interface: 0x", 0), 0u) << got[4];
    EXPECT_EQ(got[5], "find_interefaces: found 2 pipes");
    EXPECT_EQ(got[6], "find_pipes: grabbing BULK OUT pipe index 1, number 2");
    EXPECT_EQ(got[7], "find_pipes: grabbing BULK IN pipe index 2, number 1");
    EXPECT_EQ(g_outPipeRef, 1);
    EXPECT_EQ(g_inPipeRef, 2);
}

TEST_F(CameraTest, AlternateSettingFallbackScansUntilTheFirstUnreadablePipe) {
    simcam_set_shape({true, {}, {kIntrIn3, kIn1, kOut2}});
    EXPECT_EQ(init_camera(), 0);
    EXPECT_TRUE(is_camera_active());
    EXPECT_EQ(g_inPipeRef, 2);
    EXPECT_EQ(g_outPipeRef, 3);
    std::vector<std::string> want = {
        "find_interefaces: found 0 pipes",
        "find_pipes: skipping pipe 1 because it is not a bulk pipe",
        "find_pipes: grabbing BULK IN pipe index 2, number 1",
        "find_pipes: grabbing BULK OUT pipe index 3, number 2",
        "find_pipes: unable to get pipe properties for pipe 4, err = e00002c2",
    };
    EXPECT_EQ(pipe_lines(lines()), want);
}

TEST_F(CameraTest, AlternateSettingScanStopsAfterThirteenPipes) {
    std::vector<SimcamPipe> pipes(13, kIntrIn3);
    pipes.push_back(kIn1);
    pipes.push_back(kOut2);
    simcam_set_shape({true, {}, pipes});
    EXPECT_EQ(init_camera(), 0);
    EXPECT_FALSE(is_camera_active());
    std::vector<std::string> got = pipe_lines(lines());
    ASSERT_EQ(got.size(), 14u);
    EXPECT_EQ(got.back(), "find_pipes: skipping pipe 13 because it is not a bulk pipe");
}

TEST_F(CameraTest, LowestIndexedBulkPipeOfEachDirectionWins) {
    simcam_set_shape({true, {kIntrIn3, kIn5, kOut4, kIn1, kOut2}, {}});
    EXPECT_EQ(init_camera(), 0);
    EXPECT_EQ(g_inPipeRef, 2);
    EXPECT_EQ(g_outPipeRef, 3);
    std::vector<std::string> want = {
        "find_interefaces: found 5 pipes",
        "find_pipes: skipping pipe 1 because it is not a bulk pipe",
        "find_pipes: grabbing BULK IN pipe index 2, number 5",
        "find_pipes: grabbing BULK OUT pipe index 3, number 4",
    };
    EXPECT_EQ(pipe_lines(lines()), want);
}

struct IncompleteRow {
    const char* name;
    SimcamShape shape;
    OSErr result;
};

TEST_F(CameraTest, DeviceWithoutUsableInterfaceOrPipesStaysIncompleteAndIsRetried) {
    const IncompleteRow rows[] = {
        {"no interface", {false, {}, {}}, -1},
        {"no bulk pipes", {true, {kIntrIn3}, {}}, 0},
        {"only an IN pipe", {true, {kIn1}, {}}, 0},
    };
    for (const IncompleteRow& row : rows) {
        simcam_set_shape(row.shape);
        EXPECT_EQ(init_camera(), row.result) << row.name;
        EXPECT_FALSE(is_camera_active()) << row.name;
        // A second attempt starts afresh: what the first one held is released first.
        EXPECT_EQ(init_camera(), row.result) << row.name;
        EXPECT_FALSE(is_camera_active()) << row.name;
        close_camera();
    }
}

TEST_F(CameraTest, NoCameraLeavesNothingOpenAndClosingAClosedConnectionIsHarmless) {
    simcam_plug(false);
    EXPECT_EQ(init_camera(), -1);
    EXPECT_EQ(g_masterPort, nullptr);
    EXPECT_EQ(g_iterator, nullptr);
    EXPECT_EQ(g_usbDeviceRef, nullptr);
    EXPECT_TRUE(lines().empty());
    close_camera();
    close_camera();
    EXPECT_FALSE(is_camera_active());
    simcam_plug(true);
    connect();
    close_camera();
    close_camera();
    EXPECT_FALSE(is_camera_active());
    EXPECT_EQ(g_intf, nullptr);
    EXPECT_EQ(g_dev, nullptr);
}

TEST_F(CameraTest, UnplugClosesTheConnectionAndStopsTheLivePicture) {
    connect();
    live_monoitor_start();
    simcam_plug(false);
    EXPECT_TRUE(is_camera_active());  // the notice comes from the event loop
    run_posted();
    EXPECT_FALSE(is_camera_active());
    EXPECT_EQ(g_masterPort, nullptr);
    EXPECT_EQ(g_notification, nullptr);
    EXPECT_FALSE(g_live_monitor_now);
}

}  // namespace
