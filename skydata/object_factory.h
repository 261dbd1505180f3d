// The object factory, the typed downcasts and the collectors of names and
// catalogue numbers: the rest of the program makes objects from a
// record's type code and reaches a class's own operations through these
// instead of a language cast.
#pragma once

#include <cstdint>

class CSkyObject;
class CStar;
class CVariableStar;
class CDoubleStar;
class CBinaryStar;
class CDeepSkyObject;
class CPlanet;
class CSatellite;
class CPlanetFeature;
class CConstellation;
class CMeteorShower;

// A new, empty object of the class for the type code, constructed with
// that code, owned by the caller; null for a code without a class (0, 8,
// 37, 38, above 42) or when no object could be allocated. Classes:
//  1, 9 CStar; 2 CDoubleStar; 3 CBinaryStar; 4 CDoubleVariableStar;
//  5 CBinaryVariableStar; 6, 7 CVariableStar; 10-29 CDeepSkyObject;
//  30-34, 36 CPlanet; 35 CSatellite; 39 CPlanetFeature;
//  40, 41 CConstellation; 42 CMeteorShower.
CSkyObject* createSkyObject(int typeCode);

// Each returns the object as the class when its type code is in the
// class's set and it is of that class; null otherwise (and for null).
CStar* asStar(CSkyObject* object);                  // 1-29
CVariableStar* asVariableStar(CSkyObject* object);  // 4-7
CDoubleStar* asDoubleStar(CSkyObject* object);      // 2-5
CBinaryStar* asBinaryStar(CSkyObject* object);      // 3, 5
CDeepSkyObject* asDeepSkyObject(CSkyObject* object);  // 10-29
const CStar* asStar(const CSkyObject* object);
const CVariableStar* asVariableStar(const CSkyObject* object);
const CDoubleStar* asDoubleStar(const CSkyObject* object);
const CBinaryStar* asBinaryStar(const CSkyObject* object);
const CDeepSkyObject* asDeepSkyObject(const CSkyObject* object);
CPlanet* asPlanet(CSkyObject* object);  // 30-36: a satellite is a planet
CSatellite* asSatellite(CSkyObject* object);          // 35
CPlanetFeature* asPlanetFeature(CSkyObject* object);  // 39
CConstellation* asConstellation(CSkyObject* object);  // 40, 41
CMeteorShower* asMeteorShower(CSkyObject* object);    // 42
const CPlanet* asPlanet(const CSkyObject* object);
const CSatellite* asSatellite(const CSkyObject* object);
const CPlanetFeature* asPlanetFeature(const CSkyObject* object);
const CConstellation* asConstellation(const CSkyObject* object);
const CMeteorShower* asMeteorShower(const CSkyObject* object);

// Fills `out` with up to `max` names of the object and returns how many:
// stars and deep-sky objects their stored names; planets and satellites
// their display name, then every stored name that differs from it;
// features their name; constellations and asterisms name, abbreviation,
// genitive and common name; meteor showers name and abbreviation (empty
// texts left out). The texts live in the object (or in a shared buffer)
// and stay valid while it is unchanged.
int getObjectNames(const CSkyObject* object, const char** out, int max);
// Fills `out` with up to `max` catalogue numbers of the object and returns
// how many: stars and deep-sky objects their stored numbers; planets and
// satellites their catalogue number, constellations their number (each
// when not 0).
int getObjectCatalogNumbers(const CSkyObject* object, std::int64_t* out, int max);
