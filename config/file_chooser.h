#pragma once
// Choosing the configuration file: the desktop opens a file dialog, the headless program and
// the tests hand over a path.
#include <optional>
#include <string>

namespace vexa {

enum class FileChoice { save, open };

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> choose_file(FileChoice purpose) = 0;
};

// Always answers with the path it was given.
class GivenPathChooser final : public FileChooser {
 public:
  explicit GivenPathChooser(std::string path) : path_(std::move(path)) {}
  std::optional<std::string> choose_file(FileChoice) override { return path_; }

 private:
  std::string path_;
};

}  // namespace vexa
