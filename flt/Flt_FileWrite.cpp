#include "Flt_FileWrite.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const mode_t newFileMode = 0666; // less the umask, as any program's new file
const mode_t newFolderMode = 0777;

bool writeAll(int descriptor, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(descriptor, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The rename only survives a power loss once the folder's entry is on disk too.
void syncFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}

// A new file only: whatever stands under the name (a pipe that would hold the open, a link or
// another's file in a shared folder) is not opened. One left by a writer that died is
// removed, where the folder lets us.
int createTemporary(const std::string& temporary) {
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    const int descriptor = ::open(temporary.c_str(), flags, newFileMode);
    if (descriptor >= 0 || errno != EEXIST || ::unlink(temporary.c_str()) != 0)
        return descriptor;
    return ::open(temporary.c_str(), flags, newFileMode);
}

// Replacing a link replaces the file it points at, not the link (a dotfile manager's, say),
// even before that file exists.
std::string followLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) { // the system's own limit on a chain of links
        std::error_code notALink;
        const std::filesystem::path target = std::filesystem::read_symlink(path, notALink);
        if (notALink)
            break;
        path = (target.is_absolute() ? target : std::filesystem::path(path).parent_path() / target)
                   .string();
    }
    return path;
}

int fail(int error, const std::string& temporary, std::string& reason) {
    if (!temporary.empty())
        ::unlink(temporary.c_str());
    reason = std::strerror(error);
    return fileWriteFailed;
}

} // namespace

int writeFileAtomically(const std::string& named, const std::string& bytes, std::string& reason) {
    const std::string path = followLinks(named);
    // The process id keeps two writers of the same file apart.
    const std::string temporary = path + ".new-" + std::to_string(::getpid());
    const int descriptor = createTemporary(temporary);
    if (descriptor < 0)
        return fail(errno, "", reason);
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0)
        ::fchmod(descriptor, old.st_mode & 07777);
    const bool written = writeAll(descriptor, bytes) && ::fsync(descriptor) == 0;
    const int writeError = errno;
    if (::close(descriptor) != 0 || !written)
        return fail(written ? errno : writeError, temporary, reason);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        return fail(errno, temporary, reason);
    syncFolder(folderOf(path));
    return fileWriteOk;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    // Opened without waiting: a pipe would hold the reader until some writer came.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0)
        return false;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        errno = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    bytes.clear();
    char buffer[16384];
    ssize_t count = 0;
    while ((count = ::read(descriptor, buffer, sizeof buffer)) > 0 || (count < 0 && errno == EINTR))
        if (count > 0)
            bytes.append(buffer, static_cast<size_t>(count));
    ::close(descriptor);
    return count == 0;
}

bool makeFolders(const std::string& folder, std::string& reason) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), newFolderMode) != 0 && errno != EEXIST) {
            reason = std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos)
            return true;
    }
}
