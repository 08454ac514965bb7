#include "base/form.h"

#include <algorithm>
#include <stdexcept>

namespace vexa {

Control& Form::add(Control control) {
  if (control.text.empty()) control.text = control.caption;
  if (control.style & kStyleHidden) control.shown = false;
  controls_.push_back(std::move(control));
  return controls_.back();
}

const Control* Form::find(int id) const {
  for (const Control& c : controls_)
    if (c.id == id) return &c;
  return nullptr;
}

Control* Form::find_mutable(int id) {
  for (Control& c : controls_)
    if (c.id == id) return &c;
  return nullptr;
}

const Control& Form::at(int id) const {
  const Control* c = find(id);
  if (!c) throw std::out_of_range("no control " + std::to_string(id));
  return *c;
}

void Form::changed(int id) {
  if (listener_) listener_(id);
}

template <typename T>
static bool assign(T& field, T value) {
  if (field == value) return false;
  field = std::move(value);
  return true;
}

void Form::set_text(int id, std::string_view text) {
  if (Control* c = find_mutable(id); c && assign(c->text, std::string(text))) changed(id);
}
void Form::set_shown(int id, bool shown) {
  if (Control* c = find_mutable(id); c && assign(c->shown, shown)) changed(id);
}
void Form::set_checked(int id, bool checked) {
  set_check_state(id, checked ? 1 : 0);
}
void Form::set_check_state(int id, int state) {
  Control* c = find_mutable(id);
  if (!c) return;
  const bool a = assign(c->checked, state == 1);
  const bool b = assign(c->indeterminate, state == 2);
  if (a || b) changed(id);
}
void Form::set_pressed(int id, bool pressed) {
  if (Control* c = find_mutable(id); c && assign(c->pressed, pressed)) changed(id);
}
void Form::set_entries(int id, std::vector<std::string> entries) {
  if (Control* c = find_mutable(id); c && assign(c->entries, std::move(entries))) changed(id);
}
void Form::set_selection(int id, int selection) {
  if (Control* c = find_mutable(id); c && assign(c->selection, selection)) changed(id);
}
void Form::move(int id, Rect rect) {
  if (Control* c = find_mutable(id); c && assign(c->rect, rect)) changed(id);
}

void Form::set_needed_width(int id, int width) {
  // Only the front end reads it back, through fit(): no change notification.
  if (Control* c = find_mutable(id)) c->needed_width = width;
}

namespace {

bool same_row(const Rect& a, const Rect& b) { return a.y < b.y + b.height && b.y < a.y + a.height; }

}  // namespace

void Form::fit() {
  // A listener that measures again while the controls move asks for one more pass.
  if (fitting_) {
    fit_again_ = true;
    return;
  }
  fitting_ = true;
  do {
    fit_again_ = false;
    fit_pass();
  } while (fit_again_);
  fitting_ = false;
}

void Form::fit_pass() {
  const std::size_t n = controls_.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Control& grown = controls_[i];
    if (grown.needed_width <= grown.rect.width) continue;
    // The place the control shares with others of the same x in its row (alternatives).
    std::vector<bool> in_place(n, false), moved(n, false);
    int old_right = 0, new_right = 0;
    for (std::size_t j = 0; j < n; ++j) {
      const Control& c = controls_[j];
      if (c.parent != grown.parent || c.rect.x != grown.rect.x || !same_row(c.rect, grown.rect)) continue;
      in_place[j] = true;
      old_right = std::max(old_right, c.rect.x + c.rect.width);
      new_right = std::max(new_right, c.rect.x + std::max(c.rect.width, c.needed_width));
    }
    const int grow = new_right - old_right;
    // What moves: the row right of the place, then column by column and row by row from there.
    std::vector<std::size_t> work;
    for (std::size_t j = 0; j < n && grow > 0; ++j) {
      const Control& c = controls_[j];
      if (in_place[j] || c.parent != grown.parent || c.rect.x < old_right) continue;
      for (std::size_t k = 0; k < n; ++k)
        if (in_place[k] && same_row(c.rect, controls_[k].rect)) {
          moved[j] = true;
          work.push_back(j);
          break;
        }
    }
    while (!work.empty()) {
      const Rect r = controls_[work.back()].rect;
      work.pop_back();
      for (std::size_t j = 0; j < n; ++j) {
        const Control& c = controls_[j];
        if (moved[j] || in_place[j] || c.parent != grown.parent) continue;
        if (c.rect.x == r.x || (c.rect.x > r.x && same_row(c.rect, r))) {
          moved[j] = true;
          work.push_back(j);
        }
      }
    }
    std::vector<int> changed_ids;
    for (std::size_t j = 0; j < n; ++j) {
      Control& c = controls_[j];
      if (in_place[j] && c.needed_width > c.rect.width) {
        c.rect.width = c.needed_width;
        changed_ids.push_back(c.id);
      } else if (moved[j]) {
        c.rect.x += grow;
        changed_ids.push_back(c.id);
      }
    }
    for (int id : changed_ids) changed(id);
  }
}

std::string Form::text(int id) const {
  const Control* c = find(id);
  return c ? c->text : std::string();
}
bool Form::shown(int id) const {
  const Control* c = find(id);
  return c && c->shown;
}
bool Form::checked(int id) const {
  const Control* c = find(id);
  return c && c->checked;
}

std::vector<std::string> comma_fields(std::string_view list) {
  std::vector<std::string> out;
  if (list.empty()) return out;
  std::size_t start = 0;
  while (true) {
    std::size_t comma = list.find(',', start);
    out.emplace_back(list.substr(start, comma == std::string_view::npos ? list.npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

}  // namespace vexa
