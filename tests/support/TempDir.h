#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

// Writes `bytes` to `path`, replacing what was there.
inline void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempDir {
public:
    TempDir() : root(std::filesystem::temp_directory_path() / "veltrano-test-XXXXXX") {
        if (mkdtemp(root.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary folder from " + root);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return root; }
    // `name` inside the folder.
    std::string file(const std::string& name) const { return root + "/" + name; }
    // Writes `bytes` to `name` inside the folder and returns its full path.
    std::string write(const std::string& name, const std::vector<unsigned char>& bytes) const {
        writeBytes(file(name), bytes);
        return file(name);
    }

private:
    std::string root;
};
