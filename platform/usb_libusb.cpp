// The USB access layer over libusb, its event handling joined to the Qt event loop.
//
// libusb's descriptors (its internal event and timer descriptors and one per open device)
// are watched by socket notifiers, so the loop wakes only when libusb has work. Write
// completions and removal notices found while libusb handles events are queued and handed
// to their callers afterwards from the event loop, so that a caller may close everything
// in its callback without pulling libusb's state from under a running event handler.

#include <libusb.h>
#include <poll.h>

#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/usb.h"
#include "platform/usb_backend.h"

namespace {

// A completion or a removal notice waiting to be handed out.
struct Pending {
    UsbInterfaceRec* intf;             // the write's interface; null for a removal notice
    UsbCompletionProc proc;            // the write's completion routine
    void* refcon;                      // its reference
    OSStatus result;                   // the write's status
    std::uint32_t bytes;               // bytes written
    UsbNotificationRec* notification;  // the notice's interest; null for a completion
};

// A write in flight; intf is cleared when its interface closes before it ends.
struct WriteRec {
    UsbInterfaceRec* intf;
    UsbCompletionProc proc;
    void* refcon;
    std::uint8_t pipe_ref;
};

OSStatus status_of(int libusb_error) {
    switch (libusb_error) {
        case LIBUSB_SUCCESS:
            return 0;
        case LIBUSB_ERROR_TIMEOUT:
            return kUSBErrorTimeout;
        case LIBUSB_ERROR_PIPE:
            return kUSBPipeStalled;
        case LIBUSB_ERROR_NO_DEVICE:
            return kUSBErrorNoDevice;
        case LIBUSB_ERROR_OVERFLOW:
            return kUSBErrorOverrun;
        case LIBUSB_ERROR_NO_MEM:
            return kUSBErrorNoMemory;
        case LIBUSB_ERROR_INVALID_PARAM:
        case LIBUSB_ERROR_NOT_FOUND:
            return kUSBErrorBadArgument;
        default:
            return kUSBErrorGeneral;
    }
}

OSStatus status_of_transfer(libusb_transfer_status s) {
    switch (s) {
        case LIBUSB_TRANSFER_COMPLETED:
            return 0;
        case LIBUSB_TRANSFER_TIMED_OUT:
            return kUSBErrorTimeout;
        case LIBUSB_TRANSFER_STALL:
            return kUSBPipeStalled;
        case LIBUSB_TRANSFER_NO_DEVICE:
            return kUSBErrorNoDevice;
        case LIBUSB_TRANSFER_OVERFLOW:
            return kUSBErrorOverrun;
        default:
            return kUSBErrorGeneral;
    }
}

}  // namespace

struct UsbMasterPortRec {
    libusb_context* ctx = nullptr;
    QObject* loop_context = nullptr;  // owns the notifiers; deleted after the port
    std::map<int, std::vector<QSocketNotifier*>> notifiers;
    int joins = 0;  // joined while a notification port or an event source needs the loop
    std::mutex pending_lock;
    std::deque<Pending> pending;
    std::vector<UsbNotificationRec*> notifications;
};

struct UsbServiceRec {
    UsbMasterPortRec* port;
    libusb_device* device;  // referenced while the service lives
    UsbDeviceRec* owner;    // the open device, for an interface service
    std::uint8_t interface_number;
};

struct UsbDeviceRec {
    UsbMasterPortRec* port;
    libusb_device* device;
    libusb_device_handle* handle = nullptr;
};

struct UsbInterfaceRec {
    UsbDeviceRec* owner = nullptr;
    std::uint8_t number = 0;
    std::uint8_t alt = 0;
    bool open = false;
    bool joined = false;
    PipeStalls stalls;
    std::vector<libusb_transfer*> writes;
};

struct UsbNotifyPortRec {
    UsbMasterPortRec* port;
};

struct UsbNotificationRec {
    UsbMasterPortRec* port;
    libusb_device* device;
    UsbService service;
    UsbNotificationProc proc;
    void* refcon;
    libusb_hotplug_callback_handle hotplug;
    bool has_hotplug;
    bool sent;
};

namespace {

std::vector<UsbMasterPortRec*> g_live_ports;
int g_orphaned_writes = 0;  // cancelled writes of closed interfaces, not yet ended

bool port_alive(UsbMasterPortRec* port) {
    return std::find(g_live_ports.begin(), g_live_ports.end(), port) != g_live_ports.end();
}

void deliver_pending(UsbMasterPortRec* port);

void schedule_delivery(UsbMasterPortRec* port) {
    QMetaObject::invokeMethod(
        port->loop_context, [port] { deliver_pending(port); }, Qt::QueuedConnection);
}

void queue(UsbMasterPortRec* port, const Pending& p) {
    {
        std::lock_guard<std::mutex> lock(port->pending_lock);
        port->pending.push_back(p);
    }
    schedule_delivery(port);
}

// Queues the removal notice of every interest in a device that has gone, once each.
void device_gone(UsbMasterPortRec* port, libusb_device* device) {
    for (UsbNotificationRec* n : port->notifications) {
        if (n->device == device && !n->sent) {
            n->sent = true;
            queue(port, Pending{nullptr, nullptr, nullptr, 0, 0, n});
        }
    }
}

void deliver_pending(UsbMasterPortRec* port) {
    while (port_alive(port)) {
        Pending p;
        {
            std::lock_guard<std::mutex> lock(port->pending_lock);
            if (port->pending.empty()) return;
            p = port->pending.front();
            port->pending.pop_front();
        }
        if (p.notification)
            p.notification->proc(p.notification->refcon, p.notification->service,
                                 kUSBMessageServiceIsTerminated, nullptr);
        else
            p.proc(p.refcon, p.result, p.bytes);
    }
}

void handle_events_now(UsbMasterPortRec* port) {
    timeval zero{0, 0};
    libusb_handle_events_timeout_completed(port->ctx, &zero, nullptr);
    deliver_pending(port);
}

void watch_fd(UsbMasterPortRec* port, int fd, short events) {
    auto add = [&](QSocketNotifier::Type type) {
        auto* n = new QSocketNotifier(fd, type, port->loop_context);
        QObject::connect(n, &QSocketNotifier::activated, port->loop_context, [port] {
            if (port_alive(port)) handle_events_now(port);
        });
        port->notifiers[fd].push_back(n);
    };
    if (events & POLLIN) add(QSocketNotifier::Read);
    if (events & POLLOUT) add(QSocketNotifier::Write);
}

void unwatch_fd(UsbMasterPortRec* port, int fd) {
    auto it = port->notifiers.find(fd);
    if (it == port->notifiers.end()) return;
    for (QSocketNotifier* n : it->second) {
        n->setEnabled(false);
        n->deleteLater();
    }
    port->notifiers.erase(it);
}

void LIBUSB_CALL fd_added(int fd, short events, void* user_data) {
    watch_fd(static_cast<UsbMasterPortRec*>(user_data), fd, events);
}

void LIBUSB_CALL fd_removed(int fd, void* user_data) {
    unwatch_fd(static_cast<UsbMasterPortRec*>(user_data), fd);
}

// libusb on Linux keeps its time-outs on a timer descriptor among these, so watching the
// descriptors is all the loop needs.
void join(UsbMasterPortRec* port) {
    if (port->joins++ > 0) return;
    libusb_set_pollfd_notifiers(port->ctx, fd_added, fd_removed, port);
    const libusb_pollfd** fds = libusb_get_pollfds(port->ctx);
    for (const libusb_pollfd** f = fds; f && *f; ++f) watch_fd(port, (*f)->fd, (*f)->events);
    libusb_free_pollfds(fds);
}

void leave(UsbMasterPortRec* port) {
    if (--port->joins > 0) return;
    libusb_set_pollfd_notifiers(port->ctx, nullptr, nullptr, nullptr);
    while (!port->notifiers.empty()) unwatch_fd(port, port->notifiers.begin()->first);
}

// The endpoints of the interface's current alternate setting, in descriptor order.
std::vector<libusb_endpoint_descriptor> endpoints_of(UsbInterfaceRec* intf) {
    std::vector<libusb_endpoint_descriptor> out;
    libusb_config_descriptor* cfg = nullptr;
    if (libusb_get_active_config_descriptor(intf->owner->device, &cfg) != 0) return out;
    for (int i = 0; i < cfg->bNumInterfaces; ++i) {
        const libusb_interface& in = cfg->interface[i];
        for (int a = 0; a < in.num_altsetting; ++a) {
            const libusb_interface_descriptor& d = in.altsetting[a];
            if (d.bInterfaceNumber != intf->number || d.bAlternateSetting != intf->alt) continue;
            out.assign(d.endpoint, d.endpoint + d.bNumEndpoints);
        }
    }
    libusb_free_config_descriptor(cfg);
    return out;
}

// A halted bulk endpoint stays halted until the host clears it, also across runs of the
// program: an earlier run that ended on a stall would leave every transfer stalling.
void clear_bulk_halts(UsbInterfaceRec* intf) {
    for (const libusb_endpoint_descriptor& e : endpoints_of(intf))
        if ((e.bmAttributes & 0x03) == LIBUSB_TRANSFER_TYPE_BULK)
            libusb_clear_halt(intf->owner->handle, e.bEndpointAddress);
    intf->stalls.stalled.clear();
}

void LIBUSB_CALL write_done(libusb_transfer* t) {
    auto* rec = static_cast<WriteRec*>(t->user_data);
    UsbInterfaceRec* intf = rec->intf;
    if (intf) {
        intf->writes.erase(std::remove(intf->writes.begin(), intf->writes.end(), t),
                           intf->writes.end());
        OSStatus result = status_of_transfer(t->status);
        UsbMasterPortRec* port = intf->owner->port;
        if (result == kUSBPipeStalled) mark_stalled(&intf->stalls, rec->pipe_ref);
        queue(port, Pending{intf, rec->proc, rec->refcon, result, std::uint32_t(t->actual_length),
                            nullptr});
        if (result == kUSBErrorNoDevice) device_gone(port, intf->owner->device);
    } else {
        --g_orphaned_writes;
    }
    delete rec;
    libusb_free_transfer(t);  // frees the copied buffer too
}

int LIBUSB_CALL hotplug_left(libusb_context*, libusb_device* device, libusb_hotplug_event,
                             void* user_data) {
    auto* n = static_cast<UsbNotificationRec*>(user_data);
    if (device == n->device) device_gone(n->port, device);
    return 0;
}

UsbService new_service(UsbMasterPortRec* port, libusb_device* device, UsbDeviceRec* owner,
                       std::uint8_t number) {
    return new UsbServiceRec{port, libusb_ref_device(device), owner, number};
}

}  // namespace

OSStatus USBMasterPortCreate(UsbMasterPort* out) {
    *out = nullptr;
    auto* port = new UsbMasterPortRec;
    int r = libusb_init(&port->ctx);
    if (r != 0) {
        delete port;
        return status_of(r);
    }
    port->loop_context = new QObject;
    g_live_ports.push_back(port);
    *out = port;
    return 0;
}

void USBMasterPortRelease(UsbMasterPort port) {
    if (!port) return;
    g_live_ports.erase(std::remove(g_live_ports.begin(), g_live_ports.end(), port),
                       g_live_ports.end());
    if (port->joins > 0) {
        port->joins = 1;
        leave(port);
    }
    libusb_exit(port->ctx);
    port->loop_context->deleteLater();
    delete port;
}

OSStatus USBGetMatchingDevices(UsbMasterPort port, std::uint16_t vendor, std::uint16_t product,
                               UsbIterator* out) {
    *out = nullptr;
    libusb_device** list = nullptr;
    ssize_t n = libusb_get_device_list(port->ctx, &list);
    if (n < 0) return status_of(int(n));
    auto* it = new UsbIteratorRec;
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor d;
        if (libusb_get_device_descriptor(list[i], &d) == 0 && d.idVendor == vendor &&
            d.idProduct == product)
            it->items.push_back(new_service(port, list[i], nullptr, 0));
    }
    libusb_free_device_list(list, 1);
    *out = it;
    return 0;
}

void USBServiceRelease(UsbService service) {
    if (!service) return;
    libusb_unref_device(service->device);
    delete service;
}

OSStatus USBDeviceCreate(UsbService device, UsbDeviceInterface* out) {
    *out = new UsbDeviceRec{device->port, libusb_ref_device(device->device)};
    return 0;
}

OSStatus USBDeviceOpen(UsbDeviceInterface dev) {
    if (dev->handle) return 0;
    return status_of(libusb_open(dev->device, &dev->handle));
}

OSStatus USBDeviceClose(UsbDeviceInterface dev) {
    if (!dev->handle) return kUSBErrorNotOpen;
    libusb_close(dev->handle);
    dev->handle = nullptr;
    return 0;
}

OSStatus USBDeviceRelease(UsbDeviceInterface dev) {
    if (dev->handle) libusb_close(dev->handle);
    libusb_unref_device(dev->device);
    delete dev;
    return 0;
}

OSStatus USBDeviceGetNumberOfConfigurations(UsbDeviceInterface dev, std::uint8_t* count) {
    libusb_device_descriptor d;
    int r = libusb_get_device_descriptor(dev->device, &d);
    if (r != 0) return status_of(r);
    *count = d.bNumConfigurations;
    return 0;
}

OSStatus USBDeviceGetConfigurationValue(UsbDeviceInterface dev, std::uint8_t index,
                                        std::uint8_t* value) {
    libusb_config_descriptor* cfg = nullptr;
    int r = libusb_get_config_descriptor(dev->device, index, &cfg);
    if (r != 0) return status_of(r);
    *value = cfg->bConfigurationValue;
    libusb_free_config_descriptor(cfg);
    return 0;
}

// Setting the configuration that is already active would reset the device for nothing.
OSStatus USBDeviceSetConfiguration(UsbDeviceInterface dev, std::uint8_t value) {
    if (!dev->handle) return kUSBErrorNotOpen;
    int current = -1;
    if (libusb_get_configuration(dev->handle, &current) == 0 && current == value) return 0;
    return status_of(libusb_set_configuration(dev->handle, value));
}

OSStatus USBDeviceCreateInterfaceIterator(UsbDeviceInterface dev,
                                          const UsbInterfaceRequest* request, UsbIterator* out) {
    *out = nullptr;
    if (!dev->handle) return kUSBErrorNotOpen;
    libusb_config_descriptor* cfg = nullptr;
    int r = libusb_get_active_config_descriptor(dev->device, &cfg);
    if (r != 0) return status_of(r);
    auto matches = [](std::uint16_t wanted, std::uint8_t have) {
        return wanted == kUSBDontCare || wanted == have;
    };
    auto* it = new UsbIteratorRec;
    for (int i = 0; i < cfg->bNumInterfaces; ++i) {
        if (cfg->interface[i].num_altsetting < 1) continue;
        const libusb_interface_descriptor& d = cfg->interface[i].altsetting[0];
        if (matches(request->interface_class, d.bInterfaceClass) &&
            matches(request->interface_subclass, d.bInterfaceSubClass) &&
            matches(request->interface_protocol, d.bInterfaceProtocol) &&
            matches(request->alternate_setting, d.bAlternateSetting))
            it->items.push_back(new_service(dev->port, dev->device, dev, d.bInterfaceNumber));
    }
    libusb_free_config_descriptor(cfg);
    *out = it;
    return 0;
}

OSStatus USBInterfaceCreate(UsbService intf, UsbInterfaceInterface* out) {
    *out = nullptr;
    if (!intf->owner) return kUSBErrorBadArgument;
    auto* rec = new UsbInterfaceRec;
    rec->owner = intf->owner;
    rec->number = intf->interface_number;
    *out = rec;
    return 0;
}

OSStatus USBInterfaceOpen(UsbInterfaceInterface intf) {
    libusb_device_handle* h = intf->owner->handle;
    if (!h) return kUSBErrorNotOpen;
    if (libusb_kernel_driver_active(h, intf->number) == 1) {
        int r = libusb_detach_kernel_driver(h, intf->number);
        if (r != 0) return status_of(r);
    }
    int r = libusb_claim_interface(h, intf->number);
    if (r != 0) return status_of(r);
    intf->open = true;
    intf->alt = 0;
    clear_bulk_halts(intf);
    return 0;
}

// Writes still in flight are cancelled and given a moment to end, so that none is left
// holding its buffer once the device handle closes.
OSStatus USBInterfaceClose(UsbInterfaceInterface intf) {
    if (!intf->open) return kUSBErrorNotOpen;
    UsbMasterPortRec* port = intf->owner->port;
    std::vector<libusb_transfer*> writes;
    writes.swap(intf->writes);
    for (libusb_transfer* t : writes) {
        static_cast<WriteRec*>(t->user_data)->intf = nullptr;
        ++g_orphaned_writes;
        libusb_cancel_transfer(t);
    }
    {
        std::lock_guard<std::mutex> lock(port->pending_lock);
        auto& q = port->pending;
        q.erase(
            std::remove_if(q.begin(), q.end(), [intf](const Pending& p) { return p.intf == intf; }),
            q.end());
    }
    timeval slice{0, 20000};
    for (int i = 0; i < 5 && g_orphaned_writes > 0; ++i)
        libusb_handle_events_timeout_completed(port->ctx, &slice, nullptr);
    libusb_release_interface(intf->owner->handle, intf->number);
    intf->open = false;
    return 0;
}

OSStatus USBInterfaceRelease(UsbInterfaceInterface intf) {
    if (intf->open) USBInterfaceClose(intf);
    if (intf->joined) USBInterfaceRemoveAsyncEventSource(intf);
    delete intf;
    return 0;
}

OSStatus USBInterfaceGetNumEndpoints(UsbInterfaceInterface intf, std::uint8_t* count) {
    if (!intf->open) return kUSBErrorNotOpen;
    *count = std::uint8_t(endpoints_of(intf).size());
    return 0;
}

OSStatus USBInterfaceSetAlternateInterface(UsbInterfaceInterface intf, std::uint8_t setting) {
    if (!intf->open) return kUSBErrorNotOpen;
    int r = libusb_set_interface_alt_setting(intf->owner->handle, intf->number, setting);
    if (r != 0) return status_of(r);
    intf->alt = setting;
    clear_bulk_halts(intf);
    return 0;
}

OSStatus USBInterfaceGetPipeProperties(UsbInterfaceInterface intf, std::uint8_t pipe_ref,
                                       std::uint8_t* direction, std::uint8_t* number,
                                       std::uint8_t* transfer_type, std::uint16_t* max_packet,
                                       std::uint8_t* interval) {
    if (!intf->open) return kUSBErrorNotOpen;
    std::vector<libusb_endpoint_descriptor> eps = endpoints_of(intf);
    if (pipe_ref < 1 || pipe_ref > eps.size()) return kUSBErrorBadArgument;
    const libusb_endpoint_descriptor& e = eps[pipe_ref - 1];
    *direction = (e.bEndpointAddress & LIBUSB_ENDPOINT_IN) ? kUSBIn : kUSBOut;
    *number = e.bEndpointAddress & 0x0F;
    *transfer_type = e.bmAttributes & 0x03;
    *max_packet = e.wMaxPacketSize;
    *interval = e.bInterval;
    return 0;
}

OSStatus USBInterfaceGetPipeStatus(UsbInterfaceInterface intf, std::uint8_t pipe_ref) {
    if (!intf->open) return kUSBErrorNotOpen;
    return is_stalled(&intf->stalls, pipe_ref) ? kUSBPipeStalled : 0;
}

OSStatus USBInterfaceAddAsyncEventSource(UsbInterfaceInterface intf) {
    if (!intf->open) return kUSBErrorNotOpen;
    if (!intf->joined) {
        intf->joined = true;
        join(intf->owner->port);
    }
    return 0;
}

void USBInterfaceRemoveAsyncEventSource(UsbInterfaceInterface intf) {
    if (!intf->joined) return;
    intf->joined = false;
    leave(intf->owner->port);
}

namespace {

// The endpoint address of a pipe of the wanted direction, or 0 when there is none.
std::uint8_t endpoint_address(UsbInterfaceRec* intf, std::uint8_t pipe_ref, std::uint8_t dir) {
    std::vector<libusb_endpoint_descriptor> eps = endpoints_of(intf);
    if (pipe_ref < 1 || pipe_ref > eps.size()) return 0;
    std::uint8_t address = eps[pipe_ref - 1].bEndpointAddress;
    bool in = (address & LIBUSB_ENDPOINT_IN) != 0;
    return (in == (dir == kUSBIn)) ? address : 0;
}

}  // namespace

OSStatus USBInterfaceWritePipeAsync(UsbInterfaceInterface intf, std::uint8_t pipe_ref,
                                    const void* buf, std::uint32_t size, UsbCompletionProc proc,
                                    void* refcon) {
    if (!intf->open) return kUSBErrorNotOpen;
    std::uint8_t address = endpoint_address(intf, pipe_ref, kUSBOut);
    if (address == 0) return kUSBErrorBadArgument;
    libusb_transfer* t = libusb_alloc_transfer(0);
    auto* data = static_cast<unsigned char*>(std::malloc(size ? size : 1));
    if (!t || !data) {
        libusb_free_transfer(t);
        std::free(data);
        return kUSBErrorNoMemory;
    }
    std::memcpy(data, buf, size);
    auto* rec = new WriteRec{intf, proc, refcon, pipe_ref};
    libusb_fill_bulk_transfer(t, intf->owner->handle, address, data, int(size), write_done, rec, 0);
    t->flags = LIBUSB_TRANSFER_FREE_BUFFER;
    int r = libusb_submit_transfer(t);
    if (r != 0) {
        delete rec;
        libusb_free_transfer(t);
        if (r == LIBUSB_ERROR_NO_DEVICE) device_gone(intf->owner->port, intf->owner->device);
        return status_of(r);
    }
    intf->writes.push_back(t);
    return 0;
}

// One bulk transfer cannot show partial progress, so the shorter of the two limits
// bounds the whole read.
OSStatus USBInterfaceReadPipeTO(UsbInterfaceInterface intf, std::uint8_t pipe_ref, void* buf,
                                std::uint32_t* size, std::uint32_t no_data_ms,
                                std::uint32_t completion_ms) {
    std::uint32_t wanted = *size;
    *size = 0;
    if (!intf->open) return kUSBErrorNotOpen;
    std::uint8_t address = endpoint_address(intf, pipe_ref, kUSBIn);
    if (address == 0) return kUSBErrorBadArgument;
    unsigned timeout = no_data_ms;
    if (completion_ms && (!timeout || completion_ms < timeout)) timeout = completion_ms;
    int actual = 0;
    int r = libusb_bulk_transfer(intf->owner->handle, address, static_cast<unsigned char*>(buf),
                                 int(wanted), &actual, timeout);
    *size = std::uint32_t(actual);
    OSStatus result = status_of(r);
    if (result == kUSBPipeStalled) mark_stalled(&intf->stalls, pipe_ref);
    if (result == kUSBErrorNoDevice) device_gone(intf->owner->port, intf->owner->device);
    return result;
}

OSStatus USBNotificationPortCreate(UsbMasterPort port, UsbNotificationPort* out) {
    join(port);
    *out = new UsbNotifyPortRec{port};
    return 0;
}

void USBNotificationPortDestroy(UsbNotificationPort port) {
    if (!port) return;
    if (port_alive(port->port)) leave(port->port);
    delete port;
}

OSStatus USBAddInterestNotification(UsbNotificationPort port, UsbService device,
                                    UsbNotificationProc proc, void* refcon, UsbNotification* out) {
    UsbMasterPortRec* master = port->port;
    auto* n = new UsbNotificationRec{master, device->device, device, proc, refcon, 0, false, false};
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
        libusb_device_descriptor d;
        libusb_get_device_descriptor(device->device, &d);
        int r = libusb_hotplug_register_callback(master->ctx, LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT, 0,
                                                 d.idVendor, d.idProduct, LIBUSB_HOTPLUG_MATCH_ANY,
                                                 hotplug_left, n, &n->hotplug);
        if (r != 0) {
            delete n;
            *out = nullptr;
            return status_of(r);
        }
        n->has_hotplug = true;
    }
    master->notifications.push_back(n);
    *out = n;
    return 0;
}

void USBNotificationRelease(UsbNotification n) {
    if (!n) return;
    UsbMasterPortRec* port = n->port;
    if (port_alive(port)) {
        if (n->has_hotplug) libusb_hotplug_deregister_callback(port->ctx, n->hotplug);
        auto& list = port->notifications;
        list.erase(std::remove(list.begin(), list.end(), n), list.end());
        std::lock_guard<std::mutex> lock(port->pending_lock);
        auto& q = port->pending;
        q.erase(std::remove_if(q.begin(), q.end(),
                               [n](const Pending& p) { return p.notification == n; }),
                q.end());
    }
    delete n;
}
