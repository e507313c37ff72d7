#pragma once

#include <string>
#include <sys/types.h>

// A private jackd on the dummy driver (48 kHz, `periodFrames` per period) under a name no
// other server has. Starting it points this process's JACK clients, RtMidi's included,
// at it through JACK_DEFAULT_SERVER, and keeps that name after it stops, so that no
// client here ever reaches a user's server. The server ends with the thread that started
// it, so a crashed test leaves none behind. Processes with such servers run one at a time:
// the first server of a process waits for the others to end.
class JackServer {
public:
    explicit JackServer(unsigned periodFrames = 64);
    // Stops the server if it still runs.
    ~JackServer();
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;

    // True once the server accepted a client, until it is stopped or killed.
    bool ready() const { return accepting; }

    // SIGKILL, as a crashing server would die; then what it leaves behind is cleaned up.
    void kill();
    // SIGSTOP and SIGCONT: a server that hangs, its clients still connected, and recovers.
    void stall();
    void resume();

    // Points this process's JACK clients at a server name that nothing runs under.
    static void pointAtAbsentServer();

private:
    // SIGTERM, and SIGKILL when it has not ended within a few seconds.
    void stop();
    // Starts jackd under our name and waits until it accepts clients.
    bool launch();
    void killNow();
    // SIGTERM; false when the server has not ended in time.
    bool terminate();
    void reclaim();
    bool waitUntilAccepting();
    bool waitForExit(int timeoutMillis);
    void removeLeftovers() const;
    // Where jackd's own output goes while it runs.
    std::string logPath() const;

    std::string serverName;
    unsigned periodFrames;
    pid_t pid = -1;
    bool accepting = false;
    bool stalled = false;
};
