#pragma once
// The pieces of the configuration file format that need no parameter table: names, the
// header line and the cutting of a file into the pieces the parser reads.
#include <cstddef>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace vexa {

inline constexpr std::size_t kFileDialogChars = 299;  // the dialog's 300-character buffers
inline constexpr std::size_t kFilePieceChars = 499;   // lines are read in pieces of this size

// The chosen path as the file commands use it: cut to the dialog buffer, lower-cased.
std::string dialog_path(std::string_view chosen);

// For saving: a path without any '.' gets ".txt".
std::string save_path(std::string_view path);

// The file-name part of a path (after the last '/' or '\').
std::string file_name_part(std::string_view path);

// "# Configuration <identity line> <stamp>".
std::string configuration_header(std::string_view identity_line, const std::tm& local);

// Calls piece for each line of text as a line reader with a 500-byte buffer meets it: a line
// longer than 499 characters comes in several pieces, a NUL ends what the piece shows. The
// line end (LF, with any CR before it) stays on the piece; the parser cuts it off.
void for_each_file_piece(std::string_view text, const std::function<void(std::string_view)>& piece);

// A file read the same way, piece by piece as it comes off the disk, so that a file of any
// size is read in the memory of one piece.
class FilePieceReader {
 public:
  FilePieceReader() = default;
  FilePieceReader(const FilePieceReader&) = delete;
  FilePieceReader& operator=(const FilePieceReader&) = delete;
  ~FilePieceReader();

  // Opens a regular file for reading: 0, or the errno (EISDIR for a folder, ENODEV for a
  // device or pipe, which would read as nothing or never end).
  int open(const std::string& path);
  // Calls piece for each piece of the open file, as for_each_file_piece cuts them: 0 at the
  // end of the file, or the errno of a read that failed.
  int for_each_piece(const std::function<void(std::string_view)>& piece);

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace vexa
