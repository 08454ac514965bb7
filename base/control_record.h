#pragma once
// One control record of a dialog's form, from its id, kind, caption, place and style.
#include <string>
#include <utility>

#include "base/form.h"

namespace vexa {

inline Control control_record(int id, ControlKind kind, std::string caption, Rect rect, unsigned style) {
  Control c;
  c.id = id;
  c.kind = kind;
  c.caption = std::move(caption);
  c.rect = rect;
  c.style = style;
  return c;
}

}  // namespace vexa
