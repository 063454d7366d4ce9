// Opening the files a run reads: never waiting on a FIFO or reading a folder or a
// device, reading a text file line by line and a small binary file whole.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"

// Owns an open FILE* and closes it when it goes out of scope (a null one is left alone).
struct FileCloser {
    void operator()(FILE* file) const { fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Owns a malloc'd block and frees it when it goes out of scope.
struct FreeDeleter {
    void operator()(void* block) const { free(block); }
};

// Opens `path` for reading into `*file` when it names a regular file. A folder, a FIFO or
// a device is never read and never waited for. The failure's reason is "not a regular
// file", or the system's error text when it does not open.
[[nodiscard]] std::optional<Failure> open_regular_file(const char* path, FilePtr* file);

// True when `path` opens for reading, without waiting on a FIFO; an empty path does not.
// A folder, FIFO or device opens here (open_regular_file then refuses it by name).
bool file_opens(const char* path);

// The names of the regular files in the folder `path`, sorted bytewise; empty when it is not
// a folder or cannot be read. Hidden files (".DS_Store") are left out.
std::vector<std::string> list_folder(const char* path);

// `folder` and `name` joined by one slash: "photos/Bob Smith.jpg"; `name` alone when
// `folder` is empty or `name` is absolute.
std::string path_in(const std::string& folder, const std::string& name);

// The folder part of `path`, with its slash ("club/" of "club/members.csv"); "" for a bare name.
std::string folder_of(const std::string& path);

// Reads the next physical line of `file` into `buffer` (capacity `size`, at least 1).
// A line ends at LF, CRLF or a lone CR (Mac spreadsheets); the line end is consumed and
// not stored. A line longer than size - 1 bytes keeps as many of its first size - 1 bytes
// as make whole UTF-8 characters, and the rest of that line is read and dropped, so a long
// line never turns into two lines.
// Returns false at end of file (or on a read error) when nothing was read.
bool read_line(FILE* file, char* buffer, size_t size);

// Reads the whole regular file at `path`, to its end, into a malloc'd block at `*bytes`
// (owned by the caller, at least 1 byte allocated) of `*size` bytes. The failure names
// `path`, with open_regular_file's words, `too_large` when the file holds more than
// `max_size` bytes, "not enough memory", or the system's words for a failed read.
[[nodiscard]] std::optional<Failure> read_whole_file(const char* path, long long max_size,
                                                     const char* too_large, unsigned char** bytes,
                                                     size_t* size);

// Reads `file`, opened from `path`, from its start to its end, as read_whole_file does;
// the file stays open.
[[nodiscard]] std::optional<Failure> read_open_file(FILE* file, const char* path, long long max_size,
                                                    const char* too_large, unsigned char** bytes,
                                                    size_t* size);
