#pragma once
// The compile tab on the desktop: the core form's controls as widgets (line edits, buttons and
// the check box through the form binder; the fixed texts, the environment and the output pane
// made here), the file dialogs of the choose buttons, and the busy cursor while a build runs.
// The session drives the tab's 100 ms poll; this widget only shows and forwards.
#include <QWidget>
#include <memory>

#include "build/compile_tab.h"
#include "ui/form_binder.h"

class QPlainTextEdit;

namespace vexa::ui {

// The choose buttons' open-file dialogs: "*.mak", or "*.hex *.bin".
class QtCompileFileChooser final : public CompileFileChooser {
 public:
  explicit QtCompileFileChooser(QWidget* parent) : parent_(parent) {}
  std::optional<std::string> choose(CompileFile kind, const std::string& start) override;
  // The filter names' language; the chooser exists before the session that holds it.
  void set_messages(const Messages* messages) { messages_ = messages; }

 private:
  QWidget* parent_;
  const Messages* messages_ = nullptr;
};

class CompileTabWidget : public QWidget {
  Q_OBJECT
 public:
  CompileTabWidget(CompileTab& tab, QWidget* parent = nullptr);
  ~CompileTabWidget() override;

  // The widget of a control id (tests press and type into them), or null.
  QWidget* control(int id) const;
  QPlainTextEdit* output_pane() const { return output_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void form_changed(int id);
  void show_text(QPlainTextEdit* edit, const std::string& text, bool to_end);

  CompileTab& tab_;
  std::unique_ptr<FormBinder> binder_;
  QPlainTextEdit* environment_ = nullptr;
  QPlainTextEdit* output_ = nullptr;
  bool taking_edit_ = false;
};

}  // namespace vexa::ui
