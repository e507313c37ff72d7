#pragma once

#include <functional>

// Turns SIGTERM, SIGINT and SIGHUP into one call of `onQuit` inside the FLTK event loop,
// through a pipe: the handler only writes a byte, so a signal never cuts into the
// program's work (writing the store, say). One object per process.
class QuitSignals {
public:
    explicit QuitSignals(std::function<void()> onQuit);
    // Puts the default handlers back.
    ~QuitSignals();
    QuitSignals(const QuitSignals&) = delete;
    QuitSignals& operator=(const QuitSignals&) = delete;

    // False when the pipe could not be made; the signals then keep their default action.
    bool installed() const { return readEnd >= 0; }

private:
    static void arrived(int fd, void* self);

    std::function<void()> onQuit;
    int readEnd = -1;
};
