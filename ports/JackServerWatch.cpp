#include "JackServerWatch.h"

#include <chrono>
#include <cstring>
#include <jack/jack.h>
#include <thread>

namespace {

const char* const WatchClientName = "ZylmidiOut watch";
// Longer than any period a server would run with; a stalled server is not waited for.
constexpr auto CycleTimeout = std::chrono::seconds(2);

} // namespace

JackServerWatch::JackServerWatch() {
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
    jack_set_process_callback(
        client,
        [](jack_nframes_t, void* self) {
            static_cast<JackServerWatch*>(self)->cyclesBegun.fetch_add(1,
                                                                       std::memory_order_release);
            return 0;
        },
        this);
    if (jack_activate(client) != 0) {
        jack_client_close(client);
        client = nullptr;
    }
}

JackServerWatch::~JackServerWatch() {
    if (client != nullptr)
        jack_client_close(client);
}

std::string JackServerWatch::reason() const {
    if (!serverGone())
        return "";
    return goneReason;
}

bool JackServerWatch::waitForCycles(unsigned cycles) const {
    const uint64_t target = cyclesBegun.load(std::memory_order_acquire) + cycles;
    const auto deadline = std::chrono::steady_clock::now() + CycleTimeout;
    while (cyclesBegun.load(std::memory_order_acquire) < target) {
        if (serverGone() || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

void JackServerWatch::onShutdown(int, const char* why, void* self) {
    auto* watch = static_cast<JackServerWatch*>(self);
    std::strncpy(watch->goneReason, why != nullptr ? why : "", sizeof watch->goneReason - 1);
    watch->gone.store(true, std::memory_order_release);
}
