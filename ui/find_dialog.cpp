#include "ui/find_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vexa::ui {

FindDialog::FindDialog(const Messages& messages, std::function<bool(const QString&, bool, bool)> find,
                       std::function<void(const QString&)> not_found, QWidget* parent)
    : QDialog(parent), find_(std::move(find)), not_found_(std::move(not_found)) {
  const auto text = [&messages](const char* key) { return QString::fromStdString(messages.message(key)); };
  setWindowTitle(text("VtMenuFind").remove("..."));
  setModal(false);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(new QLabel(text("VtFind")));
  needle = new QLineEdit;
  needle->setMinimumWidth(200);
  layout->addWidget(needle, 1);
  match_case = new QCheckBox(text("VtFindCase"));
  layout->addWidget(match_case);
  previous = new QPushButton(text("VtFindPrevious"));
  next = new QPushButton(text("VtFindNext"));
  next->setDefault(true);  // Enter
  layout->addWidget(previous);
  layout->addWidget(next);
  connect(next, &QPushButton::clicked, this, [this] { step(false); });
  connect(previous, &QPushButton::clicked, this, [this] { step(true); });
}

void FindDialog::open_search() {
  show();
  raise();
  activateWindow();
  needle->setFocus();
  needle->selectAll();
}

bool FindDialog::step(bool backward) {
  const QString text = needle->text();
  if (text.isEmpty()) return false;
  if (find_(text, backward, match_case->isChecked())) return true;
  not_found_(text);
  return false;
}

}  // namespace vexa::ui
