#include "skydata/object_factory.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <type_traits>
#include <typeinfo>

#include "skydata/constellation.h"
#include "skydata/deep_sky_object.h"
#include "skydata/object_types.h"
#include "skydata/planet.h"
#include "skydata/planet_feature.h"
#include "skydata/satellite.h"
#include "skydata/sky_object.h"
#include "skydata/star.h"
#include "skydata/star_classes.h"

namespace {

// The object as T when `accepts` takes its type code and it is a T. An
// object of exactly T (most of a catalogue) is cast without searching the
// class hierarchy, where T does not inherit it through a virtual base.
template <typename T, typename Object>
auto downcast(Object* object, bool (*accepts)(int)) {
  using Result = std::conditional_t<std::is_const_v<Object>, const T*, T*>;
  if (object == nullptr || !accepts(object->getType())) return static_cast<Result>(nullptr);
  if constexpr (requires { static_cast<Result>(object); }) {
    if (typeid(*object) == typeid(T)) return static_cast<Result>(object);
  }
  return dynamic_cast<Result>(object);
}

bool isStarCode(int code) { return code >= kTypeStar && code <= kTypeLastDeepSky; }
bool isVariableStarCode(int code) {
  return code >= kTypeVariableDoubleStar && code <= kTypeSupernova;
}
bool isDoubleStarCode(int code) {
  return code >= kTypeDoubleStar && code <= kTypeVariableBinaryStar;
}
bool isBinaryStarCode(int code) {
  return code == kTypeBinaryStar || code == kTypeVariableBinaryStar;
}
bool isDeepSkyCode(int code) { return code >= kTypeFirstDeepSky && code <= kTypeLastDeepSky; }
bool isPlanetCode(int code) { return code >= kTypePlanet && code <= kTypeSpacecraft; }
bool isSatelliteCode(int code) { return code == kTypeSatellite; }
bool isPlanetFeatureCode(int code) { return code == kTypeFeature; }
bool isConstellationCode(int code) {
  return code == kTypeConstellation || code == kTypeAsterism;
}
bool isMeteorShowerCode(int code) { return code == kTypeMeteorShower; }

}  // namespace

CSkyObject* createSkyObject(int typeCode) {
  // The classes with a virtual base convert to their one CSkyObject part.
  switch (typeCode) {
    case kTypeStar:
    case kTypeNonexistentStar:
      return new (std::nothrow) CStar(typeCode);
    case kTypeDoubleStar:
      return new (std::nothrow) CDoubleStar(typeCode);
    case kTypeBinaryStar:
      return new (std::nothrow) CBinaryStar(typeCode);
    case kTypeVariableDoubleStar:
      return new (std::nothrow) CDoubleVariableStar(typeCode);
    case kTypeVariableBinaryStar:
      return new (std::nothrow) CBinaryVariableStar(typeCode);
    case kTypeVariableStar:
    case kTypeSupernova:
      return new (std::nothrow) CVariableStar(typeCode);
    case kTypeSatellite:
      return new (std::nothrow) CSatellite();
    case kTypeFeature:
      return new (std::nothrow) CPlanetFeature();
    case kTypeConstellation:
    case kTypeAsterism:
      return new (std::nothrow) CConstellation(typeCode);
    case kTypeMeteorShower:
      return new (std::nothrow) CMeteorShower();
    default:
      if (isDeepSkyCode(typeCode)) return new (std::nothrow) CDeepSkyObject(typeCode);
      if (isPlanetCode(typeCode)) return new (std::nothrow) CPlanet(typeCode);
      return nullptr;
  }
}

CStar* asStar(CSkyObject* object) { return downcast<CStar>(object, isStarCode); }
CVariableStar* asVariableStar(CSkyObject* object) {
  return downcast<CVariableStar>(object, isVariableStarCode);
}
CDoubleStar* asDoubleStar(CSkyObject* object) {
  return downcast<CDoubleStar>(object, isDoubleStarCode);
}
CBinaryStar* asBinaryStar(CSkyObject* object) {
  return downcast<CBinaryStar>(object, isBinaryStarCode);
}
CDeepSkyObject* asDeepSkyObject(CSkyObject* object) {
  return downcast<CDeepSkyObject>(object, isDeepSkyCode);
}
const CStar* asStar(const CSkyObject* object) { return downcast<CStar>(object, isStarCode); }
const CVariableStar* asVariableStar(const CSkyObject* object) {
  return downcast<CVariableStar>(object, isVariableStarCode);
}
const CDoubleStar* asDoubleStar(const CSkyObject* object) {
  return downcast<CDoubleStar>(object, isDoubleStarCode);
}
const CBinaryStar* asBinaryStar(const CSkyObject* object) {
  return downcast<CBinaryStar>(object, isBinaryStarCode);
}
const CDeepSkyObject* asDeepSkyObject(const CSkyObject* object) {
  return downcast<CDeepSkyObject>(object, isDeepSkyCode);
}
CPlanet* asPlanet(CSkyObject* object) { return downcast<CPlanet>(object, isPlanetCode); }
CSatellite* asSatellite(CSkyObject* object) {
  return downcast<CSatellite>(object, isSatelliteCode);
}
CPlanetFeature* asPlanetFeature(CSkyObject* object) {
  return downcast<CPlanetFeature>(object, isPlanetFeatureCode);
}
CConstellation* asConstellation(CSkyObject* object) {
  return downcast<CConstellation>(object, isConstellationCode);
}
CMeteorShower* asMeteorShower(CSkyObject* object) {
  return downcast<CMeteorShower>(object, isMeteorShowerCode);
}
const CPlanet* asPlanet(const CSkyObject* object) {
  return downcast<CPlanet>(object, isPlanetCode);
}
const CSatellite* asSatellite(const CSkyObject* object) {
  return downcast<CSatellite>(object, isSatelliteCode);
}
const CPlanetFeature* asPlanetFeature(const CSkyObject* object) {
  return downcast<CPlanetFeature>(object, isPlanetFeatureCode);
}
const CConstellation* asConstellation(const CSkyObject* object) {
  return downcast<CConstellation>(object, isConstellationCode);
}
const CMeteorShower* asMeteorShower(const CSkyObject* object) {
  return downcast<CMeteorShower>(object, isMeteorShowerCode);
}

namespace {

// Appends a non-empty text while there is room.
void addName(const char** out, int max, int& count, const char* text) {
  if (count < max && text != nullptr && *text != 0) out[count++] = text;
}

}  // namespace

int getObjectNames(const CSkyObject* object, const char** out, int max) {
  if (out == nullptr || max < 1) return 0;
  if (const CStar* star = asStar(object)) return std::min(star->getNames(out, max), max);
  int count = 0;
  if (const CPlanet* planet = asPlanet(object)) {
    static char display[256];
    planet->getName(display, sizeof display);
    addName(out, max, count, display);
    for (int k = 0; k < planet->getNameCount(); ++k)
      if (std::strcmp(planet->getNameAt(k), display) != 0) addName(out, max, count, planet->getNameAt(k));
  } else if (const CPlanetFeature* feature = asPlanetFeature(object)) {
    addName(out, max, count, feature->getName(nullptr, 0));
  } else if (const CConstellation* c = asConstellation(object)) {
    for (const char* text : {c->getName(nullptr, 0), c->getAbbreviation(), c->getGenitive(),
                             c->getCommonName()})
      addName(out, max, count, text);
  } else if (const CMeteorShower* shower = asMeteorShower(object)) {
    addName(out, max, count, shower->getName(nullptr, 0));
    addName(out, max, count, shower->getAbbreviation());
  }
  return count;
}

int getObjectCatalogNumbers(const CSkyObject* object, std::int64_t* out, int max) {
  if (out == nullptr || max < 1) return 0;
  if (const CStar* star = asStar(object)) {
    return std::min(star->getCatalogNumbers(out, max), max);
  }
  std::int64_t number = 0;
  if (const CPlanet* planet = asPlanet(object)) number = planet->getCatalogNumber();
  if (const CConstellation* c = asConstellation(object)) number = static_cast<std::int64_t>(c->getNumber());
  if (number == 0) return 0;
  out[0] = number;
  return 1;
}
