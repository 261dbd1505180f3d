// Shapefiles through shapelib: the geometry (.shp/.shx) and attribute
// (.dbf) files of one base path opened and closed as a pair, and the
// vertex ranges of a shape's parts with the checks every reader needs.
#pragma once

#include <shapefil.h>

// Opens "<base>.shp" and "<base>.dbf" with the hooks (null: shapelib's
// default file calls); when either fails both are closed.
class ShapeFilePair {
 public:
  ShapeFilePair(const char* base, SAHooks* hooks);
  ~ShapeFilePair();
  ShapeFilePair(const ShapeFilePair&) = delete;
  ShapeFilePair& operator=(const ShapeFilePair&) = delete;

  explicit operator bool() const { return shp_ != nullptr && dbf_ != nullptr; }
  SHPHandle shp() const { return shp_; }
  DBFHandle dbf() const { return dbf_; }

 private:
  SHPHandle shp_ = nullptr;
  DBFHandle dbf_ = nullptr;
};

// True when the part starts begin at 0 and increase strictly within the
// shape's vertices (a shape without parts is one part of all of them).
bool shapePartsAreValid(const SHPObject& shape);
// The vertex range [start, end) of `part`; false for a part outside the
// shape or a range that does not lie within its vertices.
bool shapePartRange(const SHPObject& shape, int part, int* start, int* end);
