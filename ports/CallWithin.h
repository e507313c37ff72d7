#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// On a stopped JACK server libjack's calls wait for as long as the server does; opening a
// client or listing ports must not hold the user-interface thread for that long.

// The longest that listing holds the calling thread; opening may take a few of the server's
// cycles more.
inline constexpr std::chrono::milliseconds ClientCallLimit{500};

// Runs `task` on a thread of its own and waits up to `limit` for it: true with its result
// in `result`; false when the limit passed first, and then the task goes on alone and hands
// its result to `leftOver` when it ends.
template <typename Result>
bool callWithin(std::chrono::steady_clock::duration limit, std::function<Result()> task,
                std::function<void(Result)> leftOver, Result& result) {
    struct Shared {
        std::mutex guard;
        std::condition_variable finished;
        bool done = false;
        bool givenUp = false;
        Result result{};
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, task = std::move(task), leftOver = std::move(leftOver)] {
        Result ended = task();
        std::unique_lock<std::mutex> lock(shared->guard);
        if (shared->givenUp) {
            lock.unlock();
            leftOver(std::move(ended));
            return;
        }
        shared->result = std::move(ended);
        shared->done = true;
        shared->finished.notify_one();
    }).detach();
    std::unique_lock<std::mutex> lock(shared->guard);
    if (!shared->finished.wait_for(lock, limit, [&] { return shared->done; })) {
        shared->givenUp = true;
        return false;
    }
    result = std::move(shared->result);
    return true;
}
