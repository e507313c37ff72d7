#include "PlayerSession.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

const char* const WindowTitle = "^Veltrano V1.4";
constexpr auto PollStep = std::chrono::milliseconds(10);

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ToolRun {
    bool succeeded = false;
    std::string printed;
};

// Runs a helper program to its end, with a time limit so a stuck one cannot hang the test.
ToolRun runTool(const std::vector<std::string>& args) {
    std::string command = "timeout 20";
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.printed += buffer;
    run.succeeded = pclose(pipe) == 0;
    return run;
}

std::string storePath(const std::string& home) {
    return home + "/.fltk/nvx/Veltrano.prefs";
}

} // namespace

PlayerSession::PlayerSession(std::string homeFolder) : home(std::move(homeFolder)) {}

PlayerSession::~PlayerSession() {
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

bool PlayerSession::start(const std::vector<std::string>& arguments) {
    std::vector<std::string> args{VELTRANO_PLAYER};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t streams;
    posix_spawn_file_actions_init(&streams);
    posix_spawn_file_actions_addopen(&streams, 1, (home + "/player.out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&streams, 2, (home + "/player.err").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", home.c_str(), 1);
    const int spawned = posix_spawn(&pid, argv[0], &streams, nullptr, argv.data(), environ);
    setenv("HOME", savedHome.c_str(), 1);
    posix_spawn_file_actions_destroy(&streams);
    if (spawned != 0) {
        pid = -1;
        return false;
    }
    // One player at a time runs on a test's display, so the title finds it.
    const ToolRun found =
        runTool({"xdotool", "search", "--sync", "--onlyvisible", "--name", WindowTitle});
    window = found.printed.substr(0, found.printed.find('\n'));
    return !window.empty();
}

void PlayerSession::click(Point at) {
    EXPECT_TRUE(runTool({"xdotool", "mousemove", "--sync", "--window", window, std::to_string(at.x),
                         std::to_string(at.y), "click", "1"})
                    .succeeded)
        << "xdotool could not click";
}

void PlayerSession::press(const std::string& keys) {
    EXPECT_TRUE(
        runTool({"xdotool", "windowfocus", "--sync", window, "key", "--clearmodifiers", keys})
            .succeeded)
        << "xdotool could not press " << keys;
}

void PlayerSession::signal(int number) {
    if (pid > 0)
        kill(pid, number);
}

bool PlayerSession::waitForExit(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (pid > 0) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return true;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(PollStep);
    }
    return true;
}

std::string PlayerSession::output() const {
    return readFile(home + "/player.out");
}

std::string PlayerSession::errors() const {
    return readFile(home + "/player.err");
}

bool PlayerSession::waitForLines(const std::string& words, int count,
                                 std::chrono::milliseconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (countLines(output(), words) < count) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(PollStep);
    }
    return true;
}

std::string PlayerSession::storeText() const {
    return readFile(storePath(home));
}

void writeStore(const std::string& home, const std::vector<std::string>& rootLines) {
    std::filesystem::create_directories(home + "/.fltk/nvx");
    std::ofstream store(storePath(home));
    store
        << "; FLTK preferences file format 1.0\n; vendor: nvx\n; application: Veltrano\n\n[.]\n\n";
    for (const std::string& line : rootLines)
        store << line << "\n";
}

int countLines(const std::string& text, const std::string& words) {
    std::istringstream lines(text);
    int count = 0;
    for (std::string line; std::getline(lines, line);)
        count += line.compare(0, words.size(), words) == 0;
    return count;
}
