#pragma once
// The configuration tab: the grid model's rows as four edit fields each (key, value, name,
// type) at the model's positions, scrolled by the model; each edit is handed to the model as it
// is typed, and the session commits the model.
#include <QAbstractScrollArea>
#include <cstdint>
#include <map>

#include "config/config_grid.h"

class QLabel;
class QLineEdit;

namespace vexa::ui {

// The vertical bar is the model's: it runs from 0 to the model's largest position with the
// model's page, and every move goes through the model, which keeps the position in its limits.
class ConfigTabWidget : public QAbstractScrollArea {
  Q_OBJECT
 public:
  ConfigTabWidget(ConfigGrid& grid, QWidget* parent = nullptr);

  // Command 912: the model is rebuilt from the configuration and the edits are made anew.
  void rebuild();
  // The text shown while no configuration is loaded (UTF-8).
  void set_empty_text(const std::string& text);
  // The edited texts go back into the configuration through the model.
  void commit();
  // The edit of a control id (tests press and type into them), or null.
  QLineEdit* field(std::uint32_t control_id) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // Sets both bars from the model and the field area's width, and places the field area.
  void apply_scroll();
  // A bar action: a step or a page up or down moves one row, as the model's scroll requests do.
  void bar_action(int action);

  ConfigGrid& grid_;
  QWidget* canvas_ = nullptr;
  QLabel* empty_text_ = nullptr;
  std::map<std::uint32_t, QLineEdit*> fields_;
  bool applying_ = false;
};

}  // namespace vexa::ui
