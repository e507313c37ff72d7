#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <streambuf>
#include <vector>

// A forward-only byte source that counts what it has consumed, so the reader knows where a
// chunk ends without asking the stream for its position. Bytes already in memory are read
// where they lie; a stream buffer is read through a window of our own. Either way taking a
// byte is one pointer compare, and the reader can look at what is in view before it
// allocates for it.
class ZylmidiByteStream {
public:
    explicit ZylmidiByteStream(std::streambuf& source) : source(&source) {}
    // Reads `size` bytes at `bytes`, which must outlive the stream; null reads as no bytes.
    ZylmidiByteStream(const unsigned char* bytes, std::size_t size)
        : window(bytes), next(bytes), end(bytes ? bytes + size : bytes) {}

    bool get(unsigned char& byte) {
        if (next == end && !refill())
            return false;
        byte = *next++;
        return true;
    }

    // Appends `count` bytes to `out`. The vector grows only as bytes really arrive, so a
    // declared length far beyond the end of the file costs no more memory than the file.
    // False when the source ends first; what did arrive stays appended.
    bool append(std::vector<unsigned char>& out, uint64_t count);

    uint64_t position() const { return windowPosition + static_cast<uint64_t>(next - window); }

    // Bytes the source says are left, without reading them; 0 when it cannot tell.
    uint64_t available();

    // The bytes in view: they can be read at view() without going back to the source.
    const unsigned char* view() const { return next; }
    std::size_t inView() const { return static_cast<std::size_t>(end - next); }
    // Consumes `count` bytes of those in view.
    void skip(std::size_t count) { next += std::min(count, inView()); }

private:
    bool refill();

    std::streambuf* source = nullptr; // null when reading memory in place
    std::vector<unsigned char> buffer;
    uint64_t windowPosition = 0; // position of the byte at `window`
    const unsigned char* window = nullptr;
    const unsigned char* next = nullptr;
    const unsigned char* end = nullptr;
};

// Reads a variable-length quantity: 7 bits a byte, most significant first, bit 7 set on
// every byte but the last. Longer than four bytes keeps the low 32 bits. False on a short read.
inline bool readVarLen(ZylmidiByteStream& in, uint32_t& value) {
    value = 0;
    unsigned char byte = 0;
    do {
        if (!in.get(byte))
            return false;
        value = (value << 7) | (byte & 0x7Fu);
    } while (byte & 0x80);
    return true;
}
