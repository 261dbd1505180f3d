// The description page of an object: a short English text about it as a
// complete HTML page, for the information screen when the bundle has no
// page of its own for the object. For an artificial satellite a further
// paragraph is fetched from the satellite web site named by the user
// default "SatelliteDescriptionURL" (a plain-HTTP base address; unset,
// nothing is fetched).
//
// Thread rules: main thread only (it reads the chart); the fetch blocks
// the caller for up to two seconds of silence.
#pragma once

#include <cstddef>

class CSkyChart;
class CSkyObject;

// Writes the page into `buffer` (at most size - 1 bytes, terminated; a
// long page is cut, keeping its closing tags) and returns true; false, with
// nothing written, without an object, a buffer or room. Every text the
// page takes from the catalogue or the network is escaped for HTML.
bool getObjectDescriptionHTML(CSkyChart* chart, CSkyObject* object, char* buffer, std::size_t size);

// The user default that names the satellite web site.
inline constexpr const char* kSatelliteDescriptionURLKey = "SatelliteDescriptionURL";
