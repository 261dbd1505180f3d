// The model table: moons and asteroids by name, satellites by catalogue
// number, then by name (rocket bodies drawn as an upper stage), spacecraft
// by mission name.
#include "chart/model_choice.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "chart/sky_chart.h"
#include "chart/solar_internal.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"

namespace {

// The first word of the list the name contains (case-sensitive), or null.
const char* containedWord(const char* name, std::initializer_list<const char*> words) {
  for (const char* word : words)
    if (std::strstr(name, word) != nullptr) return word;
  return nullptr;
}

bool startsWith(const char* name, const char* prefix) {
  return std::strncmp(name, prefix, std::strlen(prefix)) == 0;
}

bool startsWithAnyCase(const char* name, const char* prefix) {
  return strncasecmp(name, prefix, std::strlen(prefix)) == 0;
}

const char* satelliteModel(const CPlanet& satellite, const char* name) {
  // By the satellite's own catalogue number (its body number).
  struct Numbered {
    std::uint32_t number;
    const char* model;
  };
  static constexpr Numbered kByNumber[] = {
      {25544, "ISS"}, {20580, "HST"}, {27424, "Aqua"}, {28376, "Aura"}, {39567, "Mirrowen"}};
  for (const Numbered& entry : kByNumber)
    if (satellite.getBodyNumber() == entry.number) return entry.model;
  if (std::strstr(name, "R/B") != nullptr) return "Agena";
  if (std::strstr(name, "TDRS") != nullptr) return "TDRS";
  if (containedWord(name, {"ARIANE", "ATLAS", "FALCON"}) != nullptr) return "Agena";
  if (startsWith(name, "GPS")) return "GPS";
  if (startsWithAnyCase(name, "GALILEO")) return "Galileo";
  if (startsWithAnyCase(name, "GLOBALSTAR")) return "Globalstar";
  if (std::strstr(name, "IRIDIUM") != nullptr) return "Iridium";
  if (std::strstr(name, "DRAGON") != nullptr) return "Dragon";
  if (std::strstr(name, "SOYUZ") != nullptr) return "Soyuz";
  if (std::strstr(name, "LFB") != nullptr) return "LFB";
  return "Satellite";
}

}  // namespace

const char* modelNameForObject(const CSkyObject* object) {
  const CPlanet* body = asBody(object);
  if (body == nullptr) return nullptr;
  const char* name = body->getNameAt(0);
  if (name == nullptr) name = "";
  switch (body->getType()) {
    case kTypeMoon:
      return containedWord(name, {"Phobos", "Deimos", "Amalthea", "Hyperion", "Nix", "Hydra",
                                  "Styx", "Kerberos"});
    case kTypeAsteroid: return containedWord(name, {"Ceres", "Vesta"});
    case kTypeSatellite: return satelliteModel(*body, name);
    case kTypeSpacecraft:
      if (const char* word = containedWord(name, {"Pioneer", "Voyager", "Galileo", "Cassini"}))
        return word;
      if (std::strstr(name, "New Horizons") != nullptr) return "NewHorizons";
      return containedWord(name, {"Dawn", "Juno"});
    default: return nullptr;
  }
}

const char* modelFileForObject(CSkyChart* chart, CSkyObject* object) {
  ObjectRenderData* data = CSkyChart::getRenderData(object);
  if (data == nullptr) data = chart->attachRenderData(object);
  if (data == nullptr) return "";
  if (data->modelPath[0] != 0) return data->modelPath;
  const char* model = modelNameForObject(object);
  if (model == nullptr) return data->modelPath;
  int n = std::snprintf(data->modelPath, sizeof data->modelPath, "%s/Models/%s/%s.obj",
                        chart->imageDirectory, model, model);
  // A cut path would name another file: none.
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof data->modelPath) data->modelPath[0] = 0;
  return data->modelPath;
}
