#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// A lock-free byte ring for one writer thread and one reader thread: `send` hands messages
// to the process callback through it without a lock, so neither ever waits for the other.
// Made of standard atomics, so that ThreadSanitizer sees every hand-over.
class MidiRing {
public:
    // The capacity is rounded up to a power of two.
    explicit MidiRing(std::size_t capacityBytes);

    // Writer: appends a header and a body as one record; false, writing nothing, when they
    // do not fit.
    bool write(const void* head, std::size_t headSize, const void* body, std::size_t bodySize);

    // Reader: the bytes that can be read now.
    std::size_t readable() const;
    // Reader: copies `size` bytes starting `offset` bytes past the read position, without
    // consuming them; the caller checked readable().
    void peek(void* into, std::size_t size, std::size_t offset = 0) const;
    // Reader: consumes `size` bytes.
    void skip(std::size_t size);

private:
    void copyIn(std::size_t position, const void* from, std::size_t size);

    std::vector<unsigned char> bytes;
    const std::size_t mask;
    std::atomic<std::size_t> written{0};  // total bytes written, only the writer stores it
    std::atomic<std::size_t> consumed{0}; // total bytes read, only the reader stores it
};
