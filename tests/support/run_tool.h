// Runs a program in a folder and collects what it wrote and how it ended.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "tests/support/temp_dir.h"

struct RunResult {
    int status;  // exit status, 128 + signal number when a signal ended it, -1 when it timed out
    std::string out;
    std::string err;
};

#include <vector>

struct RunOptions {
    long file_size_limit = 0;    // above 0: every file the program writes stops at this many bytes
    bool ignore_sigxfsz = true;  // with a limit: a write past it fails (EFBIG) instead of a signal
    int timeout_seconds = 30;    // a run still going then is killed and reported as status -1
    std::vector<std::string> arguments = {};
    std::vector<std::string> environment = {};  // "NAME=value", set for the run
    bool command_line_only = false;  // needs what only the command line has (a font the web page leaves out)
};

// A run going on in the background; its output is collected by finish_tool.
struct StartedTool {
    pid_t pid;
    std::unique_ptr<TempDir> capture;  // holds its stdout and stderr
    std::string folder;
};

// Starts `binary` with `options.arguments` and `folder` as its working directory.
StartedTool start_tool(const std::string& binary, const std::string& folder, const RunOptions& options = {});

// Waits for a started run (killing it after `timeout_seconds`) and collects its result.
// Every PDF file the run left in its folder must pass expect_valid_pdf, else the test fails.
RunResult finish_tool(StartedTool* run, int timeout_seconds = 30);

// start_tool, then finish_tool.
RunResult run_tool(const std::string& binary, const std::string& folder, const RunOptions& options = {});

// What `command` (run by the shell) writes to standard output.
std::string command_output(const std::string& command);

// The texts of `expected` (one per line) that `extractor` ("pdftotext", "mutool" or "pypdf")
// does not give back from the PDF at `pdf`, one per line, as a reader would search: both in
// NFC, bidi controls left out, white space as one blank.
std::string extraction_misses(const std::string& extractor, const std::string& pdf,
                              const std::string& expected_file);

// The vCards of the file at `vcf` as python3-vobject parses them, one a line (tests/support/vcards.py
// says how); their photos are written to `photos` as 1.jpg, 2.jpg, ... A parse error is returned as it is.
std::string parsed_vcards(const std::string& vcf, const std::string& photos);

// `utf8` converted with iconv to `encoding` ("WINDOWS-1250", "UTF-16LE", ...); throws when it cannot.
std::string to_code_page(const std::string& utf8, const char* encoding);
