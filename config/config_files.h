#pragma once
// Configuration files: saving the configuration table as 'key=value' lines under a header,
// loading a file in its place, and comparing a file with it difference by difference.
#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

#include "config/config_file_format.h"
#include "config/file_chooser.h"
#include "config/key_rows.h"
#include "config/parameter_table.h"
#include "platform/clock.h"
#include "base/report_sink.h"

namespace vexa {

class BoardIdentity;
class Configuration;
class Messages;

// What the file commands need of the windows; every default does nothing.
class ConfigFileHooks {
 public:
  virtual ~ConfigFileHooks() = default;
  // Stores the edits of the currently shown tab into the table (before save and compare).
  virtual void commit_current_tab() {}
  // Selects the configuration tab and lays the main window out again (at the start of a load,
  // right after the reset): the edits the tab in front still holds are dropped, not committed.
  virtual void show_configuration_tab() {}
  // Rebuilds the configuration tab from the table (after a load).
  virtual void rebuild_configuration_tab() {}
};

// The text a save writes: the header, "key=value" for every record with a value that is not
// a statistic, then for each a<n> record a ".name" line when its name differs from the
// language table's and a ".type" line when it has a type and the board letter is below 'S'.
std::string configuration_file_text(const ParameterTable& table, const ParameterTable& defaults,
                                    std::string_view identity_line, char type_letter,
                                    const std::tm& stamp);

// How chosen paths are treated: the desktop's dialog lower-cases them, the headless program
// keeps a script's path as written.
enum class PathCase { lower, keep };

class ConfigFiles {
 public:
  ConfigFiles(Configuration& configuration, const BoardIdentity& identity, ReportSink& report,
              const Messages& messages, const Clock& clock = SystemClock::instance(),
              ConfigFileHooks* hooks = nullptr, PathCase path_case = PathCase::lower);

  // Commits the current tab's edits, then tells whether any record has a value.
  bool configuration_loaded();

  // Each returns false when it stopped early (nothing loaded, cancelled, open or read failure).
  bool save_configuration(FileChooser& chooser);
  bool load_configuration(FileChooser& chooser);
  // The number of differences through errors; false when no comparison ran.
  bool compare_configuration(FileChooser& chooser, int* errors = nullptr);

 private:
  std::string chosen_path(std::string_view chosen) const;
  // Opens the chosen file, reporting a failure.
  bool open_file(const std::string& path, FilePieceReader& file);
  void print(std::string_view key, std::string_view detail);
  // "Error open <path>", then the system's reason on a line of its own.
  void print_failure(const std::string& path, int error);

  Configuration& configuration_;
  const BoardIdentity& identity_;
  ReportSink& report_;
  const Messages& messages_;
  const Clock& clock_;
  ConfigFileHooks* hooks_;
  PathCase path_case_;
  // The file of a comparison, parsed alone. Kept between comparisons: a table of a thousand
  // records is large enough that allocating it anew each time costs more than the parse.
  ParameterTable compare_scratch_ = make_scratch_table();
  KeyRows compare_rows_{compare_scratch_};
};

}  // namespace vexa
