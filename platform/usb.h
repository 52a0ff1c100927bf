// USB access: find a device by its identifiers, open it and one interface, move bytes
// over its bulk pipes, and learn when it goes away.
//
// Objects follow one life: a lookup yields services (a device, or an interface of an
// open device); a service is turned into an interface object that is opened, used,
// closed and released. Every status is 0 for success or a negative platform error.
// Completions and removal notices are delivered only from the application's event loop
// (also inside a nested run of it), never from inside another call of this layer.
// Linked with one backend: the libusb one in the real program, the simulated camera in
// the tests, the benchmarks and the demo program.
#pragma once

#include <cstdint>

#include "platform/types.h"

struct UsbMasterPortRec;
struct UsbIteratorRec;
struct UsbServiceRec;
struct UsbDeviceRec;
struct UsbInterfaceRec;
struct UsbNotifyPortRec;
struct UsbNotificationRec;
using UsbMasterPort = UsbMasterPortRec*;         // a session with the USB system
using UsbIterator = UsbIteratorRec*;             // a list of services, read once in order
using UsbService = UsbServiceRec*;               // a device or an interface, not yet opened
using UsbDeviceInterface = UsbDeviceRec*;        // a device object that can be opened
using UsbInterfaceInterface = UsbInterfaceRec*;  // an interface object that can be opened
using UsbNotificationPort = UsbNotifyPortRec*;   // where removal notices are delivered
using UsbNotification = UsbNotificationRec*;     // one registered removal interest

// Platform errors.
constexpr OSStatus kUSBErrorGeneral = OSStatus(0xE00002BC);      // any other failure
constexpr OSStatus kUSBErrorNoDevice = OSStatus(0xE00002C0);     // the device is gone
constexpr OSStatus kUSBErrorNotOpen = OSStatus(0xE00002CD);      // the object is not open
constexpr OSStatus kUSBErrorBadArgument = OSStatus(0xE00002C2);  // no such index or pipe
constexpr OSStatus kUSBErrorNoMemory = OSStatus(0xE00002BD);     // out of memory
constexpr OSStatus kUSBErrorTimeout = OSStatus(0xE0004051);      // a read ran out of time
constexpr OSStatus kUSBErrorOverrun = OSStatus(0xE00002E8);      // more data came than asked
constexpr OSStatus kUSBPipeStalled = OSStatus(0xE000404F);       // the pipe is stalled

// Removal notice message: the device has gone away.
constexpr std::uint32_t kUSBMessageServiceIsTerminated = 0xE0000010;

// Wildcard for every field of an interface search request.
constexpr std::uint16_t kUSBDontCare = 0xFFFF;

// Pipe directions and transfer types as pipe properties report them.
constexpr std::uint8_t kUSBOut = 0;
constexpr std::uint8_t kUSBIn = 1;
constexpr std::uint8_t kUSBControl = 0, kUSBIsoc = 1, kUSBBulk = 2, kUSBInterrupt = 3;

struct UsbInterfaceRequest {
    std::uint16_t interface_class;     // kUSBDontCare or the class wanted
    std::uint16_t interface_subclass;  // kUSBDontCare or the subclass wanted
    std::uint16_t interface_protocol;  // kUSBDontCare or the protocol wanted
    std::uint16_t alternate_setting;   // kUSBDontCare or the setting wanted
};

// Completion of an asynchronous write: the caller's reference, the transfer's status
// (0 or a platform error) and the number of bytes moved.
using UsbCompletionProc = void (*)(void* refcon, OSStatus result, std::uint32_t bytes);
// Removal notice: the caller's reference, the service, the message and its argument.
using UsbNotificationProc = void (*)(void* refcon, UsbService service, std::uint32_t message,
                                     void* argument);

// Session. 0 or a platform error; the port is null on failure.
OSStatus USBMasterPortCreate(UsbMasterPort* out);
void USBMasterPortRelease(UsbMasterPort port);  // null is allowed

// Devices whose vendor and product identifiers match, in the system's order.
// 0 or a platform error; the iterator is null on failure.
OSStatus USBGetMatchingDevices(UsbMasterPort port, std::uint16_t vendor, std::uint16_t product,
                               UsbIterator* out);
UsbService USBIteratorNext(UsbIterator it);  // the next service, or null at the end
void USBIteratorRelease(UsbIterator it);     // null is allowed
void USBServiceRelease(UsbService service);  // null is allowed

// Device. An interface object for a device service: 0 or a platform error.
OSStatus USBDeviceCreate(UsbService device, UsbDeviceInterface* out);
OSStatus USBDeviceOpen(UsbDeviceInterface dev);     // 0 or a platform error
OSStatus USBDeviceClose(UsbDeviceInterface dev);    // 0, or kUSBErrorNotOpen
OSStatus USBDeviceRelease(UsbDeviceInterface dev);  // 0; dev is gone afterwards
OSStatus USBDeviceGetNumberOfConfigurations(UsbDeviceInterface dev, std::uint8_t* count);
// The configuration value (byte 5) of the configuration descriptor at index.
OSStatus USBDeviceGetConfigurationValue(UsbDeviceInterface dev, std::uint8_t index,
                                        std::uint8_t* value);
OSStatus USBDeviceSetConfiguration(UsbDeviceInterface dev, std::uint8_t value);  // open only
// The interfaces of the open device's current configuration that match the request.
OSStatus USBDeviceCreateInterfaceIterator(UsbDeviceInterface dev,
                                          const UsbInterfaceRequest* request, UsbIterator* out);

// Interface. Opening claims it (a kernel driver bound to it is detached first); opening it
// and selecting a setting clear any halt left on the setting's bulk pipes.
OSStatus USBInterfaceCreate(UsbService intf, UsbInterfaceInterface* out);
OSStatus USBInterfaceOpen(UsbInterfaceInterface intf);     // 0 or a platform error
OSStatus USBInterfaceClose(UsbInterfaceInterface intf);    // 0, or kUSBErrorNotOpen
OSStatus USBInterfaceRelease(UsbInterfaceInterface intf);  // 0; intf is gone afterwards
// Endpoints of the current alternate setting, the default pipe not counted.
OSStatus USBInterfaceGetNumEndpoints(UsbInterfaceInterface intf, std::uint8_t* count);
OSStatus USBInterfaceSetAlternateInterface(UsbInterfaceInterface intf, std::uint8_t setting);
// Pipe pipe_ref (1-based, in endpoint order of the current setting): 0, or
// kUSBErrorBadArgument past the last pipe.
OSStatus USBInterfaceGetPipeProperties(UsbInterfaceInterface intf, std::uint8_t pipe_ref,
                                       std::uint8_t* direction, std::uint8_t* number,
                                       std::uint8_t* transfer_type, std::uint16_t* max_packet,
                                       std::uint8_t* interval);
// 0, or kUSBPipeStalled once a transfer on the pipe has stalled.
OSStatus USBInterfaceGetPipeStatus(UsbInterfaceInterface intf, std::uint8_t pipe_ref);
// Joins the interface's completions to the event loop, and parts them again; a completion
// that comes while no source is joined waits for the next join.
OSStatus USBInterfaceAddAsyncEventSource(UsbInterfaceInterface intf);  // 0 or a platform error
void USBInterfaceRemoveAsyncEventSource(UsbInterfaceInterface intf);
// Starts writing size bytes (copied at once) to an OUT pipe; proc is called from the event
// loop when the write ends. 0 when started, else a platform error and proc is never called.
OSStatus USBInterfaceWritePipeAsync(UsbInterfaceInterface intf, std::uint8_t pipe_ref,
                                    const void* buf, std::uint32_t size, UsbCompletionProc proc,
                                    void* refcon);
// Reads at most *size bytes from an IN pipe into buf and waits for it, giving up after
// no_data_ms without data or completion_ms in all (0 = no limit). *size becomes the count
// that arrived. 0, kUSBErrorTimeout, kUSBPipeStalled, kUSBErrorNoDevice or another error.
OSStatus USBInterfaceReadPipeTO(UsbInterfaceInterface intf, std::uint8_t pipe_ref, void* buf,
                                std::uint32_t* size, std::uint32_t no_data_ms,
                                std::uint32_t completion_ms);

// Removal notices: a port joined to the event loop, and an interest in one device.
OSStatus USBNotificationPortCreate(UsbMasterPort port, UsbNotificationPort* out);
void USBNotificationPortDestroy(UsbNotificationPort port);  // null is allowed
// proc gets kUSBMessageServiceIsTerminated once the device is unplugged or a transfer
// reports it gone. 0 or a platform error.
OSStatus USBAddInterestNotification(UsbNotificationPort port, UsbService device,
                                    UsbNotificationProc proc, void* refcon, UsbNotification* out);
void USBNotificationRelease(UsbNotification notification);  // null is allowed
