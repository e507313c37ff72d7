#include "FltXdotool.h"

#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <chrono>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

void runXdotool(std::vector<std::string> args) {
    args.insert(args.begin(), "xdotool");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    ASSERT_EQ(posix_spawnp(&child, "xdotool", nullptr, nullptr, argv.data(), environ), 0);
    // A stuck xdotool is killed, not waited on.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        Fl::wait(0.02);
        if (std::chrono::steady_clock::now() > giveUp)
            kill(child, SIGKILL);
    }
    for (int settle = 0; settle < 10; ++settle)
        Fl::wait(0.02);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool failed";
}
