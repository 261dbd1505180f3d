// Display names of the object type codes, as the interface lists them.
#include "engine/language.h"
#include "skydata/sky_database.h"

namespace {

// By code 0-42; null where a code has no name.
constexpr const char* kTypeNames[43] = {
    nullptr, "Star", "Double Star", "Double Star", "Variable Double Star",
    "Variable Double Star", "Variable Star", "Supernova", nullptr, "Nonexistent Star",
    "Multiple Star", "Open Cluster", "Globular Cluster", "Bright Nebula", "Dark Nebula",
    "Planetary Nebula", "Galaxy", "Spiral Galaxy", "Elliptical Galaxy", "Irregular Galaxy",
    "Quasar", "Radio Source", "X-Ray Source", "Gamma Ray Source", "Black Hole",
    nullptr, nullptr, nullptr, nullptr, "Nonexistent Deep Sky Object",
    "Planet", "Moon", nullptr, "Asteroid", "Comet",
    "Satellite", "Spacecraft", nullptr, nullptr, "Feature",
    "Constellation", "Asterism", "Meteor Shower"};

}  // namespace

const char* objectTypeName(int code) {
  if (code < 1 || code > 42 || kTypeNames[code] == nullptr) return "";
  // Translated on every call, so a change of language shows at once.
  return translateString(kTypeNames[code]);
}
