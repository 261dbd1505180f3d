// ObjectListTableViewCell: a row of the object lists and of the search
// results, made from the screen definition "ObjectListTableViewCell": the
// object's name, its one-line status and its rise and set (or the time of
// its event), dimmed while the object is below the horizon.
//
// Thread rules: main thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/uikit/controls.h"
#include "ui/foundation/sv_table.h"

class CSkyChart;
struct SkyObjectID;

class ObjectListTableViewCell : public SVTableViewCell {
 public:
  explicit ObjectListTableViewCell(std::string reuseIdentifier);
  std::string className() const override { return "ObjectListTableViewCell"; }
  bool setValue(std::string_view key, const std::any& value) override;

  // A new row from the screen definition (its first object), its labels in
  // the theme's list colours (red at night, else white; the two lines in
  // `detailColor`) and emptied.
  static std::shared_ptr<ObjectListTableViewCell> load(const std::string& reuseIdentifier,
                                                       const ui::Color& detailColor);
  // The detail colour of a fresh subtitle cell of the theme.
  static ui::Color standardDetailColor();

  // Fills the row for an object: name (common name first when asked),
  // status line and rise/set line, opacity by whether it is up. Returns 1
  // when the object is up (or the chart shows a space view), else 0.
  int fill(CSkyChart* chart, const SkyObjectID& object, bool showCommonName);
  // The whole status text of the last fill (its lines joined by "\n").
  const std::string& statusText() const { return status_; }

  ui::ImageView* iconView() const { return iconView_.get(); }
  ui::Label* nameLabel() const { return nameLabel_.get(); }
  ui::Label* detailLabel() const { return detailLabel_.get(); }
  ui::Label* riseSetLabel() const { return riseSetLabel_.get(); }

 private:
  std::shared_ptr<ui::ImageView> iconView_;
  std::shared_ptr<ui::Label> nameLabel_, detailLabel_, riseSetLabel_;
  std::string status_;
};
