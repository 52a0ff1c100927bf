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
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kDevNode = "/dev/bus/usb/001/002";
constexpr const char* kSysPath = "/sys/devices/usb1/1-1";

void put16(std::vector<std::uint8_t>& v, unsigned x) {
    v.push_back(std::uint8_t(x & 0xFF));
    v.push_back(std::uint8_t(x >> 8));
}

// The device descriptor followed by the whole configuration descriptor.
std::vector<std::uint8_t> descriptors(const FakeDeviceShape& s) {
    std::vector<std::uint8_t> d = {18, 1, 0x00, 0x02, 0xFF, 0, 0, 64};
    put16(d, s.vendor);
    put16(d, s.product);
    put16(d, 0x0100);
    d.insert(d.end(), {0, 0, 0, 1});
    std::vector<std::uint8_t> body;
    if (s.has_interface) {
        for (std::size_t alt = 0; alt < s.settings.size(); ++alt) {
            const auto& eps = s.settings[alt];
            body.insert(body.end(),
                        {9, 4, 0, std::uint8_t(alt), std::uint8_t(eps.size()), 0xFF, 0, 0, 0});
            for (const FakeEndpoint& e : eps) {
                body.insert(body.end(), {7, 5, e.address, e.attributes});
                put16(body, e.max_packet);
                body.push_back(e.interval);
            }
        }
    }
    std::vector<std::uint8_t> cfg = {9, 2};
    put16(cfg, unsigned(9 + body.size()));
    cfg.insert(cfg.end(),
               {std::uint8_t(s.has_interface ? 1 : 0), s.configuration_value, 0, 0x80, 50});
    cfg.insert(cfg.end(), body.begin(), body.end());
    d.insert(d.end(), cfg.begin(), cfg.end());
    return d;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char two[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

}  // namespace

FakeUsbDevice::FakeUsbDevice(const FakeDeviceShape& shape) {
    testbed_ = umockdev_testbed_new();
    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&FakeUsbDevice::on_ioctl), this);
    umockdev_testbed_attach_ioctl(testbed_, kDevNode, handler_, nullptr);
    std::string record = std::string("P: /devices/usb1/1-1\n") +
                         "N: bus/usb/001/002\n"
                         "E: SUBSYSTEM=usb\n"
                         "E: DEVTYPE=usb_device\n"
                         "E: DEVNAME=/dev/bus/usb/001/002\n"
                         "E: BUSNUM=001\n"
                         "E: DEVNUM=002\n"
                         "E: MAJOR=189\n"
                         "E: MINOR=1\n"
                         "A: busnum=1\\n\n"
                         "A: devnum=2\\n\n"
                         "A: devpath=1\\n\n"
                         "A: dev=189:1\\n\n"
                         "A: speed=480\\n\n"
                         "A: bNumConfigurations=1\\n\n"
                         "A: bNumInterfaces=" +
                         std::to_string(shape.has_interface ? 1 : 0) +
                         "\\n\n"
                         "A: bConfigurationValue=" +
                         std::to_string(shape.configured ? shape.configuration_value : 0) +
                         "\\n\n" + "H: descriptors=" + hex(descriptors(shape)) + "\n";
    umockdev_testbed_add_from_string(testbed_, record.c_str(), nullptr);
}

FakeUsbDevice::~FakeUsbDevice() {
    for (auto* list : {&flying_, &ready_, &discarded_})
        for (Urb& u : *list) g_object_unref(u.data);
    g_object_unref(handler_);
    g_object_unref(testbed_);
}

void FakeUsbDevice::answer_in(const FakeInAnswer& answer) {
    std::lock_guard<std::mutex> l(lock_);
    answers_.push_back(answer);
}

void FakeUsbDevice::halt(std::uint8_t address) {
    std::lock_guard<std::mutex> l(lock_);
    halted_.insert(address);
}

void FakeUsbDevice::hold_writes(bool on) {
    std::lock_guard<std::mutex> l(lock_);
    hold_writes_ = on;
}

void FakeUsbDevice::unplug() {
    vanish();
    umockdev_testbed_uevent(testbed_, kSysPath, "remove");
}

void FakeUsbDevice::vanish() {
    std::lock_guard<std::mutex> l(lock_);
    gone_ = true;
}

std::vector<std::vector<std::uint8_t>> FakeUsbDevice::written() {
    std::lock_guard<std::mutex> l(lock_);
    return written_;
}

int FakeUsbDevice::configuration_set() {
    std::lock_guard<std::mutex> l(lock_);
    return configuration_;
}

int FakeUsbDevice::alternate_set() {
    std::lock_guard<std::mutex> l(lock_);
    return alternate_;
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
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
            *reinterpret_cast<guint32*>(d->data) =
                USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_BULK_CONTINUATION |
                USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT |
                USBDEVFS_CAP_ZERO_PACKET;
            g_object_unref(d);
            return done(0, 0);
        }
        case USBDEVFS_GETDRIVER:
            return done(-1, ENODATA);
        case USBDEVFS_SETCONFIGURATION: {
            if (gone_) return done(-1, ENODEV);
            UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned), nullptr);
            configuration_ = int(*reinterpret_cast<unsigned*>(d->data));
            g_object_unref(d);
            return done(0, 0);
        }
        case USBDEVFS_SETINTERFACE: {
            if (gone_) return done(-1, ENODEV);
            UMockdevIoctlData* d =
                umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_setinterface), nullptr);
            alternate_ = int(reinterpret_cast<usbdevfs_setinterface*>(d->data)->altsetting);
            g_object_unref(d);
            return done(0, 0);
        }
        case USBDEVFS_CLEAR_HALT: {
            if (gone_) return done(-1, ENODEV);
            UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned), nullptr);
            halted_.erase(std::uint8_t(*reinterpret_cast<unsigned*>(d->data)));
            g_object_unref(d);
            return done(0, 0);
        }
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RELEASEINTERFACE:
            return gone_ ? done(-1, ENODEV) : done(0, 0);
        case USBDEVFS_SUBMITURB: {
            if (gone_) return done(-1, ENODEV);
            UMockdevIoctlData* urb_data =
                umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
            auto* urb = reinterpret_cast<usbdevfs_urb*>(urb_data->data);
            UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
                urb_data, offsetof(usbdevfs_urb, buffer), std::size_t(urb->buffer_length), nullptr);
            Urb u{urb_data, 0, 0, {}};
            bool in = (urb->endpoint & 0x80) != 0;
            if (halted_.count(urb->endpoint)) {
                u.status = -EPIPE;
                ready_.push_back(u);
            } else if (!in) {
                const auto* p = static_cast<const std::uint8_t*>(buffer->data);
                if (hold_writes_) {
                    flying_.push_back(u);
                } else {
                    written_.emplace_back(p, p + urb->buffer_length);
                    u.actual = urb->buffer_length;
                    ready_.push_back(u);
                }
            } else if (answers_.empty() || answers_.front().never) {
                if (!answers_.empty()) answers_.pop_front();
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
            Urb u{};
            if (!discarded_.empty()) {
                u = discarded_.front();
                discarded_.erase(discarded_.begin());
                u.status = -ENOENT;
                u.actual = 0;
            } else if (!ready_.empty()) {
                u = ready_.front();
                ready_.erase(ready_.begin());
            } else if (gone_ && !flying_.empty()) {
                u = flying_.front();
                flying_.erase(flying_.begin());
                u.status = -ENODEV;
            } else {
                return done(-1, gone_ ? ENODEV : EAGAIN);
            }
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
            for (std::size_t i = 0; i < flying_.size(); ++i) {
                if (flying_[i].data->client_addr == address) {
                    discarded_.push_back(flying_[i]);
                    flying_.erase(flying_.begin() + std::ptrdiff_t(i));
                    return done(0, 0);
                }
            }
            return done(-1, EINVAL);
        }
        default:
            return done(-1, gone_ ? ENODEV : ENOTTY);
    }
}
