// The deep-sky photographs' index reader and the pictures' corners.
#include "chart/deep_sky_images.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/angles.h"
#include "engine/calendar.h"
#include "engine/matrices.h"
#include "engine/precession.h"
#include "engine/vectors.h"

namespace {

constexpr double kRadiansPerArcsecond = 4.848136811094136e-6;
// Epochs before this are Besselian.
constexpr double kFirstJulianEpoch = 1975.0;
// Longest line read, without its line end.
constexpr int kLineLength = 255;
constexpr int kFieldCount = 9;

// One number at the start of `text` (after blanks); false when none can
// be read or it does not fit the type. `end` receives the rest.
bool readDouble(const char* text, double* value, const char** end = nullptr) {
  char* stop = nullptr;
  errno = 0;
  double v = std::strtod(text, &stop);
  if (stop == text || errno == ERANGE) return false;
  *value = v;
  if (end != nullptr) *end = stop;
  return true;
}

bool readLong(const char* text, long lowest, long highest, long* value,
              const char** end = nullptr) {
  char* stop = nullptr;
  errno = 0;
  long v = std::strtol(text, &stop, 10);
  if (stop == text || errno == ERANGE || v < lowest || v > highest) return false;
  *value = v;
  if (end != nullptr) *end = stop;
  return true;
}

// "a b c": two 16-bit integers and a number, all three or nothing.
bool readTriple(const char* text, long* a, long* b, double* c) {
  return readLong(text, SHRT_MIN, SHRT_MAX, a, &text) &&
         readLong(text, SHRT_MIN, SHRT_MAX, b, &text) && readDouble(text, c);
}

// Splits at tabs, empty fields skipped, into at most kFieldCount fields.
int splitFields(char* line, char* fields[kFieldCount]) {
  int n = 0;
  char* saved = nullptr;
  for (char* field = strtok_r(line, "\t", &saved); field != nullptr && n < kFieldCount;
       field = strtok_r(nullptr, "\t", &saved))
    fields[n++] = field;
  return n;
}

// Reads one line into a record and its epoch (as a Julian date); false
// when the line is refused.
bool parseLine(char* line, const char* folder, DeepSkyImage* image, double* epoch) {
  *image = DeepSkyImage{};
  char* fields[kFieldCount] = {};
  int n = splitFields(line, fields);
  if (n < 1) return false;
  int written = folder != nullptr
                    ? std::snprintf(image->file, sizeof image->file, "%s/%s", folder, fields[0])
                    : std::snprintf(image->file, sizeof image->file, "%s", fields[0]);
  if (written < 0 || written >= static_cast<int>(sizeof image->file)) return false;
  if (n > 1) {
    std::strncpy(image->object.name, fields[1], sizeof image->object.name - 1);
    image->object.name[sizeof image->object.name - 1] = '\0';
  }
  double year = 0;
  if (n > 2) readDouble(fields[2], &year);
  long a, b;
  double c;
  if (n > 3 && readTriple(fields[3], &a, &b, &c))
    image->ra = dmsToDecimal(static_cast<int>(a), static_cast<int>(b), c, '+') * kRadiansPerHour;
  if (n > 4 && readTriple(fields[4], &a, &b, &c)) {
    const char* text = fields[4];
    while (*text == ' ') ++text;
    image->dec = dmsToDecimal(static_cast<int>(std::labs(a)), static_cast<int>(b), c,
                              *text == '-' ? '-' : '+') * kRadiansPerDegree;
  }
  double value = 0;
  if (n > 5 && readDouble(fields[5], &value)) image->positionAngle = value * kRadiansPerDegree;
  if (n > 6 && readDouble(fields[6], &value)) image->scale = value * kRadiansPerArcsecond;
  long size = 0;
  if (n > 7 && readLong(fields[7], LONG_MIN, LONG_MAX, &size)) image->width = size;
  if (n > 8 && readLong(fields[8], LONG_MIN, LONG_MAX, &size)) image->height = size;
  *epoch = year < kFirstJulianEpoch ? besselianEpochToJD(year) : julianEpochToJD(year);
  return image->file[0] != '\0' && image->ra >= 0 && image->ra < kTwoPi &&
         image->dec >= -kHalfPi && image->dec < kHalfPi && image->positionAngle >= 0 &&
         image->positionAngle < kTwoPi;
}

// Reads the next line of at most kLineLength characters into `line`
// without its line end; a longer line is skipped to its end and reported
// as too long. False at the end of the file.
bool nextLine(std::FILE* file, char (&line)[kLineLength + 2], bool* tooLong) {
  if (std::fgets(line, sizeof line, file) == nullptr) return false;
  std::size_t length = std::strlen(line);
  *tooLong = false;
  if (length > 0 && line[length - 1] == '\n') {
    line[--length] = '\0';
  } else if (length > kLineLength) {
    *tooLong = true;
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n') {
    }
  }
  if (length > 0 && line[length - 1] == '\r') line[--length] = '\0';
  return true;
}

}  // namespace

void computeImageCorners(std::int64_t width, std::int64_t height, double corners[4][3],
                         double scale, double ra, double dec, double angle) {
  const double w = static_cast<double>(width) * scale / 2;
  const double h = static_cast<double>(height) * scale / 2;
  const double directions[4][3] = {{1, w, h}, {1, -w, h}, {1, -w, -h}, {1, w, -h}};
  double m[9];
  rotationMatrix(m, 3, 2, -ra, 1, -dec, 0, -angle);
  for (int k = 0; k < 4; ++k) {
    const double length = std::sqrt(1 + w * w + h * h);
    for (int i = 0; i < 3; ++i) corners[k][i] = directions[k][i] / length;
    transposeTimesVector(m, corners[k]);
  }
}

int readDeepSkyImageIndex(std::FILE* file, std::int64_t length, const char* folder,
                          std::vector<DeepSkyImage>& images) {
  if (file == nullptr) return 0;
  int added = 0;
  char line[kLineLength + 2];
  double matrix[9];
  double matrixEpoch = NAN;
  bool tooLong = false;
  while (static_cast<int>(images.size()) < kMaxDeepSkyImages && std::ftell(file) < length &&
         nextLine(file, line, &tooLong)) {
    DeepSkyImage image;
    double epoch = kJ2000;
    if (tooLong || !parseLine(line, folder, &image, &epoch)) continue;
    computeImageCorners(image.width, image.height, image.corners, image.scale, image.ra,
                        image.dec, image.positionAngle);
    if (epoch != kJ2000) {
      if (epoch != matrixEpoch) {
        precessionMatrix(matrix, 0, epoch, kJ2000);
        matrixEpoch = epoch;
      }
      double centre[3];
      sphericalToVector(centre, image.ra, image.dec, 1);
      matrixTimesVector(matrix, centre);
      image.ra = std::atan2(centre[1], centre[0]);
      if (image.ra < 0) image.ra += kTwoPi;
      image.dec = std::asin(std::fmax(-1.0, std::fmin(1.0, centre[2])));
      for (auto& corner : image.corners) matrixTimesVector(matrix, corner);
    }
    images.push_back(image);
    ++added;
  }
  return added;
}
