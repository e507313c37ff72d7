#include "Flt_Files.h"

#include <sys/stat.h>

int fileKind(const char* path) {
    struct stat status;
    if (!path || stat(path, &status) != 0)
        return fileKindMissing;
    if (S_ISDIR(status.st_mode))
        return fileKindFolder;
    return S_ISREG(status.st_mode) ? fileKindRegular : fileKindOther;
}

namespace {

// Everything before `at` goes to `head`, the rest is the result; with no place to split,
// `head` takes the whole path and the result is empty.
std::string splitAt(const std::string& path, size_t at, std::string* head) {
    if (at == std::string::npos) {
        if (head)
            *head = path;
        return std::string();
    }
    if (head)
        *head = path.substr(0, at);
    return path.substr(at);
}

} // namespace

std::string splitExtension(const std::string& path, std::string* stem) {
    return splitAt(path, path.rfind('.'), stem);
}

std::string splitFolder(const std::string& path, std::string* folder) {
    const size_t separator = path.find_last_of("/\\");
    return splitAt(path, separator == std::string::npos ? separator : separator + 1, folder);
}
