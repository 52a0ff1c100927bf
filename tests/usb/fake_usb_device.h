// A programmable USB device in the test process: umockdev's testbed answers the USB
// system calls libusb makes, as a device with the descriptors and answers a test sets.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <vector>

#include "camera/usb_connection.h"

struct _UMockdevTestbed;
struct _UMockdevIoctlBase;
struct _UMockdevIoctlClient;
struct _UMockdevIoctlData;

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

class FakeUsbDevice {
  public:
    explicit FakeUsbDevice(const FakeDeviceShape& shape);
    ~FakeUsbDevice();

    void answer_in(const FakeInAnswer& answer);  // queued, one per read; none: the read waits
    void hold_writes(bool on);                   // writes stay pending while on
    void vanish();                               // the device stops answering, no event
    void unplug();                               // the device goes; its "remove" event follows
    FakeSeen seen();                             // a copy of what the host did so far
  private:
    struct Urb {
        _UMockdevIoctlData* data;  // the client's urb, referenced
        int status;
        int actual;
        std::vector<std::uint8_t> in_bytes;
    };
    static int on_ioctl(_UMockdevIoctlBase* handler, _UMockdevIoctlClient* client, void* self);
    bool handle(_UMockdevIoctlClient* client);

    _UMockdevTestbed* testbed_;
    _UMockdevIoctlBase* handler_;
    std::mutex lock_;  // the handler thread answers while the test drives the host
    std::deque<FakeInAnswer> answers_;
    std::set<std::uint8_t> halted_;  // endpoint addresses
    std::deque<Urb> flying_, ready_;
    FakeSeen seen_;
    bool hold_writes_ = false;
    bool gone_ = false;
};
