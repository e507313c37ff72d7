#include "ZylmidiByteStream.h"

namespace {
// The window a stream is read through: big payloads arrive in few calls.
constexpr std::size_t WindowSize = 64 * 1024;
} // namespace

bool ZylmidiByteStream::refill() {
    if (source == nullptr)
        return false;
    windowPosition = position();
    if (buffer.size() < WindowSize)
        buffer.resize(WindowSize);
    const auto got = source->sgetn(reinterpret_cast<char*>(buffer.data()),
                                   static_cast<std::streamsize>(buffer.size()));
    window = next = buffer.data();
    end = next + std::max<std::streamsize>(0, got);
    return next != end;
}

bool ZylmidiByteStream::append(std::vector<unsigned char>& out, uint64_t count) {
    while (count > 0) {
        if (next == end && !refill())
            return false;
        const auto part = static_cast<std::size_t>(std::min<uint64_t>(count, inView()));
        out.insert(out.end(), next, next + part);
        next += part;
        count -= part;
    }
    return true;
}

uint64_t ZylmidiByteStream::available() {
    uint64_t left = inView();
    if (source != nullptr) {
        const std::streamsize more = source->in_avail();
        if (more > 0)
            left += static_cast<uint64_t>(more);
    }
    return left;
}
