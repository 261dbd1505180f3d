// User defaults: a few named integers, doubles and texts that outlive the
// process, kept in one text file and replaced atomically when synchronised.
//
// File format (UTF-8 text, one entry a line, unknown or damaged lines are
// skipped so that one bad line loses nothing else; a file with such lines,
// or one that cannot be read at all, is kept aside under a new name before
// the next write could destroy it, or, when it cannot be moved, is not
// written over in this run):
//   i <key> <decimal 64-bit integer>
//   d <key> <double as printed by %.17g, "inf", "-inf" or "nan">
//   s <key> <text>
// Keys and texts escape "\\" as "\\\\", line feed as "\\n", carriage return
// as "\\r" and tab as "\\t"; keys also escape a blank as "\\s".
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace ns {

class UserDefaults {
 public:
  using Value = std::variant<std::int64_t, double, std::string>;
  using Dictionary = std::map<std::string, Value, std::less<>>;

  // The process's defaults, kept in preferencesDirectory()/UserDefaults.txt
  // (read on first use).
  static UserDefaults& standard();
  // Defaults kept in `path`; the file is read now when it exists. One that
  // cannot be read in full (no regular file, no read access, damaged lines)
  // is kept aside with a line on standard error, and what could be read
  // of it is used; one that cannot be moved is never written over, and
  // synchronize() then saves nothing.
  explicit UserDefaults(std::string path);

  // Stored values take precedence over registered ones. An absent key gives
  // 0, 0.0 or nothing; a number asked for as the other kind is converted, a
  // text is read as a number with atoi/atof rules.
  std::int64_t integerForKey(std::string_view key) const;
  double doubleForKey(std::string_view key) const;
  std::optional<std::string> stringForKey(std::string_view key) const;
  bool hasValue(std::string_view key) const;

  void setInteger(std::string_view key, std::int64_t value);
  void setDouble(std::string_view key, double value);
  void setString(std::string_view key, std::string_view value);
  void removeObject(std::string_view key);
  // Values used while a key is not stored; they are never written.
  void registerDefaults(const Dictionary& defaults);

  // Writes the stored values when they changed since the last write.
  // False when the file could not be replaced (the old one is then intact);
  // the first of a run of such failures is said on standard error.
  bool synchronize();

  const std::string& path() const { return path_; }

  // The file format, both ways. `damagedLines`, when given, counts the
  // lines that are neither blank nor an entry.
  static Dictionary parse(std::string_view text, std::size_t* damagedLines = nullptr);
  static std::string serialize(const Dictionary& values);

 private:
  const Value* lookup(std::string_view key) const;
  void readStoredValues();

  mutable std::mutex mutex_;
  std::string path_;
  Dictionary stored_;
  Dictionary registered_;
  bool dirty_ = false;
};

}  // namespace ns
