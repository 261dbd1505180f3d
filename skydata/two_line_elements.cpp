#include "skydata/two_line_elements.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "skydata/text_fields.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerDegree = kPi / 180.0;
constexpr double kRadiansPerMinutePerRevolutionPerDay = 2.0 * kPi / 1440.0;
constexpr std::size_t kLineLength = 69;

std::string_view trimRight(std::string_view line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\n'))
    line.remove_suffix(1);
  return line;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Columns first..last, 1-based and inclusive, as the format counts them.
std::string_view columns(std::string_view line, int first, int last) {
  return line.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1));
}

// The published check digit: the sum of the digits of columns 1-68, each
// minus sign counting one, modulo 10.
bool checkDigitMatches(std::string_view line) {
  int sum = 0;
  for (std::size_t i = 0; i + 1 < kLineLength; ++i) {
    char c = line[i];
    if (c >= '0' && c <= '9') sum += c - '0';
    if (c == '-') ++sum;
  }
  return line[kLineLength - 1] == static_cast<char>('0' + sum % 10);
}

bool decimal(std::string_view field, double& value) {
  field = trim(field);
  if (field.empty()) return false;
  for (char c : field)
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '+') return false;
  return parseDouble(field, value);
}

bool integer(std::string_view field, int& value) {
  std::int64_t parsed = 0;
  field = trim(field);
  for (char c : field)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  if (field.empty() || !parseInteger(field, parsed)) return false;
  value = static_cast<int>(parsed);
  return true;
}

// " 12345-3" means 0.12345e-3, "-12345-3" -0.12345e-3; blank means 0.
bool impliedDecimal(std::string_view field, double& value) {
  field = trim(field);
  if (field.empty()) {
    value = 0.0;
    return true;
  }
  double sign = 1.0;
  if (field.front() == '-' || field.front() == '+') {
    if (field.front() == '-') sign = -1.0;
    field.remove_prefix(1);
  }
  std::size_t exponentAt = field.find_last_of("+-");
  std::string_view mantissa = field.substr(0, exponentAt);
  int exponent = 0;
  if (exponentAt != std::string_view::npos) {
    std::string_view digits = field.substr(exponentAt + 1);
    if (digits.size() != 1 || !std::isdigit(static_cast<unsigned char>(digits[0]))) return false;
    exponent = (digits[0] - '0') * (field[exponentAt] == '-' ? -1 : 1);
  }
  if (mantissa.empty() || mantissa.size() > 8) return false;
  double m = 0.0;
  for (char c : mantissa) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    m = m * 10.0 + (c - '0');
  }
  value = sign * m * std::pow(10.0, exponent - static_cast<int>(mantissa.size()));
  return true;
}

// A satellite number: five digits, or (above 99999) the "Alpha-5" form of
// a letter for the leading two digits (A = 10 ... Z = 33, leaving out I
// and O) followed by four digits.
bool satelliteNumber(std::string_view field, int& value) {
  if (field.size() == 5 && field[0] >= 'A' && field[0] <= 'Z' && field[0] != 'I' && field[0] != 'O') {
    int letter = field[0] - 'A' + 10;
    if (field[0] > 'I') --letter;
    if (field[0] > 'O') --letter;
    int low = 0;
    if (!integer(field.substr(1), low)) return false;
    value = letter * 10000 + low;
    return true;
  }
  return integer(field, value);
}

bool angle(std::string_view field, double& radians) {
  double degrees = 0.0;
  if (!decimal(field, degrees)) return false;
  radians = degrees * kRadiansPerDegree;
  return true;
}

bool within(double value, double low, double high) { return value >= low && value <= high; }

bool fail(std::string& problem, int* lineOfProblem, int which, const char* what) {
  problem = what;
  if (lineOfProblem) *lineOfProblem = which;
  return false;
}

}  // namespace

double twoLineEpochToJulianDate(int twoDigitYear, double dayOfYear) {
  const long y = (twoDigitYear < 57 ? 2000 : 1900) + twoDigitYear - 1;
  const long days = 365 * y + y / 4 - y / 100 + y / 400;
  return 1721425.5 + static_cast<double>(days) + dayOfYear - 1.0;
}

bool parseTwoLineElements(std::string_view line1, std::string_view line2,
                          SatelliteElementSet& elements, std::string& problem,
                          int* lineOfProblem, CheckDigits checkDigits) {
  line1 = trimRight(line1);
  line2 = trimRight(line2);
  if (line1.size() != kLineLength) return fail(problem, lineOfProblem, 1, "first line is not 69 columns long");
  if (line2.size() != kLineLength) return fail(problem, lineOfProblem, 2, "second line is not 69 columns long");
  if (line1.substr(0, 2) != "1 ") return fail(problem, lineOfProblem, 1, "first line does not start with \"1 \"");
  if (line2.substr(0, 2) != "2 ") return fail(problem, lineOfProblem, 2, "second line does not start with \"2 \"");
  if (checkDigits == CheckDigits::Verify) {
    if (!checkDigitMatches(line1)) return fail(problem, lineOfProblem, 1, "check digit of the first line does not match");
    if (!checkDigitMatches(line2)) return fail(problem, lineOfProblem, 2, "check digit of the second line does not match");
  }

  SatelliteElementSet out{};
  int number = 0, number2 = 0, year = 0;
  double day = 0.0, firstTerm = 0.0, secondTerm = 0.0, bstar = 0.0;
  if (!satelliteNumber(columns(line1, 3, 7), number) ||
      !satelliteNumber(columns(line2, 3, 7), number2))
    return fail(problem, lineOfProblem, 1, "damaged satellite number");
  if (number != number2) return fail(problem, lineOfProblem, 1, "the two lines name different satellites");
  if (!integer(columns(line1, 19, 20), year) || !decimal(columns(line1, 21, 32), day) ||
      day < 1.0 || day >= 367.0)
    return fail(problem, lineOfProblem, 1, "damaged epoch");
  if (!decimal(columns(line1, 34, 43), firstTerm) ||
      !impliedDecimal(columns(line1, 45, 52), secondTerm) ||
      !impliedDecimal(columns(line1, 54, 61), bstar))
    return fail(problem, lineOfProblem, 1, "damaged mean-motion terms or drag term");

  std::string_view eccentricity = columns(line2, 27, 33);
  double e = 0.0, revolutionsPerDay = 0.0;
  for (char c : eccentricity)
    if (!std::isdigit(static_cast<unsigned char>(c))) return fail(problem, lineOfProblem, 2, "damaged eccentricity");
  parseDouble("0." + std::string(eccentricity), e);
  if (!angle(columns(line2, 9, 16), out.inclination) || !angle(columns(line2, 18, 25), out.node) ||
      !angle(columns(line2, 35, 42), out.argumentOfPerigee) || !angle(columns(line2, 44, 51), out.meanAnomaly))
    return fail(problem, lineOfProblem, 2, "damaged angle");
  if (!decimal(columns(line2, 53, 63), revolutionsPerDay))
    return fail(problem, lineOfProblem, 2, "damaged mean motion");

  std::string_view designator = trim(columns(line1, 10, 17));
  if (designator.size() >= sizeof out.designator) return fail(problem, lineOfProblem, 1, "damaged designator");
  designator.copy(out.designator, designator.size());
  out.catalogueNumber = number;
  out.epoch = twoLineEpochToJulianDate(year, day);
  out.meanMotionTerms[0] = firstTerm;
  out.meanMotionTerms[1] = secondTerm;
  out.bstar = bstar;
  out.eccentricity = e;
  out.meanMotion = revolutionsPerDay * kRadiansPerMinutePerRevolutionPerDay;
  if (!checkElementSet(out, problem, lineOfProblem)) return false;
  elements = out;
  return true;
}

bool checkElementSet(const SatelliteElementSet& elements, std::string& problem, int* lineOfProblem) {
  // The bounds of the published columns: five digits or Alpha-5 numbers,
  // epochs of 1957 to 2056, angles in degrees, at most 20 revolutions a day.
  constexpr double kFirstEpoch = 2435839.5;  // 1957 January 1.0
  constexpr double kEndOfEpochs = 2472364.5; // 2057 January 2.0 (day 367 of 2056)
  if (!within(elements.catalogueNumber, 0, 339999)) return fail(problem, lineOfProblem, 1, "damaged satellite number");
  if (elements.designator[sizeof elements.designator - 1] != '\0') return fail(problem, lineOfProblem, 1, "damaged designator");
  if (!(elements.epoch >= kFirstEpoch && elements.epoch < kEndOfEpochs))
    return fail(problem, lineOfProblem, 1, "damaged epoch");
  if (!std::isfinite(elements.meanMotionTerms[0]) || !std::isfinite(elements.meanMotionTerms[1]) ||
      !std::isfinite(elements.bstar))
    return fail(problem, lineOfProblem, 1, "damaged mean-motion terms or drag term");
  if (!(elements.eccentricity >= 0.0 && elements.eccentricity < 1.0))
    return fail(problem, lineOfProblem, 2, "damaged eccentricity");
  if (!within(elements.inclination, 0.0, 180.0 * kRadiansPerDegree) ||
      !within(elements.node, 0.0, 360.0 * kRadiansPerDegree) ||
      !within(elements.argumentOfPerigee, 0.0, 360.0 * kRadiansPerDegree) ||
      !within(elements.meanAnomaly, 0.0, 360.0 * kRadiansPerDegree))
    return fail(problem, lineOfProblem, 2, "damaged angle");
  if (!(elements.meanMotion > 0.0 && elements.meanMotion <= 20.0 * kRadiansPerMinutePerRevolutionPerDay))
    return fail(problem, lineOfProblem, 2, "damaged mean motion");
  return true;
}

bool parseTwoLineElementFile(std::string_view text, std::string_view fileName,
                             std::vector<NamedElementSet>& sets, std::string& error) {
  sets.clear();
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(trimRight(text.substr(start, end - start)));
    start = end + 1;
  }
  std::string name;
  int nameLine = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    int number = static_cast<int>(i) + 1;
    if (line.empty()) continue;
    if (line.find('\0') != std::string_view::npos) {
      error = lineError(fileName, number, "control character in the line");
      return false;
    }
    if (line.substr(0, 2) == "2 ") {
      error = lineError(fileName, number, "second element line without its first line");
      return false;
    }
    if (line.substr(0, 2) != "1 ") {
      if (!name.empty() && nameLine == number - 1) {
        error = lineError(fileName, nameLine, "name line without element lines");
        return false;
      }
      if (line.substr(0, 2) == "0 ") line.remove_prefix(2);
      name = std::string(trim(line));
      nameLine = number;
      continue;
    }
    if (i + 1 >= lines.size() || lines[i + 1].substr(0, 2) != "2 ") {
      error = lineError(fileName, number, "first element line without its second line");
      return false;
    }
    NamedElementSet set;
    set.line = number;
    std::string problem;
    int which = 1;
    if (!parseTwoLineElements(line, lines[i + 1], set.elements, problem, &which)) {
      error = lineError(fileName, number + which - 1, problem);
      return false;
    }
    if (nameLine == number - 1) {
      std::size_t length = std::min(name.size(), sizeof set.elements.name - 1);
      std::memcpy(set.elements.name, name.data(), length);
    }
    sets.push_back(set);
    name.clear();
    ++i;
  }
  if (!name.empty()) {
    error = lineError(fileName, nameLine, "name line without element lines (file truncated?)");
    return false;
  }
  return true;
}
