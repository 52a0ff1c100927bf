// The libusb backend of the USB layer against a programmable fake device: lookup,
// configuration, interface and pipes, the write completion inside the nested wait,
// reads with their time-outs, stalls, and the removal notice.

#include "usb/fake_usb_device.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>

#include "camera/protocol.h"
#include "camera/transfer.h"
#include "camera/usb_connection.h"
#include "platform/events.h"
#include "platform/usb.h"

namespace {

constexpr std::uint16_t kVendor = 0x1234, kProduct = 0x5678;
constexpr FakeEndpoint kBulkOut{0x02, 2, 512, 0}, kBulkIn{0x81, 2, 512, 0}, kIntrIn{0x83, 3, 8, 4},
    kBulkIn2{0x84, 2, 512, 0};

FakeDeviceShape shape_with(std::vector<std::vector<FakeEndpoint>> settings, bool configured = true,
                           bool has_interface = true) {
    return FakeDeviceShape{kVendor, kProduct, 3, configured, has_interface, std::move(settings)};
}

struct Completion {
    int calls = 0;
    OSStatus result = 1;
    std::uint32_t bytes = 0;
};

void on_complete(void* refcon, OSStatus result, std::uint32_t bytes) {
    auto* c = static_cast<Completion*>(refcon);
    ++c->calls;
    c->result = result;
    c->bytes = bytes;
    QuitCurrentEventLoop();
}

struct Notice {
    int calls = 0;
    UsbService service = nullptr;
    std::uint32_t message = 0;
};

void on_notice(void* refcon, UsbService service, std::uint32_t message, void*) {
    auto* n = static_cast<Notice*>(refcon);
    ++n->calls;
    n->service = service;
    n->message = message;
    QuitCurrentEventLoop();
}

// Opens the device and its first interface the way the camera connection does.
class UsbLayer : public ::testing::Test {
  protected:
    void plug(const FakeDeviceShape& shape) {
        fake = std::make_unique<FakeUsbDevice>(shape);
        ASSERT_EQ(USBMasterPortCreate(&port), 0);
    }

    void open_device() {
        ASSERT_EQ(USBGetMatchingDevices(port, kVendor, kProduct, &devices), 0);
        service = USBIteratorNext(devices);
        ASSERT_NE(service, nullptr);
        ASSERT_EQ(USBDeviceCreate(service, &dev), 0);
        ASSERT_EQ(USBDeviceOpen(dev), 0);
        std::uint8_t value = 0;
        ASSERT_EQ(USBDeviceGetConfigurationValue(dev, 0, &value), 0);
        ASSERT_EQ(USBDeviceSetConfiguration(dev, value), 0);
    }

    void open_interface() {
        open_device();
        UsbInterfaceRequest any{kUSBDontCare, kUSBDontCare, kUSBDontCare, kUSBDontCare};
        ASSERT_EQ(USBDeviceCreateInterfaceIterator(dev, &any, &interfaces), 0);
        intf_service = USBIteratorNext(interfaces);
        ASSERT_NE(intf_service, nullptr);
        ASSERT_EQ(USBInterfaceCreate(intf_service, &intf), 0);
        ASSERT_EQ(USBInterfaceOpen(intf), 0);
    }

    void watch_removal(Notice* n) {
        ASSERT_EQ(USBNotificationPortCreate(port, &notify_port), 0);
        ASSERT_EQ(USBAddInterestNotification(notify_port, service, on_notice, n, &notification), 0);
    }

    void TearDown() override {
        USBNotificationRelease(notification);
        USBNotificationPortDestroy(notify_port);
        if (intf) {
            USBInterfaceClose(intf);
            USBInterfaceRelease(intf);
        }
        USBServiceRelease(intf_service);
        USBIteratorRelease(interfaces);
        if (dev) {
            USBDeviceClose(dev);
            USBDeviceRelease(dev);
        }
        USBServiceRelease(service);
        USBIteratorRelease(devices);
        USBMasterPortRelease(port);
        fake.reset();
    }

    std::unique_ptr<FakeUsbDevice> fake;
    UsbMasterPort port = nullptr;
    UsbIterator devices = nullptr, interfaces = nullptr;
    UsbService service = nullptr, intf_service = nullptr;
    UsbDeviceInterface dev = nullptr;
    UsbInterfaceInterface intf = nullptr;
    UsbNotificationPort notify_port = nullptr;
    UsbNotification notification = nullptr;
};

TEST_F(UsbLayer, FindsTheDeviceOnlyByItsVendorAndProduct) {
    plug(shape_with({{kBulkOut, kBulkIn}}));
    UsbIterator other = nullptr;
    ASSERT_EQ(USBGetMatchingDevices(port, kVendor, kProduct + 1, &other), 0);
    EXPECT_EQ(USBIteratorNext(other), nullptr);
    USBIteratorRelease(other);
    ASSERT_EQ(USBGetMatchingDevices(port, kVendor, kProduct, &devices), 0);
    service = USBIteratorNext(devices);
    EXPECT_NE(service, nullptr);
    EXPECT_EQ(USBIteratorNext(devices), nullptr);
}

TEST_F(UsbLayer, SelectsTheFirstConfigurationOfAnUnconfiguredDevice) {
    plug(shape_with({{kBulkOut, kBulkIn}}, false));
    open_device();
    std::uint8_t count = 0;
    EXPECT_EQ(USBDeviceGetNumberOfConfigurations(dev, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(fake->configuration_set(), 3);
}

TEST_F(UsbLayer, DeviceWithoutInterfaceYieldsNoInterfaceService) {
    plug(shape_with({}, true, false));
    open_device();
    UsbInterfaceRequest any{kUSBDontCare, kUSBDontCare, kUSBDontCare, kUSBDontCare};
    ASSERT_EQ(USBDeviceCreateInterfaceIterator(dev, &any, &interfaces), 0);
    EXPECT_EQ(USBIteratorNext(interfaces), nullptr);
}

TEST_F(UsbLayer, PipePropertiesFollowEndpointOrderAndEndAfterTheLastPipe) {
    plug(shape_with({{kBulkOut, kBulkIn, kIntrIn, kBulkIn2}}));
    open_interface();
    std::uint8_t count = 0;
    ASSERT_EQ(USBInterfaceGetNumEndpoints(intf, &count), 0);
    EXPECT_EQ(count, 4);
    struct Row {
        std::uint8_t dir, number, type;
        std::uint16_t max_packet;
        std::uint8_t interval;
    };
    const Row want[] = {{kUSBOut, 2, kUSBBulk, 512, 0},
                        {kUSBIn, 1, kUSBBulk, 512, 0},
                        {kUSBIn, 3, kUSBInterrupt, 8, 4},
                        {kUSBIn, 4, kUSBBulk, 512, 0}};
    for (std::uint8_t pipe = 1; pipe <= 4; ++pipe) {
        Row got{};
        ASSERT_EQ(USBInterfaceGetPipeProperties(intf, pipe, &got.dir, &got.number, &got.type,
                                                &got.max_packet, &got.interval),
                  0);
        const Row& w = want[pipe - 1];
        EXPECT_EQ(got.dir, w.dir) << int(pipe);
        EXPECT_EQ(got.number, w.number) << int(pipe);
        EXPECT_EQ(got.type, w.type) << int(pipe);
        EXPECT_EQ(got.max_packet, w.max_packet) << int(pipe);
        EXPECT_EQ(got.interval, w.interval) << int(pipe);
    }
    Row past{};
    EXPECT_EQ(USBInterfaceGetPipeProperties(intf, 5, &past.dir, &past.number, &past.type,
                                            &past.max_packet, &past.interval),
              kUSBErrorBadArgument);
}

TEST_F(UsbLayer, AlternateSettingOneBringsItsOwnPipes) {
    plug(shape_with({{}, {kBulkIn, kBulkOut}}));
    open_interface();
    std::uint8_t count = 9;
    ASSERT_EQ(USBInterfaceGetNumEndpoints(intf, &count), 0);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(USBInterfaceSetAlternateInterface(intf, 1), 0);
    EXPECT_EQ(fake->alternate_set(), 1);
    ASSERT_EQ(USBInterfaceGetNumEndpoints(intf, &count), 0);
    EXPECT_EQ(count, 2);
    std::uint8_t dir = 9, number = 0, type = 0, interval = 0;
    std::uint16_t max_packet = 0;
    ASSERT_EQ(USBInterfaceGetPipeProperties(intf, 1, &dir, &number, &type, &max_packet, &interval),
              0);
    EXPECT_EQ(dir, kUSBIn);
    EXPECT_EQ(USBInterfaceGetPipeProperties(intf, 3, &dir, &number, &type, &max_packet, &interval),
              kUSBErrorBadArgument);
}

TEST_F(UsbLayer, WriteCompletionArrivesInsideTheNestedWaitOnlyAndInPipesRefuseWrites) {
    plug(shape_with({{kBulkOut, kBulkIn}}));
    open_interface();
    ASSERT_EQ(USBInterfaceAddAsyncEventSource(intf), 0);
    std::vector<std::uint8_t> block(32);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = std::uint8_t(i * 7);
    Completion c;
    ASSERT_EQ(USBInterfaceWritePipeAsync(intf, 1, block.data(), 32, on_complete, &c), 0);
    block.assign(32, 0xEE);  // the layer holds its own copy of the bytes
    EXPECT_EQ(c.calls, 0);
    EXPECT_EQ(RunCurrentEventLoop(5.0), 0);
    EXPECT_EQ(c.calls, 1);
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.bytes, 32u);
    ASSERT_EQ(fake->written().size(), 1u);
    EXPECT_EQ(fake->written()[0][31], std::uint8_t(31 * 7));
    EXPECT_EQ(USBInterfaceWritePipeAsync(intf, 2, block.data(), 32, on_complete, &c),
              kUSBErrorBadArgument)
        << "pipe 2 is an IN pipe";
    USBInterfaceRemoveAsyncEventSource(intf);
    EXPECT_EQ(c.calls, 1);
}

TEST_F(UsbLayer, WriteThatNeverCompletesLetsTheWaitRunOutAndIsDroppedOnClose) {
    plug(shape_with({{kBulkOut, kBulkIn}}));
    open_interface();
    fake->hold_writes(true);
    ASSERT_EQ(USBInterfaceAddAsyncEventSource(intf), 0);
    std::uint8_t block[32] = {};
    Completion c;
    ASSERT_EQ(USBInterfaceWritePipeAsync(intf, 1, block, 32, on_complete, &c), 0);
    EXPECT_EQ(RunCurrentEventLoop(0.02), 1);
    USBInterfaceRemoveAsyncEventSource(intf);
    EXPECT_EQ(USBInterfaceClose(intf), 0);
    RunCurrentEventLoop(0.01);
    EXPECT_EQ(c.calls, 0);
}

TEST_F(UsbLayer, ReadsReportTheCountThatArrived) {
    plug(shape_with({{kBulkOut, kBulkIn}}));
    open_interface();
    std::vector<std::uint8_t> response(32);
    response[8] = 0;
    response[12] = 0x40;
    fake->answer_in({response, 0, false});
    fake->answer_in({std::vector<std::uint8_t>(9, 0xAB), 0, false});
    std::vector<std::uint8_t> buf(65536);
    std::uint32_t size = 32;
    EXPECT_EQ(USBInterfaceReadPipeTO(intf, 2, buf.data(), &size, 5000, 5000), 0);
    EXPECT_EQ(size, 32u);
    EXPECT_EQ(buf[12], 0x40);
    size = 65536;
    EXPECT_EQ(USBInterfaceReadPipeTO(intf, 2, buf.data(), &size, 5000, 5000), 0);
    EXPECT_EQ(size, 9u);
    EXPECT_EQ(buf[8], 0xAB);
}

TEST_F(UsbLayer, ReadWithoutDataTimesOutAndAStallMarksOnlyThatPipeStalled) {
    plug(shape_with({{kBulkOut, kBulkIn}}));
    open_interface();
    fake->answer_in({{}, 0, true});
    fake->answer_in({{}, EPIPE, false});
    std::uint8_t buf[32];
    std::uint32_t size = 32;
    EXPECT_EQ(USBInterfaceReadPipeTO(intf, 2, buf, &size, 20, 20), kUSBErrorTimeout);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(USBInterfaceGetPipeStatus(intf, 2), 0);
    size = 32;
    EXPECT_EQ(USBInterfaceReadPipeTO(intf, 2, buf, &size, 5000, 5000), kUSBPipeStalled);
    EXPECT_EQ(USBInterfaceGetPipeStatus(intf, 2), kUSBPipeStalled);
    EXPECT_EQ(USBInterfaceGetPipeStatus(intf, 1), 0);
}

// How the device goes away, and whether the interest is released before the event loop runs.
struct Removal {
    const char* name;
    bool vanish;   // found gone by a transfer rather than unplugged
    bool release;  // interest released before the notice is delivered
};

class UsbRemoval : public UsbLayer, public ::testing::WithParamInterface<Removal> {};

TEST_P(UsbRemoval, NoticeArrivesOnceFromTheEventLoopUnlessTheInterestIsReleased) {
    const Removal& r = GetParam();
    plug(shape_with({{kBulkOut, kBulkIn}}));
    open_interface();
    Notice n;
    watch_removal(&n);
    if (r.vanish) {
        fake->vanish();
        std::uint8_t buf[32];
        std::uint32_t size = 32;
        EXPECT_EQ(USBInterfaceReadPipeTO(intf, 2, buf, &size, 5000, 5000), kUSBErrorNoDevice);
        EXPECT_EQ(USBInterfaceReadPipeTO(intf, 2, buf, &size, 5000, 5000), kUSBErrorNoDevice);
    } else {
        fake->unplug();
    }
    if (r.release) {
        USBNotificationRelease(notification);
        notification = nullptr;
    }
    EXPECT_EQ(n.calls, 0);
    EXPECT_EQ(RunCurrentEventLoop(r.release ? 0.01 : 5.0), r.release ? 1 : 0);
    RunCurrentEventLoop(0.01);
    EXPECT_EQ(n.calls, r.release ? 0 : 1);
    if (!r.release) {
        EXPECT_EQ(n.service, service);
        EXPECT_EQ(n.message, kUSBMessageServiceIsTerminated);
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, UsbRemoval,
                         ::testing::Values(Removal{"Unplugged", false, false},
                                           Removal{"FoundGoneByATransfer", true, false},
                                           Removal{"InterestReleased", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The camera connection itself over this backend: it picks the first bulk pipes, a command
// goes out and its answer comes back, and unplugging closes it. What the command holds is
// the camera suites' concern.
TEST(CameraOverLibusb, OpensExchangesAndClosesOnUnplug) {
    FakeUsbDevice fake(FakeDeviceShape{kCameraVendorID,
                                       kCameraProductID,
                                       1,
                                       true,
                                       true,
                                       {{kIntrIn, kBulkIn, kBulkOut, kBulkIn2}}});
    ASSERT_EQ(init_camera(), 0);
    EXPECT_TRUE(is_camera_active());
    EXPECT_EQ(g_inPipeRef, 2);
    EXPECT_EQ(g_outPipeRef, 3);
    fake.answer_in({std::vector<std::uint8_t>(32, 0), 0, false});
    do_tel_zoom();
    ASSERT_EQ(fake.written().size(), 1u);
    EXPECT_EQ(fake.written()[0].size(), 32u);
    EXPECT_EQ(g_last_callback_arg0, 32u);
    EXPECT_TRUE(is_camera_active());
    fake.unplug();
    for (int i = 0; i < 100 && is_camera_active(); ++i) RunCurrentEventLoop(0.01);
    EXPECT_FALSE(is_camera_active());
    EXPECT_EQ(g_masterPort, nullptr);
    close_camera();
}

// A halted pipe stalls every transfer until the host clears it. Opening the connection
// clears both bulk pipes, whether an earlier run left them halted or a stall in this run
// closed the connection, so the camera answers again after each reopening.
TEST(CameraOverLibusb, OpeningClearsHaltedPipesSoAStalledCameraRecovers) {
    FakeUsbDevice fake(
        FakeDeviceShape{kCameraVendorID, kCameraProductID, 1, true, true, {{kBulkIn, kBulkOut}}});
    fake.halt(kBulkIn.address);
    fake.halt(kBulkOut.address);
    const std::vector<std::uint8_t> answer(32, 0);
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(init_camera(), 0) << run;
        fake.answer_in({answer, 0, false});
        do_tel_zoom();
        EXPECT_EQ(fake.written().size(), std::size_t(2 * run + 1)) << run;
        EXPECT_TRUE(is_camera_active()) << run;
        fake.answer_in({{}, EPIPE, false});
        do_tel_zoom();
        EXPECT_FALSE(is_camera_active()) << run;
    }
    close_camera();
}

}  // namespace

int main(int argc, char** argv) {
    InitToolbox(0, nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
