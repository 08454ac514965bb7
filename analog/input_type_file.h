#pragma once
// Reading ainputs.txt, the input type file: entries of 'key<TAB>value' lines ended by an empty
// line, "//" comments, titles and description lines per language.
//
// The file is single-byte Windows-1252 text; a file that is valid UTF-8 is taken as UTF-8.
// Field limits count the file's characters.
#include <string>
#include <string_view>

#include "analog/input_types.h"

namespace vexa {

class CaptureLog;

// The table read from the text of an input type file for a language letter ('f' French,
// 'd' German, anything else English). What was odd about the text goes to log as lines naming
// file_name and the line number; nothing odd makes it fail.
InputTypeTable parse_input_type_file(std::string_view text, char language, CaptureLog* log = nullptr,
                                     std::string_view file_name = kInputTypeFileName);

// Reads the input type file at path into table. When the file cannot be opened the table is
// left as it was, the log says so and false is returned.
bool load_input_types(InputTypeTable& table, const std::string& path, char language,
                      CaptureLog* log = nullptr);

}  // namespace vexa
