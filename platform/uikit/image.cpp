#include "platform/uikit/image.h"

#include <cstdio>
#include <map>

#include "platform/coregraphics/context.h"
#include "platform/coregraphics/image_codec.h"
#include "platform/foundation/bundle.h"

namespace ui {
namespace {

std::map<std::string, std::shared_ptr<Image>, std::less<>>& cache() {
  static std::map<std::string, std::shared_ptr<Image>, std::less<>> images;
  return images;
}

}  // namespace

std::shared_ptr<Image> Image::fromFile(const std::string& path, double scale) {
  std::string message;
  auto bitmap = cg::imageFromFile(path, &message);
  if (!bitmap) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return nullptr;
  }
  return std::make_shared<Image>(std::move(bitmap), scale);
}

std::shared_ptr<Image> Image::named(std::string_view name) {
  if (name.empty()) return nullptr;
  auto& images = cache();
  if (auto it = images.find(name); it != images.end()) return it->second;
  std::string base(name), extension = "png";
  if (auto dot = base.rfind('.'); dot != std::string::npos && dot + 1 < base.size()) {
    extension = base.substr(dot + 1);
    base.resize(dot);
  }
  const ns::Bundle& bundle = ns::Bundle::main();
  std::shared_ptr<Image> image;
  for (std::string directory : {"", "Images"}) {
    std::string twice = bundle.pathForResource(base + "@2x", extension, directory);
    if (!twice.empty() && (image = fromFile(twice, 2))) break;
    std::string plain = bundle.pathForResource(base, extension, directory);
    if (!plain.empty() && (image = fromFile(plain, 1))) break;
  }
  if (image) images.emplace(std::string(name), image);
  return image;
}

void Image::clearCache() { cache().clear(); }

void Image::drawInRect(cg::Context& context, const cg::Rect& rect) const {
  // The context's y points down: flip about the rectangle so the image,
  // drawn upright for y up, comes out upright.
  context.saveGState();
  context.translateCTM(0, rect.y() + rect.maxY());
  context.scaleCTM(1, -1);
  context.drawImage({rect.x(), rect.y(), rect.width(), rect.height()}, *bitmap_);
  context.restoreGState();
}

}  // namespace ui
