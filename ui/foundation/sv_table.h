// Themed tables: SVTableView (colours applied at its first layout),
// SVTableViewCell (three class-wide colours cached until the theme changes,
// themed accessory images), SVSectionHeader and the drawn selection
// background SVSelectedBackgroundView.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/controls.h"
#include "platform/uikit/table_view.h"

class SVTableView : public ui::TableView {
 public:
  explicit SVTableView(ui::TableViewStyle style = ui::TableViewStyle::plain);
  SVTableView(const ui::Rect& frame, ui::TableViewStyle style);
  std::string className() const override { return "SVTableView"; }

  static ui::Color tableBackgroundColor();
  static ui::Color tableSeparatorColor();
  static ui::Color sectionHeaderTextColor();
  static ui::Color sectionHeaderBackgroundColor();
  // The height of the settings screens' section headers (points).
  static double sectionHeaderHeight() { return 32; }

  // Removes the background view every time; applies the colours once.
  void layoutSubviews() override;
  bool initialized() const { return initialized_; }

 private:
  bool initialized_ = false;
};

class SVTableViewCell : public ui::TableViewCell {
 public:
  explicit SVTableViewCell(ui::TableViewCellStyle style = ui::TableViewCellStyle::defaultStyle,
                           std::string reuseIdentifier = {});
  // As decoded from a screen definition: themed as a cell of style 0.
  struct Decoded {};
  SVTableViewCell(Decoded, ui::TableViewCellStyle style, std::string reuseIdentifier);
  std::string className() const override { return "SVTableViewCell"; }
  bool setValue(std::string_view key, const std::any& value) override;

  // Cached on first use; cleared by appThemeChanged.
  static ui::Color backgroundColor();
  static ui::Color textColor();
  static ui::Color detailTextColor();
  static void appThemeChanged();

  // Disclosure indicators and check marks are the theme's images.
  void setAccessoryType(ui::TableViewCellAccessory type);

 private:
  void commonInit(ui::TableViewCellStyle style);
};

class SVSectionHeader : public ui::View {
 public:
  SVSectionHeader();
  std::string className() const override { return "SVSectionHeader"; }
  ui::Label& textLabel() { return *textLabel_; }

 private:
  std::shared_ptr<ui::Label> textLabel_;
};

class SVSelectedBackgroundView : public ui::View {
 public:
  explicit SVSelectedBackgroundView(const ui::Rect& frame = {});
  std::string className() const override { return "SVSelectedBackgroundView"; }
  bool setValue(std::string_view key, const std::any& value) override;
  bool roundedTop = false, roundedBottom = false;

  // A closed path round the rectangle; the corners of a rounded edge are
  // curves 24 points long (less in a rectangle too small for them).
  void createPathFor(const ui::Rect& rect, cg::Context& context) const;
  void drawRect(cg::Context& context, const ui::Rect& rect) override;
};
