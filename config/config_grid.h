#pragma once
// The configuration tab as a plain model: one row of four fields (key, value, name, type)
// for every parameter that has a value, in table order, and the vertical scrolling. The
// window layer turns the rows into edit controls at the geometry given here, copies user
// edits into the rows, and applies the scroll bar state and the scroll distance.
// Lives on the window thread; it reads and writes the table through Configuration.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

class Configuration;

inline constexpr int kConfigRowPitch = 19;        // rows lie 19 pixels apart
inline constexpr int kConfigFieldHeight = 20;     // each field is 20 pixels high
inline constexpr std::size_t kConfigEditChars = 299;  // a field's text as read back
inline constexpr int kNoConfigWidth = 1000;       // the "No configuration loaded" text
inline constexpr int kNoConfigHeight = 200;

enum class ConfigColumn { key = 0, value = 1, name = 2, type = 3 };

struct ConfigColumnGeometry {
  ConfigColumn column;
  int x;
  int width;
  bool editable;
};

// The four fields of a row, left to right; field k of a row has control id first + k.
inline constexpr std::array<ConfigColumnGeometry, 4> kConfigColumns = {{
    {ConfigColumn::key, 0, 51, false},
    {ConfigColumn::value, 50, 201, true},
    {ConfigColumn::name, 250, 201, true},
    {ConfigColumn::type, 450, 201, false},
}};

struct ConfigRow {
  std::size_t record_index = 0;  // the record of the configuration table
  std::uint32_t control_id = 0;  // 1 + 4 * row; the record keeps it too
  int y = 0;                     // before scrolling
  std::array<std::string, 4> text;  // by ConfigColumn

  const std::string& field(ConfigColumn c) const { return text[static_cast<std::size_t>(c)]; }
};

struct ScrollBarState {
  int range_max = 0;  // range 0 .. content height
  int page = 0;       // the client height, at most the content height
  int position = 0;
  bool operator==(const ScrollBarState&) const = default;
};

// What the grid asks of the windows around it; every default does nothing.
class ConfigGridHooks {
 public:
  virtual ~ConfigGridHooks() = default;
  // Before a build: the analog tab re-reads its fields, the macro tab refreshes.
  virtual void refresh_other_tabs() {}
  // After a build: the main window lays itself out again (it places the terminal by the
  // content height).
  virtual void layout_changed() {}
  // The contents move by this many pixels (positive: down), with the scroll bar state.
  virtual void scrolled(int /*delta*/, const ScrollBarState& /*bar*/) {}
};

enum class ScrollHow { row_up = -1, to_position = 0, row_down = 1, keep = 2 };

class ConfigGrid {
 public:
  explicit ConfigGrid(Configuration& configuration, ConfigGridHooks* hooks = nullptr);

  // Rebuilds all rows from the table: scrolls to the top, clears every record's control id,
  // gives each record with a value the next row (ids 1, 5, 9, ... at y 0, 19, 38, ...),
  // stores the content height and re-applies the scroll position.
  void build_config_tab();
  // Stores each row's value (when it differs, setting has_value) and name into its record.
  // The caller runs it only while the configuration tab is the current tab.
  void commit_config_tab();

  // How: row up (-19), row down (+19), to an absolute position, or keep the position after
  // a change of size or content. The position is limited to 0 .. content - client + 19.
  // Returns the distance the contents moved (old position - new position).
  int scroll_config_tab(ScrollHow how, int position = 0);
  int scroll_config_tab(int how, int position = 0);

  // The window layer's side: the client height, and user edits of the editable fields.
  void set_client_height(int height);
  bool set_field_text(std::uint32_t control_id, std::string_view text);

  const std::vector<ConfigRow>& rows() const { return rows_; }
  const ConfigRow* row_of_control(std::uint32_t control_id) const;
  int content_height() const { return content_height_; }
  int scroll_position() const { return position_; }
  int client_height() const { return client_height_; }
  ScrollBarState scroll_bar() const { return bar_; }
  // The largest position a scroll may reach: content - client + 19, at least 0. A scroll bar
  // that counts in positions (not in its range and page) ends here.
  int largest_scroll_position() const;

 private:
  ConfigRow* find_row(std::uint32_t control_id);

  Configuration& configuration_;
  ConfigGridHooks* hooks_;
  std::vector<ConfigRow> rows_;
  int content_height_ = 0;
  int client_height_ = 0;
  int position_ = 0;
  ScrollBarState bar_;
};

}  // namespace vexa
