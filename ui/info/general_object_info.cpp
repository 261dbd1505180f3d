// Not built yet: the solar-system builder comes with the information
// screens. Until then a body has no items of its own.
#include "ui/info/general_object_info.h"

int getGeneralObjectInfo(CSkyChart*, CPlanet*, SkyObjectInfoString*, int, int, int) { return 0; }
