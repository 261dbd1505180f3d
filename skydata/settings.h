// CSettings: the key/value tree of settings files, observing lists and
// object references, and its line-oriented text format.
//
// A level is a chain of nodes through `next`; a key may repeat on a level
// (the n-th occurrence, counted from 0, is addressed by number). A value
// node has a value and no child list; an object node has a child list (null
// when empty) and no value. A list owns its nodes, their texts and child
// lists and is freed with deleteList on its first node.
//
// Text format: one "key=value" line a node; an object is "key=BeginObject",
// its members, then "EndObject=key". Values escape line feed, carriage
// return and backslash as \n, \r and \\; keys are written as they are.
// Indentation (tabs at depth 1 and more) is ignored when reading.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

class CSettings {
 public:
  // Deepest nesting of objects that reading accepts; deeper objects are
  // skipped with everything in them.
  static constexpr int kMaxReadDepth = 64;
  // Longest line that reading accepts; a longer line is skipped whole.
  static constexpr std::size_t kMaxLineLength = std::size_t{16} << 20;

  // A value node; a null key or value becomes the empty text.
  CSettings(const char* key, const char* value);
  // An object node that takes over `child` (may be null).
  CSettings(const char* key, CSettings* child);
  CSettings(const CSettings&) = delete;
  CSettings& operator=(const CSettings&) = delete;

  std::string name;
  std::optional<std::string> value;  // empty in an object node
  CSettings* child = nullptr;
  CSettings* next = nullptr;

  // Frees every node of the chain with its child lists.
  static void deleteList(CSettings* list);

  // Append one node at the end of the level that begins with `list` and
  // return it; null (and nothing appended) when `list` is null.
  static CSettings* addString(CSettings* list, const char* key, const char* text);
  static CSettings* addInt(CSettings* list, const char* key, int value);        // "%d"
  static CSettings* addDouble(CSettings* list, const char* key, double value);  // "%.15e"
  static CSettings* addVector(CSettings* list, const char* key, float x, float y, float z);  // "%f,%f,%f"
  // Takes over `childList` (freed at once when `list` is null).
  static CSettings* addObject(CSettings* list, const char* key, CSettings* childList);

  // Counts on this level: value nodes, and object nodes with members.
  static int countValues(const CSettings* list, const char* key);
  static int countObjects(const CSettings* list, const char* key);
  // The n-th node of that key, of either kind.
  static CSettings* find(const CSettings* list, const char* key, int n);
  static CSettings* getObject(const CSettings* list, const char* key, int n);
  static const char* getValue(const CSettings* list, const char* key, int n);
  // The value text (valid while the node lives), or `def` without a value.
  static const char* getString(const CSettings* list, const char* key, int n, const char* def);
  // "true" 1, "false" 0, else the leading decimal number (0 when none,
  // clamped to the int range).
  static int getInt(const CSettings* list, const char* key, int n, int def);
  // "inf"/"-inf" in any case as prefixes, else the leading number; `def`
  // when nothing converts.
  static double getDouble(const CSettings* list, const char* key, int n, double def);
  // Three numbers "x,y,z" in one shared buffer (copy before the next call;
  // not re-entrant). Components the text lacks keep the given x, y, z.
  static const float* getVector(const CSettings* list, const char* key, int n, float x, float y,
                                float z);

  // Reads a whole file; null when it cannot be opened or holds no node.
  static CSettings* readFile(const char* path);
  // Replaces the file atomically (a temporary file renamed over it), so a
  // failed or interrupted write leaves the old file. False on failure.
  static bool writeFile(const CSettings* list, const char* path, int depth);
  // Reads one level (to its "EndObject" line or the end of the file).
  static CSettings* read(std::FILE* file);
  // Writes the list at an indent depth: 0 none at all; d >= 1 gives d - 1
  // tabs to the list's lines and one more for each nested level.
  static bool write(const CSettings* list, std::FILE* file, int depth);
  // The text write() produces.
  static std::string format(const CSettings* list, int depth);
};
