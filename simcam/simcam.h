// The simulated camera: a device behind the USB layer that speaks the camera's protocol,
// with faults on demand. Linked into a program instead of the real USB backend, it is
// plugged in from the start and sends a moving 1,024 x 768 test picture.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

// One pipe of the simulated interface.
struct SimcamPipe {
    std::uint8_t direction;      // kUSBIn or kUSBOut
    std::uint8_t number;         // endpoint number
    std::uint8_t transfer_type;  // kUSBBulk, kUSBInterrupt, ...
};

// How the device describes itself.
struct SimcamShape {
    bool has_interface;                // false: the configuration offers no interface
    std::vector<SimcamPipe> setting0;  // pipes of the default setting
    std::vector<SimcamPipe> setting1;  // pipes of alternate setting 1
};

enum class SimcamFault {
    refuse,                 // the response's status is 1
    zero_size,              // the response announces 0 bytes
    huge_size,              // the response announces 0x7FFFFFFF bytes and sends none
    corrupt_body,           // the first chunk's start-of-scan segment is malformed
    short_chunk,            // the chunk arrives 8 bytes short
    read_timeout,           // the read times out
    stall,                  // the read stalls the IN pipe
    write_never_completes,  // the camera takes the block but the completion never comes
    unplug,                 // the device is unplugged during the transfer
};

// A transfer as the device saw it.
struct SimcamTransfer {
    bool in;              // a read of the IN pipe, else a write of the OUT pipe
    std::uint32_t size;   // bytes asked for (read) or written
    std::uint32_t moved;  // bytes sent back (read) or taken (write)
};

// Plugged in, the standard shape (bulk OUT 2 and bulk IN 1 on setting 0), the moving
// picture, no faults, nothing recorded.
void simcam_reset();
void simcam_set_shape(const SimcamShape& shape);
// Unplugging delivers the removal notice from the event loop; plugging back in makes the
// device findable again.
void simcam_plug(bool plugged);
bool simcam_plugged();
// The fault happens at the n-th transfer from now (1 = the next write or read).
void simcam_fail_at(int n, SimcamFault fault);
// Sends this body (without header and end marker) for every picture instead of the test
// picture; an empty body restores the test picture.
void simcam_set_body(const std::vector<std::uint8_t>& body);
// Every command block received, in order, and every transfer seen.
const std::vector<std::array<std::uint8_t, 32>>& simcam_commands();
const std::vector<SimcamTransfer>& simcam_transfers();
int simcam_lookups();  // how often the device was looked for
void simcam_clear_record();

// The test picture of frame n: the complete JPEG stream as an encoder writes it, and the
// body the camera sends (from the start-of-scan segment, without the end marker).
const std::vector<std::uint8_t>& simcam_picture_jpeg(std::uint32_t frame);
std::vector<std::uint8_t> simcam_picture_body(std::uint32_t frame);
