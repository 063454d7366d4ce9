#include "base/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "base/text_util.h"

[[nodiscard]] std::optional<Failure> open_regular_file(const char* path, FilePtr* file) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; fstat then turns it away.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Failure{path, 0, strerror(errno)};
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        return Failure{path, 0, "not a regular file"};
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file->reset(fdopen(fd, "r"));
    if (!*file) {
        const int error = errno;
        close(fd);
        return Failure{path, 0, strerror(error)};
    }
    return std::nullopt;
}

bool read_line(FILE* file, char* buffer, size_t size) {
    size_t length = 0;
    bool read_any = false, cut = false;
    int c;
    // One reader per file, so the locking getc would do for every character is not needed.
    while ((c = getc_unlocked(file)) != EOF) {
        read_any = true;
        if (c == '\n') break;
        if (c == '\r') {
            int next = getc_unlocked(file);
            if (next != '\n' && next != EOF) ungetc(next, file);
            break;
        }
        if (length + 1 < size) {
            buffer[length++] = static_cast<char>(c);
        } else if (!cut) {
            cut = true;
            // A character the cut would split is left out whole: the first byte past the
            // cut (kept in the terminator's place) tells.
            buffer[length] = static_cast<char>(c);
            length = utf8_prefix_length(buffer, length + 1, length);
        }
    }
    buffer[length] = '\0';
    return read_any;
}

bool file_opens(const char* path) {
    // Non-blocking, so a FIFO opens at once.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    close(fd);
    return true;
}

[[nodiscard]] std::optional<Failure> read_whole_file(const char* path, long long max_size,
                                                     const char* too_large, unsigned char** bytes,
                                                     size_t* size) {
    FilePtr file;
    if (std::optional<Failure> failure = open_regular_file(path, &file)) return failure;
    return read_open_file(file.get(), path, max_size, too_large, bytes, size);
}

[[nodiscard]] std::optional<Failure> read_open_file(FILE* file, const char* path, long long max_size,
                                                    const char* too_large, unsigned char** bytes,
                                                    size_t* size) {
    // The size the file says it has is only where reading starts: some files (in /proc)
    // say 0 and still hold bytes, or fail every read.
    fseek(file, 0, SEEK_END);
    const long long stated = ftell(file);
    rewind(file);
    const size_t limit = static_cast<size_t>(max_size);
    if (stated > max_size) return Failure{path, 0, too_large};
    std::unique_ptr<unsigned char, FreeDeleter> buffer;
    size_t capacity = stated > 0 ? static_cast<size_t>(stated) + 1 : 1 << 16, used = 0;
    for (size_t got = 1; got > 0 && used <= limit; used += got) {
        if (!buffer || used == capacity) {
            capacity = buffer ? std::min(capacity * 2, limit + 1) : capacity;
            buffer.reset(static_cast<unsigned char*>(realloc(buffer.release(), capacity)));
            if (!buffer) return Failure{path, 0, "not enough memory"};
        }
        got = fread(buffer.get() + used, 1, capacity - used, file);
    }
    if (used > limit) return Failure{path, 0, too_large};
    if (ferror(file)) return Failure{path, 0, strerror(errno)};
    *bytes = buffer.release();
    *size = used;
    return std::nullopt;
}

std::vector<std::string> list_folder(const char* path) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(".") && it->is_regular_file(error)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string path_in(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.starts_with("/")) return name;
    return folder.ends_with("/") ? folder + name : folder + "/" + name;
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
