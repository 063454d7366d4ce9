#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
    char pattern[] = "/tmp/rosterbook-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TempDir::file(const std::string& name) const { return path + "/" + name; }

void TempDir::write(const std::string& name, const std::string& contents) const {
    std::ofstream out(file(name), std::ios::binary);
    out << contents;
}

std::string TempDir::read(const std::string& name) const { return read_path(file(name)); }

std::string TempDir::read_path(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

bool TempDir::exists(const std::string& name) const { return std::filesystem::exists(file(name)); }
