#pragma once
// Reading 'key=value' assignment lines, as the board sends them and configuration files hold
// them: 'bd=9600 sf=0 rx=1', 'a3.name=Outside temp', 'm0=30,1000ms,st;up x', '# comment'.
// The cutting of a line into assignments is kept apart from storing them, so the configuration
// table can store each one under its lock and call its listeners outside it.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/key_rows.h"
#include "config/parameter_table.h"

namespace vexa {

class AnalogPresence;
class InputTypeDefaults;
class ParameterListener;

enum class AssignmentField { value, name, type };

struct Assignment {
  std::string key;        // 0 to 6 characters
  AssignmentField field = AssignmentField::value;
  std::string text;       // as written; cut to the field size only when stored
  bool operator==(const Assignment&) const = default;
};

// One assignment as it stands in a line, whose text it points into.
struct AssignmentView {
  std::string_view key;
  AssignmentField field = AssignmentField::value;
  std::string_view text;
};

// Reads the assignments of one line in order (see split_assignments), without copying: a
// board line and each line of a file are read this way.
class AssignmentReader {
 public:
  explicit AssignmentReader(std::string_view line);
  // The next assignment, or nothing once the line has no more.
  std::optional<AssignmentView> next();

 private:
  std::string_view body_;
  std::size_t pos_ = 0;
  bool done_ = false;
};

// The assignments of one line, in order. The line ends at its first CR, LF or NUL. Reading
// stops (keeping what came before) at a '#' where a key should start, when no '=' follows,
// at a suffix other than ".name"/".type", and at a key longer than 6 characters. A plain
// value ends at the next blank, where the next assignment may start; macro values (key 'm'
// and a digit), names and types run to the end of the line. A key may be empty ('=5').
std::vector<Assignment> split_assignments(std::string_view line);

// Stores one assignment into the first of the table's first 998 records whose key equals the
// key or is empty: the key, then the value (setting has_value), the name or the type, each
// cut to 99 characters. rows is the table's index and learns of a key stored in a free row.
// Returns the record's index, or nothing when the table is full.
std::optional<std::size_t> store_assignment(ParameterTable& table, KeyRows& rows,
                                            const AssignmentView& assignment);

// Whether a stored record wants its type filled from the input type table: a key that begins
// with 'a' and an empty type.
bool wants_default_type(const ParameterRecord& record);

// What storing a line reaches beyond the table itself; each may be null.
struct AssignmentHooks {
  const InputTypeDefaults* type_defaults = nullptr;
  ParameterListener* listener = nullptr;
  AnalogPresence* presence = nullptr;
};

// A short edit of a table and its key index that returns the row it wrote, if any. It never
// calls a hook.
using TableEdit = std::function<std::optional<std::size_t>(ParameterTable&, KeyRows&)>;
// Runs an edit on a table, under whatever lock that table needs, and returns once it has run.
using TableAccess = std::function<void(const TableEdit&)>;

// Stores every assignment of a line through access: for each assignment, under one access,
// the store and (for a record that wants a default type) a copy of its value; then, outside
// any access, the type look-up, the live-view notice and the presence flag; the type found
// goes in under a second access if the record still has that key and no type. The presence
// flag follows an 'a' key with a digit even when the table was full. Returns the number of
// assignments stored.
std::size_t store_assignments(std::string_view line, const AssignmentHooks& hooks,
                              const TableAccess& access);

// Stores every assignment of a line into a table that no other thread touches (the scratch
// table of the file comparison): the store, the default type, the live-view notice and the
// presence flag for each assignment. Returns the number of assignments stored. The shared
// configuration table has its own locked Configuration::parse_assignments. The first form
// indexes the table for the one line; the second keeps rows, the table's index, across lines.
std::size_t parse_assignments(ParameterTable& table, std::string_view line,
                              const AssignmentHooks& hooks = {});
std::size_t parse_assignments(ParameterTable& table, KeyRows& rows, std::string_view line,
                              const AssignmentHooks& hooks = {});

}  // namespace vexa
