// The libusb backend of the USB layer against a programmable fake device: lookup,
// configuration, interface and pipes, halts, the write completion inside the nested wait,
// reads with their time-outs, stalls, and the removal notice.

#include "usb/fake_usb_device.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <memory>

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
    *c = Completion{c->calls + 1, result, bytes};
    QuitCurrentEventLoop();
}

struct Notice {
    int calls = 0;
    UsbService service = nullptr;
    std::uint32_t message = 0;
};

void on_notice(void* refcon, UsbService service, std::uint32_t message, void*) {
    auto* n = static_cast<Notice*>(refcon);
    *n = Notice{n->calls + 1, service, message};
    QuitCurrentEventLoop();
}

// A pipe's properties as {status, direction, number, type, max packet, interval}.
using Pipe = std::array<int, 6>;

// Opens the device and its first interface the way the camera connection does.
class UsbLayer : public ::testing::Test {
  protected:
    void open_device(const FakeDeviceShape& shape) {
        fake = std::make_unique<FakeUsbDevice>(shape);
        ASSERT_EQ(USBMasterPortCreate(&port), 0);
        ASSERT_EQ(USBGetMatchingDevices(port, kVendor, kProduct, &devices), 0);
        service = USBIteratorNext(devices);
        ASSERT_NE(service, nullptr);
        ASSERT_EQ(USBDeviceCreate(service, &dev), 0);
        ASSERT_EQ(USBDeviceOpen(dev), 0);
        std::uint8_t value = 0;
        ASSERT_EQ(USBDeviceGetConfigurationValue(dev, 0, &value), 0);
        ASSERT_EQ(USBDeviceSetConfiguration(dev, value), 0);
    }

    // Halted: both bulk endpoints are halted before the interface opens.
    void open_interface(const FakeDeviceShape& shape, bool halted = false) {
        open_device(shape);
        if (halted) halt();
        UsbInterfaceRequest any{kUSBDontCare, kUSBDontCare, kUSBDontCare, kUSBDontCare};
        ASSERT_EQ(USBDeviceCreateInterfaceIterator(dev, &any, &interfaces), 0);
        intf_service = USBIteratorNext(interfaces);
        ASSERT_NE(intf_service, nullptr);
        ASSERT_EQ(USBInterfaceCreate(intf_service, &intf), 0);
        ASSERT_EQ(USBInterfaceOpen(intf), 0);
    }

    void halt() {
        fake->halt(kBulkIn.address);
        fake->halt(kBulkOut.address);
    }

    Pipe pipe(std::uint8_t ref) {
        std::uint8_t dir = 0, number = 0, type = 0, interval = 0;
        std::uint16_t max_packet = 0;
        OSStatus err =
            USBInterfaceGetPipeProperties(intf, ref, &dir, &number, &type, &max_packet, &interval);
        return {int(err), dir, number, type, max_packet, interval};
    }

    // Queues the answer and reads it from pipe 2 into buf, waiting at most wait_ms.
    OSStatus read(const FakeInAnswer& answer, std::uint32_t* size, std::uint32_t wait_ms = 5000) {
        fake->answer_in(answer);
        return USBInterfaceReadPipeTO(intf, 2, buf.data(), size, wait_ms, wait_ms);
    }

    // Starts writing 32 bytes of block to the pipe, the completion going to c.
    OSStatus write(const std::uint8_t* block, Completion* c, std::uint8_t pipe_ref = 1) {
        EXPECT_EQ(USBInterfaceAddAsyncEventSource(intf), 0);
        return USBInterfaceWritePipeAsync(intf, pipe_ref, block, 32, on_complete, c);
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
    std::vector<std::uint8_t> buf = std::vector<std::uint8_t>(65536);
    UsbMasterPort port = nullptr;
    UsbIterator devices = nullptr, interfaces = nullptr;
    UsbService service = nullptr, intf_service = nullptr;
    UsbDeviceInterface dev = nullptr;
    UsbInterfaceInterface intf = nullptr;
    UsbNotificationPort notify_port = nullptr;
    UsbNotification notification = nullptr;
};

TEST_F(UsbLayer, FindsTheDeviceOnlyByItsVendorAndProductAndSelectsItsFirstConfiguration) {
    open_device(shape_with({{kBulkOut, kBulkIn}}, false));
    EXPECT_EQ(USBIteratorNext(devices), nullptr);
    UsbIterator other = nullptr;
    ASSERT_EQ(USBGetMatchingDevices(port, kVendor, kProduct + 1, &other), 0);
    EXPECT_EQ(USBIteratorNext(other), nullptr);
    USBIteratorRelease(other);
    std::uint8_t count = 0;
    EXPECT_EQ(USBDeviceGetNumberOfConfigurations(dev, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(fake->seen().configuration, 3);
}

TEST_F(UsbLayer, DeviceWithoutInterfaceYieldsNoInterfaceService) {
    open_device(shape_with({}, true, false));
    UsbInterfaceRequest any{kUSBDontCare, kUSBDontCare, kUSBDontCare, kUSBDontCare};
    ASSERT_EQ(USBDeviceCreateInterfaceIterator(dev, &any, &interfaces), 0);
    EXPECT_EQ(USBIteratorNext(interfaces), nullptr);
}

TEST_F(UsbLayer, PipePropertiesFollowEndpointOrderAndEndAfterTheLastPipe) {
    open_interface(shape_with({{kBulkOut, kBulkIn, kIntrIn, kBulkIn2}}));
    std::uint8_t count = 0;
    ASSERT_EQ(USBInterfaceGetNumEndpoints(intf, &count), 0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(fake->seen().configuration, -1) << "setting the active one again resets the device";
    EXPECT_EQ(pipe(1), (Pipe{0, kUSBOut, 2, kUSBBulk, 512, 0}));
    EXPECT_EQ(pipe(2), (Pipe{0, kUSBIn, 1, kUSBBulk, 512, 0}));
    EXPECT_EQ(pipe(3), (Pipe{0, kUSBIn, 3, kUSBInterrupt, 8, 4}));
    EXPECT_EQ(pipe(4), (Pipe{0, kUSBIn, 4, kUSBBulk, 512, 0}));
    EXPECT_EQ(pipe(5)[0], kUSBErrorBadArgument);
}

// A halted pipe stalls every transfer until the host clears it, as an earlier run that
// ended on a stall leaves it: opening the interface and selecting a setting clear it.
TEST_F(UsbLayer, OpeningAndSelectingASettingClearHaltedBulkPipes) {
    open_interface(shape_with({{kBulkOut, kBulkIn}, {kBulkOut, kBulkIn}}), true);
    for (int setting : {0, 1}) {
        if (setting == 1) {
            halt();
            ASSERT_EQ(USBInterfaceSetAlternateInterface(intf, 1), 0);
        }
        std::uint32_t size = 32;
        EXPECT_EQ(read({std::vector<std::uint8_t>(32), 0, false}, &size), 0) << setting;
        Completion c;
        ASSERT_EQ(write(buf.data(), &c), 0);
        RunCurrentEventLoop(5.0);
        EXPECT_EQ(c.result, 0) << setting;
    }
}

TEST_F(UsbLayer, AlternateSettingOneBringsItsOwnPipes) {
    open_interface(shape_with({{}, {kBulkIn, kBulkOut}}));
    std::uint8_t count = 9;
    ASSERT_EQ(USBInterfaceGetNumEndpoints(intf, &count), 0);
    EXPECT_EQ(count, 0);
    ASSERT_EQ(USBInterfaceSetAlternateInterface(intf, 1), 0);
    EXPECT_EQ(fake->seen().alternate, 1);
    ASSERT_EQ(USBInterfaceGetNumEndpoints(intf, &count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(pipe(1)[1], kUSBIn);
    EXPECT_EQ(pipe(3)[0], kUSBErrorBadArgument);
}

TEST_F(UsbLayer, WriteCompletionArrivesInsideTheNestedWaitOnlyAndInPipesRefuseWrites) {
    open_interface(shape_with({{kBulkOut, kBulkIn}}));
    std::vector<std::uint8_t> block(32);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = std::uint8_t(i * 7);
    Completion c;
    ASSERT_EQ(write(block.data(), &c), 0);
    block.assign(32, 0xEE);  // the layer holds its own copy of the bytes
    EXPECT_EQ(c.calls, 0);
    EXPECT_EQ(RunCurrentEventLoop(5.0), 0);
    EXPECT_EQ(c.calls, 1);
    EXPECT_EQ(c.result, 0);
    EXPECT_EQ(c.bytes, 32u);
    ASSERT_EQ(fake->seen().written.size(), 1u);
    EXPECT_EQ(fake->seen().written[0][31], std::uint8_t(31 * 7));
    EXPECT_EQ(write(block.data(), &c, 2), kUSBErrorBadArgument) << "pipe 2 is an IN pipe";
    USBInterfaceRemoveAsyncEventSource(intf);
    EXPECT_EQ(c.calls, 1);
}

TEST_F(UsbLayer, WriteThatNeverCompletesLetsTheWaitRunOutAndIsDroppedOnClose) {
    open_interface(shape_with({{kBulkOut, kBulkIn}}));
    fake->hold_writes(true);
    Completion c;
    ASSERT_EQ(write(buf.data(), &c), 0);
    EXPECT_EQ(RunCurrentEventLoop(0.02), 1);
    USBInterfaceRemoveAsyncEventSource(intf);
    EXPECT_EQ(USBInterfaceClose(intf), 0);
    RunCurrentEventLoop(0.01);
    EXPECT_EQ(c.calls, 0);
}

TEST_F(UsbLayer, ReadsReportWhatArrivedTimeOutOrStallOnlyTheirPipe) {
    open_interface(shape_with({{kBulkOut, kBulkIn}}));
    struct Row {
        FakeInAnswer answer;
        std::uint32_t asked;
        OSStatus result;
        OSStatus pipe_status;
    };
    const Row rows[] = {
        {{std::vector<std::uint8_t>(32, 0x40), 0, false}, 32, 0, 0},
        {{std::vector<std::uint8_t>(9, 0xAB), 0, false}, 65536, 0, 0},
        {{{}, 0, true}, 32, kUSBErrorTimeout, 0},
        {{{}, EPIPE, false}, 32, kUSBPipeStalled, kUSBPipeStalled},
    };
    for (const Row& row : rows) {
        std::uint32_t size = row.asked;
        EXPECT_EQ(read(row.answer, &size, row.answer.never ? 20 : 5000), row.result);
        EXPECT_EQ(std::vector<std::uint8_t>(buf.begin(), buf.begin() + size), row.answer.data);
        EXPECT_EQ(USBInterfaceGetPipeStatus(intf, 2), row.pipe_status);
    }
    EXPECT_EQ(USBInterfaceGetPipeStatus(intf, 1), 0);
}

// How the device goes away, and whether the interest is released before the event loop runs.
struct Removal {
    bool vanish;   // found gone by a transfer rather than unplugged
    bool release;  // interest released before the notice is delivered
};

class UsbRemoval : public UsbLayer, public ::testing::WithParamInterface<Removal> {};

TEST_P(UsbRemoval, NoticeArrivesOnceFromTheEventLoopUnlessTheInterestIsReleased) {
    const Removal& r = GetParam();
    open_interface(shape_with({{kBulkOut, kBulkIn}}));
    Notice n;
    ASSERT_EQ(USBNotificationPortCreate(port, &notify_port), 0);
    ASSERT_EQ(USBAddInterestNotification(notify_port, service, on_notice, &n, &notification), 0);
    if (r.vanish) {
        fake->vanish();
        for (int i = 0; i < 2; ++i) {
            std::uint32_t size = 32;
            EXPECT_EQ(read({}, &size), kUSBErrorNoDevice);
        }
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

INSTANTIATE_TEST_SUITE_P(UnpluggedFoundGoneOrReleased, UsbRemoval,
                         ::testing::Values(Removal{false, false}, Removal{true, false},
                                           Removal{true, true}));

}  // namespace

int main(int argc, char** argv) {
    InitToolbox(0, nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
