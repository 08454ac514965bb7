#pragma once
// A window's controls as a table of records: id, kind, caption, geometry, style, plus the state
// the logic reads and writes by id (text, shown, checked, list entries, selection). The desktop
// front end turns each record into a widget and listens for changes; tests read the table.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

enum class ControlKind {
  icon_button,    // 21 x 21 owner-drawn button showing one cell of the icon strip
  combobox,       // drop-down list with an edit field
  edit,           // single-line text field
  check_button,   // three-state push-like check button
  push_button,
  owner_drawn,    // a button whose face the logic paints (lamps)
  tab_control,
  terminal,       // the multi-line terminal text
  tab_window,     // a work area shown on one tab
};

// Style bits of a control record.
enum ControlStyle : unsigned {
  kStyleNone = 0,
  kStyleReadOnly = 1u << 0,
  kStyleBorder = 1u << 1,
  kStyleStaticEdge = 1u << 2,
  kStyleRightAlign = 1u << 3,
  kStyleCentre = 1u << 4,
  kStyleHidden = 1u << 5,      // created hidden
  kStyleMultiLine = 1u << 6,   // an edit of several lines
  kStyleVScroll = 1u << 7,     // with a vertical scroll bar
  kStyleLabel = 1u << 8,       // a fixed text the user cannot change (a static)
  kStyleRadio = 1u << 9,       // a radio button of a group
  kStyleRichText = 1u << 10,   // read-only coloured text
  kStyleDropList = 1u << 11,   // a drop-down list without an edit field
};

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

struct Control {
  int id = 0;
  ControlKind kind = ControlKind::edit;
  std::string caption;
  Rect rect;
  unsigned style = kStyleNone;
  int parent = 0;          // id of the containing control, 0 for the window itself
  int image = -1;          // icon strip cell of an icon button
  std::string tip;         // tool tip text
  // State.
  std::string text;
  bool shown = true;
  bool checked = false;
  bool indeterminate = false;  // third state of a three-state check button
  bool pressed = false;    // icon button held down
  std::vector<std::string> entries;
  int selection = -1;
  // The width the front end measured for the control's text at its font; 0 while unknown.
  int needed_width = 0;
};

// A user action or a posted command: the control or menu id, the notification and a parameter.
struct Command {
  int id = 0;
  int notification = 0;
  long param = 0;
};

// Notification codes the front end sends with a command.
inline constexpr int kNotifyClicked = 0;
inline constexpr int kNotifyDropDown = 7;
inline constexpr int kNotifyEditChanged = 5;
inline constexpr int kNotifySelectionChanged = 1;
// Enter pressed in an edit field or a combobox's edit (a notification of our own).
inline constexpr int kNotifyEditEnter = 100;
// The second click of a double click on a button, for a front end that reports it apart.
inline constexpr int kNotifyDoubleClicked = 101;

class Form {
 public:
  using ChangeListener = std::function<void(int id)>;

  // Adds a record; its text starts as its caption and it is shown unless created hidden.
  Control& add(Control control);
  bool contains(int id) const { return find(id) != nullptr; }
  const Control* find(int id) const;
  // The record of id; a missing id is a programming fault, so it throws std::out_of_range.
  const Control& at(int id) const;
  const std::vector<Control>& controls() const { return controls_; }

  // Setters of existing ids (a missing id is ignored, like a window that does not exist).
  void set_text(int id, std::string_view text);
  void set_shown(int id, bool shown);
  void set_checked(int id, bool checked);
  // 0 unchecked, 1 checked, 2 indeterminate.
  void set_check_state(int id, int state);
  void set_pressed(int id, bool pressed);
  void set_entries(int id, std::vector<std::string> entries);
  void set_selection(int id, int selection);
  void move(int id, Rect rect);
  // The front end's measure of the width the control's text needs (see fit()).
  void set_needed_width(int id, int width);
  // Widens every control narrower than its needed width. The controls right of it in its row
  // move by what it grew, and with each of them its column (the controls at the same x) and
  // what lies right of those, so rows keep their order and columns their alignment. Controls
  // sharing one place (shown in turn) grow together and push their neighbours once. Layout
  // code that places controls calls it after placing them.
  void fit();

  std::string text(int id) const;
  bool shown(int id) const;
  bool checked(int id) const;

  // Called after each change that alters a record, with its id.
  void set_listener(ChangeListener listener) { listener_ = std::move(listener); }

 private:
  Control* find_mutable(int id);
  void changed(int id);
  void fit_pass();

  std::vector<Control> controls_;
  ChangeListener listener_;
  bool fitting_ = false;
  bool fit_again_ = false;
};

// Fills a list from comma-separated fields, in order (an empty text gives no entries).
std::vector<std::string> comma_fields(std::string_view list);

}  // namespace vexa
