#include "terminal/ansi_reader.h"

#include <charconv>

namespace vexa {

namespace {

constexpr char kEscape = '\x1b';
constexpr char kBell = '\x07';

// xterm's default 16 colours.
constexpr unsigned kBasicColours[16] = {0x000000, 0xcd0000, 0x00cd00, 0xcdcd00, 0x0000ee, 0xcd00cd,
                                        0x00cdcd, 0xe5e5e5, 0x7f7f7f, 0xff0000, 0x00ff00, 0xffff00,
                                        0x5c5cff, 0xff00ff, 0x00ffff, 0xffffff};

std::vector<int> split_numbers(std::string_view params) {
  std::vector<int> numbers;
  std::size_t start = 0;
  while (start <= params.size()) {
    std::size_t end = params.find_first_of(";:", start);
    if (end == std::string_view::npos) end = params.size();
    int value = 0;  // an empty or unreadable field counts as 0
    std::from_chars(params.data() + start, params.data() + end, value);
    numbers.push_back(value);
    start = end + 1;
  }
  return numbers;
}

// "38;5;N" or "38;2;R;G;B" from numbers[at] on; moves at past what it used.
int extended_colour(const std::vector<int>& numbers, std::size_t& at) {
  if (at + 1 < numbers.size() && numbers[at] == 5) {
    const int index = numbers[at + 1];
    at += 1;
    return index >= 0 && index <= 255 ? index : kDefaultColour;
  }
  if (at + 3 < numbers.size() && numbers[at] == 2) {
    const auto part = [](int v) { return static_cast<unsigned>(v < 0 ? 0 : v > 255 ? 255 : v); };
    const unsigned rgb = part(numbers[at + 1]) << 16 | part(numbers[at + 2]) << 8 | part(numbers[at + 3]);
    at += 3;
    return kRgbColour | static_cast<int>(rgb);
  }
  return kDefaultColour;
}

}  // namespace

unsigned palette_rgb(int index) {
  if (index < 0 || index > 255) return 0;
  if (index < 16) return kBasicColours[index];
  if (index < 232) {
    const int cube = index - 16;
    const auto level = [](int v) { return static_cast<unsigned>(v == 0 ? 0 : 55 + 40 * v); };
    return level(cube / 36) << 16 | level(cube / 6 % 6) << 8 | level(cube % 6);
  }
  const unsigned grey = static_cast<unsigned>(8 + 10 * (index - 232));
  return grey << 16 | grey << 8 | grey;
}

void AnsiReader::apply_sgr() {
  if (params_cut_) return;  // too long to be trusted: no style change at all
  const std::vector<int> numbers = split_numbers(params_);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const int n = numbers[i];
    if (n == 0) style_ = TextStyle{};
    else if (n == 1) style_.bold = true;
    else if (n == 2) style_.faint = true;
    else if (n == 3) style_.italic = true;
    else if (n == 4) style_.underline = true;
    else if (n == 7) style_.inverse = true;
    else if (n == 22) style_.bold = style_.faint = false;
    else if (n == 23) style_.italic = false;
    else if (n == 24) style_.underline = false;
    else if (n == 27) style_.inverse = false;
    else if (n >= 30 && n <= 37) style_.foreground = n - 30;
    else if (n == 38) style_.foreground = extended_colour(numbers, ++i);
    else if (n == 39) style_.foreground = kDefaultColour;
    else if (n >= 40 && n <= 47) style_.background = n - 40;
    else if (n == 48) style_.background = extended_colour(numbers, ++i);
    else if (n == 49) style_.background = kDefaultColour;
    else if (n >= 90 && n <= 97) style_.foreground = n - 90 + 8;
    else if (n >= 100 && n <= 107) style_.background = n - 100 + 8;
  }
}

bool AnsiReader::take(char c) {
  const auto byte = static_cast<unsigned char>(c);
  switch (state_) {
    case State::text:
      if (c != kEscape) return true;
      state_ = State::escape;
      return false;
    case State::escape:
      if (c == '[') {
        state_ = State::csi;
        params_.clear();
        params_cut_ = false;
      } else if (c == ']') {
        state_ = State::osc;
        osc_chars_ = 0;
      } else if (c == '(' || c == ')' || c == '*' || c == '+') {
        state_ = State::charset;
      } else if (c == kEscape) {
        // A second ESC starts a sequence of its own.
      } else if (byte < 0x20 || byte > 0x7e) {
        state_ = State::text;  // not a sequence: the byte is text again
        return true;
      } else {
        if (c == 'c') style_ = TextStyle{};  // full reset
        state_ = State::text;
      }
      return false;
    case State::csi:
      if (byte >= 0x40 && byte <= 0x7e) {  // the final byte
        if (c == 'm') apply_sgr();
        state_ = State::text;
        return false;
      }
      if (byte >= 0x20 && byte <= 0x3f) {  // parameters and intermediates
        if (params_.size() < kSequenceChars) params_.push_back(c);
        else params_cut_ = true;
        return false;
      }
      state_ = c == kEscape ? State::escape : State::text;  // broken off
      return state_ == State::text;
    case State::osc:
      if (c == kBell) {
        state_ = State::text;
      } else if (c == kEscape) {
        state_ = State::osc_escape;
      } else if (++osc_chars_ > kOscChars || c == '\r' || c == '\n') {
        state_ = State::text;  // never ended: this byte and what follows are text again
        return true;
      }
      return false;
    case State::osc_escape:
      state_ = c == '\\' ? State::text : State::escape;
      if (state_ == State::escape) return take(c);
      return false;
    case State::charset:
      state_ = State::text;
      return false;
  }
  return false;
}

std::vector<StyledRun> AnsiReader::read(std::string_view text) {
  std::vector<StyledRun> runs;
  for (char c : text) {
    if (!take(c)) continue;
    if (runs.empty() || !(runs.back().style == style_)) runs.push_back({{}, style_});
    runs.back().text.push_back(c);
  }
  return runs;
}

std::string AnsiReader::strip(std::string_view text) {
  std::string visible;
  visible.reserve(text.size());
  for (char c : text)
    if (take(c)) visible.push_back(c);
  return visible;
}

}  // namespace vexa
