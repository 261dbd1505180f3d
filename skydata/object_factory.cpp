#include "skydata/object_factory.h"

#include <algorithm>
#include <new>
#include <type_traits>

#include "skydata/deep_sky_object.h"
#include "skydata/sky_object.h"
#include "skydata/star.h"
#include "skydata/star_classes.h"

namespace {

// The object as T when `accepts` takes its type code and it is a T.
template <typename T, typename Object>
auto downcast(Object* object, bool (*accepts)(int)) {
  using Result = std::conditional_t<std::is_const_v<Object>, const T*, T*>;
  if (object == nullptr || !accepts(object->getType())) return static_cast<Result>(nullptr);
  return dynamic_cast<Result>(object);
}

bool isStarCode(int code) { return code >= 1 && code <= 29; }
bool isVariableStarCode(int code) { return code >= 4 && code <= 7; }
bool isDoubleStarCode(int code) { return code >= 2 && code <= 5; }
bool isBinaryStarCode(int code) { return code == 3 || code == 5; }
bool isDeepSkyCode(int code) { return code >= 10 && code <= 29; }

}  // namespace

CSkyObject* createSkyObject(int typeCode) {
  // The classes with a virtual base convert to their one CSkyObject part.
  switch (typeCode) {
    case 1:
    case 9:
      return new (std::nothrow) CStar(typeCode);
    case 2:
      return new (std::nothrow) CDoubleStar(typeCode);
    case 3:
      return new (std::nothrow) CBinaryStar(typeCode);
    case 4:
      return new (std::nothrow) CDoubleVariableStar(typeCode);
    case 5:
      return new (std::nothrow) CBinaryVariableStar(typeCode);
    case 6:
    case 7:
      return new (std::nothrow) CVariableStar(typeCode);
    default:
      if (isDeepSkyCode(typeCode)) return new (std::nothrow) CDeepSkyObject(typeCode);
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

int getObjectNames(const CSkyObject* object, const char** out, int max) {
  if (out == nullptr || max < 1) return 0;
  if (const CStar* star = asStar(object)) return std::min(star->getNames(out, max), max);
  return 0;
}

int getObjectCatalogNumbers(const CSkyObject* object, std::int64_t* out, int max) {
  if (out == nullptr || max < 1) return 0;
  if (const CStar* star = asStar(object)) {
    return std::min(star->getCatalogNumbers(out, max), max);
  }
  return 0;
}
