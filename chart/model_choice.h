// Which 3-D model stands for a body, satellite or spacecraft: chosen by
// name or catalogue number, with a generic model for any other satellite.
#pragma once

#include <cstddef>

class CSkyObject;
class CSkyChart;

// The model's name (its folder and file under "Models"), or null when the
// object is drawn without one.
const char* modelNameForObject(const CSkyObject* object);
// The object's model file, chosen once and kept in its drawing block (made
// when missing); empty when it has none or the path does not fit.
const char* modelFileForObject(CSkyChart* chart, CSkyObject* object);
