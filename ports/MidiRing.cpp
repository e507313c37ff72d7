#include "MidiRing.h"

#include <algorithm>
#include <cstring>

namespace {

std::size_t powerOfTwoFrom(std::size_t size) {
    std::size_t power = 1;
    while (power < size)
        power <<= 1;
    return power;
}

} // namespace

// Filled with a value that is not zero, so that every page is really written now (zeroes may
// come from untouched pages): a first touch in a send or in the process callback would cost
// a page fault there.
MidiRing::MidiRing(std::size_t capacityBytes)
    : bytes(powerOfTwoFrom(capacityBytes), 0xFF), mask(bytes.size() - 1) {}

bool MidiRing::write(const void* head, std::size_t headSize, const void* body,
                     std::size_t bodySize) {
    const std::size_t position = written.load(std::memory_order_relaxed);
    const std::size_t used = position - consumed.load(std::memory_order_acquire);
    if (headSize + bodySize > bytes.size() - used)
        return false;
    copyIn(position, head, headSize);
    copyIn(position + headSize, body, bodySize);
    written.store(position + headSize + bodySize, std::memory_order_release);
    return true;
}

std::size_t MidiRing::readable() const {
    return written.load(std::memory_order_acquire) - consumed.load(std::memory_order_relaxed);
}

void MidiRing::peek(void* into, std::size_t size, std::size_t offset) const {
    const std::size_t start = (consumed.load(std::memory_order_relaxed) + offset) & mask;
    const std::size_t first = std::min(size, bytes.size() - start);
    auto* target = static_cast<unsigned char*>(into);
    std::memcpy(target, &bytes[start], first);
    std::memcpy(target + first, bytes.data(), size - first);
}

void MidiRing::skip(std::size_t size) {
    consumed.store(consumed.load(std::memory_order_relaxed) + size, std::memory_order_release);
}

void MidiRing::copyIn(std::size_t position, const void* from, std::size_t size) {
    if (size == 0)
        return;
    const std::size_t start = position & mask;
    const std::size_t first = std::min(size, bytes.size() - start);
    const auto* source = static_cast<const unsigned char*>(from);
    std::memcpy(&bytes[start], source, first);
    std::memcpy(bytes.data(), source + first, size - first);
}
