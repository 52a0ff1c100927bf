// The libusb backend of the USB layer against a programmable fake device, opened by the
// camera connection as the program opens it: lookup, configuration, interface and pipes,
// halts, the write completion inside the nested wait, reads with their time-outs, stalls,
// and the removal notice.

#include "usb/fake_usb_device.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <memory>
#include <utility>

#include "camera/protocol.h"
#include "camera/usb_connection.h"
#include "platform/events.h"
#include "platform/usb.h"

namespace {

constexpr FakeEndpoint kBulkOut{0x02, 2}, kBulkIn{0x81, 2}, kIntrIn{0x83, 3}, kBulkIn2{0x84, 2};

// How often a callback came and what it last carried; each call ends the event loop's wait.
template <class A, class B>
struct Heard {
    int calls = 0;
    A first{};
    B second{};
    bool operator==(const Heard&) const = default;
    template <class... Rest>
    static void note(void* refcon, A a, B b, Rest...) {
        auto* h = static_cast<Heard*>(refcon);
        *h = Heard{h->calls + 1, a, b};
        QuitCurrentEventLoop();
    }
};
using Completion = Heard<OSStatus, std::uint32_t>;  // result, bytes written
using Notice = Heard<UsbService, std::uint32_t>;    // service, message

// A pipe's properties as {status, direction, number, type}.
using Pipe = std::array<int, 4>;

Pipe pipe(std::uint8_t ref) {
    std::uint8_t dir = 0, number = 0, type = 0, interval = 0;
    std::uint16_t max_packet = 0;
    OSStatus err =
        USBInterfaceGetPipeProperties(g_intf, ref, &dir, &number, &type, &max_packet, &interval);
    return {int(err), dir, number, type};
}

class UsbLayer : public ::testing::Test {
  protected:
    // Plugs the device in and opens the camera on it.
    OSErr open(const FakeDeviceShape& shape) {
        fake = std::make_unique<FakeUsbDevice>(shape);
        return init_camera();
    }

    // Reads from the IN pipe into buf, waiting at most wait_ms.
    OSStatus read(std::uint32_t* size, std::uint32_t wait_ms = 5000) {
        return USBInterfaceReadPipeTO(g_intf, g_inPipeRef, buf.data(), size, wait_ms, wait_ms);
    }

    void TearDown() override {
        close_camera();
        fake.reset();
    }

    std::unique_ptr<FakeUsbDevice> fake;
    std::vector<std::uint8_t> buf = std::vector<std::uint8_t>(65536);
};

TEST_F(UsbLayer, FindsTheDeviceSetsItsFirstConfigurationAndDescribesItsPipesInEndpointOrder) {
    EXPECT_EQ(open({.product = kCameraProductID + 1}), -1);
    EXPECT_EQ(g_masterPort, nullptr);
    TearDown();
    EXPECT_EQ(open({.has_interface = false}), -1);
    EXPECT_NE(g_dev, nullptr) << "the device opened";
    EXPECT_EQ(g_usbInterfaceRef, nullptr);
    TearDown();
    ASSERT_EQ(open({.settings = {{kBulkOut, kBulkIn, kIntrIn, kBulkIn2}}, .configured = false}), 0);
    std::uint8_t count = 0;
    EXPECT_EQ(USBDeviceGetNumberOfConfigurations(g_dev, &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(fake->seen().configuration, 3);
    // Pipe properties follow endpoint order and end after the last pipe.
    ASSERT_EQ(USBInterfaceGetNumEndpoints(g_intf, &count), 0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(pipe(1), (Pipe{0, kUSBOut, 2, kUSBBulk}));
    EXPECT_EQ(pipe(2), (Pipe{0, kUSBIn, 1, kUSBBulk}));
    EXPECT_EQ(pipe(3), (Pipe{0, kUSBIn, 3, kUSBInterrupt}));
    EXPECT_EQ(pipe(4), (Pipe{0, kUSBIn, 4, kUSBBulk}));
    EXPECT_EQ(pipe(5)[0], kUSBErrorBadArgument);
}

// A halted pipe stalls every transfer until the host clears it, as an earlier run that
// ended on a stall leaves it: opening the interface and selecting a setting clear it. The
// empty default setting makes the camera select setting 1, whose pipes then count.
TEST_F(UsbLayer, OpeningAndSelectingASettingClearHaltedPipesAndASettingBringsItsOwn) {
    const std::vector<FakeEndpoint> pipes = {kBulkIn, kBulkOut};
    for (const FakeDeviceShape& shape :
         {FakeDeviceShape{.settings = {pipes}, .halted = true},
          FakeDeviceShape{.settings = {{}, pipes}, .halted = true}}) {
        ASSERT_EQ(open(shape), 0);
        EXPECT_EQ(fake->seen().configuration, -1) << "setting the active one again resets";
        EXPECT_EQ(fake->seen().alternate, shape.settings[0].empty() ? 1 : -1);
        fake->answer_in({std::vector<std::uint8_t>(32), 0});
        do_tel_zoom();
        EXPECT_EQ(fake->seen().written.size(), 1u);
        EXPECT_TRUE(is_camera_active());
        TearDown();
    }
}

TEST_F(UsbLayer, WriteCompletesInsideTheNestedWaitOnlyOrIsDroppedOnCloseAndInPipesRefuseIt) {
    ASSERT_EQ(open({}), 0);
    ASSERT_EQ(USBInterfaceAddAsyncEventSource(g_intf), 0);
    std::vector<std::uint8_t> block(32, 0x5A);
    Completion c;
    ASSERT_EQ(USBInterfaceWritePipeAsync(g_intf, 1, block.data(), 32, Completion::note<>, &c), 0);
    block.assign(32, 0xEE);  // the layer holds its own copy of the bytes
    EXPECT_EQ(c.calls, 0);
    EXPECT_EQ(RunCurrentEventLoop(5.0), 0);
    EXPECT_EQ(c, (Completion{1, 0, 32}));
    EXPECT_EQ(fake->seen().written, std::vector(1, std::vector<std::uint8_t>(32, 0x5A)));
    EXPECT_EQ(USBInterfaceWritePipeAsync(g_intf, 2, block.data(), 32, Completion::note<>, &c),
              kUSBErrorBadArgument)
        << "pipe 2 is an IN pipe";
    fake->hold_writes(true);
    ASSERT_EQ(USBInterfaceWritePipeAsync(g_intf, 1, block.data(), 32, Completion::note<>, &c), 0);
    EXPECT_EQ(RunCurrentEventLoop(0.02), 1) << "the wait runs out";
    close_camera();
    RunCurrentEventLoop(0.01);
    EXPECT_EQ(c.calls, 1) << "the write dropped on closing never completes";
}

TEST_F(UsbLayer, ReadsReportWhatArrivedTimeOutOrStallOnlyTheirPipe) {
    ASSERT_EQ(open({}), 0);
    const struct {
        FakeInAnswer answer;
        std::uint32_t asked;
        OSStatus result;
        OSStatus pipe_status;
    } rows[] = {
        {{std::vector<std::uint8_t>(32, 0x40), 0}, 32, 0, 0},
        {{std::vector<std::uint8_t>(9, 0xAB), 0}, 65536, 0, 0},
        {{}, 32, kUSBErrorTimeout, 0},  // no answer
        {{{}, EPIPE}, 32, kUSBPipeStalled, kUSBPipeStalled},
    };
    for (const auto& row : rows) {
        std::uint32_t size = row.asked;
        const bool answered = row.result != kUSBErrorTimeout;
        if (answered) fake->answer_in(row.answer);
        EXPECT_EQ(read(&size, answered ? 5000 : 20), row.result);
        EXPECT_EQ(std::vector<std::uint8_t>(buf.begin(), buf.begin() + size), row.answer.data);
        EXPECT_EQ(USBInterfaceGetPipeStatus(g_intf, 2), row.pipe_status);
    }
    EXPECT_EQ(USBInterfaceGetPipeStatus(g_intf, 1), 0);
}

// The device found gone by a transfer or unplugged; the interest released before the event
// loop runs or not.
TEST_F(UsbLayer, RemovalNoticeArrivesOnceFromTheEventLoopUnlessTheInterestIsReleased) {
    const std::pair<bool, bool> ways[] = {{true, true}, {true, false}, {false, false}};
    for (const auto& [vanish, release] : ways) {
        SCOPED_TRACE(vanish ? "found gone" : "unplugged");
        ASSERT_EQ(open({}), 0);
        // The test's own interest stands in for the camera's, which would close everything.
        USBNotificationRelease(g_notification);
        g_notification = nullptr;
        Notice n;
        UsbNotification mine = nullptr;
        USBAddInterestNotification(g_NotifyPort, g_usbDeviceRef, Notice::note<void*>, &n, &mine);
        vanish ? fake->vanish() : fake->unplug();
        for (int i = 0; vanish && i < 2; ++i) {
            std::uint32_t size = 32;
            EXPECT_EQ(read(&size), kUSBErrorNoDevice);
        }
        if (release) USBNotificationRelease(mine);
        EXPECT_EQ(n.calls, 0);
        EXPECT_EQ(RunCurrentEventLoop(release ? 0.01 : 5.0), release ? 1 : 0);
        RunCurrentEventLoop(0.01);
        EXPECT_EQ(n,
                  (release ? Notice{} : Notice{1, g_usbDeviceRef, kUSBMessageServiceIsTerminated}));
        if (!release) USBNotificationRelease(mine);
        TearDown();
    }
}

}  // namespace

int main(int argc, char** argv) {
    InitToolbox(0, nullptr);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
