#include "analog/calibration_export.h"

#include <cstdio>

#include "analog/analog_conversions.h"
#include "base/text_format.h"
#include "config/config_file_format.h"
#include "platform/atomic_file.h"
#include "platform/serial_tty.h"
#include "platform/system_error.h"

namespace vexa {

namespace {

constexpr int kSFirstCount = -600000;
constexpr int kSCountStep = 1000;

void append_line(std::string& out, const ExportRequest& request, int count) {
  const std::string value = format_real_value(count, request.scaling, request.board_class, request.type);
  const double mv = raw_to_millivolts(count, request.board_class);
  out += format_text(request.board_class == BoardClass::e ? "%4d\t%4.1f\t%s\n" : "%5d\t%4.2f\t%s\n", count, mv,
                     value.c_str());
}

}  // namespace

std::string calibration_table_lines(const ExportRequest& request) {
  std::string out;
  switch (request.board_class) {
    case BoardClass::e:
      for (int count = 0; count < kAdcE.full_scale; ++count) append_line(out, request, count);
      break;
    case BoardClass::f:
      for (int count = 0; count < kAdcF.full_scale; ++count) append_line(out, request, count);
      break;
    case BoardClass::s:
      for (int count = kSFirstCount; count < kAdcS.full_scale; count += kSCountStep) append_line(out, request, count);
      break;
  }
  return out;
}

std::string export_calibration_table(const ExportRequest& request, FileChooser& chooser, DocumentOpener* opener,
                                     ReportSink& report, const Messages& messages, PathCase path_case) {
  const auto chosen = chooser.choose_file(FileChoice::save);
  if (!chosen) return {};
  const std::string path = save_path(path_case == PathCase::lower ? dialog_path(*chosen) : limited(*chosen, kFileDialogChars));
  const std::string text = messages.message("Mcaline") + "\n\n" + calibration_table_lines(request);
  if (const int error = write_file_atomically_error(path, text)) {
    report.print_line(format_text("%s %s", messages.message("MerOp").c_str(), path.c_str()));
    report.print_line(system_error_text(error));
    return {};
  }
  if (opener) opener->open_document(path);
  return path;
}

}  // namespace vexa
