#pragma once
// Reading ainputs.txt, the input type file: entries of 'key<TAB>value' lines ended by an empty
// line, "//" comments, titles and description lines per language.
//
// The file is single-byte Windows-1252 text; a file that is valid UTF-8 is taken as UTF-8.
// Field limits count the file's characters.
#include <string>
#include <string_view>
#include <vector>

#include "analog/input_types.h"

namespace vexa {

class CaptureLog;
class Messages;

// What was wrong with the file, for the terminal at start (the capture log is off by default).
struct InputTypeFileProblems {
  int open_error = 0;               // errno when the file could not be read
  std::vector<std::string> notes;   // "ainputs.txt line 4 has the unknown key ...", in order
};

// The table read from the text of an input type file for a language letter ('f' French,
// 'd' German, anything else English). What was odd about the text goes to log as lines naming
// file_name and the line number; nothing odd makes it fail.
InputTypeTable parse_input_type_file(std::string_view text, char language, CaptureLog* log = nullptr,
                                     std::string_view file_name = kInputTypeFileName,
                                     std::vector<std::string>* notes = nullptr);

// Reads the input type file at path into table. When the file cannot be opened the table is
// left as it was, the log says so and false is returned.
// problems, when given, gets the same reports.
bool load_input_types(InputTypeTable& table, const std::string& path, char language,
                      CaptureLog* log = nullptr, InputTypeFileProblems* problems = nullptr);

// The terminal lines for problems in the current language: the open failure (`VtAinNoRd`), or
// the count of lines not understood (`VtAinBad`), the first three notes and how many more
// (`VtAinMore`); none for a clean file.
std::vector<std::string> input_type_file_report(const InputTypeFileProblems& problems,
                                                std::string_view file_name, const Messages& messages);

}  // namespace vexa
