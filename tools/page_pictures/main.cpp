// tessaly-page-pictures: the pictures that the bundle's description and
// help pages link, as JPEG files (scripts/data.d/page_pictures.sh runs it).
//
//   tessaly-page-pictures jpeg IN.png OUT.jpg
//       a snapshot of the headless program as a JPEG picture
//   tessaly-page-pictures close-up NORAD SIZE_M UNIX_SECONDS OUT.jpg
//       a satellite from its 3-D model, drawn by the application in the
//       satellite view (the bundle is TESSALY_BUNDLE); the application's
//       home is a fresh temporary folder, so that no user's settings and
//       defaults are read or written
//
// Exits 1 with a message naming the picture when one cannot be made.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/coregraphics/image_codec.h"
#include "tools/page_pictures/jpeg_writer.h"
#include "tools/page_pictures/satellite_close_up.h"

namespace {

constexpr int kQuality = 88;

int usage() {
  std::fprintf(stderr,
               "usage: tessaly-page-pictures jpeg IN.png OUT.jpg\n"
               "       tessaly-page-pictures close-up NORAD SIZE_M UNIX_SECONDS OUT.jpg\n");
  return 2;
}

int write(const std::shared_ptr<cg::Image>& image, const std::string& path, const std::string& reason) {
  std::string message = reason;
  if (image != nullptr && page_pictures::writeJPEG(*image, path, kQuality, &message)) return 0;
  std::fprintf(stderr, "tessaly-page-pictures: %s: %s\n", path.c_str(), message.c_str());
  return 1;
}

bool number(const char* text, double* value) {
  char* end = nullptr;
  *value = std::strtod(text, &end);
  return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "jpeg" && argc == 4) {
    std::string message;
    auto image = cg::imageFromFile(argv[2], &message);
    return write(image, argv[3], message);
  }
  if (command == "close-up" && argc == 6) {
    page_pictures::CloseUp request;
    double norad = 0;
    if (!number(argv[2], &norad) || !number(argv[3], &request.sizeMetres) ||
        !number(argv[4], &request.unixSeconds) || !(request.sizeMetres > 0))
      return usage();
    request.catalogNumber = long(norad);
    char home[] = "/tmp/tessaly-page-pictures-XXXXXX";
    if (mkdtemp(home) == nullptr) return write(nullptr, argv[5], "cannot make a temporary home");
    setenv("TESSALY_HOME", home, 1);
    std::string message;
    auto image = page_pictures::drawSatelliteCloseUp(request, &message);
    const int status = write(image, argv[5], message);
    std::error_code error;
    std::filesystem::remove_all(home, error);
    return status;
  }
  return usage();
}
