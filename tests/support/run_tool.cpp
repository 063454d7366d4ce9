#include "tests/support/run_tool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "tests/support/pdf_reader.h"

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

// In the child: redirect, limit, change folder and exec; never returns.
[[noreturn]] void exec_in(const std::string& binary, const std::string& folder, const RunOptions& options,
                          const TempDir& capture) {
    int out = open(capture.file("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(capture.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || chdir(folder.c_str()) != 0) _exit(127);
    if (options.file_size_limit > 0) {
        rlimit limit = {static_cast<rlim_t>(options.file_size_limit),
                        static_cast<rlim_t>(options.file_size_limit)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    signal(SIGXFSZ, options.ignore_sigxfsz ? SIG_IGN : SIG_DFL);
    for (const std::string& variable : options.environment) putenv(const_cast<char*>(variable.c_str()));
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    std::vector<char*> argv = {const_cast<char*>(binary.c_str())};
    for (const std::string& argument : options.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(binary.c_str(), argv.data());
    _exit(127);
}

// A PDF the tool wrote starts with "%PDF-"; other files that merely carry the name (a test's
// stand-in for last season's booklet) are not the tool's.
void check_written_pdfs(const std::string& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string path = entry.path().string();
        if (entry.is_regular_file() && entry.path().extension() == ".pdf" &&
            slurp(path).rfind("%PDF-", 0) == 0) {
            expect_valid_pdf(path);
        }
    }
}

// With ROSTERBOOK_KEEP_INPUTS set, a plain run's folder (no arguments, no limits, files only,
// nothing only the command line has) is copied there before the run, one folder per run: scripts/test-web
// gives the same inputs to the web page and compares what it makes with the command line's.
void keep_inputs(const std::string& folder, const RunOptions& options) {
    const char* keep = getenv("ROSTERBOOK_KEEP_INPUTS");
    if (keep == nullptr || !options.arguments.empty() || !options.environment.empty() ||
        options.file_size_limit > 0 || options.command_line_only) {
        return;
    }
    static int runs = 0;
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path copy =
        std::filesystem::path(keep) / (std::string(test->test_suite_name()) + "." + test->name() + "." +
                                       std::to_string(getpid()) + "." + std::to_string(++runs));
    std::filesystem::create_directories(copy);
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file() || entry.is_symlink()) {  // nothing the page could be given
            std::filesystem::remove_all(copy);
            return;
        }
        std::filesystem::copy_file(entry.path(), copy / entry.path().filename());
    }
}

}  // namespace

StartedTool start_tool(const std::string& binary, const std::string& folder, const RunOptions& options) {
    keep_inputs(folder, options);
    StartedTool run{-1, std::make_unique<TempDir>(), folder};
    run.pid = fork();
    if (run.pid < 0) throw std::runtime_error("fork failed");
    if (run.pid == 0) exec_in(binary, folder, options, *run.capture);
    return run;
}

RunResult finish_tool(StartedTool* run, int timeout_seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
    int wait_status = 0;
    bool timed_out = false;
    while (waitpid(run->pid, &wait_status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(run->pid, SIGKILL);
            waitpid(run->pid, &wait_status, 0);
            timed_out = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    RunResult result;
    result.status = timed_out                ? -1
                    : WIFEXITED(wait_status) ? WEXITSTATUS(wait_status)
                                             : 128 + WTERMSIG(wait_status);
    result.out = slurp(run->capture->file("stdout"));
    result.err = slurp(run->capture->file("stderr"));
    check_written_pdfs(run->folder);
    return result;
}

RunResult run_tool(const std::string& binary, const std::string& folder, const RunOptions& options) {
    StartedTool run = start_tool(binary, folder, options);
    return finish_tool(&run, options.timeout_seconds);
}

std::string command_output(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
    std::string output;
    char chunk[4096];
    for (size_t got; (got = fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, got);
    pclose(pipe);
    return output;
}

std::string parsed_vcards(const std::string& vcf, const std::string& photos) {
    return command_output("timeout 60 /usr/bin/python3 '" TEST_SUPPORT_DIR "/vcards.py' '" + vcf + "' '" +
                          photos + "' 2>&1");
}

std::string to_code_page(const std::string& utf8, const char* encoding) {
    iconv_t handle = iconv_open(encoding, "UTF-8");
    if (handle == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("no iconv for ") + encoding);
    std::string out(utf8.size() * 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* target = out.data();
    size_t in_left = utf8.size(), out_left = out.size();
    const size_t result = iconv(handle, &in, &in_left, &target, &out_left);
    iconv_close(handle);
    if (result == static_cast<size_t>(-1))
        throw std::runtime_error(std::string("cannot write as ") + encoding);
    out.resize(out.size() - out_left);
    return out;
}

std::string extraction_misses(const std::string& extractor, const std::string& pdf,
                              const std::string& expected_file) {
    return command_output("timeout 120 /usr/bin/python3 '" TEST_SUPPORT_DIR "/extracted-misses.py' " +
                          extractor + " '" + pdf + "' '" + expected_file + "' 2>&1");
}
