#pragma once

#include <string>

// What fileKind finds at a path.
const int fileKindMissing = -1; // null path, or its status cannot be read
const int fileKindRegular = 1;
const int fileKindFolder = 2;
const int fileKindOther = 3; // FIFO, socket, device, ...

// The kind of what `path` names, following symbolic links.
int fileKind(const char* path);
inline int fileKind(const std::string& path) {
    return fileKind(path.c_str());
}

// Splits at the last "." anywhere in the path (a dot in a folder name counts): returns the
// dot and what follows it, and gives `stem` what precedes it. Without a dot the result is
// empty and `stem` gets the whole path.
std::string splitExtension(const std::string& path, std::string* stem = nullptr);

// Splits after the last "/" or "\": returns what follows it, and gives `folder` everything
// up to and including it. Without a separator the result is empty and `folder` gets the
// whole path.
std::string splitFolder(const std::string& path, std::string* folder = nullptr);
