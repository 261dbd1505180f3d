// BezeledSegmentedControl: a segmented control made of its button
// subviews. A tapped button becomes the selected segment and stays marked
// (unless its tag is -1: it acts once), and the control sends its
// value-changed actions. The buttons tile the width without gaps.
//
// Thread rules: main thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/uikit/controls.h"

class BezeledSegmentedControl : public ui::Control {
 public:
  // Made in code: buttons added later are not connected.
  explicit BezeledSegmentedControl(const ui::Rect& frame = {});
  // As decoded: every button subview sends btnUp: on a touch-up inside.
  struct Decoded {};
  BezeledSegmentedControl(Decoded, const ui::Rect& frame);
  std::string className() const override { return "BezeledSegmentedControl"; }
  bool setValue(std::string_view key, const std::any& value) override;
  bool performAction(std::string_view selector, ui::Object* sender) override;

  std::int64_t numberOfSegments() const { return std::int64_t(subviews().size()); }
  // Null outside 0 .. count - 1 (or for a subview that is no button).
  ui::Button* btnAtIndex(std::int64_t index) const;
  // Out of range: empty, and nothing changes.
  std::string titleForSegmentAtIndex(std::int64_t index) const;
  void setTitle(std::string title, std::int64_t index);
  void removeSegmentAt(std::int64_t index);
  int selectedSegmentIndex() const { return selectedSegmentIndex_; }
  // Marks only that button selected; sends no action.
  void setSelectedSegmentIndex(int index);
  // A tap on one of the buttons (others are ignored).
  void btnUp(ui::Button* sender);
  void layoutSubviews() override;
  void didAddSubview(ui::View* subview) override;

 private:
  void setSelectedBtn(ui::Button* button);
  int indexOf(const ui::View* view) const;
  int selectedSegmentIndex_ = -1;
  bool decoded_ = false;
};
