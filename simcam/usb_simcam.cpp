// The USB layer with the simulated camera behind it: descriptors of a chosen shape, the
// camera's answers to command blocks, and faults at any transfer. Completions and removal
// notices are posted to the event loop, as the real backend delivers them.
//
// Nothing here waits in real time: a write that will not complete ends the caller's wait
// at once, as the wait's time-out would, and a read with nothing to send times out at once.

#include <QCoreApplication>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <functional>
#include <map>

#include "camera/usb_connection.h"
#include "platform/byte_order.h"
#include "platform/events.h"
#include "platform/usb.h"
#include "platform/usb_backend.h"
#include "simcam/simcam.h"

struct UsbMasterPortRec {};
struct UsbServiceRec {
    bool is_interface;
    std::uint32_t epoch;  // the plug-in it belongs to
};
struct UsbDeviceRec {
    std::uint32_t epoch;
    bool open = false;
};
struct UsbInterfaceRec {
    std::uint32_t epoch = 0;
    bool open = false;
    bool joined = false;
    std::uint8_t alt = 0;
    PipeStalls stalls;
};
struct UsbNotifyPortRec {};
struct UsbNotificationRec {
    std::uint32_t epoch;
    UsbService service;
    UsbNotificationProc proc;
    void* refcon;
};

namespace {

constexpr std::uint32_t kHugeSize = 0x7FFFFFFF;
constexpr std::size_t kChunkSize = 65536, kChunkPrefix = 8;  // a chunk and its prefix
constexpr std::uint16_t kImageRequest = 0x808E;

// What one read of the IN pipe receives.
struct Block {
    std::vector<std::uint8_t> bytes;
    bool response;     // the response block, else a chunk of the picture
    bool first_chunk;  // the chunk that begins with the start-of-scan segment
};

struct Device {
    bool plugged = true;
    std::uint32_t epoch = 1;       // changes at every unplug: older objects find the device gone
    std::uint32_t generation = 1;  // changes at every reset: older postings are dropped
    SimcamShape shape;
    std::vector<std::uint8_t> body;
    std::map<int, SimcamFault> faults;
    int transfers_seen = 0;
    int lookups = 0;
    std::uint32_t frame = 0;
    std::deque<Block> to_send;  // one block per read
    std::vector<std::array<std::uint8_t, 32>> commands;
    std::vector<SimcamTransfer> transfers;
    std::vector<UsbNotificationRec*> notifications;
    std::vector<UsbInterfaceRec*> interfaces;
};

SimcamShape standard_shape() {
    return SimcamShape{true, {{kUSBOut, 2, kUSBBulk}, {kUSBIn, 1, kUSBBulk}}, {}};
}

Device& sim() {
    static Device d = [] {
        Device fresh;
        fresh.shape = standard_shape();
        return fresh;
    }();
    return d;
}

QObject* post_context() {
    static QObject* context = new QObject;
    return context;
}

// Runs fn from the event loop, unless the simulation is reset before then.
void post(std::function<void()> fn) {
    std::uint32_t generation = sim().generation;
    QTimer::singleShot(0, post_context(), [generation, fn] {
        if (generation == sim().generation) fn();
    });
}

bool alive(UsbInterfaceRec* intf) {
    auto& list = sim().interfaces;
    return std::find(list.begin(), list.end(), intf) != list.end();
}

bool alive(UsbNotificationRec* n) {
    auto& list = sim().notifications;
    return std::find(list.begin(), list.end(), n) != list.end();
}

void unplug_now() {
    Device& d = sim();
    if (!d.plugged) return;
    d.plugged = false;
    std::uint32_t gone = d.epoch++;
    d.to_send.clear();
    for (UsbNotificationRec* n : d.notifications) {
        if (n->epoch != gone) continue;
        post([n] {
            if (alive(n)) n->proc(n->refcon, n->service, kUSBMessageServiceIsTerminated, nullptr);
        });
    }
}

bool present(std::uint32_t epoch) {
    return sim().plugged && sim().epoch == epoch;
}

int take_fault(SimcamFault* fault) {
    Device& d = sim();
    int n = ++d.transfers_seen;
    auto it = d.faults.find(n);
    if (it == d.faults.end()) return 0;
    *fault = it->second;
    d.faults.erase(it);
    return 1;
}

const std::vector<SimcamPipe>& pipes_of(const UsbInterfaceRec* intf) {
    return intf->alt == 0 ? sim().shape.setting0 : sim().shape.setting1;
}

bool pipe_is(const UsbInterfaceRec* intf, std::uint8_t pipe_ref, std::uint8_t direction) {
    const auto& pipes = pipes_of(intf);
    return pipe_ref >= 1 && pipe_ref <= pipes.size() &&
           pipes[pipe_ref - 1].direction == direction &&
           pipes[pipe_ref - 1].transfer_type == kUSBBulk;
}

// The camera's answer to a command block: a response, and for an image request the
// picture's body in chunks, each behind an 8-byte prefix.
void answer(const std::uint8_t* block) {
    Device& d = sim();
    d.to_send.clear();  // a new command drops whatever the last answer left unread
    std::array<std::uint8_t, 32> copy;
    std::copy(block, block + 32, copy.begin());
    d.commands.push_back(copy);
    std::vector<std::uint8_t> response(32, 0);
    response[2] = block[2];
    response[3] = block[3];
    put_u32le(response.data() + 4, 24);
    std::uint16_t code = std::uint16_t(block[8] | block[9] << 8);
    std::vector<std::uint8_t> body;
    if (code == kImageRequest) body = d.body.empty() ? simcam_picture_body(d.frame++) : d.body;
    put_u32le(response.data() + 12, std::uint32_t(body.size()));
    d.to_send.push_back({response, true, false});
    for (std::size_t at = 0; at < body.size(); at += kChunkSize - kChunkPrefix) {
        std::size_t n = std::min(kChunkSize - kChunkPrefix, body.size() - at);
        std::vector<std::uint8_t> chunk(kChunkPrefix + n, 0);
        put_u32le(chunk.data(), std::uint32_t(at));
        std::copy(body.begin() + std::ptrdiff_t(at), body.begin() + std::ptrdiff_t(at + n),
                  chunk.begin() + kChunkPrefix);
        d.to_send.push_back({chunk, false, at == 0});
    }
}

// Rewrites the response at the front of the queue and drops the chunks behind it.
void announce(std::vector<std::uint8_t>& response, std::uint16_t status, std::uint32_t size) {
    put_u16le(response.data() + 8, status);
    put_u32le(response.data() + 12, size);
    sim().to_send.clear();
}

}  // namespace

void simcam_reset() {
    Device& d = sim();
    std::uint32_t generation = d.generation + 1;
    std::uint32_t epoch = d.epoch + 1;
    std::vector<UsbNotificationRec*> notifications = d.notifications;
    std::vector<UsbInterfaceRec*> interfaces = d.interfaces;
    d = Device{};
    d.generation = generation;
    d.epoch = epoch;
    d.notifications = notifications;
    d.interfaces = interfaces;
    d.shape = standard_shape();
}

void simcam_set_shape(const SimcamShape& shape) {
    sim().shape = shape;
}

void simcam_plug(bool plugged) {
    if (!plugged) {
        unplug_now();
        return;
    }
    sim().plugged = true;
}

bool simcam_plugged() {
    return sim().plugged;
}

void simcam_fail_at(int n, SimcamFault fault) {
    sim().faults[sim().transfers_seen + n] = fault;
}

void simcam_set_body(const std::vector<std::uint8_t>& body) {
    sim().body = body;
}

const std::vector<std::array<std::uint8_t, 32>>& simcam_commands() {
    return sim().commands;
}

const std::vector<SimcamTransfer>& simcam_transfers() {
    return sim().transfers;
}

int simcam_lookups() {
    return sim().lookups;
}

void simcam_clear_record() {
    sim().lookups = 0;
    sim().commands.clear();
    sim().transfers.clear();
}

OSStatus USBMasterPortCreate(UsbMasterPort* out) {
    *out = new UsbMasterPortRec;
    return 0;
}

void USBMasterPortRelease(UsbMasterPort port) {
    delete port;
}

OSStatus USBGetMatchingDevices(UsbMasterPort, std::uint16_t vendor, std::uint16_t product,
                               UsbIterator* out) {
    auto* it = new UsbIteratorRec;
    ++sim().lookups;
    if (sim().plugged && vendor == kCameraVendorID && product == kCameraProductID)
        it->items.push_back(new UsbServiceRec{false, sim().epoch});
    *out = it;
    return 0;
}

void USBServiceRelease(UsbService service) {
    delete service;
}

OSStatus USBDeviceCreate(UsbService device, UsbDeviceInterface* out) {
    *out = new UsbDeviceRec{device->epoch};
    return 0;
}

OSStatus USBDeviceOpen(UsbDeviceInterface dev) {
    if (!present(dev->epoch)) return kUSBErrorNoDevice;
    dev->open = true;
    return 0;
}

OSStatus USBDeviceClose(UsbDeviceInterface dev) {
    if (!dev->open) return kUSBErrorNotOpen;
    dev->open = false;
    return 0;
}

OSStatus USBDeviceRelease(UsbDeviceInterface dev) {
    delete dev;
    return 0;
}

OSStatus USBDeviceGetNumberOfConfigurations(UsbDeviceInterface dev, std::uint8_t* count) {
    if (!present(dev->epoch)) return kUSBErrorNoDevice;
    *count = 1;
    return 0;
}

OSStatus USBDeviceGetConfigurationValue(UsbDeviceInterface dev, std::uint8_t index,
                                        std::uint8_t* value) {
    if (!present(dev->epoch)) return kUSBErrorNoDevice;
    if (index != 0) return kUSBErrorBadArgument;
    *value = 1;
    return 0;
}

OSStatus USBDeviceSetConfiguration(UsbDeviceInterface dev, std::uint8_t value) {
    if (!dev->open) return kUSBErrorNotOpen;
    if (!present(dev->epoch)) return kUSBErrorNoDevice;
    return value == 1 ? 0 : kUSBErrorBadArgument;
}

OSStatus USBDeviceCreateInterfaceIterator(UsbDeviceInterface dev, const UsbInterfaceRequest*,
                                          UsbIterator* out) {
    *out = nullptr;
    if (!dev->open) return kUSBErrorNotOpen;
    auto* it = new UsbIteratorRec;
    if (sim().shape.has_interface) it->items.push_back(new UsbServiceRec{true, dev->epoch});
    *out = it;
    return 0;
}

OSStatus USBInterfaceCreate(UsbService intf, UsbInterfaceInterface* out) {
    *out = nullptr;
    if (!intf->is_interface) return kUSBErrorBadArgument;
    *out = new UsbInterfaceRec;
    (*out)->epoch = intf->epoch;
    sim().interfaces.push_back(*out);
    return 0;
}

OSStatus USBInterfaceOpen(UsbInterfaceInterface intf) {
    if (!present(intf->epoch)) return kUSBErrorNoDevice;
    intf->open = true;
    intf->alt = 0;
    return 0;
}

OSStatus USBInterfaceClose(UsbInterfaceInterface intf) {
    if (!intf->open) return kUSBErrorNotOpen;
    intf->open = false;
    return 0;
}

OSStatus USBInterfaceRelease(UsbInterfaceInterface intf) {
    auto& list = sim().interfaces;
    list.erase(std::remove(list.begin(), list.end(), intf), list.end());
    delete intf;
    return 0;
}

OSStatus USBInterfaceGetNumEndpoints(UsbInterfaceInterface intf, std::uint8_t* count) {
    if (!intf->open) return kUSBErrorNotOpen;
    *count = std::uint8_t(pipes_of(intf).size());
    return 0;
}

OSStatus USBInterfaceSetAlternateInterface(UsbInterfaceInterface intf, std::uint8_t setting) {
    if (!intf->open) return kUSBErrorNotOpen;
    if (!present(intf->epoch)) return kUSBErrorNoDevice;
    if (setting > 1) return kUSBErrorBadArgument;
    intf->alt = setting;
    return 0;
}

OSStatus USBInterfaceGetPipeProperties(UsbInterfaceInterface intf, std::uint8_t pipe_ref,
                                       std::uint8_t* direction, std::uint8_t* number,
                                       std::uint8_t* transfer_type, std::uint16_t* max_packet,
                                       std::uint8_t* interval) {
    if (!intf->open) return kUSBErrorNotOpen;
    const auto& pipes = pipes_of(intf);
    if (pipe_ref < 1 || pipe_ref > pipes.size()) return kUSBErrorBadArgument;
    const SimcamPipe& p = pipes[pipe_ref - 1];
    *direction = p.direction;
    *number = p.number;
    *transfer_type = p.transfer_type;
    *max_packet = 512;
    *interval = 0;
    return 0;
}

OSStatus USBInterfaceGetPipeStatus(UsbInterfaceInterface intf, std::uint8_t pipe_ref) {
    if (!intf->open) return kUSBErrorNotOpen;
    return is_stalled(&intf->stalls, pipe_ref) ? kUSBPipeStalled : 0;
}

OSStatus USBInterfaceAddAsyncEventSource(UsbInterfaceInterface intf) {
    if (!intf->open) return kUSBErrorNotOpen;
    intf->joined = true;
    return 0;
}

void USBInterfaceRemoveAsyncEventSource(UsbInterfaceInterface intf) {
    intf->joined = false;
}

OSStatus USBInterfaceWritePipeAsync(UsbInterfaceInterface intf, std::uint8_t pipe_ref,
                                    const void* buf, std::uint32_t size, UsbCompletionProc proc,
                                    void* refcon) {
    if (!intf->open) return kUSBErrorNotOpen;
    if (!pipe_is(intf, pipe_ref, kUSBOut)) return kUSBErrorBadArgument;
    if (!present(intf->epoch)) return kUSBErrorNoDevice;
    SimcamFault fault{};
    bool faulty = take_fault(&fault);
    Device& d = sim();
    auto complete = [intf, proc, refcon](OSStatus result, std::uint32_t bytes) {
        post([=] {
            if (alive(intf)) proc(refcon, result, bytes);
        });
    };
    if (faulty && fault == SimcamFault::unplug) {
        d.transfers.push_back({false, size, 0});
        unplug_now();
        complete(kUSBErrorNoDevice, 0);
        post(QuitCurrentEventLoop);
        return 0;
    }
    d.transfers.push_back({false, size, size});
    if (size == 32) answer(static_cast<const std::uint8_t*>(buf));
    if (faulty && fault == SimcamFault::write_never_completes) {
        post(QuitCurrentEventLoop);
        return 0;
    }
    complete(0, size);
    return 0;
}

OSStatus USBInterfaceReadPipeTO(UsbInterfaceInterface intf, std::uint8_t pipe_ref, void* buf,
                                std::uint32_t* size, std::uint32_t, std::uint32_t) {
    std::uint32_t wanted = *size;
    *size = 0;
    if (!intf->open) return kUSBErrorNotOpen;
    if (!pipe_is(intf, pipe_ref, kUSBIn)) return kUSBErrorBadArgument;
    if (!present(intf->epoch)) return kUSBErrorNoDevice;
    Device& d = sim();
    SimcamFault fault{};
    bool faulty = take_fault(&fault);
    d.transfers.push_back({true, wanted, 0});
    if (faulty && fault == SimcamFault::unplug) {
        unplug_now();
        return kUSBErrorNoDevice;
    }
    if (faulty && fault == SimcamFault::stall) {
        mark_stalled(&intf->stalls, pipe_ref);
        d.to_send.clear();
        return kUSBPipeStalled;
    }
    if ((faulty && fault == SimcamFault::read_timeout) || d.to_send.empty()) {
        d.to_send.clear();
        return kUSBErrorTimeout;
    }
    Block front = d.to_send.front();
    d.to_send.pop_front();
    std::vector<std::uint8_t>& block = front.bytes;
    if (faulty && front.response) {
        if (fault == SimcamFault::refuse) announce(block, 1, 0);
        if (fault == SimcamFault::zero_size) announce(block, 0, 0);
        if (fault == SimcamFault::huge_size) announce(block, 0, kHugeSize);
    }
    // A start-of-scan segment whose length field says 2 is one no decoder can accept.
    if (faulty && fault == SimcamFault::corrupt_body && front.first_chunk && block.size() > 12) {
        block[kChunkPrefix + 2] = 0;
        block[kChunkPrefix + 3] = 2;
    }
    if (faulty && fault == SimcamFault::short_chunk && !front.response)
        block.resize(block.size() - kChunkPrefix);
    if (block.size() > wanted) return kUSBErrorOverrun;
    std::copy(block.begin(), block.end(), static_cast<std::uint8_t*>(buf));
    *size = std::uint32_t(block.size());
    d.transfers.back().moved = *size;
    return 0;
}

OSStatus USBNotificationPortCreate(UsbMasterPort, UsbNotificationPort* out) {
    *out = new UsbNotifyPortRec;
    return 0;
}

void USBNotificationPortDestroy(UsbNotificationPort port) {
    delete port;
}

OSStatus USBAddInterestNotification(UsbNotificationPort, UsbService device,
                                    UsbNotificationProc proc, void* refcon, UsbNotification* out) {
    *out = new UsbNotificationRec{device->epoch, device, proc, refcon};
    sim().notifications.push_back(*out);
    return 0;
}

void USBNotificationRelease(UsbNotification n) {
    if (!n) return;
    auto& list = sim().notifications;
    list.erase(std::remove(list.begin(), list.end(), n), list.end());
    delete n;
}
