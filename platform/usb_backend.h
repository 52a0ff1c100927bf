// What the USB backends share: the iterator over services and the record of stalled pipes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/usb.h"

struct UsbIteratorRec {
    std::vector<UsbService> items;  // services not yet handed out are released with it
    std::size_t next = 0;           // index of the next service to hand out
};

// Pipes whose last transfer stalled, by pipe index; only a new alternate setting clears them.
struct PipeStalls {
    std::vector<std::uint8_t> stalled;  // 1 at a stalled pipe's index
};
void mark_stalled(PipeStalls* stalls, std::uint8_t pipe_ref);
bool is_stalled(const PipeStalls* stalls, std::uint8_t pipe_ref);
