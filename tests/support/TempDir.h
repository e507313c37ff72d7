#pragma once

#include <string>
#include <vector>

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return root; }
    // `name` inside the folder.
    std::string file(const std::string& name) const { return root + "/" + name; }
    // Writes `bytes` to `name` inside the folder and returns its full path.
    std::string write(const std::string& name, const std::vector<unsigned char>& bytes) const;

private:
    std::string root;
};

// Writes `bytes` to `path`, replacing what was there.
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);
