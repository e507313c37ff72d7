#include "ZylmidiWire.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Bytes = std::vector<unsigned char>;

struct Row {
    std::string what;
    Bytes stored;
    bool sent;
    Bytes wire;
};

} // namespace

TEST(WireMessage, WhatAnEventPutsOnTheWire) {
    const Row rows[] = {
        {"note on", {0x90, 60, 100}, true, {0x90, 60, 100}},
        {"program change", {0xC3, 5}, true, {0xC3, 5}},
        {"timing clock", {0xF8}, true, {0xF8}},
        {"tempo meta", {0xFF, 0x51, 0x07, 0xA1, 0x20}, false, {}},
        {"text meta", {0xFF, 0x01, 'h', 'i'}, false, {}},
        {"end of track", {0xFF, 0x2F}, false, {}},
        {"sysex as stored",
         {0xF0, 0x7E, 0x7F, 0x09, 0x01},
         true,
         {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {"empty sysex", {0xF0}, true, {0xF0, 0xF7}},
        {"sysex already closed", {0xF0, 0x43, 0xF7}, true, {0xF0, 0x43, 0xF7}},
        {"no bytes", {}, false, {}},
    };
    Bytes scratch;
    for (const Row& row : rows) {
        const ZylmidiEvent event{0, row.stored};
        const Bytes* wire = wireMessage(event, scratch);
        ASSERT_EQ(wire != nullptr, row.sent) << row.what;
        if (!wire)
            continue;
        EXPECT_EQ(*wire, row.wire) << row.what;
        if (row.wire == row.stored) {
            EXPECT_EQ(wire, &event.data) << row.what << " goes out without a copy";
        }
    }
}
