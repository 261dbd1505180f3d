// Interface images: a bitmap and the scale it was made for.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/coregraphics/geometry.h"
#include "platform/coregraphics/context.h"
#include "platform/coregraphics/image.h"

namespace ui {

class Image {
 public:
  Image(std::shared_ptr<const cg::Image> bitmap, double scale)
      : bitmap_(std::move(bitmap)), scale_(scale > 0 ? scale : 1) {}

  // An image of the bundle by file name ("Help.png"; a name without an
  // extension tries ".png"); "@2x" variants are preferred on a screen of
  // scale 2. Cached; null when there is none or it cannot be read.
  static std::shared_ptr<Image> named(std::string_view name);
  // From a file; null (with a message on standard error) when unreadable.
  static std::shared_ptr<Image> fromFile(const std::string& path, double scale = 1);
  static void clearCache();

  // Size in points.
  cg::Size size() const {
    return {double(bitmap_->width()) / scale_, double(bitmap_->height()) / scale_};
  }
  double scale() const { return scale_; }
  const cg::Image& bitmap() const { return *bitmap_; }
  std::shared_ptr<const cg::Image> bitmapPointer() const { return bitmap_; }

  // Drawn upright into a rectangle of a y-down context (the interface's).
  void drawInRect(cg::Context& context, const cg::Rect& rect) const;

 private:
  std::shared_ptr<const cg::Image> bitmap_;
  double scale_;
};

using ImagePointer = std::shared_ptr<Image>;

}  // namespace ui
