// ObjectInfoTableViewCell: a row of the object information screen, the
// item's label right-aligned in a column 120 points wide and its value to
// the right of it, both wrapping over as many lines as they need.
//
// Thread rules: main thread only.
#pragma once

#include <string>

#include "ui/foundation/sv_table.h"

class ObjectInfoTableViewCell : public SVTableViewCell {
 public:
  static constexpr int kLabelTag = 100;
  static constexpr int kValueTag = 101;
  // The two columns' geometry (points).
  static constexpr double kLabelX = 10, kLabelWidth = 120, kValueX = 140, kValueMargin = 150;
  static constexpr double kTopMargin = 5, kMeasureHeight = 400;

  explicit ObjectInfoTableViewCell(std::string reuseIdentifier);
  std::string className() const override { return "ObjectInfoTableViewCell"; }

  static double fontSize() { return 14.0; }
  static ui::FontPointer font();
  // Opaque black in night vision, else the theme's cell background.
  static ui::Color backgroundColor();
  // Height of `text` laid out in the font in a box `width` wide and 400
  // high, raised to the next whole point.
  static double textHeight(const std::string& text, double width);

  void setLabelText(const std::string& text);
  void setMainText(const std::string& text);
  ui::Label& labelColumn() const { return *label_; }
  ui::Label& valueColumn() const { return *value_; }

  void layoutSubviews() override;

 private:
  std::shared_ptr<ui::Label> label_, value_;
};
