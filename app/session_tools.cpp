// The session's tools beyond the configuration: the compile tab, the factory test and the analog
// section, built after the link and the configuration they work on.
#include "base/command_ids.h"
#include "base/identity.h"
#include "app/session.h"

namespace vexa {

namespace {

// The compile tab's build result becomes the firmware download's current file.
class SelectionTarget final : public FirmwareFileTarget {
 public:
  explicit SelectionTarget(FirmwareSelection& selection) : selection_(selection) {}
  void set_current_firmware(const std::string& path, const std::string& title) override {
    selection_.choose(path, title);
  }

 private:
  FirmwareSelection& selection_;
};

}  // namespace

void Session::build_tools() {
  recovery_ = std::make_unique<WorkerRecovery>(core_->jobs(), core_->link(), core_->messages());
  firmware_target_ = std::make_unique<SelectionTarget>(downloads_->selection());
  if (form_->form().contains(cmd::kCompileTab)) {
    CompileFileChooser* chooser = window_.compile_file_chooser();
    compile_ = std::make_unique<CompileTab>(
        CompileTabPorts{core_->settings(), core_->messages(), *this, *this, launcher_, chooser ? *chooser : quiet_,
                        *firmware_target_, *recovery_},
        installation_directory(running_program_path(options_.argv0)));
    compile_->set_download_available(true);
  }
  FactoryTestOutput* output = window_.factory_output();
  factory_ = std::make_unique<FactoryTest>(
      FactoryTestPorts{core_->link(), core_->display(), core_->messages(), core_->board(), core_->jobs(), clock_, output ? *output : quiet_},
      core_->settings().debug());
  factory_lines_ = core_->link().consumers().add(line_place::factory_test, *factory_);
  core_->board().add_listener(factory_.get());

  auto link_open = [this] { return core_->link().port().link_is_open(); };
  FileChooser* export_chooser = window_.export_file_chooser();
  DocumentOpener* opener = window_.document_opener();
  analog_tab_ = std::make_unique<AnalogTab>(AnalogTabLinks{
      core_->configuration(), core_->board(), core_->input_types(), core_->messages(), core_->settings(), core_->exchange(), core_->link(), link_open, clock_,
      export_chooser ? export_chooser : &quiet_, opener ? opener : &quiet_, &core_->terminal()});
  live_data_ = std::make_unique<LiveData>(core_->configuration(), core_->board(), core_->link(), link_open, clock_);
  core_->board().add_listener(analog_tab_.get());
  core_->board().add_listener(live_data_.get());
  core_->configuration().set_parameter_listener(live_data_.get());
  analog_lines_ = core_->link().consumers().add(line_place::analog_tab, *analog_tab_);
  view_lines_ = core_->link().consumers().add(line_place::data_view, *live_data_);
}

void Session::add_tool_commands() {
  factory_->add_commands(commands_);
  commands_.add(cmd::kClear, [this](const Command&) {
    core_->terminal().clear();
    if (compile_) compile_->clear();
  });
  commands_.add(cmd::kStop, [this](const Command&) {
    core_->jobs().request_stop();
    upload_->stop();
    if (compile_) compile_->stop_build();
  });
  if (compile_) add_tick_duty([this] { compile_->tick_100ms(); });
}

void Session::detach_tools() {
  // The receive thread has stopped: no consumer is in use any more.
  factory_lines_.reset();
  analog_lines_.reset();
  view_lines_.reset();
  core_->configuration().set_parameter_listener(nullptr);
  core_->board().remove_listener(factory_.get());
  core_->board().remove_listener(analog_tab_.get());
  core_->board().remove_listener(live_data_.get());
  if (compile_) compile_->stop_build();
}

}  // namespace vexa
