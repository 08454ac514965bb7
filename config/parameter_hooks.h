#pragma once
// The small interfaces through which storing parameters reaches other parts of the program.
// Their owners (the input type table, the live views, the main window) implement them and
// hand them to the Configuration; nothing here is global.
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

// The default type of an analog input: the title of the last input type whose mode matches
// the value, or nothing when none matches. Called on the receive thread, without any lock of
// the configuration held; it may read the configuration.
class InputTypeDefaults {
 public:
  virtual ~InputTypeDefaults() = default;
  virtual std::optional<std::string> default_type(std::string_view value) const = 0;
};

// Told after a parameter was stored (by a received or loaded line, or by a tab). The live
// views act only for a<n> keys. Called without any lock of the configuration held, on the
// thread that stored the parameter.
class ParameterListener {
 public:
  virtual ~ParameterListener() = default;
  virtual void parameter_changed(std::string_view key) = 0;
};

// Asks the window thread to rebuild the configuration tab (the main window's command 912).
// Must only post the request, never rebuild on the calling thread.
class RebuildRequester {
 public:
  virtual ~RebuildRequester() = default;
  virtual void request_rebuild() = 0;
};

}  // namespace vexa
