#pragma once
// The session's command dispatch: one row per command id, added by the subsystem that owns the
// command. Ids without a row are not carried out by the session (the window may have them).
#include <functional>
#include <unordered_map>

#include "base/form.h"

namespace vexa {

using CommandHandler = std::function<void(const Command&)>;

class CommandTable {
 public:
  // A later row for the same id replaces the earlier one.
  void add(int id, CommandHandler handler) { rows_[id] = std::move(handler); }
  bool has(int id) const { return rows_.count(id) != 0; }
  // False when the id has no row.
  bool run(const Command& call) const {
    auto row = rows_.find(call.id);
    if (row == rows_.end() || !row->second) return false;
    row->second(call);
    return true;
  }

 private:
  std::unordered_map<int, CommandHandler> rows_;
};

}  // namespace vexa
