#include "skydata/object_factory.h"

#include "skydata/sky_object.h"

CSkyObject* createSkyObject(int typeCode) {
  switch (typeCode) {
    default:
      return nullptr;
  }
}
