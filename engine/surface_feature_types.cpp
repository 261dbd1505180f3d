// Types of named planetary surface features: the descriptor terms of the
// IAU planetary nomenclature (Gazetteer of Planetary Nomenclature, USGS)
// with their published definitions, then this system's own types.
#include <cstdint>

#include "engine/body_table.h"

namespace {

struct SurfaceFeatureType {
  std::uint32_t type;
  const char* name;
  const char* description;
};

const SurfaceFeatureType kSurfaceFeatureTypes[] = {
    {1, "Albedo Feature", "Geographic area distinguished by amount of reflected light"},
    {2, "Arcus", "Arc-shaped feature"},
    {3, "Astrum", "Radial-patterned features on Venus"},
    {4, "Catena", "Chain of craters"},
    {5, "Cavus", "Hollows, irregular steep-sided depressions usually in arrays or clusters"},
    {6, "Chaos", "Distinctive area of broken terrain"},
    {7, "Chasma", "A deep, elongated, steep-sided depression"},
    {8, "Collis", "Small hills or knobs"},
    {9, "Corona", "Ovoid-shaped feature"},
    {10, "Crater", "A circular depression; usually impact-related, but may be volcanic in origin"},
    {11, "Dorsum", "Ridge"},
    {12, "Eruptive center", "Active volcanic centers on Io"},
    {13, "Facula", "Bright spot"},
    {14, "Farrum", "Pancake-like structure, or a row of such structures"},
    {15, "Flexus", "A very low curvilinear ridge with a scalloped pattern"},
    {16, "Fluctus", "Flow terrain"},
    {17, "Flumen", "Channel on Titan that might carry liquid"},
    {18, "Fossa", "Long, narrow depression"},
    {19, "Fretum", "Strait of liquid connecting two larger areas of liquid"},
    {20, "Insula", "Island (islands), an isolated land area (or group of such areas) surrounded by, or nearly surrounded by, a liquid area (sea or lake)"},
    {21, "Labes", "Landslide"},
    {22, "Labyrinthus", "Complex of intersecting valleys or ridges"},
    {23, "Lacuna", "Irregularly shaped depression on Titan having the appearance of a dry lake bed"},
    {24, "Lacus", "\"Lake\"; small plain; on Titan, a \"lake\" or small, dark plain with discrete, sharp boundaries"},
    {25, "Landing site name", "Lunar feature at or near Apollo landing site"},
    {26, "Large ringed feature", "Cryptic ringed feature"},
    {27, "Lenticula", "Small dark spots on Europa"},
    {28, "Linea", "Dark or bright elongate marking, may be curved or straight"},
    {29, "Lingula", "Extension of plateau having rounded lobate or tongue-like boundaries"},
    {30, "Macula", "Dark spot, may be irregular"},
    {31, "Mare", "\"Sea\"; large circular plain; on Titan, large expanses of dark materials thought to be liquid hydrocarbons"},
    {32, "Mensa", "A flat-topped prominence with cliff-like edges"},
    {33, "Mons", "Mountain"},
    {34, "Oceanus", "A very large dark area on the Moon"},
    {35, "Palus", "\"Swamp\"; small plain"},
    {36, "Patera", "An irregular crater, or a complex one with scalloped edges"},
    {37, "Planitia", "Low plain"},
    {38, "Planum", "Plateau or high plain"},
    {39, "Plume", "Cryo-volcanic features on Triton"},
    {40, "Promontorium", "\"Cape\"; headland promontoria"},
    {41, "Regio", "A large area marked by reflectivity or color distinctions from adjacent areas, or a broad geographic region"},
    {42, "Reticulum", "Reticular (netlike) pattern on Venus"},
    {43, "Rima", "Fissure"},
    {44, "Rupes", "Scarp"},
    {45, "Satellite Feature", "A feature that shares the name of an associated feature, for example a satellite crater named after the nearby larger crater"},
    {46, "Scopulus", "Lobate or irregular scarp"},
    {47, "Serpens", "Sinuous feature with segments of positive and negative relief along its length"},
    {48, "Sinus", "\"Bay\"; small plain; on Titan, bays within seas or lakes of liquid hydrocarbons"},
    {49, "Sulcus", "Subparallel furrows and ridges"},
    {50, "Terra", "Extensive land mass"},
    {51, "Tessera", "Tile-like, polygonal terrain"},
    {52, "Tholus", "Small domical mountain or hill"},
    {53, "Unda", "Dunes"},
    {54, "Vallis", "Valley"},
    {55, "Vastitas", "Extensive plain"},
    {56, "Virga", "A streak or stripe of color"},
    {100, "City", "Large human population center on Earth"},
    {101, "Impact Site", "Uncontrolled spacecraft impact site"},
    {102, "Lander", "Controlled spacecraft landing site"},
    {103, "Human Visit", "Manned spacecraft landing site"},
};

const SurfaceFeatureType* findType(std::uint32_t type) {
  for (const SurfaceFeatureType& row : kSurfaceFeatureTypes)
    if (row.type == type) return &row;
  return nullptr;
}

}  // namespace

const char* surfaceFeatureTypeName(std::uint32_t type) {
  const SurfaceFeatureType* row = findType(type);
  return row ? row->name : "";
}

const char* surfaceFeatureTypeDescription(std::uint32_t type) {
  const SurfaceFeatureType* row = findType(type);
  return row ? row->description : "";
}
