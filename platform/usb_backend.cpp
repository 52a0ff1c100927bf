// What the USB backends share: the iterator over services and the record of stalled pipes.

#include "platform/usb_backend.h"

UsbService USBIteratorNext(UsbIterator it) {
    if (!it || it->next >= it->items.size()) return nullptr;
    return it->items[it->next++];
}

void USBIteratorRelease(UsbIterator it) {
    if (!it) return;
    for (std::size_t i = it->next; i < it->items.size(); ++i) USBServiceRelease(it->items[i]);
    delete it;
}

void mark_stalled(PipeStalls* stalls, std::uint8_t pipe_ref) {
    if (stalls->stalled.size() <= pipe_ref) stalls->stalled.resize(pipe_ref + 1u, 0);
    stalls->stalled[pipe_ref] = 1;
}

bool is_stalled(const PipeStalls* stalls, std::uint8_t pipe_ref) {
    return pipe_ref < stalls->stalled.size() && stalls->stalled[pipe_ref] != 0;
}
