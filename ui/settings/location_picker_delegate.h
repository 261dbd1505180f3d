// How the location pickers report a chosen place.
//
// Thread rules: main thread only.
#pragma once

struct Location;

class LocationPickerDelegate {
 public:
  virtual ~LocationPickerDelegate() = default;
  // The record and the text its name points to are valid only during the
  // call; the receiver copies what it keeps.
  virtual void locationPicked(const Location* location) = 0;
};
