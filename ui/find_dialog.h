#pragma once
// The terminal's search (Ctrl-F): a small window beside the terminal with the text to find, Match
// case, and Next and Previous (Enter is Next). It stays open while the user reads on.
#include <QDialog>
#include <functional>

#include "base/messages.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace vexa::ui {

class FindDialog : public QDialog {
  Q_OBJECT
 public:
  // find(needle, backward, match_case) selects the next hit and says whether there was one;
  // not_found(needle) tells the user there is none.
  FindDialog(const Messages& messages, std::function<bool(const QString&, bool, bool)> find,
             std::function<void(const QString&)> not_found, QWidget* parent = nullptr);
  // Shows the window with the text selected, ready for a new search.
  void open_search();
  // One search step as the buttons do it (also for tests).
  bool step(bool backward);

  QLineEdit* needle = nullptr;
  QCheckBox* match_case = nullptr;
  QPushButton* next = nullptr;
  QPushButton* previous = nullptr;

 private:
  std::function<bool(const QString&, bool, bool)> find_;
  std::function<void(const QString&)> not_found_;
};

}  // namespace vexa::ui
