#pragma once

#include <cstdint>
#include <streambuf>
#include <vector>

// A forward-only byte source over any stream buffer that counts what it has consumed,
// so the reader knows where a chunk ends without asking the stream for its position.
class ZylmidiByteStream {
public:
    explicit ZylmidiByteStream(std::streambuf& source) : source(source) {}

    bool get(unsigned char& byte) {
        const auto c = source.sbumpc();
        if (c == std::streambuf::traits_type::eof())
            return false;
        byte = static_cast<unsigned char>(c);
        ++consumed;
        return true;
    }

    // Appends `count` bytes to `out`. The vector grows only as bytes really arrive, so a
    // declared length far beyond the end of the file costs no more memory than the file.
    // False when the source ends first; what did arrive stays appended.
    bool append(std::vector<unsigned char>& out, uint64_t count);

    uint64_t position() const { return consumed; }

    // Bytes the source says are left, without reading them; 0 when it cannot tell.
    uint64_t available() {
        const std::streamsize left = source.in_avail();
        return left > 0 ? static_cast<uint64_t>(left) : 0;
    }

private:
    std::streambuf& source;
    uint64_t consumed = 0;
};

// Reads a variable-length quantity: 7 bits a byte, most significant first, bit 7 set on
// every byte but the last. Longer than four bytes keeps the low 32 bits. False on a short read.
bool readVarLen(ZylmidiByteStream& in, uint32_t& value);
