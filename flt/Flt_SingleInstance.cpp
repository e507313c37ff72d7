#include "Flt_SingleInstance.h"

#include <FL/Fl.H>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

const mode_t privateFolderMode = 0700;
// Bytes; a longer message is not a list of paths. A command line carries 2 MiB at most
// (ARG_MAX), and its relative paths grow as they are made absolute.
const size_t longestMessage = 1 << 24;
const int sendTimeoutSeconds = 5;
// The first instance binds right after taking the lock, and one that is closing lets the
// lock go once it ends; a later start waits that long for either.
const int connectAttempts = 150;
const auto connectPause = std::chrono::milliseconds(20);
// handOver's third answer: no one listens yet; try again.
const int notReached = Flt_SingleInstance::claimNoAnswer - 1;

std::string systemReason(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Ours alone: a real folder (not a link) owned by this user that no one else may write to.
bool isPrivateFolder(const std::string& folder) {
    struct stat status {};
    return ::lstat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::getuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

bool fillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool sendAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        done += static_cast<size_t>(sent);
    }
    return true;
}

// Each path ends with a zero byte, which no path can hold.
std::vector<std::string> splitPaths(const std::string& message) {
    std::vector<std::string> paths;
    for (size_t start = 0; start < message.size();) {
        const size_t end = message.find('\0', start);
        if (end == std::string::npos)
            break; // cut short: the sender died while writing
        paths.push_back(message.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

} // namespace

Flt_SingleInstance::Flt_SingleInstance(const char* name) : name(name && *name ? name : "flt") {}

Flt_SingleInstance::~Flt_SingleInstance() {
    for (const auto& connection : pending) {
        Fl::remove_fd(connection.first);
        ::close(connection.first);
    }
    if (listenFd >= 0) {
        Fl::remove_fd(listenFd);
        ::close(listenFd);
        ::unlink(socketPath.c_str());
    }
    if (lockFd >= 0)
        ::close(lockFd); // releases the lock
}

int Flt_SingleInstance::claim(const std::vector<std::string>& paths, std::string& reason) {
    if (!prepareFolder(reason))
        return claimUnavailable;
    const std::string lockPath = socketPath + ".lock";
    lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd < 0) {
        reason = systemReason("Cannot open " + lockPath);
        return claimUnavailable;
    }
    // A player that is closing has stopped listening but holds the lock until it ends: this
    // start then becomes the player, rather than lose its paths.
    for (int attempt = 0; attempt < connectAttempts; ++attempt) {
        if (takeLock())
            return bindSocket(reason);
        const int handed = handOver(paths, reason);
        if (handed != notReached)
            return handed;
        std::this_thread::sleep_for(connectPause);
    }
    return claimNoAnswer;
}

bool Flt_SingleInstance::prepareFolder(std::string& reason) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder = runtime && *runtime ? runtime : "";
    if (folder.empty()) {
        folder = "/tmp/" + name + "-" + std::to_string(::getuid());
        ::mkdir(folder.c_str(), privateFolderMode);
    }
    if (!isPrivateFolder(folder)) {
        reason = folder + " is not a folder of this user's alone";
        return false;
    }
    socketPath = folder + "/" + name + ".socket";
    sockaddr_un unused;
    if (fillAddress(socketPath, unused))
        return true;
    reason = "The socket path " + socketPath + " is too long";
    return false;
}

bool Flt_SingleInstance::takeLock() {
    int result = 0;
    while ((result = ::flock(lockFd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    return result == 0;
}

// Holding the lock, any socket there is a dead instance's leftover.
int Flt_SingleInstance::bindSocket(std::string& reason) {
    ::unlink(socketPath.c_str());
    listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address;
    fillAddress(socketPath, address);
    if (listenFd < 0 || ::bind(listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
        ::listen(listenFd, SOMAXCONN)) {
        reason = systemReason("Cannot listen on " + socketPath);
        if (listenFd >= 0)
            ::close(listenFd);
        listenFd = -1;
        return claimUnavailable;
    }
    return claimFirst;
}

int Flt_SingleInstance::handOver(const std::vector<std::string>& paths, std::string& reason) const {
    // The running one would read it only up to its limit and drop it: not a hand-over.
    size_t length = 0;
    for (const std::string& path : paths)
        length += path.size() + 1;
    if (length > longestMessage) {
        reason = "Cannot hand " + std::to_string(paths.size()) +
                 " paths to the running instance at " + socketPath + ": the list is too long";
        return claimNoAnswer;
    }
    sockaddr_un address;
    fillAddress(socketPath, address);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        reason = systemReason("Cannot reach the running instance at " + socketPath);
        if (fd >= 0)
            ::close(fd);
        return notReached;
    }
    // Made once someone listens: a start may try many times before.
    std::string message;
    for (const std::string& path : paths)
        message.append(path).push_back('\0');
    const timeval timeout{sendTimeoutSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    const bool sent = sendAll(fd, message);
    reason = sent ? "" : systemReason("Cannot send to " + socketPath);
    ::close(fd);
    return sent ? claimHandedOver : claimNoAnswer;
}

void Flt_SingleInstance::listen(std::function<void(const std::vector<std::string>&)> callback) {
    onPaths = std::move(callback);
    if (listenFd < 0)
        return;
    if (onPaths) {
        Fl::add_fd(listenFd, FL_READ, acceptReady, this);
        return;
    }
    // Kept open while the program ends, the socket would still take paths that no one reads.
    Fl::remove_fd(listenFd);
    ::close(listenFd);
    ::unlink(socketPath.c_str());
    listenFd = -1;
}

void Flt_SingleInstance::acceptReady(int fd, void* self) {
    auto* instance = static_cast<Flt_SingleInstance*>(self);
    int connection = -1;
    while ((connection = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0) {
        instance->pending[connection];
        Fl::add_fd(connection, FL_READ, connectionReady, self);
    }
}

// A message is read as it arrives, so a slow sender never holds up the window. The
// connection is gone before the paths are handed on: what they start may run a nested loop.
void Flt_SingleInstance::connectionReady(int fd, void* self) {
    auto* instance = static_cast<Flt_SingleInstance*>(self);
    std::string& message = instance->pending[fd];
    char buffer[4096];
    ssize_t count = 0;
    while (message.size() <= longestMessage && (count = ::read(fd, buffer, sizeof buffer)) > 0)
        message.append(buffer, static_cast<size_t>(count));
    const bool fits = message.size() <= longestMessage;
    if (fits && count < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    const std::string whole = std::move(message);
    instance->pending.erase(fd);
    Fl::remove_fd(fd);
    ::close(fd);
    if (fits && count == 0 && instance->onPaths)
        instance->onPaths(splitPaths(whole));
}
