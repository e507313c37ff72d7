// The event values: kind by first byte, and note-on detection.
#include "MidiTestSupport.h"

namespace {

TEST(MidiEventModel, KindAndNoteOnNumberFollowTheBytes) {
    const struct {
        Bytes data;
        EventKind kind;
        int noteOn;
    } cases[] = {
        {{0x90, 0x3C, 0x40}, EventKind::Channel, 60},
        {{0x9F, 0x7F, 0x01}, EventKind::Channel, 127},
        {{0x90, 0x3C, 0x00}, EventKind::Channel, -1}, // velocity 0 ends a note
        {{0x80, 0x3C, 0x40}, EventKind::Channel, -1},
        {{0xB0, 0x07, 0x64}, EventKind::Channel, -1},
        {{0xC0, 0x05}, EventKind::Channel, -1},
        {{0x90, 0x3C}, EventKind::Channel, -1},             // a note-on cut short
        {{0x90, 0x3C, 0x40, 0x00}, EventKind::Channel, -1}, // one byte too many
        {{0x00}, EventKind::Channel, -1},
        {{0xF0, 0x43, 0x10}, EventKind::System, -1},
        {{0xFE}, EventKind::System, -1},
        {{0xFF, 0x51, 0x07, 0xA1, 0x20}, EventKind::Meta, -1},
        {{}, EventKind::Empty, -1},
    };
    for (const auto& c : cases) {
        const ZylmidiEvent event{0, c.data};
        EXPECT_EQ(event.kind(), c.kind) << ::testing::PrintToString(c.data);
        EXPECT_EQ(event.noteOnNumber(), c.noteOn) << ::testing::PrintToString(c.data);
        EXPECT_EQ(event.isNoteOn(), c.noteOn >= 0) << ::testing::PrintToString(c.data);
    }
}

} // namespace
