#include "sim/simulated_board.h"

#include <chrono>
#include <optional>

#include "base/text_format.h"
#include "config/parameter_table.h"
#include "config/parse_assignments.h"
#include "sim/live_inputs.h"

namespace vexa::sim {

namespace {

enum class CommandKind { conf, factory, time_query, assignments };

struct Command {
  CommandKind kind = CommandKind::conf;
  std::vector<Assignment> assignments;
};

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string error_line(const char* what, std::string_view detail) {
  return format_text("Error %s %s", what, limited(detail, kErrorDetailChars).c_str());
}

// What an assignment looks like on the line up to its value: 'a3=' or 'a3.name='.
std::string left_side(const Assignment& a) {
  switch (a.field) {
    case AssignmentField::name: return a.key + ".name=";
    case AssignmentField::type: return a.key + ".type=";
    case AssignmentField::value: break;
  }
  return a.key + "=";
}

bool runs_to_line_end(const Assignment& a) {
  return a.field != AssignmentField::value || is_macro_key(a.key);
}

// A command that holds a macro assignment (or a name/type) takes the rest of the line, ';'
// included: its value runs to the end of the line.
bool takes_rest_of_line(std::string_view segment) {
  for (const Assignment& a : split_assignments(segment))
    if (runs_to_line_end(a)) return true;
  return false;
}


// The first text of an assignment command that the assignments found do not account for:
// each blank-separated word must be one plain assignment, and a macro, name or type
// assignment takes the rest. Nothing when the whole command is made of assignments.
std::optional<std::string> unaccounted_text(std::string_view command,
                                            const std::vector<Assignment>& found) {
  std::size_t pos = 0;
  auto skip_blanks = [&] {
    while (pos < command.size() && command[pos] == ' ') ++pos;
  };
  auto word_at = [&](std::size_t at) {
    std::size_t end = command.find(' ', at);
    return command.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
  };
  for (const Assignment& a : found) {
    skip_blanks();
    std::string_view rest = command.substr(pos);
    if (runs_to_line_end(a)) {
      if (rest.substr(0, left_side(a).size()) != left_side(a)) return std::string(word_at(pos));
      return std::nullopt;
    }
    std::string_view word = word_at(pos);
    if (word != left_side(a) + a.text) return std::string(word);
    pos += word.size();
  }
  skip_blanks();
  if (pos < command.size()) return std::string(word_at(pos));
  return std::nullopt;
}

}  // namespace

std::vector<std::string_view> split_commands(std::string_view line) {
  std::vector<std::string_view> commands;
  std::size_t start = 0;
  for (;;) {
    std::size_t semicolon = line.find(';', start);
    std::string_view segment = line.substr(start, semicolon == std::string_view::npos
                                                      ? std::string_view::npos
                                                      : semicolon - start);
    if (semicolon != std::string_view::npos && takes_rest_of_line(segment)) {
      segment = line.substr(start);
      semicolon = std::string_view::npos;
    }
    segment = trim_blanks(segment);
    if (!segment.empty()) commands.push_back(segment);
    if (semicolon == std::string_view::npos) break;
    start = semicolon + 1;
  }
  return commands;
}

SimulatedBoard::SimulatedBoard(BoardKind kind, const Clock& clock)
    : SimulatedBoard(BoardConfiguration(std::move(kind)), clock) {}

SimulatedBoard::SimulatedBoard(BoardConfiguration configuration, const Clock& clock)
    : configuration_(std::move(configuration)), clock_(clock), uploads_(clock) {
  download_.configure(default_download_options(configuration_.kind().type));
  // A board logs its inputs into the analog data file from the start: the file "ls" shows and
  // "up" lists, with or without options that add files of their own.
  LogFileSpec analog;
  analog.name = configuration_.value("an").value_or(analog.name);
  if (analog.name.empty() || analog.name.find_first_of(" \t") != std::string::npos) analog.name = LogFileSpec{}.name;
  uploads_.add_file(std::move(analog));
}

void SimulatedBoard::discard_partial_line() {
  partial_.clear();
  overflowed_ = false;
}

std::vector<BoardReply> SimulatedBoard::feed(std::string_view bytes) {
  std::vector<BoardReply> replies;
  if (uploads_.listing()) {
    uploads_.received_while_listing(bytes);
    return replies;
  }
  for (char c : bytes) {
    if (download_.loader().active()) {
      std::string answer = download_.loader().feed(static_cast<unsigned char>(c));
      if (answer.empty()) continue;
      if (replies.empty() || !replies.back().lines.empty()) replies.emplace_back();
      replies.back().raw += answer;
      continue;
    }
    if (c == '\0') continue;
    if (c == '\n' || c == '\r') {
      if (overflowed_) {
        replies.push_back({{"Error line too long"}});
      } else if (!trim_blanks(partial_).empty()) {
        replies.push_back(execute_line(partial_));
      }
      discard_partial_line();
      continue;
    }
    if (partial_.size() < kCommandLineChars)
      partial_ += c;
    else
      overflowed_ = true;
  }
  return replies;
}

std::string SimulatedBoard::feed_text(std::string_view bytes) {
  std::string text;
  for (const BoardReply& reply : feed(bytes)) text += reply_text(reply);
  return text;
}

BoardReply SimulatedBoard::execute_line(std::string_view line) {
  // The listings, the loader and card, the self-test and the live polls answer lines of their own.
  if (BoardUploads::is_upload_command(line)) return {uploads_.execute(line)};
  {
    BoardReply reply;
    if (auto lines = download_.execute(line, reply.raw)) {
      reply.lines = std::move(*lines);
      return reply;
    }
  }
  if (std::optional<BoardReply> reply = self_test_.run_line(line, *this)) return std::move(*reply);
  const double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  if (auto live = live_poll_reply(line, configuration_, now)) return {std::move(*live)};
  // First read and check every command of the line; only a line without fault is carried out.
  std::vector<Command> commands;
  for (std::string_view text : split_commands(line)) {
    Command command;
    if (text == "conf") {
      command.kind = CommandKind::conf;
    } else if (text == "z") {
      command.kind = CommandKind::factory;
    } else if (text == "ti") {
      command.kind = CommandKind::time_query;
    } else if (text.find('=') != std::string_view::npos) {
      command.kind = CommandKind::assignments;
      command.assignments = split_assignments(text);
      BoardClock trial = clock_;
      for (const Assignment& a : command.assignments) {
        if (a.key.empty()) return {{error_line("bad assignment", left_side(a) + a.text)}};
        if (a.field != AssignmentField::value)
          return {{error_line("unknown key", left_side(a).substr(0, left_side(a).size() - 1))}};
        if (a.key == "ti" || a.key == "dt") {
          bool good = a.key == "ti" ? trial.set_time_of_day(a.text) : trial.set_date(a.text);
          if (!good) return {{error_line("bad time", a.key)}};
          continue;
        }
        if (!configuration_.has_key(a.key)) return {{error_line("unknown key", a.key)}};
        if (configuration_.is_counter(a.key)) return {{error_line("read only", a.key)}};
      }
      if (auto stray = unaccounted_text(text, command.assignments))
        return {{error_line("bad assignment", *stray)}};
    } else {
      return {{error_line("unknown command", text)}};
    }
    commands.push_back(std::move(command));
  }

  BoardReply reply;
  for (const Command& command : commands) {
    switch (command.kind) {
      case CommandKind::conf:
        reply.lines.push_back(configuration_.kind().identity_line());
        for (std::string& line_text : configuration_.report_lines())
          reply.lines.push_back(std::move(line_text));
        break;
      case CommandKind::factory:
        configuration_.reset_to_factory();
        break;
      case CommandKind::time_query:
        reply.lines.push_back(clock_.report_line());
        break;
      case CommandKind::assignments:
        for (const Assignment& a : command.assignments) {
          if (a.key == "ti")
            clock_.set_time_of_day(a.text);
          else if (a.key == "dt")
            clock_.set_date(a.text);
          else
            configuration_.assign(a.key, a.text);
        }
        break;
    }
  }
  reply.lines.push_back("Ok");
  return reply;
}

std::string reply_text(const BoardReply& reply) {
  std::string text = reply.raw;
  for (const std::string& line : reply.lines) {
    text += line;
    text += kReplyLineEnd;
  }
  return text;
}

}  // namespace vexa::sim
