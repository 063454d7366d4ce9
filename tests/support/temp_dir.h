// A temporary folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

struct TempDir {
    std::string path;

    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Full path of `name` inside the folder.
    std::string file(const std::string& name) const;
    // Writes `contents` byte for byte to `name` inside the folder.
    void write(const std::string& name, const std::string& contents) const;
    // Whole contents of `name`; "" when it does not exist.
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // Whole contents of the file at `path`; "" when it does not exist.
    static std::string read_path(const std::string& path);
};
