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

std::string splitExtension(const std::string& path, std::string* stem) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        if (stem)
            *stem = path;
        return std::string();
    }
    if (stem)
        *stem = path.substr(0, dot);
    return path.substr(dot);
}

std::string splitFolder(const std::string& path, std::string* folder) {
    const size_t separator = path.find_last_of("/\\");
    if (separator == std::string::npos) {
        if (folder)
            *folder = path;
        return std::string();
    }
    if (folder)
        *folder = path.substr(0, separator + 1);
    return path.substr(separator + 1);
}
