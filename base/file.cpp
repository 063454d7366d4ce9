#include "base/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/text_util.h"

FilePtr open_regular_file(const char* path, const char** reason) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; fstat then turns it away.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *reason = strerror(errno);
        return nullptr;
    }
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        *reason = "not a regular file";
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = fdopen(fd, "r");
    if (file == nullptr) {
        *reason = strerror(errno);
        close(fd);
    }
    return FilePtr(file);
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

bool read_whole_file(const char* path, long long max_size, const char* too_large, unsigned char** bytes,
                     size_t* size, char* reason, size_t reason_size) {
    const char* why = nullptr;
    FilePtr file = open_regular_file(path, &why);
    if (!file) {
        snprintf(reason, reason_size, "%s", why);
        return false;
    }
    fseek(file.get(), 0, SEEK_END);
    const long long length = ftell(file.get());
    rewind(file.get());
    if (length < 0 || length > max_size) {
        snprintf(reason, reason_size, "%s", too_large);
        return false;
    }
    *size = static_cast<size_t>(length);
    *bytes = static_cast<unsigned char*>(malloc(*size > 0 ? *size : 1));
    if (*bytes == nullptr) {
        snprintf(reason, reason_size, "not enough memory");
        return false;
    }
    if (fread(*bytes, 1, *size, file.get()) != *size) {
        free(*bytes);
        *bytes = nullptr;
        snprintf(reason, reason_size, "Read Error");
        return false;
    }
    return true;
}
