#include "skydata/settings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <strings.h>

#include "platform/foundation/file_io.h"

namespace {

const char kBeginObject[] = "BeginObject";
const char kEndObject[] = "EndObject";

std::string escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out;
}

// A backslash before any other character drops both; a lone backslash at
// the end is dropped.
std::string unescape(const char* text, std::size_t length) {
  std::string out;
  out.reserve(length);
  for (std::size_t i = 0; i < length; ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == length) break;
    if (text[i] == 'n') out += '\n';
    else if (text[i] == 'r') out += '\r';
    else if (text[i] == '\\') out += '\\';
  }
  return out;
}

enum class LineResult { line, tooLong, end };

// One line without its terminator (line feed or carriage return), cut at a
// zero byte as a C string would be. Empty lines are returned too.
LineResult readLine(std::FILE* file, std::string& line) {
  line.clear();
  bool tooLong = false;
  int c;
  while ((c = std::getc(file)) != EOF) {
    if (c == '\n' || c == '\r') return tooLong ? LineResult::tooLong : LineResult::line;
    if (line.size() < CSettings::kMaxLineLength) line += static_cast<char>(c);
    else tooLong = true;
  }
  if (tooLong) return LineResult::tooLong;
  return line.empty() ? LineResult::end : LineResult::line;
}

struct ParsedLine {
  std::string key;
  const char* value;
  std::size_t valueLength;
};

// "key=value" after leading blanks and control bytes; false without "=".
bool splitLine(const std::string& line, ParsedLine& out) {
  std::size_t length = std::strlen(line.c_str());  // a zero byte ends the text
  const char* text = line.c_str();
  const char* equals = static_cast<const char*>(std::memchr(text, '=', length));
  if (!equals) return false;
  const char* start = text;
  while (start < equals && static_cast<signed char>(*start) <= 32) ++start;
  out.key.assign(start, equals);
  out.value = equals + 1;
  out.valueLength = length - static_cast<std::size_t>(out.value - text);
  return true;
}

// Skips the members of an object nested too deeply, to its own EndObject.
void skipObject(std::FILE* file) {
  std::string line;
  ParsedLine parsed;
  long open = 1;
  LineResult result;
  while ((result = readLine(file, line)) != LineResult::end) {
    if (result != LineResult::line || !splitLine(line, parsed)) continue;
    if (parsed.key == kEndObject) {
      if (--open == 0) return;
    } else if (parsed.valueLength == sizeof kBeginObject - 1 &&
               std::memcmp(parsed.value, kBeginObject, parsed.valueLength) == 0) {
      ++open;
    }
  }
}

CSettings* readLevel(std::FILE* file, int depth) {
  CSettings* first = nullptr;
  CSettings* last = nullptr;
  std::string line;
  ParsedLine parsed;
  LineResult result;
  while ((result = readLine(file, line)) != LineResult::end) {
    if (result != LineResult::line || !splitLine(line, parsed)) continue;
    if (parsed.key == kEndObject) break;
    CSettings* node;
    if (parsed.valueLength == sizeof kBeginObject - 1 &&
        std::memcmp(parsed.value, kBeginObject, parsed.valueLength) == 0) {
      if (depth >= CSettings::kMaxReadDepth) {
        skipObject(file);
        continue;
      }
      node = new CSettings(parsed.key.c_str(), readLevel(file, depth + 1));
    } else {
      node = new CSettings(parsed.key.c_str(), unescape(parsed.value, parsed.valueLength).c_str());
    }
    (last ? last->next : first) = node;
    last = node;
  }
  return first;
}

void formatLevel(const CSettings* list, int depth, std::string& out) {
  std::string indent(depth <= 1 ? 0 : std::min(depth - 1, 255), '\t');
  for (const CSettings* node = list; node; node = node->next) {
    if (node->child) {
      out += indent + node->name + "=" + kBeginObject + "\n";
      formatLevel(node->child, depth == 0 ? 0 : depth + 1, out);
      out += indent + kEndObject + "=" + node->name + "\n";
    } else if (node->value) {
      out += indent + node->name + "=" + escape(*node->value) + "\n";
    }
  }
}

CSettings* append(CSettings* list, CSettings* node) {
  CSettings* last = list;
  while (last->next) last = last->next;
  last->next = node;
  return node;
}

template <typename... Args>
std::string formatNumber(const char* pattern, Args... values) {
  char buffer[256] = {};
  std::snprintf(buffer, sizeof buffer, pattern, values...);
  return buffer;
}

// The leading number of a text as strtod reads it.
bool leadingNumber(const char*& text, float& value) {
  char* end = nullptr;
  float number = std::strtof(text, &end);
  if (end == text) return false;
  value = number;
  text = end;
  return true;
}

}  // namespace

CSettings::CSettings(const char* key, const char* text)
    : name(key ? key : ""), value(std::string(text ? text : "")) {}

CSettings::CSettings(const char* key, CSettings* childList) : name(key ? key : ""), child(childList) {}

void CSettings::deleteList(CSettings* list) {
  // Iterative, so that neither long levels nor deep trees use the stack.
  std::vector<CSettings*> pending;
  if (list) pending.push_back(list);
  while (!pending.empty()) {
    CSettings* node = pending.back();
    pending.pop_back();
    while (node) {
      if (node->child) pending.push_back(node->child);
      CSettings* following = node->next;
      delete node;
      node = following;
    }
  }
}

CSettings* CSettings::addString(CSettings* list, const char* key, const char* text) {
  return list ? append(list, new CSettings(key, text)) : nullptr;
}

CSettings* CSettings::addInt(CSettings* list, const char* key, int number) {
  return addString(list, key, formatNumber("%d", number).c_str());
}

CSettings* CSettings::addDouble(CSettings* list, const char* key, double number) {
  return addString(list, key, formatNumber("%.15e", number).c_str());
}

CSettings* CSettings::addVector(CSettings* list, const char* key, float x, float y, float z) {
  return addString(list, key,
                   formatNumber("%f,%f,%f", static_cast<double>(x), static_cast<double>(y),
                                static_cast<double>(z))
                       .c_str());
}

CSettings* CSettings::addObject(CSettings* list, const char* key, CSettings* childList) {
  if (!list) {
    deleteList(childList);
    return nullptr;
  }
  return append(list, new CSettings(key, childList));
}

int CSettings::countValues(const CSettings* list, const char* key) {
  int count = 0;
  if (key)
    for (const CSettings* node = list; node; node = node->next)
      if (node->value && node->name == key) ++count;
  return count;
}

int CSettings::countObjects(const CSettings* list, const char* key) {
  int count = 0;
  if (key)
    for (const CSettings* node = list; node; node = node->next)
      if (node->child && node->name == key) ++count;
  return count;
}

CSettings* CSettings::find(const CSettings* list, const char* key, int n) {
  if (!key || n < 0) return nullptr;
  for (const CSettings* node = list; node; node = node->next)
    if (node->name == key && n-- == 0) return const_cast<CSettings*>(node);
  return nullptr;
}

CSettings* CSettings::getObject(const CSettings* list, const char* key, int n) {
  CSettings* node = find(list, key, n);
  return node ? node->child : nullptr;
}

const char* CSettings::getValue(const CSettings* list, const char* key, int n) {
  CSettings* node = find(list, key, n);
  return node && node->value ? node->value->c_str() : nullptr;
}

const char* CSettings::getString(const CSettings* list, const char* key, int n, const char* def) {
  const char* text = getValue(list, key, n);
  return text ? text : def;
}

int CSettings::getInt(const CSettings* list, const char* key, int n, int def) {
  const char* text = getValue(list, key, n);
  if (!text) return def;
  if (std::strcmp(text, "true") == 0) return 1;
  if (std::strcmp(text, "false") == 0) return 0;
  long number = std::strtol(text, nullptr, 10);
  if (number > INT_MAX) return INT_MAX;
  if (number < INT_MIN) return INT_MIN;
  return static_cast<int>(number);
}

double CSettings::getDouble(const CSettings* list, const char* key, int n, double def) {
  const char* text = getValue(list, key, n);
  if (!text) return def;
  if (strncasecmp(text, "-inf", 4) == 0) return -HUGE_VAL;
  if (strncasecmp(text, "inf", 3) == 0) return HUGE_VAL;
  char* end = nullptr;
  double number = std::strtod(text, &end);
  return end == text ? def : number;
}

const float* CSettings::getVector(const CSettings* list, const char* key, int n, float x, float y,
                                  float z) {
  static float shared[3];
  shared[0] = x;
  shared[1] = y;
  shared[2] = z;
  const char* text = getValue(list, key, n);
  if (!text) return shared;
  // As the scan "%f,%f,%f": each comma must follow its number directly.
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && *text++ != ',') break;
    if (!leadingNumber(text, shared[i])) break;
  }
  return shared;
}

CSettings* CSettings::read(std::FILE* file) { return file ? readLevel(file, 0) : nullptr; }

CSettings* CSettings::readFile(const char* path) {
  if (!path) return nullptr;
  std::FILE* file = std::fopen(path, "r");
  if (!file) return nullptr;
  CSettings* list = read(file);
  std::fclose(file);
  return list;
}

std::string CSettings::format(const CSettings* list, int depth) {
  std::string text;
  formatLevel(list, depth, text);
  return text;
}

bool CSettings::write(const CSettings* list, std::FILE* file, int depth) {
  if (!file) return false;
  std::string text = format(list, depth);
  return std::fwrite(text.data(), 1, text.size(), file) == text.size();
}

bool CSettings::writeFile(const CSettings* list, const char* path, int depth) {
  return path && ns::writeFileAtomically(path, format(list, depth));
}
