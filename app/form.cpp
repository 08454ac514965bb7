#include "app/form.h"

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
