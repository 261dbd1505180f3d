#include "tools/interface_images/image_file.h"

#include <cstdio>

#include "platform/coregraphics/image_codec.h"

bool write(const std::filesystem::path& folder, const std::string& name, double width, double height,
           const Draw& draw) {
  for (int scale : {1, 2}) {
    std::string message;
    auto context = cg::Context::createForPoints(width, height, scale, {}, &message);
    if (!context) {
      std::fprintf(stderr, "%s: %s\n", name.c_str(), message.c_str());
      return false;
    }
    // Points with y downwards, as the interface draws.
    context->translateCTM(0, height);
    context->scaleCTM(1, -1);
    draw(*context);
    const std::string file = name + (scale == 2 ? "@2x" : "") + ".png";
    const auto image = context->makeImage();
    if (!image || !cg::writePNG(*image, (folder / file).string(), &message)) {
      std::fprintf(stderr, "%s: %s\n", file.c_str(), message.c_str());
      return false;
    }
  }
  return true;
}

