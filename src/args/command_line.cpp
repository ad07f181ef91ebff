#include "args/command_line.h"

#include <charconv>
#include <vector>

#include "args/switches.h"
#include "sys/text.h"

namespace vl {
namespace {

// Strips the program name (quoted or up to the first whitespace) and trims the rest.
std::string_view argument_text(std::string_view line) {
  size_t pos = 0;
  while (pos < line.size()) {
    size_t start = pos;
    auto c = next_code_point(line, pos);
    if (!c || !is_unicode_whitespace(*c)) {
      pos = start;
      break;
    }
  }
  if (pos >= line.size()) return {};
  if (line[pos] == '"') {
    size_t close = line.find('"', pos + 1);
    if (close == std::string_view::npos) return {};
    return trim_unicode(line.substr(close + 1));
  }
  while (pos < line.size()) {
    size_t start = pos;
    auto c = next_code_point(line, pos);
    if (c && is_unicode_whitespace(*c)) return trim_unicode(line.substr(start));
  }
  return {};
}

// The first case-insensitive occurrence of `needle` at the start of `text` or right after an
// ASCII whitespace character (not vertical tab).
size_t find_switch(std::string_view text, std::string_view needle) {
  for (size_t pos = 0; pos + needle.size() <= text.size(); ++pos) {
    bool at_boundary = pos == 0 || is_ascii_whitespace(static_cast<unsigned char>(text[pos - 1]));
    if (at_boundary && iequals_ascii(text.substr(pos, needle.size()), needle)) return pos;
  }
  return std::string_view::npos;
}

std::string_view strip_quotes(std::string_view text) {
  while (!text.empty() && text.front() == '"') text.remove_prefix(1);
  while (!text.empty() && text.back() == '"') text.remove_suffix(1);
  return text;
}

std::vector<std::string> tokenize(std::string_view text) {
  std::vector<std::string> tokens;
  std::string current;
  bool started = false;
  bool in_quotes = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t start = pos;
    auto c = next_code_point(text, pos);
    if (c && *c == '"') {
      in_quotes = !in_quotes;
      started = true;
    } else if (c && !in_quotes && (is_ascii_whitespace(*c) || is_unicode_whitespace(*c))) {
      if (started) tokens.push_back(std::move(current));
      current.clear();
      started = false;
    } else {
      current.append(text.substr(start, pos - start));
      started = true;
    }
  }
  if (started) tokens.push_back(std::move(current));
  return tokens;
}

std::optional<int32_t> parse_i32(std::string_view piece) {
  if (piece.empty()) return std::nullopt;
  bool negative = false;
  if (piece.front() == '+' || piece.front() == '-') {
    negative = piece.front() == '-';
    piece.remove_prefix(1);
  }
  if (piece.empty()) return std::nullopt;
  int64_t value = 0;
  for (char c : piece) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > int64_t{1} << 32) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<WindowPos> parse_position(std::string_view value) {
  std::vector<int32_t> numbers;
  size_t pos = 0;
  while (numbers.size() < 2) {
    size_t comma = value.find(',', pos);
    std::string_view piece =
        value.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos);
    if (auto number = parse_i32(piece)) numbers.push_back(*number);
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
  }
  if (numbers.size() < 2) return std::nullopt;
  return WindowPos{numbers[0], numbers[1]};
}

// A decimal process id, 1 to 4294967295; anything else is no relay.
std::optional<uint32_t> parse_relay(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value == 0 || value > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(value);
}

bool last_char_is_one(std::string_view token) { return !token.empty() && token.back() == '1'; }

// Resume switches seen on the line: in a resumed run they win over forwarded user switches.
struct ResumeChoices {
  std::optional<InstallScope> scope;
  std::optional<std::string> dir;
  std::optional<std::string> log_path;
};

// The value after `name` when `token` begins with it (ASCII case-insensitively).
std::optional<std::string_view> value_of(std::string_view token, std::string_view name) {
  if (!istarts_with_ascii(token, name)) return std::nullopt;
  return token.substr(name.size());
}

void apply_token(const std::string& token, CommandLine& cmd, ResumeChoices& resume,
                 std::vector<std::string>& forwarded) {
  namespace sw = switches;
  const auto is = [&token](std::string_view name) { return iequals_ascii(token, name); };
  if (is(sw::SILENT)) {
    cmd.silent = true;
  } else if (is(sw::PASSIVE)) {
    cmd.passive = true;
  } else if (is(sw::RUN_AFTER)) {
    cmd.run_after = true;
  } else if (is(sw::NO_SHORTCUT)) {
    cmd.no_shortcut = true;
  } else if (is(sw::UPDATE)) {
    cmd.update = true;
  } else if (is(sw::ALL_USERS)) {
    cmd.scope_choice = InstallScope::AllUsers;
  } else if (is(sw::CURRENT_USER)) {
    cmd.scope_choice = InstallScope::CurrentUser;
  } else if (is(sw::RESUME)) {
    cmd.resume = true;
  } else if (is(sw::FROM_TEMP)) {
    cmd.from_temp = true;
  } else if (auto desktop = value_of(token, sw::RESUME_DESKTOP)) {
    cmd.desktop_choice = last_char_is_one(*desktop);
  } else if (auto legacy = value_of(token, sw::RESUME_LEGACY)) {
    cmd.legacy_choice = last_char_is_one(*legacy);
  } else if (auto scope = value_of(token, sw::RESUME_SCOPE)) {
    cmd.scope_choice = iends_with_ascii(*scope, sw::SCOPE_MACHINE) ? InstallScope::AllUsers
                                                                   : InstallScope::CurrentUser;
    resume.scope = cmd.scope_choice;
  } else if (auto dir = value_of(token, sw::RESUME_DIR)) {
    cmd.dir_choice = std::string(trim_unicode(*dir));
    resume.dir = cmd.dir_choice;
  } else if (auto position = value_of(token, sw::RESUME_POS)) {
    if (auto parsed = parse_position(*position)) cmd.window_pos = parsed;
  } else if (auto log = value_of(token, sw::RESUME_LOG)) {
    if (!log->empty()) cmd.log_path = resume.log_path = std::string(*log);
  } else if (auto relay = value_of(token, sw::RESUME_LOG_RELAY)) {
    cmd.log_relay = parse_relay(*relay);
  } else if (auto user_log = value_of(token, sw::LOG)) {
    if (!user_log->empty()) cmd.log_path = std::string(*user_log);
  } else if (token.starts_with(sw::UNINSTALLER_DIR)) {
    cmd.uninstaller_dir_flag = true;
    cmd.dir_choice = std::string(trim_unicode(token.substr(sw::UNINSTALLER_DIR.size())));
  }
  // Forwarded as it was written: a token that was quoted for its whitespace stays one token
  // in the elevated copy, where a "--vl-dir=" inside it would otherwise become a switch.
  if (!istarts_with_ascii(token, sw::RESUME_FAMILY))
    forwarded.push_back(token.empty() ? "\"\"" : quote_if_needed(token));
}

std::string join(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& item : items) {
    if (!out.empty()) out += ' ';
    out += item;
  }
  return out;
}

// Drops every whitespace-delimited piece that begins with /D= (any case): the elevated copy
// would read one as a /D= that swallows the rest of its command line.
std::string without_dir_switches(std::string_view passthrough) {
  std::string out;
  bool first_kept = true;
  char separator = 0;  // the whitespace character that came before the current piece
  size_t pos = 0;
  for (;;) {
    size_t end = pos;
    while (end < passthrough.size() && !is_ascii_whitespace(static_cast<unsigned char>(passthrough[end])))
      ++end;
    std::string_view piece = passthrough.substr(pos, end - pos);
    if (!istarts_with_ascii(piece, switches::DIR)) {
      if (!first_kept) out += separator;
      out.append(piece);
      first_kept = false;
    }
    if (end >= passthrough.size()) break;
    separator = passthrough[end];
    pos = end + 1;
  }
  return out;
}

}  // namespace

CommandLine parse_command_line(std::u16string_view command_line) {
  CommandLine cmd;
  const std::string line = utf16_to_utf8(command_line).value_or(std::string());
  std::string_view text = argument_text(line);

  if (size_t at = find_switch(text, switches::DIR); at != std::string_view::npos) {
    std::string_view dir =
        trim_unicode(strip_quotes(trim_unicode(text.substr(at + switches::DIR.size()))));
    if (!dir.empty()) cmd.dir_choice = std::string(dir);
    text = text.substr(0, at);
  }

  std::string to_tokenize(text);
  if (size_t at = find_switch(text, switches::APP_ARGUMENTS); at != std::string_view::npos) {
    std::string_view after = text.substr(at + switches::APP_ARGUMENTS.size());
    size_t next_switch = after.find(" /");
    std::string_view value = after.substr(0, next_switch);
    cmd.app_arguments = std::string(trim_unicode(value));
    to_tokenize = std::string(text.substr(0, at));
    if (next_switch != std::string_view::npos) to_tokenize.append(after.substr(next_switch));
  }

  ResumeChoices resume;
  std::vector<std::string> forwarded;
  for (const std::string& token : tokenize(to_tokenize)) apply_token(token, cmd, resume, forwarded);

  if (cmd.resume) {
    if (resume.scope) cmd.scope_choice = resume.scope;
    if (resume.dir) cmd.dir_choice = resume.dir;
    if (resume.log_path) cmd.log_path = resume.log_path;
  }
  if (!cmd.app_arguments.empty())
    forwarded.push_back(std::string(switches::APP_ARGUMENTS) + " " + cmd.app_arguments);
  cmd.passthrough = join(forwarded);
  return cmd;
}

std::string quote_if_needed(std::string_view text) {
  if (!contains_unicode_whitespace(text)) return std::string(text);
  return "\"" + std::string(text) + "\"";
}

std::string build_resume_arguments(const ResumeState& state, std::optional<WindowPos> position) {
  namespace sw = switches;
  const auto item = [](std::string_view name, std::string_view value) {
    return std::string(name) + std::string(value);
  };
  std::vector<std::string> items;
  items.emplace_back(sw::RESUME);
  items.push_back(item(sw::RESUME_SCOPE, state.scope == InstallScope::CurrentUser
                                             ? sw::SCOPE_USER
                                             : sw::SCOPE_MACHINE));
  items.push_back(quote_if_needed(item(sw::RESUME_DIR, state.install_dir)));
  items.push_back(item(sw::RESUME_DESKTOP, state.desktop_shortcut ? "1" : "0"));
  items.push_back(item(sw::RESUME_LEGACY, state.remove_legacy ? "1" : "0"));
  if (position) {
    items.push_back(
        item(sw::RESUME_POS, std::to_string(position->x) + "," + std::to_string(position->y)));
  }
  if (state.log_relay)
    items.push_back(item(sw::RESUME_LOG_RELAY, std::to_string(*state.log_relay)));
  std::string out = join(items);
  out += ' ';
  out += without_dir_switches(state.passthrough);
  return out;
}

}  // namespace vl
