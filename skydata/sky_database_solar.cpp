// The fixed solar-system and constellation lookups of the database: both
// files keep every object in their root region, loaded at start-up.
#include <cstring>

#include "skydata/constellation.h"
#include "skydata/object_factory.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/sky_data_file.h"
#include "skydata/sky_database.h"

namespace {

constexpr int kSunIndex = 0;
constexpr int kEarthIndex = 3;
constexpr int kMoonIndex = 10;
constexpr int kPlanetType = 30;
constexpr int kMoonType = 31;
constexpr int kConstellationType = 40;

}  // namespace

CSkyObject* CSkyDatabase::rootObject(Slot slot, int i) const {
  const CSkyDataFile* file = files_[slot].get();
  if (file == nullptr || file->getRoot() == nullptr || i < 0) return nullptr;
  return file->getRoot()->getObject(static_cast<std::size_t>(i));
}

CPlanet* CSkyDatabase::getSun() { return getSolarSystemObject(kSunIndex); }
CPlanet* CSkyDatabase::getEarth() { return getSolarSystemObject(kEarthIndex); }
CPlanet* CSkyDatabase::getMoon() { return getSolarSystemObject(kMoonIndex); }

int CSkyDatabase::getSolarSystemObjectCount() const {
  const CSkyDataFile* file = getSolarSystemFile();
  return file == nullptr || !file->getRoot()->isLoaded() ? 0 : file->getRoot()->getObjectCount();
}

CPlanet* CSkyDatabase::getSolarSystemObject(int i) const {
  return asPlanet(rootObject(kSolarSystem, i));
}

CPlanetFeature* CSkyDatabase::getPlanetFeature(int i) const {
  return asPlanetFeature(rootObject(kSolarSystem, i));
}

CPlanet* CSkyDatabase::getParentPlanet(const CPlanet* object) const {
  if (object == nullptr) return nullptr;
  const std::uint32_t parent = object->getParentIndex();
  return parent > 0xFFFF ? nullptr : getSolarSystemObject(static_cast<int>(parent));
}

CPlanet* CSkyDatabase::getFeatureParent(const CPlanetFeature* feature) const {
  return feature == nullptr ? nullptr : getSolarSystemObject(feature->getParentIndex());
}

int CSkyDatabase::solarSystemIndexOf(const CSkyObject* object) const {
  if (object == nullptr) return -1;
  const int count = getSolarSystemObjectCount();
  for (int i = 0; i < count; ++i) {
    if (rootObject(kSolarSystem, i) == object) return i;
  }
  return -1;
}

bool CSkyDatabase::getSolarSystemObjectID(const CSkyObject* object, SkyObjectID* out) const {
  const int index = solarSystemIndexOf(object);
  if (index < 0 || out == nullptr) return false;
  const CPlanet* planet = asPlanet(object);
  const std::int64_t body = planet != nullptr ? planet->getBodyNumber() : 0;
  char name[32];
  object->getName(name, sizeof name);
  setSkyObjectID(out, kSolarSystemFile, 0, static_cast<std::uint16_t>(index), body, name,
                 static_cast<std::uint8_t>(object->getType()));
  return true;
}

int CSkyDatabase::getPlanetFeatureIndices(const CPlanet* body, int* indices, int maximum) const {
  const int bodyIndex = solarSystemIndexOf(body);
  if (bodyIndex < 0) return 0;
  const int count = getSolarSystemObjectCount();
  int found = 0;
  for (int i = 0; i < count; ++i) {
    const CPlanetFeature* feature = getPlanetFeature(i);
    if (feature == nullptr || feature->getParentIndex() != bodyIndex) continue;
    if (maximum >= 1) {
      if (found >= maximum) break;
      if (indices != nullptr) indices[found] = i;
    }
    ++found;
  }
  return found;
}

CPlanet* CSkyDatabase::findPlanetByBodyNumber(std::uint32_t n) const {
  const int count = getSolarSystemObjectCount();
  for (int i = 0; i < count; ++i) {
    CPlanet* planet = getSolarSystemObject(i);
    if (planet != nullptr && (planet->getType() == kPlanetType || planet->getType() == kMoonType) &&
        planet->getBodyNumber() == n) {
      return planet;
    }
  }
  return nullptr;
}

CConstellation* CSkyDatabase::findConstellationByNumber(int n) const {
  const CSkyDataFile* file = getConstellationsFile();
  const int count = file == nullptr ? 0 : file->getRoot()->getObjectCount();
  for (int i = 0; i < count; ++i) {
    CConstellation* constellation = asConstellation(rootObject(kConstellations, i));
    if (constellation != nullptr && constellation->getType() == kConstellationType &&
        constellation->getNumber() == static_cast<std::uint64_t>(n)) {
      return constellation;
    }
  }
  return nullptr;
}

CConstellation* CSkyDatabase::findConstellationByName(const char* text) const {
  const CSkyDataFile* file = getConstellationsFile();
  if (text == nullptr || file == nullptr) return nullptr;
  const int count = file->getRoot()->getObjectCount();
  for (int i = 0; i < count; ++i) {
    CConstellation* constellation = asConstellation(rootObject(kConstellations, i));
    if (constellation == nullptr || constellation->getType() != kConstellationType) continue;
    char name[256];
    constellation->getName(name, sizeof name);
    if (std::strcmp(name, text) == 0 || std::strcmp(constellation->getAbbreviation(), text) == 0) {
      return constellation;
    }
  }
  return nullptr;
}
