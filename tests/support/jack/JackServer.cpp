#include "JackServer.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Under a sanitizer every client runs several times slower: at 64 frames (1.3 ms a cycle)
// nearly every cycle would run late.
unsigned framesPerPeriod(unsigned asked) {
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    return std::max(asked, 512u);
#else
    return asked;
#endif
}

} // namespace

JackServer::JackServer(unsigned periodFrames, Mode mode)
    : name("veltrano-" + std::to_string(getpid()) + "-" + std::to_string(serversStarted++)),
      logPath("/tmp/" + name + ".log"),
      command(std::string("exec jackd ") + (mode == Mode::WaitsForClients ? "-S " : "") + "-n " +
              name + " -d dummy -r " + std::to_string(SampleRate) + " -p " +
              std::to_string(framesPerPeriod(periodFrames)) + " >" + logPath + " 2>&1") {
    // JACK names a client's notification socket after the client alone, not its server, so
    // same-named clients of two servers on this machine take each other's socket and libjack
    // crashes. The port's client name is fixed: one process at a time runs private servers,
    // holding this lock until it ends.
    [[maybe_unused]] static const int locked =
        flock(open("/tmp/veltrano-jack-servers.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0644), LOCK_EX);
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
    launch();
}

// A killed jackd and the clients left open leave socket and semaphore files.
JackServer::~JackServer() {
    resume(); // a stopped server holds SIGTERM until it continues
    if (!ended(SIGTERM, 5000))
        kill();
    std::system(("rm -f " + logPath + " /dev/shm/*_" + name + "_*").c_str());
}

bool JackServer::launch() {
    const pid_t parent = getpid();
    pid = fork();
    // Async-signal-safe calls only in the child: the parent has threads. Exec keeps the death
    // signal, so the jackd that the shell becomes has it too.
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() == parent)
            execl("/bin/sh", "sh", "-c", command.c_str(), nullptr);
        _exit(127);
    }
    // The probe runs in a process of its own: once a client here has seen its server die,
    // libjack's next jack_client_open in this process frees every other client of ours.
    for (int tries = 0; pid > 0 && tries < 1000 && !ended(0, 20); ++tries)
        if (std::system(("jack_lsp -s " + name + " >/dev/null 2>&1").c_str()) == 0) {
            // The server's frame clock times every message and every stamp here; over its
            // first cycles its estimate still moves by milliseconds.
            usleep(500000);
            return true;
        }
    ended(SIGKILL, 5000);
    std::system(("echo JackServer: " + name + " did not start, saying:; cat " + logPath).c_str());
    return false;
}

bool JackServer::ended(int signal, int limitMillis) {
    if (pid <= 0) // ::kill(-1) would signal every process
        return true;
    ::kill(pid, signal);
    for (int waited = 0; waitpid(pid, nullptr, WNOHANG) != pid; waited += 5) {
        if (waited >= limitMillis)
            return false;
        usleep(5000);
    }
    pid = -1;
    return true;
}

// JACK keeps a slot for every server in a registry shared by the machine's servers (eight
// at most), and frees a dead server's slot only for a new server of the same name; so the
// name is started once more and stopped cleanly.
void JackServer::kill() {
    if (pid > 0 && ended(SIGKILL, 60000) && launch())
        ended(SIGTERM, 5000);
}

// Returns once the server has stopped, so that a test's next step meets a stalled server.
void JackServer::stall() {
    if (pid > 0 && ::kill(pid, SIGSTOP) == 0)
        waitpid(pid, nullptr, WUNTRACED);
}

void JackServer::resume() {
    if (pid > 0)
        ::kill(pid, SIGCONT);
}
