// Variable-length numbers, on their own and as the delta times of a file.
#include "MidiTestSupport.h"
#include "ZylmidiByteStream.h"

#include <sstream>

namespace {

struct VarLenCase {
    Bytes wire;
    uint32_t value;
};

// The wire forms of the classic table, and longer ones that keep the low 32 bits.
const std::vector<VarLenCase> varLenCases = {
    {{0x00}, 0},
    {{0x7F}, 127},
    {{0x81, 0x00}, 128},
    {{0xC0, 0x00}, 8192},
    {{0xFF, 0x7F}, 16383},
    {{0x81, 0x80, 0x00}, 16384},
    {{0xFF, 0xFF, 0x7F}, 0x1FFFFF},
    {{0x81, 0x80, 0x80, 0x00}, 0x200000},
    {{0xFF, 0xFF, 0xFF, 0x7F}, 0x0FFFFFFF},
    {{0x8F, 0xFF, 0xFF, 0xFF, 0x7F}, 0xFFFFFFFF},
    {{0x90, 0x80, 0x80, 0x80, 0x00}, 0},                      // 2^32 wraps to 0
    {{0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x05}, 5},          // padding groups of zeros
    {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, 0xFFFFFFFF}, // low 32 bits of 49 ones
};

TEST(MidiVarLen, ShortReadIsFalse) {
    for (const std::string& wire :
         {std::string(), std::string("\x81"), std::string("\xFF\xFF\xFF")}) {
        std::stringbuf source(wire);
        ZylmidiByteStream in(source);
        uint32_t read = 0;
        EXPECT_FALSE(readVarLen(in, read)) << wire.size() << " bytes";
    }
}

// Each number as the delta of a C0 05 event: the event after it reads whole, so the number
// took exactly its own bytes.
TEST(MidiVarLen, DeltaTimesOfAFile) {
    Bytes body;
    std::vector<ZylmidiEvent> expected;
    for (const auto& [wire, value] : varLenCases) {
        appendBytes(body, wire);
        appendBytes(body, {0xC0, 0x05});
        expected.push_back({value, {0xC0, 0x05}});
    }
    TempDir dir;
    ZylmidiFile song;
    ASSERT_EQ(loadBytes(dir, singleTrackFile(body), song), 0);
    EXPECT_TRUE(sameEvents(song.tracks.at(0).events, expected));
}

} // namespace
