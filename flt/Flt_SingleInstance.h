#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// One running instance of an application per user. The first start holds a lock and listens
// on a Unix-domain socket; a later start sends it a list of paths and ends. Both live in a
// folder only the user can write to: $XDG_RUNTIME_DIR, else /tmp/NAME-UID made 0700. The
// lock is released by the system when its holder dies, so a crashed instance's socket is
// taken over, never obeyed.
class Flt_SingleInstance {
public:
    // What claim returns.
    static constexpr int claimFirst = 0;        // this process is the one; call listen
    static constexpr int claimHandedOver = 1;   // the running one has the paths: end now
    static constexpr int claimUnavailable = -1; // no safe folder or socket: run alone
    static constexpr int claimNoAnswer = -2;    // one runs but could not be reached

    explicit Flt_SingleInstance(const char* name);
    // Stops listening; the socket of the first instance is removed.
    ~Flt_SingleInstance();
    Flt_SingleInstance(const Flt_SingleInstance&) = delete;
    Flt_SingleInstance& operator=(const Flt_SingleInstance&) = delete;

    // Becomes the one instance, or hands `paths` to the one that runs; one that is closing
    // is waited for, a few seconds at most, and then succeeded. `reason` says why for the
    // two failures.
    int claim(const std::vector<std::string>& paths, std::string& reason);
    // After claimFirst: each list a later start sends reaches `onPaths` in the FLTK event
    // loop (an empty list when it named no paths). Empty, it stops for good: the socket goes,
    // so a later start is told that no one answers rather than that its paths were taken.
    void listen(std::function<void(const std::vector<std::string>&)> onPaths);

private:
    std::string name;
    std::string socketPath;
    int lockFd = -1;
    int listenFd = -1;
    std::map<int, std::string> pending; // connection -> what arrived so far
    std::function<void(const std::vector<std::string>&)> onPaths;

    bool prepareFolder(std::string& reason);
    bool takeLock();
    int bindSocket(std::string& reason);
    // One attempt to reach the one that runs.
    int handOver(const std::vector<std::string>& paths, std::string& reason) const;
    static void acceptReady(int fd, void* self);
    static void connectionReady(int fd, void* self);
};
