// How the location pickers report a chosen place, and how they close.
//
// Thread rules: main thread only.
#pragma once

struct Location;
namespace ui {
class ViewController;
}

class LocationPickerDelegate {
 public:
  virtual ~LocationPickerDelegate() = default;
  // The record and the text its name points to are valid only during the
  // call; the receiver copies what it keeps.
  virtual void locationPicked(const Location* location) = 0;
};

// Closes the stack presented for the pickers when `picker` is its first
// screen; on a tablet the pickers sit on the settings' own stack, which
// stays.
void dismissPickerStack(ui::ViewController& picker);
