#include "FltXdotool.h"

#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>

extern char** environ;

namespace {

constexpr int SettleRounds = 10;
constexpr double RoundSeconds = 0.02;
constexpr auto HangGuard = std::chrono::seconds(30); // a stuck xdotool is killed, not waited on

} // namespace

void runXdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    ASSERT_EQ(posix_spawnp(&child, "xdotool", nullptr, nullptr, argv.data(), environ), 0);
    auto giveUp = std::chrono::steady_clock::now() + HangGuard;
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        Fl::wait(RoundSeconds);
        if (std::chrono::steady_clock::now() > giveUp)
            kill(child, SIGKILL);
    }
    for (int i = 0; i < SettleRounds; ++i)
        Fl::wait(RoundSeconds);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool failed";
}
