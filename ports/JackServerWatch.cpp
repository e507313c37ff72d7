#include "JackServerWatch.h"

#include <jack/jack.h>
#include <thread>

namespace {

const char* const WatchClientName = "ZylmidiOut watch";

} // namespace

JackServerWatch::JackServerWatch() {
    lastCycleTicks.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
    client = jack_client_open(WatchClientName, JackNoStartServer, nullptr);
    if (client == nullptr)
        return;
    // Both are called on libjack's threads.
    jack_on_info_shutdown(
        client,
        [](jack_status_t code, const char* why, void* self) {
            onShutdown(static_cast<int>(code), why, self);
        },
        this);
    jack_set_process_callback(client, &JackServerWatch::onProcess, this);
    if (jack_activate(client) != 0) {
        jack_client_close(client);
        client = nullptr;
    }
}

JackServerWatch::~JackServerWatch() {
    if (client != nullptr)
        jack_client_close(client);
}

void JackServerWatch::giveUp(const std::string& why) {
    {
        const std::lock_guard<std::mutex> lock(reasonGuard);
        if (serverGone())
            return;
        goneReason = why;
    }
    gone.store(true, std::memory_order_release);
}

std::string JackServerWatch::reason() const {
    const std::lock_guard<std::mutex> lock(reasonGuard);
    return goneReason;
}

bool JackServerWatch::stalledFor(Clock::duration span) const {
    const Clock::time_point last(Clock::duration(lastCycleTicks.load(std::memory_order_acquire)));
    return Clock::now() - last > span;
}

bool JackServerWatch::waitForCycles(unsigned count, Clock::duration timeout) const {
    const uint64_t target = cycles() + count;
    const auto deadline = Clock::now() + timeout;
    while (cycles() < target) {
        if (serverGone() || Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

void JackServerWatch::onShutdown(int, const char* why, void* self) {
    static_cast<JackServerWatch*>(self)->giveUp(why != nullptr ? why : "");
}

int JackServerWatch::onProcess(uint32_t, void* self) {
    auto* watch = static_cast<JackServerWatch*>(self);
    watch->lastCycleTicks.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
    watch->cyclesBegun.fetch_add(1, std::memory_order_release);
    return 0;
}
