// The libusb backend of the USB layer against a programmable fake device, opened by the
// camera connection as the program opens it: lookup, configuration, interface and pipes,
// halts, the write completion inside the nested wait, reads with their time-outs, stalls,
// and the removal notice. The fake device is umockdev's testbed answering the USB system
// calls libusb makes, on umockdev's handler thread (hence the lock around its state).

// GLib before anything that might define Qt's signal keywords.
#include <glib.h>
#include <umockdev.h>

#include <gtest/gtest.h>
#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "camera/protocol.h"
#include "camera/usb_connection.h"
#include "platform/events.h"
#include "platform/usb.h"

namespace {

constexpr const char* kDevNode = "/dev/bus/usb/001/002";
constexpr const char* kSysPath = "/sys/devices/usb1/1-1";

struct FakeEndpoint {
    std::uint8_t address;     // bit 7 set for IN
    std::uint8_t attributes;  // transfer type in bits 0-1
};

// What the device looks like: interface 0 with one endpoint list per alternate setting;
// by default the camera, configured, with a bulk OUT and a bulk IN pipe.
struct FakeDeviceShape {
    std::vector<std::vector<FakeEndpoint>> settings = {{{0x02, 2}, {0x81, 2}}};
    bool configured = true;  // the configuration is already active when plugged in
    // Every endpoint halted, as an earlier run that ended on a stall leaves them: each
    // transfer stalls until the host clears the halt.
    bool halted = false;
    bool has_interface = true;
    std::uint16_t product = kCameraProductID;
    std::uint8_t configuration_value = 3;
};

// One answer to a read on an IN endpoint.
struct FakeInAnswer {
    std::vector<std::uint8_t> data;  // the bytes sent
    int error;  // 0, or the errno the transfer ends with (EPIPE: a stall that halts the pipe)
};

// What the host did to the device.
struct FakeSeen {
    std::vector<std::vector<std::uint8_t>> written;  // bytes of every completed write
    int configuration = -1;                          // last value set, -1 when none
    int alternate = -1;                              // last alternate setting set, -1 when none
};

// The device descriptor followed by the whole configuration descriptor.
std::vector<std::uint8_t> descriptors(const FakeDeviceShape& s) {
    std::vector<std::uint8_t> body;
    for (std::size_t alt = 0; s.has_interface && alt < s.settings.size(); ++alt) {
        const auto& eps = s.settings[alt];
        body.insert(body.end(),
                    {9, 4, 0, std::uint8_t(alt), std::uint8_t(eps.size()), 0xFF, 0, 0, 0});
        for (const FakeEndpoint& e : eps)
            body.insert(body.end(), {7, 5, e.address, e.attributes, 0x00, 0x02, 0});
    }
    const unsigned total = unsigned(9 + body.size());
    std::vector<std::uint8_t> d = {18, 1, 0x00, 0x02, 0xFF, 0, 0, 64};
    // Vendor, product, release 1.0, no strings, one configuration; then the configuration
    // descriptor's head with its total length, little-endian pairs.
    for (unsigned v :
         {unsigned(kCameraVendorID), unsigned(s.product), 0x0100u, 0u, 0x0100u, 0x0209u, total})
        d.insert(d.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
    d.insert(d.end(), {std::uint8_t(s.has_interface), s.configuration_value, 0, 0x80, 50});
    d.insert(d.end(), body.begin(), body.end());
    return d;
}

// The value of a call's argument of type T.
template <class T>
T argument(UMockdevIoctlData* arg) {
    UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(T), nullptr);
    T value = *reinterpret_cast<T*>(d->data);
    g_object_unref(d);
    return value;
}

class FakeUsbDevice {
  public:
    explicit FakeUsbDevice(const FakeDeviceShape& shape) {
        g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&FakeUsbDevice::on_ioctl), this);
        umockdev_testbed_attach_ioctl(testbed_, kDevNode, handler_, nullptr);
        std::string record = "P: /devices/usb1/1-1\nN: bus/usb/001/002\n";
        for (std::string line :
             {"E: SUBSYSTEM=usb", "E: DEVTYPE=usb_device", "E: DEVNAME=/dev/bus/usb/001/002",
              "E: BUSNUM=001", "E: DEVNUM=002", "E: MAJOR=189", "E: MINOR=1", "A: busnum=1\\n",
              "A: devnum=2\\n", "A: devpath=1\\n", "A: dev=189:1\\n", "A: speed=480\\n",
              "A: bNumConfigurations=1\\n"})
            record += line + "\n";
        record += "A: bNumInterfaces=" + std::to_string(int(shape.has_interface)) + "\\n\n";
        record += "A: bConfigurationValue=" +
                  std::to_string(shape.configured ? shape.configuration_value : 0) + "\\n\n";
        umockdev_testbed_add_from_string(testbed_, record.c_str(), nullptr);
        std::vector<std::uint8_t> d = descriptors(shape);
        umockdev_testbed_set_attribute_binary(testbed_, kSysPath, "descriptors", d.data(),
                                              gint(d.size()));
        for (const auto& setting : shape.settings)
            for (const FakeEndpoint& e : setting)
                if (shape.halted) halted_.insert(e.address);
    }

    ~FakeUsbDevice() {
        for (auto* list : {&flying_, &ready_})
            for (Urb& u : *list) g_object_unref(u.data);
        g_object_unref(handler_);
        g_object_unref(testbed_);
    }

    // Queued, one per read; none: the read waits.
    void answer_in(const FakeInAnswer& answer) {
        std::lock_guard<std::mutex> l(lock_);
        answers_.push_back(answer);
    }

    // Writes stay pending while on.
    void hold_writes(bool on) {
        std::lock_guard<std::mutex> l(lock_);
        hold_writes_ = on;
    }

    // The device stops answering, without an event: transfers still in flight end as its
    // disappearance.
    void vanish() {
        std::lock_guard<std::mutex> l(lock_);
        gone_ = true;
        for (Urb& u : flying_) ready_.push_back(Urb{u.data, -ENODEV, 0, {}});
        flying_.clear();
    }

    // The device goes; its "remove" event follows.
    void unplug() {
        vanish();
        umockdev_testbed_uevent(testbed_, kSysPath, "remove");
    }

    // A copy of what the host did so far.
    FakeSeen seen() {
        std::lock_guard<std::mutex> l(lock_);
        return seen_;
    }

  private:
    struct Urb {
        UMockdevIoctlData* data;  // the client's urb, referenced
        int status;
        int actual;
        std::vector<std::uint8_t> in_bytes;
    };

    static int on_ioctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
        return static_cast<FakeUsbDevice*>(self)->handle(client);
    }

    bool handle(UMockdevIoctlClient* client) {
        std::lock_guard<std::mutex> l(lock_);
        unsigned long request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        auto done = [client](long result, int err) {
            umockdev_ioctl_client_complete(client, result, err);
            return true;
        };
        bool reaping = request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY ||
                       request == USBDEVFS_DISCARDURB;
        if (gone_ && !reaping) return done(-1, ENODEV);
        switch (request) {
            case USBDEVFS_GET_CAPABILITIES: {
                // Without these libusb would split a 65,536-byte read into four, and would
                // not reap what is left once the device is gone.
                UMockdevIoctlData* d =
                    umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
                *reinterpret_cast<guint32*>(d->data) =
                    USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
                g_object_unref(d);
                return done(0, 0);
            }
            case USBDEVFS_SETCONFIGURATION:
                seen_.configuration = int(argument<unsigned>(arg));
                umockdev_testbed_set_attribute(
                    testbed_, kSysPath, "bConfigurationValue",
                    (std::to_string(seen_.configuration) + "\n").c_str());
                return done(0, 0);
            case USBDEVFS_SETINTERFACE:
                seen_.alternate = int(argument<usbdevfs_setinterface>(arg).altsetting);
                return done(0, 0);
            case USBDEVFS_CLEAR_HALT:
                halted_.erase(std::uint8_t(argument<unsigned>(arg)));
                return done(0, 0);
            case USBDEVFS_CLAIMINTERFACE:
            case USBDEVFS_RELEASEINTERFACE:
                return done(0, 0);
            case USBDEVFS_SUBMITURB: {
                UMockdevIoctlData* urb_data =
                    umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
                auto* urb = reinterpret_cast<usbdevfs_urb*>(urb_data->data);
                UMockdevIoctlData* buffer =
                    umockdev_ioctl_data_resolve(urb_data, offsetof(usbdevfs_urb, buffer),
                                                std::size_t(urb->buffer_length), nullptr);
                Urb u{urb_data, 0, 0, {}};
                std::deque<Urb>* to = &ready_;
                const bool in = urb->endpoint & 0x80;
                if (halted_.count(urb->endpoint)) {
                    u.status = -EPIPE;
                } else if (in ? answers_.empty() : hold_writes_) {
                    to = &flying_;  // a read with no answer yet, a write while writes are held
                } else if (!in) {
                    const auto* p = static_cast<const std::uint8_t*>(buffer->data);
                    seen_.written.emplace_back(p, p + urb->buffer_length);
                    u.actual = urb->buffer_length;
                } else {
                    FakeInAnswer a = answers_.front();
                    answers_.pop_front();
                    u.status = -a.error;
                    if (a.error == EPIPE) halted_.insert(urb->endpoint);
                    u.in_bytes = a.data;
                    u.in_bytes.resize(std::min(a.data.size(), std::size_t(urb->buffer_length)));
                    u.actual = int(u.in_bytes.size());
                }
                to->push_back(u);
                g_object_unref(buffer);
                return done(0, 0);
            }
            case USBDEVFS_REAPURB:
            case USBDEVFS_REAPURBNDELAY: {
                if (ready_.empty()) return done(-1, gone_ ? ENODEV : EAGAIN);
                Urb u = ready_.front();
                ready_.pop_front();
                auto* urb = reinterpret_cast<usbdevfs_urb*>(u.data->data);
                urb->status = u.status;
                urb->actual_length = u.actual;
                if (!u.in_bytes.empty())
                    std::memcpy(urb->buffer, u.in_bytes.data(), u.in_bytes.size());
                UMockdevIoctlData* ptr =
                    umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
                umockdev_ioctl_data_set_ptr(ptr, 0, u.data);
                g_object_unref(ptr);
                g_object_unref(u.data);
                return done(0, 0);
            }
            case USBDEVFS_DISCARDURB: {
                gulong address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
                auto it = std::ranges::find_if(
                    flying_, [address](const Urb& u) { return u.data->client_addr == address; });
                if (it == flying_.end()) return done(-1, EINVAL);
                ready_.push_back(Urb{it->data, -ENOENT, 0, {}});
                flying_.erase(it);
                return done(0, 0);
            }
            default:
                return done(-1, ENOTTY);
        }
    }

    UMockdevTestbed* testbed_ = umockdev_testbed_new();
    UMockdevIoctlBase* handler_ = umockdev_ioctl_base_new();
    std::mutex lock_;
    std::deque<FakeInAnswer> answers_;
    std::set<std::uint8_t> halted_;  // endpoint addresses
    std::deque<Urb> flying_, ready_;
    FakeSeen seen_;
    bool hold_writes_ = false;
    bool gone_ = false;
};

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
    EXPECT_EQ(fake->seen().configuration, 3);
    // Pipe properties follow endpoint order and end after the last pipe.
    std::uint8_t count = 0;
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
        OSStatus result;
        OSStatus pipe_status;
    } rows[] = {
        {{std::vector<std::uint8_t>(9, 0xAB), 0}, 0, 0},
        {{}, kUSBErrorTimeout, 0},  // no answer
        {{{}, EPIPE}, kUSBPipeStalled, kUSBPipeStalled},
    };
    for (const auto& row : rows) {
        std::uint32_t size = std::uint32_t(buf.size());
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
