// The object factory and the typed downcasts: the rest of the program
// makes objects from a record's type code and reaches a class's own
// operations through these instead of a language cast.
#pragma once

class CSkyObject;

// A new, empty object of the class for the type code, constructed with
// that code, owned by the caller; null for a code without a class (0, 8,
// 37, 38, above 42) or when no object could be allocated. Classes:
//  1, 9 CStar; 2 CDoubleStar; 3 CBinaryStar; 4 CDoubleVariableStar;
//  5 CBinaryVariableStar; 6, 7 CVariableStar; 10-29 CDeepSkyObject;
//  30-34, 36 CPlanet; 35 CSatellite; 39 CPlanetFeature;
//  40, 41 CConstellation; 42 CMeteorShower.
CSkyObject* createSkyObject(int typeCode);
