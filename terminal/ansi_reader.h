#pragma once
// ANSI/VT100 escape sequences in the board's text, for a view that shows colour: the text is
// split into runs of one style, SGR sequences ("ESC [ 1;31 m") change the style, and every other
// sequence (cursor moves, erases, titles) is taken out rather than shown as "^[". A sequence cut
// between two reads is completed by the next one. Sequences have bounded length: a malformed one
// ends at the first byte that cannot belong to it, which is shown as text again, so a stray ESC
// never swallows what follows.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// A colour: kDefaultColour (the view's own), 0..255 (the xterm palette: 0-7 normal, 8-15
// bright, a 6x6x6 cube, a grey ramp) or kRgbColour | 0xRRGGBB.
inline constexpr int kDefaultColour = -1;
inline constexpr int kRgbColour = 0x1000000;
inline constexpr std::size_t kSequenceChars = 64;  // parameters kept of one control sequence
inline constexpr std::size_t kOscChars = 256;      // an operating system command longer than this is cut off

struct TextStyle {
  int foreground = kDefaultColour;
  int background = kDefaultColour;
  bool bold = false;
  bool faint = false;
  bool italic = false;
  bool underline = false;
  bool inverse = false;
  bool operator==(const TextStyle&) const = default;
};

struct StyledRun {
  std::string text;
  TextStyle style;
};

// 0xRRGGBB of a palette colour 0..255.
unsigned palette_rgb(int index);

class AnsiReader {
 public:
  // The visible text of text as runs (adjacent runs differ in style; empty text gives none).
  std::vector<StyledRun> read(std::string_view text);
  // Only the visible characters, moving through the sequences as read() does.
  std::string strip(std::string_view text);
  void reset() { *this = AnsiReader(); }
  const TextStyle& style() const { return style_; }

 private:
  enum class State { text, escape, csi, osc, osc_escape, charset };
  // Feeds one byte; true when it is a visible character in the current style.
  bool take(char c);
  void apply_sgr();

  State state_ = State::text;
  std::string params_;  // at most kSequenceChars
  bool params_cut_ = false;
  std::size_t osc_chars_ = 0;
  TextStyle style_;
};

}  // namespace vexa
