#pragma once

#include "JackServer.h"
#include "MidiReceiver.h"
#include "ZylmidiOut.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Sent after the messages under test: once it arrives, everything before it has too.
extern const Bytes Marker;

// The lines of `text` that begin with `words`.
int countLines(const std::string& text, const std::string& words);

// Opens `out` on `receiver`'s port, found by name in the port list. Fails the test when
// the receiver is not listed or the open fails.
void openOn(ZylmidiOut& out, const MidiReceiver& receiver);

// Sends the marker through `out` and returns what `receiver` got from message number
// `from` up to the marker; fails the test when the marker does not come.
std::vector<Bytes> receivedUpToMarker(ZylmidiOut& out, const MidiReceiver& receiver,
                                      std::size_t from);

// One private server and one receiver for all tests of a suite.
class JackSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    // What the suite's receiver got since this test began, up to a marker sent now.
    std::vector<Bytes> receivedSinceStart(ZylmidiOut& out) {
        return receivedUpToMarker(out, *receiver, startCount);
    }

    static std::unique_ptr<JackServer> server;
    static std::unique_ptr<MidiReceiver> receiver;
    std::size_t startCount = 0;
};
