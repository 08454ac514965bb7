#pragma once
// The calibration table of the analog tab's "Table" button: every count of the board class with
// its millivolts and the value the current scaling shows, written to a text file that is then
// opened with the desktop's viewer.
#include <string>

#include "analog/analog_board.h"
#include "analog/analog_expression.h"
#include "analog/type_prefix.h"
#include "base/messages.h"
#include "config/config_files.h"
#include "config/file_chooser.h"
#include "base/report_sink.h"

namespace vexa {

// The desktop's "open" of a file (the headless program and tests may do nothing).
class DocumentOpener {
 public:
  virtual ~DocumentOpener() = default;
  virtual void open_document(const std::string& path) = 0;
};

struct ExportRequest {
  AnalogScaling scaling;
  TypePrefix type;
  BoardClass board_class = BoardClass::s;
};

// Asks for the file, writes the header and one line per count; reports "Error open <path>" and
// the system's reason on a line of its own when the file cannot be written. Returns the path
// written, or an empty text. The chosen path keeps its case: on this system a folder named
// with capitals is another folder than its lower-case spelling.
std::string export_calibration_table(const ExportRequest& request, FileChooser& chooser, DocumentOpener* opener,
                                     ReportSink& report, const Messages& messages,
                                     PathCase path_case = PathCase::keep);

// The lines after the header (tests and the file share this).
std::string calibration_table_lines(const ExportRequest& request);

}  // namespace vexa
