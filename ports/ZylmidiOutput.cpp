#include "ZylmidiOutput.h"

#include <mutex>

void closeOutput(std::unique_ptr<ZylmidiOutput> port) {
    if (!port || port->close())
        return;
    // Its system may still call it: it stays, reachable, so that leak checkers do not report
    // it.
    static std::mutex guard; // ports close on different threads
    static auto* abandoned = new std::vector<std::unique_ptr<ZylmidiOutput>>;
    const std::lock_guard<std::mutex> lock(guard);
    abandoned->push_back(std::move(port));
}
