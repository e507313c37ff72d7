#pragma once

#include <string>

// What writeFileAtomically returns.
const int fileWriteOk = 0;
const int fileWriteFailed = -1; // `reason` holds the system's text; the old file is intact

// Replaces the file at `path` by one holding `bytes`: written to a new file in the same
// folder, flushed to disk, then renamed over the old one, and the folder flushed too, so a
// kill or a power loss at any moment leaves the complete old file or the complete new one.
// A new file keeps the old one's mode (a first one gets 0666 less the umask). A link is
// followed: the file it points at is replaced.
int writeFileAtomically(const std::string& path, const std::string& bytes, std::string& reason);

// The whole content of a regular file; false, with errno set, when it cannot be read:
// missing, say, or a folder (EISDIR), a pipe or a device (EINVAL).
bool readWholeFile(const std::string& path, std::string& bytes);

// Makes `folder` and the folders above it that are missing; false, with `reason`, when one
// cannot be made.
bool makeFolders(const std::string& folder, std::string& reason);
