#pragma once
// Where each kind of line consumer stands among the receivers of complete board lines. The link
// hands lines on in this order without knowing who listens; the two last hear nothing while a
// data upload runs (the listing's lines are data, not banners or configuration replies).
namespace vexa {

struct LinePlace {
  int order;                   // lower first; equal places keep the order they were added in
  bool hears_during_upload;
};

namespace line_place {
inline constexpr LinePlace upload{10, true};
inline constexpr LinePlace analog_tab{20, true};
inline constexpr LinePlace data_view{30, true};
inline constexpr LinePlace factory_test{40, true};
inline constexpr LinePlace loader{50, false};
inline constexpr LinePlace configuration{60, false};
}  // namespace line_place

}  // namespace vexa
