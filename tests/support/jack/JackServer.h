#pragma once

#include <string>

// A private jackd on the dummy driver (`SampleRate`, `periodFrames` per period) under a name no
// other server has. Starting it points this process's JACK clients, the port's included, at
// it through JACK_DEFAULT_SERVER, and that name stays after it stops, so no client here ever
// reaches a user's server. The server ends with the thread that started it, so a crashed
// test leaves none behind. Processes with such servers take turns: the first server of a
// process waits for the other processes' servers to end.
class JackServer {
public:
    enum class Mode {
        // Sync mode (-S): the server waits for a client held back past its cycle. Tests need
        // every message, and by default the server drops such a cycle's messages between the
        // port and the receiver, past the port's reach: a busy machine lost some so at 64
        // frames.
        WaitsForClients,
        // jackd's default, as users run it: what benchmarks measure. A late client makes the
        // next cycles begin late too in sync mode, which is no measure of the port.
        AsUsersRunIt,
    };
    // Frames a second on the dummy driver.
    static constexpr unsigned SampleRate = 48000;

    explicit JackServer(unsigned periodFrames = 64, Mode mode = Mode::WaitsForClients);
    ~JackServer();
    JackServer(const JackServer&) = delete;

    // True once the server accepted a client, until it is killed.
    bool ready() const { return pid > 0; }
    // SIGKILL, as a crashing server would die; what it leaves behind is then cleaned up.
    void kill();
    // SIGSTOP and SIGCONT: a server that hangs, its clients still connected, and recovers.
    void stall();
    void resume();

private:
    bool launch();
    // Sends `signal` (0: none) and waits up to `limitMillis` for the server to end; true when
    // none runs.
    bool ended(int signal, int limitMillis);

    inline static unsigned serversStarted = 0;
    // jackd's output goes to the log; the command is a shell's, which becomes jackd.
    const std::string name, logPath, command;
    int pid = -1; // of jackd
};
