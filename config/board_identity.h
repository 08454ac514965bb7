#pragma once
// Which board the program talks to: the identity line ('VexaLog S v1404'), the board name,
// its type letter and firmware version. Every board-dependent rule reads them from here.
//
// accept_identity runs on the receive thread for received lines and on the window thread for
// start-up and the Tools menu, while the download worker reads the type and version, so the
// state is kept under a mutex and handed out as copies. Listeners hear of each accepted
// identity on the thread that accepted it, with the lock released.
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

class Configuration;

inline constexpr std::size_t kIdentityLineChars = 199;
inline constexpr std::size_t kBoardNameChars = 20;
inline constexpr int kMinFirmwareVersion = 400;
inline constexpr int kMaxFirmwareVersion = 2999;

struct BoardIdentityData {
  std::string line;            // the whole accepted line, cut to 199 characters
  std::string name;            // its first word
  char type_letter = 'S';      // 'E', 'F', 'S', or '2' for a line without a letter
  int firmware_version = 1404;

  bool operator==(const BoardIdentityData&) const = default;
};

// Reads an identity line: a name of 1 to 20 letters and digits, a blank, then either 'v' and
// the number (type '2') or a type letter, a blank, 'v' and the number. The number is read as
// atoi reads it and must lie in 400..2999; anything may follow it.
std::optional<BoardIdentityData> parse_identity_line(std::string_view line);

// "<product> <letter> v<version>", as start-up and the Tools menu build them.
std::string identity_line_for(std::string_view product_name, char type_letter, int version);

// Told after an identity was accepted (the main window's target change: field 771, title,
// analog input presence, tab refreshes; the factory test's re-evaluation).
class TargetChangeListener {
 public:
  virtual ~TargetChangeListener() = default;
  virtual void target_changed(const BoardIdentityData& identity) = 0;
  // A loader's banner changed only the type letter and the identity line: the title follows,
  // while the inputs, the tabs and the factory test stay as they are.
  virtual void loader_identity(const BoardIdentityData& /*identity*/) {}
};

class BoardIdentity {
 public:
  // Starts as initial (normally "<product> S v1404") without touching the configuration;
  // start-up then offers the `target` setting to accept_identity.
  BoardIdentity(Configuration& configuration, BoardIdentityData initial);
  BoardIdentity(const BoardIdentity&) = delete;
  BoardIdentity& operator=(const BoardIdentity&) = delete;

  // When line is an identity line: resets the configuration table, stores the identity and
  // tells the listeners; returns true. Otherwise changes nothing and returns false. The same
  // identity again counts as a new board too (the table is cleared again).
  bool accept_identity(std::string_view line);

  // A loader's banner names the board type: the letter and the identity line change (the
  // name and version stay, the configuration is kept) and the listeners hear of it through
  // loader_identity, not as a new board.
  void adopt_loader_identity(char type_letter, std::string_view line);

  BoardIdentityData current() const;
  std::string line() const;
  char type_letter() const;
  int firmware_version() const;

  // Listeners are not owned; remove one before it goes away.
  void add_listener(TargetChangeListener* listener);
  void remove_listener(TargetChangeListener* listener);

 private:
  Configuration& configuration_;
  mutable std::mutex mutex_;
  BoardIdentityData identity_;
  std::vector<TargetChangeListener*> listeners_;
};

}  // namespace vexa
