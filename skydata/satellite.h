// CSatellite: an artificial Earth satellite (type code 35), a CPlanet whose
// orbit comes from a NORAD element set, with the terms the SGP4/SDP4
// propagators need, its list categories, owner and launch-site codes,
// launch date and the propagator's state.
#pragma once

#include <cstdint>

#include "engine/sgp4.h"
#include "skydata/planet.h"

class CSatellite : public CPlanet {
 public:
  CSatellite();
  ~CSatellite() override;

  // Record: the planet record, bstar and the two mean-motion terms
  // (floats), the deep-space flag (u8); then, each only while the record
  // has bytes left, the four category bytes, the owner code and the
  // launch-site code (texts) and the launch date (float).
  std::int64_t readRecord(const void* record, std::int64_t length, bool otherByteOrder) override;
  std::int64_t writeRecord(void* buffer, std::int64_t size, bool otherByteOrder) const override;

  virtual bool isDeepSpace() const;
  // Stores a list code (a byte) in the first free of the four slots;
  // false for code 0, a code already present, or no free slot.
  virtual bool addCategory(int code);
  virtual bool hasCategory(int code) const;
  // Slot 0-3; nothing (or 0) outside.
  virtual void setCategory(int index, int code);
  virtual int getCategory(int index) const;
  // True when any category is 80-83.
  virtual bool hasCategoryGroup80() const;

  // The element set of the object: designator "98067A" from the first name
  // "1998-067A", the display name, and the elements. Returns the name
  // field of `out`.
  virtual const char* getElementSet(SatelliteElementSet& out) const;
  // The numbers of the element set alone (names and designator left
  // empty): what the propagators read, without the text work of
  // getElementSet, for positions computed every frame.
  void getOrbitElements(SatelliteElementSet& out) const;
  // Takes over an element set: names (the long designator "1998-067A" and
  // the set's name), orbit with perigee distance in AU, drag terms, the
  // deep-space flag; the propagator starts afresh.
  virtual void setElementSet(const SatelliteElementSet& elements);

  virtual SatellitePropagatorState* getModelState();
  // The block of the model in use; null for the other one.
  virtual Sgp4State* getNearEarthState();
  virtual Sdp4State* getDeepSpaceState();

  // Owner (at most 4 characters) and launch site (at most 5): copied into
  // a caller's buffer of at least 5 and 6 bytes, always terminated.
  virtual void getOwner(char out[5]) const;
  virtual void getLaunchSite(char out[6]) const;
  virtual double getLaunchDate() const;  // Julian date; 0 unknown
  virtual void setOwner(const char* code);
  virtual void setLaunchSite(const char* code);
  virtual void setLaunchDate(double jd);

 private:
  void resetModelState();
  void fillOrbitElements(SatelliteElementSet& out) const;

  float bstar_ = 0.0f;
  float meanMotionTerms_[2] = {0.0f, 0.0f};
  std::uint8_t deepSpace_ = 0;
  std::uint8_t categories_[4] = {0, 0, 0, 0};
  char owner_[5] = {};
  char launchSite_[6] = {};
  float launchDate_ = 0.0f;
  SatellitePropagatorState state_;
};

// Long designator ("1998-067A") of a short one ("98067A"): two-digit year
// (before 57 in the 2000s), launch number, piece letters (up to three).
// Writes the empty text and returns false when the designator has no
// launch number or piece.
bool longDesignator(const char* shortDesignator, char* out, std::size_t size);
// The short designator of a long one, or false (out untouched).
bool shortDesignator(const char* longDesignator, char* out, std::size_t size);
