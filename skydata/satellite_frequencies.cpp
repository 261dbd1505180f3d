#include "skydata/satellite_frequencies.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The list is reloaded by the download thread's report on the main thread;
// the lock only keeps a load and a lookup from meeting half-way.
std::mutex gMutex;
std::vector<SatelliteFrequency> gRows;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

char* copyText(const char* begin, const char* end) {
  std::size_t length = static_cast<std::size_t>(end - begin);
  char* text = static_cast<char*>(std::malloc(length + 1));
  if (!text) return nullptr;
  std::memcpy(text, begin, length);
  text[length] = '\0';
  return text;
}

// atoi's reading of a number, clamped to the int range instead of overflowing.
int leadingInteger(const char* begin, const char* end) {
  std::string text(begin, end);
  long value = std::strtol(text.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

enum class LineResult { line, tooLong, end };

// One line of at most kMaxFrequencyLineLength characters with its line
// feed; a longer line is consumed whole and reported as too long.
LineResult readLine(std::FILE* file, std::string& line) {
  line.clear();
  bool tooLong = false;
  int c;
  while ((c = std::getc(file)) != EOF) {
    if (line.size() < static_cast<std::size_t>(kMaxFrequencyLineLength) || c == '\n') {
      if (!tooLong) line += static_cast<char>(c);
    } else {
      tooLong = true;
    }
    if (c == '\n') break;
  }
  if (tooLong) return LineResult::tooLong;
  return line.empty() ? LineResult::end : LineResult::line;
}

}  // namespace

void freeFrequencyRow(SatelliteFrequency* row) {
  for (char** text : {&row->name, &row->uplink, &row->downlink, &row->beacon, &row->mode, &row->callSign,
                      &row->status}) {
    std::free(*text);
    *text = nullptr;
  }
}

int parseFrequencyLine(char* line, SatelliteFrequency* row) {
  *row = SatelliteFrequency{};
  std::size_t length = std::strlen(line);
  // Trailing white space, the line feed included, becomes separators; this
  // closes the last field.
  for (std::size_t i = length; i-- > 1 && isSpace(line[i]);) line[i] = ';';
  // A last line without a line feed still closes its last field.
  std::string text(line, length);
  if (!text.empty() && text.back() != ';') text += ';';

  char** texts[] = {&row->uplink, &row->downlink, &row->beacon, &row->mode, &row->callSign, &row->status};
  int fields = 0;
  const char* start = text.c_str();
  for (const char* end; (end = std::strchr(start, ';')) != nullptr; start = end + 1, ++fields) {
    if (fields == 0) row->name = copyText(start, end);
    else if (fields == 1) row->norad = leadingInteger(start, end);
    else if (fields <= 7) *texts[fields - 2] = copyText(start, end);
  }
  return fields;
}

int readFrequencyRecord(std::FILE* file, SatelliteFrequency* rows, int maximum) {
  int count = 0;
  std::string line;
  LineResult result;
  while (count < maximum && (result = readLine(file, line)) != LineResult::end) {
    if (result == LineResult::tooLong) continue;
    SatelliteFrequency row;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    if (parseFrequencyLine(buffer.data(), &row) < 7) {
      freeFrequencyRow(&row);
      continue;
    }
    if (rows) rows[count] = row;
    else freeFrequencyRow(&row);
    ++count;
  }
  return count;
}

int compareFrequencyRows(const void* a, const void* b) {
  int x = static_cast<const SatelliteFrequency*>(a)->norad;
  int y = static_cast<const SatelliteFrequency*>(b)->norad;
  return (x > y) - (x < y);
}

void clearSatelliteFrequencies() {
  std::lock_guard<std::mutex> guard(gMutex);
  for (auto& row : gRows) freeFrequencyRow(&row);
  gRows.clear();
}

int loadSatelliteFrequencies(const char* path) {
  std::FILE* file = path ? std::fopen(path, "r") : nullptr;
  if (!file) return 0;
  std::vector<SatelliteFrequency> rows(kMaxSatelliteFrequencies);
  int count = readFrequencyRecord(file, rows.data(), kMaxSatelliteFrequencies);
  std::fclose(file);
  rows.resize(static_cast<std::size_t>(count));
  std::stable_sort(rows.begin(), rows.end(),
                   [](const SatelliteFrequency& a, const SatelliteFrequency& b) { return a.norad < b.norad; });
  clearSatelliteFrequencies();
  std::lock_guard<std::mutex> guard(gMutex);
  gRows = std::move(rows);
  return count;
}

int findSatelliteFrequencies(int norad, SatelliteFrequency* rows, int maximum) {
  if (!rows || maximum <= 0) return 0;
  std::lock_guard<std::mutex> guard(gMutex);
  auto first = std::lower_bound(gRows.begin(), gRows.end(), norad,
                                [](const SatelliteFrequency& row, int n) { return row.norad < n; });
  int count = 0;
  for (auto it = first; it != gRows.end() && it->norad == norad && count < maximum; ++it) rows[count++] = *it;
  return count;
}

int satelliteFrequencyCount() {
  std::lock_guard<std::mutex> guard(gMutex);
  return static_cast<int>(gRows.size());
}
