#include "settings/text_util.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
    bool read_any = false;
    int c;
    while ((c = getc(file)) != EOF) {
        read_any = true;
        if (c == '\n') break;
        if (c == '\r') {
            int next = getc(file);
            if (next != '\n' && next != EOF) ungetc(next, file);
            break;
        }
        if (length + 1 < size) buffer[length++] = static_cast<char>(c);
    }
    buffer[length] = '\0';
    return read_any;
}

void copy_text(char* destination, size_t size, const char* source) {
    if (source == nullptr) source = "";
    size_t length = strnlen(source, size - 1);
    memcpy(destination, source, length);
    destination[length] = '\0';
}
