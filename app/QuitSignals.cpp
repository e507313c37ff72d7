#include "QuitSignals.h"

#include <FL/Fl.H>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int QuitSignalNumbers[] = {SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t writeEnd = -1;

void onSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(writeEnd, &byte, 1);
    errno = savedErrno;
}

void handleWith(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : QuitSignalNumbers)
        sigaction(number, &action, nullptr);
}

} // namespace

QuitSignals::QuitSignals(std::function<void()> quit) : onQuit(std::move(quit)) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readEnd = ends[0];
    writeEnd = ends[1];
    Fl::add_fd(readEnd, FL_READ, arrived, this);
    handleWith(onSignal);
}

QuitSignals::~QuitSignals() {
    if (!installed())
        return;
    handleWith(SIG_DFL);
    Fl::remove_fd(readEnd);
    close(writeEnd);
    close(readEnd);
    writeEnd = -1;
}

void QuitSignals::arrived(int fd, void* self) {
    char bytes[64];
    while (read(fd, bytes, sizeof bytes) > 0) {
    }
    static_cast<QuitSignals*>(self)->onQuit();
}
