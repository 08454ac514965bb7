#pragma once
// Whole-file writes that never leave a half-written file behind.
#include <string>

namespace vexa {

// Writes text to a temporary file beside path, then renames it over path.
// Returns false (and leaves any old file untouched) when that fails.
bool write_file_atomically(const std::string& path, const std::string& text);

// As write_file_atomically: 0 when written, else the errno of the step that failed.
int write_file_atomically_error(const std::string& path, const std::string& text);

// Reads a whole file; false when it cannot be opened. At most max_bytes are read.
bool read_whole_file(const std::string& path, std::string& text, std::size_t max_bytes = 64u << 20);
// As read_whole_file: 0 when read, else the errno (EISDIR for a folder).
int read_whole_file_error(const std::string& path, std::string& text, std::size_t max_bytes = 64u << 20);

// Opens path for reading when it is a regular file (a folder or a device would read as nothing
// or never end; the kind is asked of the opened file, so it cannot change in between): 0 with
// fd set, or the errno (EISDIR for a folder, ENODEV for a device or pipe) with nothing open.
int open_regular_file(const std::string& path, int& fd);
// Whether open_regular_file would succeed: 0, or its errno.
int readable_file_error(const std::string& path);

}  // namespace vexa
