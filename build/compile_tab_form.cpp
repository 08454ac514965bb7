#include "build/compile_tab_form.h"

namespace vexa::compile {

namespace {

struct ControlRow {
  int id;
  ControlKind kind;
  const char* key;      // message key of the caption, or null
  const char* caption;  // fixed caption when there is no key
  Rect rect;
  unsigned style;
};

constexpr ControlRow kControls[] = {
    {kTitleLabel, ControlKind::edit, "MCcompile", nullptr, {10, 5, 100, 16}, kStyleLabel},
    {kDirLabel, ControlKind::edit, "MCdir", nullptr, {10, 25, 100, 18}, kStyleLabel},
    {kWorkingDir, ControlKind::edit, nullptr, "", {120, 23, 380, 18}, kStyleBorder},
    {kChooseMakefile, ControlKind::push_button, nullptr, "ch.", {500, 23, 20, 18}, kStyleNone},
    {kCmdLabel, ControlKind::edit, "MCcmd", nullptr, {10, 47, 100, 18}, kStyleLabel},
    {kCommandLine, ControlKind::edit, nullptr, "", {120, 45, 400, 18}, kStyleBorder},
    {kRun, ControlKind::push_button, "MCrun", nullptr, {525, 45, 60, 18}, kStyleNone},
    {kBinLabel, ControlKind::edit, "MCbin", nullptr, {10, 69, 100, 18}, kStyleLabel},
    {kBinaryFile, ControlKind::edit, nullptr, "", {120, 67, 380, 18}, kStyleBorder},
    {kChooseBinary, ControlKind::push_button, nullptr, "ch.", {500, 67, 20, 18}, kStyleNone},
    {kDownload, ControlKind::push_button, "MCdown", nullptr, {525, 67, 60, 18}, kStyleNone},
    {kEnvLabel, ControlKind::edit, "MCpath", nullptr, {10, 91, 100, 18}, kStyleLabel},
    {kEnvironment, ControlKind::edit, nullptr, "", {120, 89, 400, 32}, kStyleMultiLine | kStyleVScroll},
    {kAutoDownload, ControlKind::check_button, "MCdauto", nullptr, {10, 125, 160, 16}, kStyleNone},
    {kOutput, ControlKind::edit, nullptr, "", {10, 125, 400, 200},
     kStyleBorder | kStyleVScroll | kStyleMultiLine | kStyleReadOnly},
};

constexpr std::string_view kHelpEnglish =
    "\r\nUse this tab to compile your own firmware.\r\n"
    "Programming your own firmware is only necessary,\r\n"
    "when the supplied firmware can not be configured for your special application.\r\n"
    "Do not use this option, if you have none or little experience in C programming.";
constexpr std::string_view kHelpFrench =
    "\r\nUtilisez cet onglet pour compiler votre propre firmware.\r\n"
    "Programmer votre propre firmware n'est nécessaire\r\n"
    "que si le firmware fourni ne peut pas être configuré pour votre application particulière.\r\n"
    "N'utilisez pas cette option si vous n'avez pas ou peu d'expérience en programmation C.";
constexpr std::string_view kHelpGerman =
    "\r\nMit diesem Reiter kompilieren Sie Ihre eigene Firmware.\r\n"
    "Eine eigene Firmware zu programmieren ist nur nötig,\r\n"
    "wenn sich die mitgelieferte Firmware nicht für Ihre spezielle Anwendung konfigurieren lässt.\r\n"
    "Benutzen Sie diese Möglichkeit nicht, wenn Sie keine oder wenig Erfahrung in C-Programmierung haben.";

}  // namespace

Form make_compile_form(const Messages& messages) {
  Form form;
  for (const ControlRow& row : kControls) {
    Control c;
    c.id = row.id;
    c.kind = row.kind;
    c.caption = row.key ? messages.message(row.key) : row.caption;
    c.rect = row.rect;
    c.style = row.style;
    form.add(std::move(c));
  }
  return form;
}

Rect output_pane_rect(int client_width, int client_height) {
  return {0, kOutputTop, client_width, client_height - kOutputBottomMargin};
}

std::string_view compile_help_text(char language) {
  switch (language) {
    case 'f': return kHelpFrench;
    case 'd': return kHelpGerman;
    default: return kHelpEnglish;
  }
}

}  // namespace vexa::compile
