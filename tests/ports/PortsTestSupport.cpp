#include "PortsTestSupport.h"

#include <sstream>

const Bytes Marker = {0xF0, 0x7D, 0x6D, 0x61, 0x72, 0x6B}; // non-commercial sysex "mark"

std::unique_ptr<JackServer> JackSuite::server;
std::unique_ptr<MidiReceiver> JackSuite::receiver;

int countLines(const std::string& text, const std::string& words) {
    std::istringstream lines(text);
    int count = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(words, 0) == 0)
            ++count;
    }
    return count;
}

void openOn(ZylmidiOut& out, const MidiReceiver& receiver) {
    const int index = receiver.indexIn(ZylmidiOut::portNames());
    ASSERT_GE(index, 0) << receiver.portName() << " is not listed";
    ASSERT_EQ(out.open(static_cast<unsigned>(index)), 0);
}

std::vector<Bytes> receivedUpToMarker(ZylmidiOut& out, const MidiReceiver& receiver,
                                      std::size_t from) {
    std::vector<Bytes> got;
    if (out.send(Marker) != 0) {
        ADD_FAILURE() << "the marker could not be sent";
        return got;
    }
    for (std::size_t seen = from;;) {
        if (!receiver.waitFor(seen + 1)) {
            ADD_FAILURE() << "the marker did not arrive";
            return got;
        }
        for (ReceivedMessage& message : receiver.messages(seen)) {
            ++seen;
            if (message.bytes == Marker)
                return got;
            got.push_back(std::move(message.bytes));
        }
    }
}

void JackSuite::SetUpTestSuite() {
    server = std::make_unique<JackServer>();
    receiver = std::make_unique<MidiReceiver>();
}

void JackSuite::TearDownTestSuite() {
    receiver.reset();
    server.reset();
}

void JackSuite::SetUp() {
    ASSERT_TRUE(server->ready());
    ASSERT_TRUE(receiver->ready());
    startCount = receiver->count();
}
