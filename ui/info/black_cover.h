// The black view that hides a page until it has loaded, then fades out
// over half a second and is removed. The
// information, help and browser screens each keep one.
//
// Thread rules: main thread only.
#pragma once

#include <memory>

#include "platform/uikit/view.h"

class BlackCover {
 public:
  BlackCover();
  ~BlackCover();
  BlackCover(const BlackCover&) = delete;
  BlackCover& operator=(const BlackCover&) = delete;

  // A black view over `frame` of `parent`, on top (replacing an earlier one).
  void cover(ui::View& parent, const ui::Rect& frame);
  // The cover, or null once it is gone.
  ui::View* view() const;
  bool exists() const { return view() != nullptr; }
  bool fading() const;
  // Fades the cover out (nothing while a fade runs or without a cover).
  void remove();
  // remove() after `seconds`; nothing happens once this object is gone.
  void removeAfter(double seconds);

 private:
  struct State;
  std::shared_ptr<State> state_;
};
