#pragma once
// What a tab of the main window offers the widget that shows it: the form it draws, the
// commands of the form's controls, and the window's 100 ms timer. A front end binds every tab
// the same way through this.
#include "base/form.h"

namespace vexa {

class Tab {
 public:
  virtual ~Tab() = default;
  virtual Form& form() = 0;
  // A control of the form was used.
  virtual void command(const Command& command) = 0;
  // The window's 100 ms timer; true when a pane the tab paints itself should be painted again
  // (changes of the form reach the widget through the form's listener). A tab without timed
  // work leaves it at this.
  virtual bool tick_100ms() { return false; }
};

}  // namespace vexa
