#include "PortsTestSupport.h"

#include <chrono>
#include <future>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int BurstSends = 20000;
constexpr int SendsBeforeFault = 2000;
// Generous: a send gives up after a second without a cycle. Only a hang exceeds it.
constexpr auto SendBound = std::chrono::seconds(3);
constexpr auto CallBound = std::chrono::seconds(2);
constexpr auto HangBound = std::chrono::seconds(60);

enum class Fault { Stall, Kill };

struct BurstOutcome {
    int failures = 0;
    int lastResult = 0;
    Clock::duration longest{};
};

// 20,000 Note Ons with no wait between them, the fault striking after the first 2,000.
BurstOutcome burst(ZylmidiOut& out, JackServer& server, Fault fault) {
    BurstOutcome outcome;
    for (int sent = 0; sent < BurstSends; ++sent) {
        if (sent == SendsBeforeFault)
            fault == Fault::Stall ? server.stall() : server.kill();
        const auto start = Clock::now();
        outcome.lastResult = out.send({0x90, static_cast<unsigned char>(sent % 128), 100});
        outcome.longest = std::max(outcome.longest, Clock::now() - start);
        outcome.failures += outcome.lastResult != 0;
    }
    return outcome;
}

// A private server and receiver of the test's own, the port open on it.
struct Rig {
    JackServer server;
    MidiReceiver receiver;
    ZylmidiOut out;
    Rig() {
        EXPECT_TRUE(server.ready() && receiver.ready());
        openOn(out, receiver);
    }
};

// libjack's threads for the clients of a killed server live on, and may still read what
// their callbacks were given; so that stays.
void keepForLibjack(std::unique_ptr<Rig> rig) {
    static auto* kept = new std::vector<Rig*>;
    kept->push_back(rig.release());
}

} // namespace

// One server for both faults: the stall first, then, once it resumed, the kill. Each
// process may start only a few private servers.
TEST(StalledServer, EverySendOfABurstReturnsAndTheLaterOnesFail) {
    auto rigOnHeap = std::make_unique<Rig>();
    Rig& rig = *rigOnHeap;
    for (const Fault fault : {Fault::Stall, Fault::Kill}) {
        SCOPED_TRACE(fault == Fault::Stall ? "stalled" : "killed");
        openOn(rig.out, rig.receiver); // the stall leaves the port given up
        testing::internal::CaptureStderr();
        std::packaged_task<BurstOutcome()> task([&] { return burst(rig.out, rig.server, fault); });
        std::future<BurstOutcome> done = task.get_future();
        std::thread sender(std::move(task));
        if (done.wait_for(HangBound) != std::future_status::ready) {
            sender.detach();
            FAIL() << "a send never returned";
        }
        sender.join();
        const BurstOutcome outcome = done.get();
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_LT(outcome.longest, SendBound);
        EXPECT_EQ(outcome.lastResult, RtMidiError::DRIVER_ERROR);
        EXPECT_GT(outcome.failures, 0);
        EXPECT_LE(outcome.failures, BurstSends - SendsBeforeFault);
        EXPECT_EQ(countLines(errors, "Send error "), outcome.failures);
        rig.server.resume();
    }
    keepForLibjack(std::move(rigOnHeap));
}

// Last, and the open last in it: an open given up goes on in libjack until the server
// resumes.
TEST(StalledServer, OpenAndCloseGiveUpInsteadOfWaiting) {
    Rig rig;
    rig.server.stall();
    for (const bool closing : {true, false}) {
        SCOPED_TRACE(closing ? "close" : "open");
        testing::internal::CaptureStderr();
        const auto start = Clock::now();
        const int result = closing ? 0 : rig.out.open(0);
        rig.out.close();
        const auto took = Clock::now() - start;
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_LT(took, CallBound);
        EXPECT_EQ(rig.out.port, nullptr);
        EXPECT_EQ(countLines(errors, "ZylmidiOut::close: "), closing ? 1 : 0) << errors;
        if (!closing) {
            EXPECT_EQ(result, RtMidiError::DRIVER_ERROR);
            EXPECT_EQ(countLines(errors, "RtMidi instantiation error "), 1) << errors;
        }
    }
    rig.server.resume();
}
