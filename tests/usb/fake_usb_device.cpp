// The programmable USB device: descriptors in the testbed's sysfs, system calls answered
// on umockdev's handler thread (hence the lock around the device's state).

#include "usb/fake_usb_device.h"

// GLib before anything that might define Qt's signal keywords.
#include <glib.h>
#include <umockdev.h>

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <string>

namespace {

constexpr const char* kDevNode = "/dev/bus/usb/001/002";
constexpr const char* kSysPath = "/sys/devices/usb1/1-1";

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

}  // namespace

FakeUsbDevice::FakeUsbDevice(const FakeDeviceShape& shape) {
    testbed_ = umockdev_testbed_new();
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&FakeUsbDevice::on_ioctl), this);
    umockdev_testbed_attach_ioctl(testbed_, kDevNode, handler_, nullptr);
    std::string record = "P: /devices/usb1/1-1\nN: bus/usb/001/002\n";
    for (const char* e : {"SUBSYSTEM=usb", "DEVTYPE=usb_device", "DEVNAME=/dev/bus/usb/001/002",
                          "BUSNUM=001", "DEVNUM=002", "MAJOR=189", "MINOR=1"})
        record += std::string("E: ") + e + "\n";
    for (std::string a :
         {"busnum=1", "devnum=2", "devpath=1", "dev=189:1", "speed=480", "bNumConfigurations=1"})
        record += "A: " + a + "\\n\n";
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

FakeUsbDevice::~FakeUsbDevice() {
    for (auto* list : {&flying_, &ready_})
        for (Urb& u : *list) g_object_unref(u.data);
    g_object_unref(handler_);
    g_object_unref(testbed_);
}

void FakeUsbDevice::answer_in(const FakeInAnswer& answer) {
    std::lock_guard<std::mutex> l(lock_);
    answers_.push_back(answer);
}

void FakeUsbDevice::hold_writes(bool on) {
    std::lock_guard<std::mutex> l(lock_);
    hold_writes_ = on;
}

FakeSeen FakeUsbDevice::seen() {
    std::lock_guard<std::mutex> l(lock_);
    return seen_;
}

// Transfers still in flight end as the device's disappearance.
void FakeUsbDevice::vanish() {
    std::lock_guard<std::mutex> l(lock_);
    gone_ = true;
    for (Urb& u : flying_) ready_.push_back(Urb{u.data, -ENODEV, 0, {}});
    flying_.clear();
}

void FakeUsbDevice::unplug() {
    vanish();
    umockdev_testbed_uevent(testbed_, kSysPath, "remove");
}

int FakeUsbDevice::on_ioctl(_UMockdevIoctlBase*, _UMockdevIoctlClient* client, void* self) {
    return static_cast<FakeUsbDevice*>(self)->handle(client);
}

bool FakeUsbDevice::handle(_UMockdevIoctlClient* client) {
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
            // Without scatter-gather libusb would split a 65,536-byte read into four.
            UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
            *reinterpret_cast<guint32*>(d->data) =
                USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_BULK_CONTINUATION |
                USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT |
                USBDEVFS_CAP_ZERO_PACKET;
            g_object_unref(d);
            return done(0, 0);
        }
        case USBDEVFS_SETCONFIGURATION:
            seen_.configuration = int(argument<unsigned>(arg));
            umockdev_testbed_set_attribute(testbed_, kSysPath, "bConfigurationValue",
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
            UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
                urb_data, offsetof(usbdevfs_urb, buffer), std::size_t(urb->buffer_length), nullptr);
            Urb u{urb_data, 0, 0, {}};
            if (halted_.count(urb->endpoint)) {
                u.status = -EPIPE;
                ready_.push_back(u);
            } else if (!(urb->endpoint & 0x80)) {
                const auto* p = static_cast<const std::uint8_t*>(buffer->data);
                if (hold_writes_) {
                    flying_.push_back(u);
                } else {
                    seen_.written.emplace_back(p, p + urb->buffer_length);
                    u.actual = urb->buffer_length;
                    ready_.push_back(u);
                }
            } else if (answers_.empty()) {
                flying_.push_back(u);
            } else {
                FakeInAnswer a = answers_.front();
                answers_.pop_front();
                u.status = -a.error;
                if (a.error == EPIPE) halted_.insert(urb->endpoint);
                std::size_t n =
                    std::min<std::size_t>(a.data.size(), std::size_t(urb->buffer_length));
                u.in_bytes.assign(a.data.begin(), a.data.begin() + std::ptrdiff_t(n));
                u.actual = int(n);
                ready_.push_back(u);
            }
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
            if (!u.in_bytes.empty()) std::memcpy(urb->buffer, u.in_bytes.data(), u.in_bytes.size());
            UMockdevIoctlData* ptr = umockdev_ioctl_data_resolve(arg, 0, sizeof(gpointer), nullptr);
            umockdev_ioctl_data_set_ptr(ptr, 0, u.data);
            g_object_unref(ptr);
            g_object_unref(u.data);
            return done(0, 0);
        }
        case USBDEVFS_DISCARDURB: {
            gulong address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
            for (auto it = flying_.begin(); it != flying_.end(); ++it) {
                if (it->data->client_addr == address) {
                    ready_.push_back(Urb{it->data, -ENOENT, 0, {}});
                    flying_.erase(it);
                    return done(0, 0);
                }
            }
            return done(-1, EINVAL);
        }
        default:
            return done(-1, ENOTTY);
    }
}
