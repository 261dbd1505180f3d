#include "platform/foundation/user_defaults.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "platform/foundation/bundle.h"
#include "platform/foundation/file_io.h"

namespace ns {
namespace {

std::string escape(std::string_view text, bool isKey) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case ' ':
        out += isKey ? "\\s" : " ";
        break;
      default: out += c;
    }
  }
  return out;
}

// Undoes escape(); nothing for a dangling or unknown escape.
std::optional<std::string> unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 's': out += ' '; break;
      default: return std::nullopt;
    }
  }
  return out;
}

std::optional<std::int64_t> parseInteger(std::string_view text) {
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<double> parseDouble(std::string_view text) {
  if (text.empty() || text.size() > 64) return std::nullopt;
  std::string copy(text);
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size()) return std::nullopt;
  return value;
}

std::optional<UserDefaults::Value> parseValue(char type, std::string_view text) {
  switch (type) {
    case 'i':
      if (auto value = parseInteger(text)) return UserDefaults::Value(*value);
      return std::nullopt;
    case 'd':
      if (auto value = parseDouble(text)) return UserDefaults::Value(*value);
      return std::nullopt;
    case 's':
      if (auto value = unescape(text)) return UserDefaults::Value(std::move(*value));
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::string formatDouble(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

constexpr std::string_view kFileKind = "Preferences file";

// One line of the file into `values`; false for a damaged line.
bool parseLine(std::string_view line, UserDefaults::Dictionary& values) {
  if (line.size() < 3 || line[1] != ' ') return false;
  std::size_t keyEnd = line.find(' ', 2);
  if (keyEnd == std::string_view::npos || keyEnd == 2) return false;
  auto key = unescape(line.substr(2, keyEnd - 2));
  auto value = parseValue(line[0], line.substr(keyEnd + 1));
  if (!key || !value) return false;
  values.insert_or_assign(std::move(*key), std::move(*value));
  return true;
}

bool isBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

}  // namespace

UserDefaults::Dictionary UserDefaults::parse(std::string_view text, std::size_t* damagedLines) {
  Dictionary values;
  std::size_t damaged = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!parseLine(line, values) && !isBlank(line)) ++damaged;
  }
  if (damagedLines) *damagedLines = damaged;
  return values;
}

std::string UserDefaults::serialize(const Dictionary& values) {
  std::string text;
  for (const auto& [key, value] : values) {
    if (key.empty()) continue;
    if (auto* integer = std::get_if<std::int64_t>(&value))
      text += "i " + escape(key, true) + " " + std::to_string(*integer);
    else if (auto* real = std::get_if<double>(&value))
      text += "d " + escape(key, true) + " " + formatDouble(*real);
    else
      text += "s " + escape(key, true) + " " + escape(std::get<std::string>(value), false);
    text += '\n';
  }
  return text;
}

UserDefaults& UserDefaults::standard() {
  static UserDefaults defaults(preferencesDirectory() + "/UserDefaults.txt");
  return defaults;
}

UserDefaults::UserDefaults(std::string path) : path_(std::move(path)) { readStoredValues(); }

// Whatever cannot be read stays on the disk under another name: the next
// write would otherwise replace it with what little was understood.
void UserDefaults::readStoredValues() {
  struct stat info {};
  if (::stat(path_.c_str(), &info) != 0 && errno == ENOENT) return;  // none yet
  std::optional<std::string> text;
  // A folder is no file, and a pipe would hold up the start.
  if (S_ISREG(info.st_mode)) text = readWholeFile(path_);
  if (!text) {
    keepUnreadableFileAside(path_, kFileKind);
    return;
  }
  std::size_t damaged = 0;
  stored_ = parse(*text, &damaged);
  if (damaged == 0) return;
  if (stored_.empty()) {
    keepUnreadableFileAside(path_, kFileKind);
    return;
  }
  const std::string problem =
      "has " + std::to_string(damaged) + (damaged == 1 ? " damaged line" : " damaged lines");
  keepUnreadableFileAside(path_, kFileKind, problem, "the values read from it in use");
}

const UserDefaults::Value* UserDefaults::lookup(std::string_view key) const {
  if (auto found = stored_.find(key); found != stored_.end()) return &found->second;
  if (auto found = registered_.find(key); found != registered_.end()) return &found->second;
  return nullptr;
}

std::int64_t UserDefaults::integerForKey(std::string_view key) const {
  std::lock_guard<std::mutex> guard(mutex_);
  const Value* value = lookup(key);
  if (!value) return 0;
  if (auto* integer = std::get_if<std::int64_t>(value)) return *integer;
  if (auto* real = std::get_if<double>(value)) {
    // Out-of-range and NaN values have no integer; 0 as for an absent key.
    if (!(*real > -9.2e18 && *real < 9.2e18)) return 0;
    return static_cast<std::int64_t>(*real);
  }
  return std::strtoll(std::get<std::string>(*value).c_str(), nullptr, 10);
}

double UserDefaults::doubleForKey(std::string_view key) const {
  std::lock_guard<std::mutex> guard(mutex_);
  const Value* value = lookup(key);
  if (!value) return 0.0;
  if (auto* integer = std::get_if<std::int64_t>(value)) return static_cast<double>(*integer);
  if (auto* real = std::get_if<double>(value)) return *real;
  return std::strtod(std::get<std::string>(*value).c_str(), nullptr);
}

std::optional<std::string> UserDefaults::stringForKey(std::string_view key) const {
  std::lock_guard<std::mutex> guard(mutex_);
  const Value* value = lookup(key);
  if (!value) return std::nullopt;
  if (auto* text = std::get_if<std::string>(value)) return *text;
  if (auto* integer = std::get_if<std::int64_t>(value)) return std::to_string(*integer);
  return formatDouble(std::get<double>(*value));
}

bool UserDefaults::hasValue(std::string_view key) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return lookup(key) != nullptr;
}

void UserDefaults::setInteger(std::string_view key, std::int64_t value) {
  std::lock_guard<std::mutex> guard(mutex_);
  stored_.insert_or_assign(std::string(key), Value(value));
  dirty_ = true;
}

void UserDefaults::setDouble(std::string_view key, double value) {
  std::lock_guard<std::mutex> guard(mutex_);
  stored_.insert_or_assign(std::string(key), Value(value));
  dirty_ = true;
}

void UserDefaults::setString(std::string_view key, std::string_view value) {
  std::lock_guard<std::mutex> guard(mutex_);
  stored_.insert_or_assign(std::string(key), Value(std::string(value)));
  dirty_ = true;
}

void UserDefaults::removeObject(std::string_view key) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (auto found = stored_.find(key); found != stored_.end()) {
    stored_.erase(found);
    dirty_ = true;
  }
}

void UserDefaults::registerDefaults(const Dictionary& defaults) {
  std::lock_guard<std::mutex> guard(mutex_);
  for (const auto& [key, value] : defaults) registered_.insert_or_assign(key, value);
}

bool UserDefaults::synchronize() {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!dirty_) return true;
  const bool written = writeFileAtomically(path_, serialize(stored_));
  noteFileWritten(path_, kFileKind, written);
  if (written) dirty_ = false;
  return written;
}

}  // namespace ns
