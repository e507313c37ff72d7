#include "FltXdotool.h"

#include "FltEventLoop.h"

#include <gtest/gtest.h>

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
    int status = 0;
    const bool ended = loopUntil([&] { return waitpid(child, &status, WNOHANG) != 0; });
    if (!ended)
        kill(child, SIGKILL); // a stuck xdotool is killed, not waited on
    loopFor(0.2);             // lets the events it caused settle
    ASSERT_TRUE(ended && WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool failed";
}
