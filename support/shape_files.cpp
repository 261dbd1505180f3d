#include "support/shape_files.h"

ShapeFilePair::ShapeFilePair(const char* base, SAHooks* hooks) {
  if (base == nullptr) return;
  shp_ = hooks != nullptr ? SHPOpenLL(base, "rb", hooks) : SHPOpen(base, "rb");
  dbf_ = hooks != nullptr ? DBFOpenLL(base, "rb", hooks) : DBFOpen(base, "rb");
  if (shp_ == nullptr || dbf_ == nullptr) {
    if (shp_ != nullptr) SHPClose(shp_);
    if (dbf_ != nullptr) DBFClose(dbf_);
    shp_ = nullptr;
    dbf_ = nullptr;
  }
}

ShapeFilePair::~ShapeFilePair() {
  if (shp_ != nullptr) SHPClose(shp_);
  if (dbf_ != nullptr) DBFClose(dbf_);
}

bool shapePartsAreValid(const SHPObject& shape) {
  if (shape.nVertices < 0 || shape.nParts < 0) return false;
  if (shape.nParts == 0) return true;
  if (shape.panPartStart == nullptr || shape.panPartStart[0] != 0) return false;
  for (int k = 1; k < shape.nParts; ++k) {
    if (shape.panPartStart[k] <= shape.panPartStart[k - 1]) return false;
  }
  return shape.panPartStart[shape.nParts - 1] < shape.nVertices;
}

bool shapePartRange(const SHPObject& shape, int part, int* start, int* end) {
  const int parts = shape.nParts > 0 ? shape.nParts : 1;
  if (part < 0 || part >= parts || shape.nVertices < 0) return false;
  const int first = shape.nParts > 0 ? shape.panPartStart[part] : 0;
  const int last = part + 1 < shape.nParts ? shape.panPartStart[part + 1] : shape.nVertices;
  if (first < 0 || last > shape.nVertices || first > last) return false;
  *start = first;
  *end = last;
  return true;
}
