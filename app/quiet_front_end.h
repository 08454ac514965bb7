#pragma once
// The window's parts as a session without a window has them: no file is ever chosen, no document
// opened, nothing drawn or played.
#include "analog/calibration_export.h"
#include "build/compile_tab.h"
#include "config/file_chooser.h"
#include "factory/factory_test.h"

namespace vexa {

class QuietFrontEnd final : public FileChooser,
                            public CompileFileChooser,
                            public FactoryTestOutput,
                            public DocumentOpener {
 public:
  std::optional<std::string> choose_file(FileChoice) override { return std::nullopt; }
  std::optional<std::string> choose(CompileFile, const std::string&) override { return std::nullopt; }
  void redraw_indicator() override {}
  void verdict_beep() override {}
  void verdict_error_sound() override {}
  void open_document(const std::string&) override {}
};

}  // namespace vexa
