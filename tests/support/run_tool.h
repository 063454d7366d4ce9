// Runs a program in a folder and collects what it wrote and how it ended.
#pragma once

#include <string>

struct RunResult {
    int status;  // exit status, or 128 + signal number when a signal ended it
    std::string out;
    std::string err;
};

// Runs `binary` with no arguments and `folder` as its working directory. A
// `file_size_limit` above 0 caps every file the program writes at that many bytes,
// as a full disk would; writes past it fail.
RunResult run_tool(const std::string& binary, const std::string& folder, long file_size_limit = 0);
