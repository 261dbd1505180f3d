#include "tools/catalogues/meteor_showers.h"

#include <cmath>

#include "tools/catalogues/published_table.h"
#include "tools/catalogues/record_list.h"

namespace catalogues {
namespace {

constexpr int kShowerFields = 17;
constexpr int kPositionFields = 5;

// "MM-DD" as month x 100 + day, checked against the month's length.
bool parseMonthDay(const std::string& field, int& value) {
  static const int kDays[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  std::int64_t month, day;
  if (field.size() != 5 || field[2] != '-' || !parseInteger(field.substr(0, 2), month) ||
      !parseInteger(field.substr(3), day) || month < 1 || month > 12 || day < 1 ||
      day > kDays[month])
    return false;
  value = static_cast<int>(month * 100 + day);
  return true;
}

bool parseRange(const std::string& field, double low, double high, double& value) {
  return parseDouble(field, value) && value >= low && value <= high;
}

bool isCode(const std::string& field) {
  if (field.size() != 3) return false;
  for (char c : field)
    if (c < 'A' || c > 'Z') return false;
  return true;
}

bool parseShower(const std::vector<std::string>& f, MeteorShowerRow& row) {
  std::int64_t number = 0;
  double rate = 0.0;
  if (!isCode(f[1]) || !parseInteger(f[2], number) || number < 1 || number > 32767 ||
      !parseMonthDay(f[3], row.start) || !parseMonthDay(f[4], row.end) ||
      !parseMonthDay(f[5], row.maximum) ||
      !parseRange(f[6], 0.0, 360.0, row.solarLongitude) ||
      !parseRange(f[7], 0.0, 360.0, row.ra) || !parseRange(f[8], -90.0, 90.0, row.dec) ||
      !parseRange(f[9], -10.0, 10.0, row.raDrift) ||
      !parseRange(f[10], -10.0, 10.0, row.decDrift) ||
      (f[11] != "T6" && f[11] != "TXT" && f[11] != "MDC") ||
      !parseRange(f[12], 11.0, 73.0, row.velocity) ||  // bound and escape speeds
      !parseRange(f[13], 1.0, 5.0, row.populationIndex) ||
      (f[14] != "var" && !parseRange(f[14], 0.0, 100000.0, rate)) ||
      f[15].find_first_not_of(f[15] == "-" ? "-" : "RX") != std::string::npos ||
      f[16].find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz-_") !=
          std::string::npos)
    return false;
  row.code = f[1];
  row.number = static_cast<int>(number);
  row.zenithalRate = f[14] == "var" ? -1.0 : rate;
  row.name = f[16];
  for (char& c : row.name)
    if (c == '_') c = ' ';
  return true;
}

bool validPosition(const std::vector<std::string>& f) {
  int date;
  double ra, dec;
  return isCode(f[1]) && parseMonthDay(f[2], date) && parseRange(f[3], 0.0, 360.0, ra) &&
         parseRange(f[4], -90.0, 90.0, dec);
}

}  // namespace

bool parseMeteorShowers(std::string_view text, std::string_view name,
                        std::vector<MeteorShowerRow>& showers, int& skipped, std::string& error) {
  std::vector<ListRecord> records;
  if (!parsePublishedTable(text, name, records, error)) return false;
  std::vector<MeteorShowerRow> parsed;
  int areas = 0;
  for (const ListRecord& record : records) {
    const auto& f = record.fields;
    if (f[0] == "SHOWER" && f.size() == kShowerFields) {
      if (f[15].find('A') != std::string::npos && f[15].find_first_not_of("A") ==
                                                      std::string::npos) {
        ++areas;
        continue;
      }
      MeteorShowerRow row;
      row.line = record.line;
      if (!parseShower(f, row)) {
        error = lineError(name, record.line, "damaged shower");
        return false;
      }
      for (const MeteorShowerRow& other : parsed)
        if (other.code == row.code || other.number == row.number) {
          error = lineError(name, record.line, "shower listed twice");
          return false;
        }
      parsed.push_back(std::move(row));
    } else if (f[0] == "RADPOS" && f.size() == kPositionFields) {
      if (!validPosition(f)) {
        error = lineError(name, record.line, "damaged radiant position");
        return false;
      }
    } else {
      error = lineError(name, record.line, "not a SHOWER or RADPOS line");
      return false;
    }
  }
  if (parsed.empty()) {
    error = std::string(name) + ": no meteor showers";
    return false;
  }
  showers = std::move(parsed);
  skipped = areas;
  return true;
}

}  // namespace catalogues
