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
  recovery_ = std::make_unique<WorkerRecovery>(*jobs_, *link_, *messages_);
  firmware_target_ = std::make_unique<SelectionTarget>(downloads_->selection());
  if (form_->form().contains(cmd::kCompileTab)) {
    CompileFileChooser* chooser = window_.compile_file_chooser();
    compile_ = std::make_unique<CompileTab>(
        CompileTabPorts{settings_, *messages_, *this, *this, launcher_, chooser ? *chooser : quiet_,
                        *firmware_target_, *recovery_},
        installation_directory(running_program_path(options_.argv0)));
    compile_->set_download_available(true);
  }
  FactoryTestOutput* output = window_.factory_output();
  factory_ = std::make_unique<FactoryTest>(
      FactoryTestPorts{*link_, *display_, *messages_, *board_, *jobs_, clock_, output ? *output : quiet_},
      settings_.debug());
  link_->consumers().attach(ConsumerSlot::factory_test, factory_.get());
  board_->add_listener(factory_.get());

  auto link_open = [this] { return link_->port().link_is_open(); };
  FileChooser* export_chooser = window_.export_file_chooser();
  DocumentOpener* opener = window_.document_opener();
  analog_tab_ = std::make_unique<AnalogTab>(AnalogTabLinks{
      *configuration_, *board_, input_types_, *messages_, settings_, *exchange_, *link_, link_open, clock_,
      export_chooser ? export_chooser : &quiet_, opener ? opener : &quiet_, terminal_.get()});
  live_data_ = std::make_unique<LiveData>(*configuration_, *board_, *link_, link_open, clock_);
  board_->add_listener(analog_tab_.get());
  board_->add_listener(live_data_.get());
  configuration_->set_parameter_listener(live_data_.get());
  link_->consumers().attach(ConsumerSlot::analog_tab, analog_tab_.get());
  link_->consumers().attach(ConsumerSlot::data_view, live_data_.get());
}

void Session::add_tool_commands() {
  factory_->add_commands(commands_);
  commands_.add(cmd::kClear, [this](const CommandCall&) {
    terminal_->clear();
    if (compile_) compile_->clear();
  });
  commands_.add(cmd::kStop, [this](const CommandCall&) {
    jobs_->request_stop();
    upload_->stop();
    if (compile_) compile_->stop_build();
  });
  if (compile_) add_tick_duty([this] { compile_->tick_100ms(); });
}

void Session::detach_tools() {
  // The receive thread has stopped: no consumer is in use any more.
  link_->consumers().detach(ConsumerSlot::factory_test);
  link_->consumers().detach(ConsumerSlot::analog_tab);
  link_->consumers().detach(ConsumerSlot::data_view);
  configuration_->set_parameter_listener(nullptr);
  board_->remove_listener(factory_.get());
  board_->remove_listener(analog_tab_.get());
  board_->remove_listener(live_data_.get());
  if (compile_) compile_->stop_build();
}

}  // namespace vexa
