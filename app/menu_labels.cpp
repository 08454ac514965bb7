#include "app/menu_labels.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <functional>

namespace vexa {

namespace {

bool ascii_alnum(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }
char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Positions of a text's candidate keys, best first: word starts, other letters, digits. Each
// character is offered once, at its best place ("Log on" offers the 'o' of "on").
std::vector<std::size_t> candidates(const std::string& text) {
  struct Offer {
    int rank;
    std::size_t at;
  };
  std::vector<Offer> offers;
  std::string seen;  // the characters of offers, lower case, in the same order
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!ascii_alnum(c)) continue;
    // A word starts after anything but a letter or digit; bytes of UTF-8 letters count as
    // letters, so "Écho" offers its 'c' only as an inner letter.
    const bool word_start = i == 0 || (!ascii_alnum(text[i - 1]) && static_cast<unsigned char>(text[i - 1]) < 0x80);
    const int rank = std::isdigit(static_cast<unsigned char>(c)) ? 2 : word_start ? 0 : 1;
    const std::size_t known = seen.find(lower(c));
    if (known == std::string::npos) {
      seen += lower(c);
      offers.push_back({rank, i});
    } else if (rank < offers[known].rank) {
      offers[known] = {rank, i};
    }
  }
  std::stable_sort(offers.begin(), offers.end(), [](const Offer& a, const Offer& b) {
    return a.rank != b.rank ? a.rank < b.rank : a.at < b.at;
  });
  std::vector<std::size_t> out;
  for (const Offer& o : offers) out.push_back(o.at);
  return out;
}

std::string label(const std::string& text, std::size_t key_at) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == key_at) out += '&';
    if (text[i] == '&') out += '&';
    out += text[i];
  }
  return out;
}

}  // namespace

std::vector<std::string> with_access_keys(const std::vector<std::string>& texts) {
  constexpr std::size_t none = std::string::npos;
  std::vector<std::vector<std::size_t>> offers;
  for (const std::string& t : texts) offers.push_back(candidates(t));
  std::vector<std::size_t> chosen(texts.size(), none);  // position in the text
  std::vector<int> holder(128, -1);                       // text holding each key

  // A free key first, in the text's order of preference; else one whose holder can move on.
  // This is the augmenting path search of a bipartite matching, so every text gets a key
  // whenever the keys can be shared out at all.
  std::function<bool(int, std::vector<bool>&)> place = [&](int t, std::vector<bool>& visited) {
    const std::string& text = texts[static_cast<std::size_t>(t)];
    for (std::size_t at : offers[static_cast<std::size_t>(t)]) {
      const auto key = static_cast<unsigned char>(lower(text[at]));
      if (holder[key] < 0) {
        holder[key] = t;
        chosen[static_cast<std::size_t>(t)] = at;
        return true;
      }
    }
    for (std::size_t at : offers[static_cast<std::size_t>(t)]) {
      const auto key = static_cast<unsigned char>(lower(text[at]));
      if (visited[key]) continue;
      visited[key] = true;
      if (place(holder[key], visited)) {
        holder[key] = t;
        chosen[static_cast<std::size_t>(t)] = at;
        return true;
      }
    }
    return false;
  };
  for (std::size_t t = 0; t < texts.size(); ++t) {
    std::vector<bool> visited(128, false);
    place(static_cast<int>(t), visited);
  }

  std::vector<std::string> out;
  for (std::size_t t = 0; t < texts.size(); ++t) out.push_back(label(texts[t], chosen[t]));
  return out;
}

char access_key(std::string_view label) {
  for (std::size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] != '&') continue;
    if (label[i + 1] != '&') return lower(label[i + 1]);
    ++i;
  }
  return 0;
}

std::string without_access_key(std::string_view label) {
  std::string out;
  for (std::size_t i = 0; i < label.size(); ++i) {
    if (label[i] == '&' && i + 1 < label.size()) ++i;
    out += label[i];
  }
  return out;
}

std::vector<std::string> title_labels(const std::vector<Menu>& bar) {
  std::vector<std::string> titles;
  for (const Menu& menu : bar) titles.push_back(menu.title);
  return with_access_keys(titles);
}

std::vector<std::string> entry_labels(const std::vector<MenuEntry>& entries) {
  std::vector<std::string> texts;
  for (const MenuEntry& e : entries) texts.push_back(e.is_separator() ? std::string() : e.text);
  return with_access_keys(texts);
}

}  // namespace vexa
