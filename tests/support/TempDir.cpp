#include "TempDir.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

TempDir::TempDir() : root(std::filesystem::temp_directory_path() / "veltrano-test-XXXXXX") {
    if (mkdtemp(root.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder from " + root);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string TempDir::write(const std::string& name, const std::vector<unsigned char>& bytes) const {
    writeBytes(file(name), bytes);
    return file(name);
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}
