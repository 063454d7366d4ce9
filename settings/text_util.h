// Small text helpers shared by the settings reader and the member-list reader:
// opening an input file safely, reading one physical line of a text file and copying
// text into fixed-size buffers.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

// Owns an open FILE* and closes it when it goes out of scope (a null one is left alone).
struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Opens `path` for reading when it names a regular file. A folder, a FIFO or a device is
// never read and never waited for. On failure returns null and points `*reason` at a
// static text: "not a regular file", or the system's error text when it does not open.
FilePtr open_regular_file(const char* path, const char** reason);

// Reads the next physical line of `file` into `buffer` (capacity `size`, at least 1).
// A line ends at LF, CRLF or a lone CR (Mac spreadsheets); the line end is consumed and
// not stored. A line longer than size - 1 bytes keeps its first size - 1 bytes and the
// rest of that line is read and dropped, so a long line never turns into two lines.
// Returns false at end of file (or on a read error) when nothing was read.
bool read_line(FILE* file, char* buffer, size_t size);

// Copies `source` into `destination` (capacity `size`, at least 1), cut to size - 1
// bytes and always NUL-terminated. A null source copies as the empty text.
void copy_text(char* destination, size_t size, const char* source);
