#include "ZylmidiWire.h"

namespace {

constexpr unsigned char SysexStart = 0xF0;
constexpr unsigned char SysexEnd = 0xF7;
constexpr unsigned char MetaStatus = 0xFF;

} // namespace

const std::vector<unsigned char>* wireMessage(const ZylmidiEvent& event,
                                              std::vector<unsigned char>& scratch) {
    const std::vector<unsigned char>& bytes = event.data;
    if (bytes.empty() || bytes.front() == MetaStatus)
        return nullptr;
    if (bytes.front() != SysexStart || bytes.back() == SysexEnd)
        return &bytes;
    scratch.assign(bytes.begin(), bytes.end());
    scratch.push_back(SysexEnd);
    return &scratch;
}

bool releasesSound(const std::vector<unsigned char>& message) {
    if (message.empty())
        return false;
    const unsigned kind = message[0] & 0xF0u;
    const bool full = message.size() == 3;
    return kind == 0x80 || (full && kind == 0x90 && message[2] == 0) ||
           (full && kind == 0xB0 && message[1] == SustainController &&
            message[2] < SustainHeldFrom);
}
