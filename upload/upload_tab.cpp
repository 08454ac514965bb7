#include "upload/upload_tab.h"

#include "base/text_format.h"
#include "platform/program_launch.h"
#include "upload/data_pane_view.h"

namespace vexa {

using namespace upload_id;

namespace {

std::string base_name(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

struct Row {
  int id;
  ControlKind kind;
  const char* key;  // message key of the caption, or null
  Rect rect;
  unsigned style;
};

// Static texts are read-only fields without a frame; radio and check boxes are check buttons
// whose state the logic sets.
constexpr ControlKind kStatic = ControlKind::edit;
constexpr ControlKind kChoice = ControlKind::check_button;

const Row kRows[] = {
    {kTitle, kStatic, "MDupload", {10, 5, 440, 16}, kStyleReadOnly},
    {kDirectory, kStatic, nullptr, {110, 23, 240, 16}, kStyleReadOnly},
    {kHostLabel, kStatic, "MUhfile", {10, 43, 100, 20}, kStyleReadOnly},
    {kHostName, ControlKind::edit, nullptr, {110, 41, 240, 20}, kStyleBorder},
    {kChange, ControlKind::push_button, "MUchange", {380, 41, 80, 20}, kStyleNone},
    {kCreate, kChoice, "MUhdestr", {20, 66, 100, 16}, kStyleNone},
    {kAppend, kChoice, "MUhappend", {130, 66, 140, 16}, kStyleNone},
    {kViewer, ControlKind::push_button, nullptr, {280, 66, 180, 20}, kStyleNone},
    {kTargetLabel, kStatic, "MUtfile", {10, 98, 100, 20}, kStyleReadOnly},
    {kTarget, ControlKind::edit, nullptr, {110, 96, 240, 20}, kStyleBorder},
    {kStart, ControlKind::push_button, "MUstart", {380, 96, 80, 20}, kStyleNone},
    {kFromLabel, kStatic, "MUtfrom", {20, 121, 120, 16}, kStyleReadOnly},
    {kStamp, ControlKind::edit, nullptr, {110, 121, 240, 20}, kStyleBorder},
    {kClearStamp, ControlKind::owner_drawn, nullptr, {352, 123, 16, 16}, kStyleNone},
    {kStop, ControlKind::push_button, "MenStop", {380, 121, 80, 20}, kStyleNone},
    {kFast, kChoice, nullptr, {10, 146, 80, 16}, kStyleNone},
    {kBinary, kChoice, "MUbinary", {110, 146, 80, 16}, kStyleNone},
    {kPane, ControlKind::tab_window, nullptr, {10, 171, 400, 200}, kStyleBorder},
    {kTextView, kChoice, "MUmodet", {0, 0, 80, 16}, kStyleNone},
    {kGraphicView, kChoice, "MUmodeg", {0, 0, 80, 16}, kStyleNone},
    {kLineCount, ControlKind::edit, nullptr, {0, 0, 120, 18}, kStyleReadOnly | kStyleRightAlign | kStyleBorder},
    {kClear, ControlKind::push_button, "MenClear", {0, 0, 80, 20}, kStyleNone},
};

}  // namespace

std::string directory_part(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

UploadTab::UploadTab(DataUpload& upload, const Messages& messages, Settings& settings,
                     ReportSink& reports, UploadTabNames names, FileChooser* chooser)
    : upload_(upload),
      messages_(messages),
      settings_(settings),
      reports_(reports),
      names_(std::move(names)),
      chooser_(chooser) {
  host_path_ = names_.start_directory + "/" + names_.data_file_name;
  host_name_ = names_.data_file_name;
  target_name_ = names_.data_file_name;
  build(leading_integer(settings_.get_setting("Upload115200", "1")) != 0);
  refresh_fields();
}

void UploadTab::build(bool fast) {
  for (const Row& row : kRows) {
    Control c;
    c.id = row.id;
    c.kind = row.kind;
    c.rect = row.rect;
    c.style = row.style;
    if (row.key) c.caption = messages_.message(row.key);
    if (row.id == kClearStamp) c.tip = messages_.message("MenClear");  // a face without a caption
    form_.add(std::move(c));
  }
  form_.set_text(kFast, "115200 baud");
  form_.set_checked(kFast, fast);
  form_.set_checked(kAppend, true);
  form_.set_checked(kTextView, true);
  form_.set_text(kLineCount, "0");
}

void UploadTab::layout(int width, int height) {
  form_.move(kPane, {0, 166, width, height - 196});
  form_.move(kTextView, {10, height - 20, 80, 16});
  form_.move(kGraphicView, {110, height - 20, 80, 16});
  form_.move(kLineCount, {230, height - 21, 120, 18});
  form_.move(kClear, {380, height - 22, 80, 20});
  form_.fit();  // a text wider than its place pushes the rest of its row
}

void UploadTab::set_host_path(const std::string& path) {
  host_path_ = limited(path, kUploadNameChars);
  host_name_ = base_name(host_path_);
}

void UploadTab::refresh_fields() {
  form_.set_text(kHostName, host_name_);
  form_.set_text(kDirectory, directory_part(host_path_));
  form_.set_text(kTarget, target_name_);
  form_.set_text(kViewer, format_text("%s %s", names_.viewer_name.c_str(), host_name_.c_str()));
  const ResumePoint point = scan_host_file(host_path_);
  upload_.set_resume_point(point);
  form_.set_text(kStamp, point.stamp);
}

void UploadTab::commit_host_name() {
  const std::string typed = limited(form_.text(kHostName), kUploadNameChars);
  if (typed == host_name_) return;
  host_name_ = typed;
  host_path_ = limited(names_.start_directory + "/" + host_name_, kUploadNameChars);
  form_.set_text(kViewer, format_text("%s %s", names_.viewer_name.c_str(), host_name_.c_str()));
}

void UploadTab::choose(int id, int other) {
  form_.set_checked(id, true);
  form_.set_checked(other, false);
}

void UploadTab::start() {
  commit_host_name();
  target_name_ = limited(form_.text(kTarget), kUploadNameChars);
  UploadRequest request;
  request.host_path = host_path_;
  request.target = target_name_;
  request.resume_stamp = form_.text(kStamp);
  request.create = form_.checked(kCreate);
  request.binary = form_.checked(kBinary);
  request.fast = form_.checked(kFast);
  upload_.start(request);
}

void UploadTab::open_viewer() {
  commit_host_name();
  const std::vector<std::string> args{host_path_};
  LaunchResult result = launch_program(names_.program_directory + "/" + names_.viewer_name, args);
  if (result.error != 0)
    result = launch_program(names_.program_directory + "/../data/" + names_.viewer_name, args);
  if (result.error != 0) {
    reports_.print_line(format_text("Error %d: %s %s", result.error, names_.viewer_name.c_str(),
                                    host_path_.c_str()));
    return;
  }
  viewers_.push_back(result.pid);
}

void UploadTab::command(const Command& command) {
  switch (command.id) {
    case kChange:
      if (chooser_) {
        if (auto path = chooser_->choose_file(FileChoice::open)) {
          set_host_path(*path);
          target_name_ = host_name_;
          refresh_fields();
        }
      }
      break;
    case kViewer: open_viewer(); break;
    case kCreate: choose(kCreate, kAppend); break;
    case kAppend: choose(kAppend, kCreate); break;
    case kClearStamp: form_.set_text(kStamp, ""); break;
    case kStart: start(); break;
    case kStop: upload_.stop_upload(); break;
    case kFast:
      if (!upload_.running()) {
        const bool on = !form_.checked(kFast);
        form_.set_checked(kFast, on);
        settings_.set_value("Upload115200", on ? "1" : "0");
      }
      break;
    case kBinary:
      if (!upload_.running()) form_.set_checked(kBinary, !form_.checked(kBinary));
      break;
    case kTextView:
      choose(kTextView, kGraphicView);
      pane_dirty_ = true;
      break;
    case kGraphicView:
      choose(kGraphicView, kTextView);
      pane_dirty_ = true;
      break;
    case kClear:
      upload_.ring().clear();
      pane_dirty_ = true;
      break;
    default: break;
  }
}

void UploadTab::apply_events() {
  UploadEvents events = upload_.take_events();
  if (!events.any) return;
  if (events.captured_name) {
    choose(kAppend, kCreate);
    form_.set_text(kTarget, *events.captured_name);
    form_.set_text(kHostName, *events.captured_name);
    target_name_ = *events.captured_name;
  }
  if (events.resume_stamp) form_.set_text(kStamp, *events.resume_stamp);
  form_.set_text(kLineCount, format_text("%d", events.line_count));
  if (events.ended) choose(kAppend, kCreate);
}

bool UploadTab::tick_100ms() {
  upload_.check_link();
  apply_events();
  commit_host_name();
  reap_programs(viewers_);
  const bool repaint = upload_.ring().take_redraw() != 0 || pane_dirty_;
  pane_dirty_ = false;
  return repaint;
}

void UploadTab::paint_pane(Painter& painter, int width, int height) const {
  const std::vector<RingEntry> entries = upload_.ring().newest_first();
  if (form_.checked(kGraphicView))
    paint_graphic_view(painter, entries, width, height,
                       {messages_.message("VtGraphTime"), messages_.message("VtGraphValue"),
                        messages_.message("VtGraphSeries")});
  else
    paint_text_view(painter, entries, width, height);
}

}  // namespace vexa
