#include "JackServer.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <spawn.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr auto StartTimeout = std::chrono::seconds(20);
constexpr int StopTimeoutMillis = 5000;
const char* const MachineLockPath = "/tmp/veltrano-jack-servers.lock";

std::string uniqueServerName() {
    static std::atomic<unsigned> counter{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return "veltrano-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count() %
                          1000000);
}

// JACK names a client's notification socket after the client alone, not after its
// server, so same-named clients of two servers on this machine take each other's socket
// (and libjack then crashes). RtMidi's client name is fixed, so only one process at a
// time may run private servers: the first server of a process takes this lock, and the
// process keeps it until it ends.
void takeMachineLock() {
    static const bool taken = [] {
        const int lock = ::open(MachineLockPath, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (lock < 0)
            return false;
        if (flock(lock, LOCK_EX | LOCK_NB) == 0)
            return true;
        std::fprintf(stderr, "JackServer: waiting for another process's JACK servers\n");
        return flock(lock, LOCK_EX) == 0;
    }();
    if (!taken)
        std::fprintf(stderr, "JackServer: no lock at %s; concurrent suites may clash\n",
                     MachineLockPath);
}

void useServer(const std::string& name) {
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    setenv("JACK_NO_START_SERVER", "1", 1);
}

// Only async-signal-safe calls here: the parent has threads.
[[noreturn]] void execServer(std::vector<char*>& argv, const char* logPath, pid_t parent) {
    // Never outlive a crashed test, and end as cleanly as `stop` would.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        _exit(126);
    const int devNull = ::open("/dev/null", O_RDONLY);
    const int log = ::open(logPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (devNull >= 0)
        dup2(devNull, STDIN_FILENO);
    if (log >= 0) {
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
    }
    execvp(argv[0], argv.data());
    _exit(127);
}

// The probe runs in a process of its own. Once one client here has seen its server die,
// libjack's next jack_client_open in this process closes and frees every other client of
// ours, before their own shutdown callbacks had a chance to run; an in-process probe right
// after a kill would do exactly that.
bool acceptsClients(const std::string& serverName) {
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&quiet, STDOUT_FILENO, STDERR_FILENO);
    std::string program = "jack_lsp", serverFlag = "-s", name = serverName;
    char* argv[] = {program.data(), serverFlag.data(), name.data(), nullptr};
    pid_t probe = -1;
    const int spawned = posix_spawnp(&probe, argv[0], &quiet, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&quiet);
    int status = 0;
    if (spawned != 0 || waitpid(probe, &status, 0) != probe)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

JackServer::JackServer(unsigned periodFrames)
    : serverName(uniqueServerName()), periodFrames(periodFrames) {
    takeMachineLock();
    useServer(serverName);
    accepting = launch();
    if (!accepting) {
        std::fprintf(stderr, "JackServer: jackd -n %s did not start; it said:\n",
                     serverName.c_str());
        std::ifstream said(logPath());
        std::cerr << said.rdbuf() << std::endl;
        std::remove(logPath().c_str());
    }
}

JackServer::~JackServer() {
    stop();
}

bool JackServer::launch() {
    std::vector<std::string> args = {"jackd", "-n",    serverName,
                                     "-d",    "dummy", "-r",
                                     "48000", "-p",    std::to_string(periodFrames)};
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string log = logPath();
    const pid_t parent = getpid();
    pid = fork();
    if (pid == 0)
        execServer(argv, log.c_str(), parent);
    return pid > 0 && waitUntilAccepting();
}

bool JackServer::waitUntilAccepting() {
    const auto deadline = std::chrono::steady_clock::now() + StartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            pid = -1; // it died on start
            return false;
        }
        if (acceptsClients(serverName))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void JackServer::kill() {
    accepting = false;
    if (pid <= 0)
        return;
    killNow();
    reclaim();
}

void JackServer::stop() {
    accepting = false;
    if (pid <= 0)
        return;
    resume(); // a stopped process holds SIGTERM until it continues
    if (terminate()) {
        removeLeftovers();
        return;
    }
    killNow();
    reclaim();
}

void JackServer::killNow() {
    ::kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
    stalled = false;
}

// Returns once the server has stopped, so that a test's next step meets a stalled server.
void JackServer::stall() {
    if (pid <= 0 || stalled || ::kill(pid, SIGSTOP) != 0)
        return;
    int status = 0;
    stalled = waitpid(pid, &status, WUNTRACED) == pid && WIFSTOPPED(status);
}

void JackServer::resume() {
    if (pid > 0 && stalled)
        stalled = ::kill(pid, SIGCONT) != 0;
}

bool JackServer::terminate() {
    ::kill(pid, SIGTERM);
    if (!waitForExit(StopTimeoutMillis))
        return false;
    pid = -1;
    std::remove(logPath().c_str());
    return true;
}

// JACK keeps a slot for every server in a registry shared by all servers of the machine
// (eight at most), and frees a dead server's slot only for a new server of the same name.
// So the name is started once more and stopped cleanly, which also frees the killed
// server's shared memory.
void JackServer::reclaim() {
    launch();
    if (pid > 0 && !terminate())
        killNow();
    std::remove(logPath().c_str());
    removeLeftovers();
}

std::string JackServer::logPath() const {
    return "/tmp/" + serverName + ".log";
}

bool JackServer::waitForExit(int timeoutMillis) {
    for (int waited = 0; waited < timeoutMillis; waited += 10) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// A killed jackd leaves its socket and semaphore files; its shared memory is reclaimed
// by the next server that starts.
void JackServer::removeLeftovers() const {
    const std::string socketPrefix = "jack_" + serverName + "_";
    const std::string semaphorePrefix =
        "jack_sem." + std::to_string(getuid()) + "_" + serverName + "_";
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", ignored)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind(socketPrefix, 0) == 0 || file.rfind(semaphorePrefix, 0) == 0)
            std::filesystem::remove(entry.path(), ignored);
    }
}

void JackServer::pointAtAbsentServer() {
    useServer(uniqueServerName() + "-absent");
}
