#include "tests/support/run_tool.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace {

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    return contents.str();
}

}  // namespace

RunResult run_tool(const std::string& binary, const std::string& folder, long file_size_limit) {
    TempDir capture;
    const std::string out_path = capture.file("stdout");
    const std::string err_path = capture.file("stderr");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || chdir(folder.c_str()) != 0) _exit(127);
        if (file_size_limit > 0) {
            rlimit limit = {static_cast<rlim_t>(file_size_limit), static_cast<rlim_t>(file_size_limit)};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);  // a write past the limit then fails with EFBIG
        }
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    RunResult result;
    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    result.out = slurp(out_path);
    result.err = slurp(err_path);
    return result;
}
