#include "PortsTestSupport.h"

#include <unistd.h>

namespace {

const std::string OwnPort = "RtMidi Output Client:RtMidi Output";

} // namespace

using PortListing = JackSuite;

TEST_F(PortListing, ListsTheReceiverAndOpensIt) {
    MidiReceiver second("veltrano-second");
    ASSERT_TRUE(second.ready());
    testing::internal::CaptureStderr();
    const std::vector<std::string> names = ZylmidiOut::portNames();
    const std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_GE(receiver->indexIn(names), 0);
    EXPECT_GE(second.indexIn(names), 0);
    EXPECT_NE(receiver->indexIn(names), second.indexIn(names));
    EXPECT_EQ(countLines(errors, "RtMidi error "), 0);

    ZylmidiOut out;
    EXPECT_EQ(out.portName(0), "") << "no port open yet";
    const int index = second.indexIn(names);
    ASSERT_EQ(out.open(static_cast<unsigned>(index)), 0);
    ASSERT_NE(out.port, nullptr);
    EXPECT_EQ(out.portName(static_cast<unsigned>(index)), second.portName());

    // The port goes to the chosen receiver only.
    EXPECT_EQ(out.send({0x90, 60, 1}), 0);
    EXPECT_EQ(receivedUpToMarker(out, second, 0), (std::vector<Bytes>{{0x90, 60, 1}}));
    EXPECT_EQ(receiver->count(), startCount);
}

TEST_F(PortListing, OwnPortCarriesTheFixedNames) {
    ZylmidiOut out;
    openOn(out, *receiver);
    // A listener of its own, connected by the JACK names that our client and port have.
    MidiReceiver listener("veltrano-listener");
    ASSERT_TRUE(listener.ready());
    ASSERT_TRUE(listener.connectFrom(OwnPort));
    EXPECT_EQ(out.send({0xC3, 5}), 0);
    EXPECT_EQ(receivedUpToMarker(out, listener, 0), (std::vector<Bytes>{{0xC3, 5}}));
}

TEST_F(PortListing, OpenBeyondTheListIsRefused) {
    const auto count = static_cast<unsigned>(ZylmidiOut::portNames().size());
    ZylmidiOut out;
    openOn(out, *receiver);

    testing::internal::CaptureStderr();
    const int result = out.open(count);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, RtMidiError::INVALID_PARAMETER);
    EXPECT_EQ(countLines(errors, "RtMidi instantiation error "), 1) << errors;
    EXPECT_EQ(out.port, nullptr) << "a failed open leaves the port closed";
    EXPECT_EQ(out.send({0x90, 60, 100}), RtMidiError::INVALID_USE);

    EXPECT_NE(out.open(0xFFFFFFFFu), 0);
    EXPECT_EQ(out.port, nullptr);

    openOn(out, *receiver);
    EXPECT_EQ(out.send({0x80, 60, 0}), 0);
    EXPECT_EQ(receivedSinceStart(out), (std::vector<Bytes>{{0x80, 60, 0}}));
}

// Where the machine has no ALSA sequencer, ALSA is not asked at all: it would only print
// its failure, on every listing and open.
TEST_F(PortListing, NoAlsaLinesWithoutASequencer) {
    if (access("/dev/snd/seq", F_OK) == 0)
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    testing::internal::CaptureStderr();
    ZylmidiOut out;
    openOn(out, *receiver);
    out.close();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countLines(errors, "ALSA lib"), 0) << errors;
    EXPECT_EQ(countLines(errors, "MidiOutAlsa"), 0) << errors;
}

TEST(PortListingWithoutServer, EmptyListAndNoErrorLine) {
    JackServer::pointAtAbsentServer();
    testing::internal::CaptureStderr();
    const std::vector<std::string> names = ZylmidiOut::portNames();
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(countLines(errors, "RtMidi error "), 0) << errors;

    ZylmidiOut out;
    testing::internal::CaptureStderr();
    EXPECT_NE(out.open(0), 0);
    const std::string openErrors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countLines(openErrors, "RtMidi instantiation error "), 1) << openErrors;
    EXPECT_EQ(out.port, nullptr);
}
