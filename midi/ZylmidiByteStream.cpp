#include "ZylmidiByteStream.h"

#include <algorithm>

namespace {
// Large enough that big payloads arrive in few calls, small enough that a lying length
// field never reserves more than this ahead of the data.
constexpr uint64_t AppendChunk = 64 * 1024;
} // namespace

bool ZylmidiByteStream::append(std::vector<unsigned char>& out, uint64_t count) {
    while (count > 0) {
        const auto chunk = static_cast<std::size_t>(std::min(count, AppendChunk));
        const std::size_t before = out.size();
        out.resize(before + chunk);
        const auto got = static_cast<std::size_t>(
            std::max<std::streamsize>(0, source.sgetn(reinterpret_cast<char*>(out.data() + before),
                                                      static_cast<std::streamsize>(chunk))));
        consumed += got;
        if (got < chunk) {
            out.resize(before + got);
            return false;
        }
        count -= chunk;
    }
    return true;
}

bool readVarLen(ZylmidiByteStream& in, uint32_t& value) {
    value = 0;
    unsigned char byte = 0;
    do {
        if (!in.get(byte))
            return false;
        value = (value << 7) | (byte & 0x7Fu);
    } while (byte & 0x80);
    return true;
}
