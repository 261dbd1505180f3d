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

// Fills `out` with up to `max` names of the object and returns how many:
// stars and deep-sky objects their stored names. The texts live in the
// object (or in a shared buffer) and stay valid while it is unchanged.
int getObjectNames(const CSkyObject* object, const char** out, int max);
// Fills `out` with up to `max` catalogue numbers of the object and returns
// how many: stars and deep-sky objects their stored numbers.
int getObjectCatalogNumbers(const CSkyObject* object, std::int64_t* out, int max);
