#include "tests/ui/info/star_specs.h"

#include <cmath>

#include "skydata/object_factory.h"
#include "skydata/sky_object.h"

namespace info_test {

namespace {
constexpr double kDegree = M_PI / 180;
}  // namespace

std::int16_t storedMagnitude(double m) {
  return std::isfinite(m) ? static_cast<std::int16_t>(std::lround(m * 100)) : 32767;
}

std::string starRecord(const StarSpec& s) {
  return record([&s](RecordWriter& w) {
    star_records::writeStarPart(w, s.star);
    if (s.variable != nullptr) {
      w.writeRecordI16(storedMagnitude(s.variable->maximum));
      w.writeRecordI16(storedMagnitude(s.variable->minimum));
      w.writeRecordFloat(s.variable->period);
      w.writeRecordFloat(s.variable->epochJD - 2451545.0);
      w.writeRecordString(s.variable->type);
    }
    if (s.pair != nullptr) {
      w.writeRecordI16(storedMagnitude(s.pair->companion));
      w.writeRecordFloat(s.pair->separation);
      w.writeRecordFloat(s.pair->angle);
      w.writeRecordFloat(0);
      w.writeRecordString(s.pair->components);
    }
    if (s.orbit != nullptr) {
      const Orbit& o = *s.orbit;
      for (double f : {o.periastronYear, o.period, o.axis, o.e, o.i, o.omega, o.node})
        w.writeRecordFloat(f);
      w.writeRecordU32(0xFFFFFFFFu);
      w.writeRecordI16(-1);
    }
  });
}

star_records::StarPart part(int type, const char* name, double raDegrees, double decDegrees,
                            double visual, double blue, float distance, const char* spectrum) {
  star_records::StarPart s;
  s.type = type;
  if (name != nullptr) s.names = {name};
  s.ra = static_cast<float>(raDegrees * kDegree);
  s.dec = static_cast<float>(decDegrees * kDegree);
  s.distance = distance;
  s.visual = storedMagnitude(visual);
  s.blue = storedMagnitude(blue);
  s.spectralType = spectrum;
  return s;
}

std::string deepSkyRecord(const star_records::StarPart& star, int major, int minor) {
  return record([&](RecordWriter& w) {
    star_records::writeStarPart(w, star);
    star_records::writeDeepSkyTail(w, static_cast<std::uint16_t>(major),
                                   static_cast<std::uint16_t>(minor), 35, {});
  });
}

std::unique_ptr<CSkyObject> objectFromRecord(int type, const std::string& bytes) {
  std::unique_ptr<CSkyObject> object(createSkyObject(type));
  if (object == nullptr ||
      object->readRecord(bytes.data(), static_cast<std::int64_t>(bytes.size()), false) <= 0)
    return nullptr;
  return object;
}

}  // namespace info_test
