#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// The built player as a user runs it: a process of its own on the test's display, with
// HOME pointing at a folder the test prepared and JACK clients pointing at the test's
// private server (both inherited from this process's environment).
class PlayerSession {
public:
    // Positions inside the window, as the player lays it out.
    struct Point {
        int x, y;
    };
    static constexpr Point StartButton{125, 75};
    static constexpr Point PlayNowButton{125, 175};
    static constexpr Point PlayNextButton{125, 275};
    static constexpr Point ResetSpeedButton{125, 375};
    static constexpr Point SlowerButton{125, 475};
    static constexpr Point FasterButton{125, 575};

    explicit PlayerSession(std::string home);
    // Kills a player the test left running.
    ~PlayerSession();
    PlayerSession(const PlayerSession&) = delete;
    PlayerSession& operator=(const PlayerSession&) = delete;

    // Starts the player and waits until its window is mapped; false when it never shows.
    bool start(const std::vector<std::string>& arguments = {});
    // A left click at `at` inside the window, as real X input.
    void click(Point at);
    // Keys as xdotool names them ("q", "ctrl+p").
    void press(const std::string& keys);
    void signal(int number);
    // Waits for the player to end; false when it still runs after `limit`.
    bool waitForExit(std::chrono::milliseconds limit = std::chrono::seconds(10));
    int exitStatus() const { return status; }
    bool running() const { return pid > 0; }

    std::string output() const; // what it wrote to standard output so far
    std::string errors() const; // what it wrote to standard error so far
    // Waits until the output holds `count` lines beginning with `words`.
    bool waitForLines(const std::string& words, int count,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

    // The player's store, as it is on disk now.
    std::string storeText() const;

private:
    std::string home;
    pid_t pid = -1;
    int status = -1;
    std::string window;
};

// Writes the player's store under `home` with the given root keys ("MIDIdevice:1", ...).
void writeStore(const std::string& home, const std::vector<std::string>& rootLines);
// The lines of `text` beginning with `words`.
int countLines(const std::string& text, const std::string& words);
