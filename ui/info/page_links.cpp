#include "ui/info/page_links.h"

#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/foundation/bundle.h"
#include "platform/foundation/url_text.h"
#include "platform/uikit/image.h"
#include "ui/foundation/shell.h"
#include "ui/foundation/utility.h"

namespace {

constexpr const char* kQueryMarks = "-._~!$&'()*+,;=:@/?";

std::string lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The scheme of an address in lower case ("" when it has none).
std::string schemeOf(const std::string& url) {
  const std::size_t colon = url.find(':');
  if (colon == std::string::npos) return {};
  // RFC 3986: a letter, then letters, digits, "+", "-" and ".".
  for (std::size_t i = 0; i < colon; ++i) {
    const unsigned char c = static_cast<unsigned char>(url[i]);
    if (!(std::isalpha(c) || (i > 0 && (std::isdigit(c) || c == '+' || c == '-' || c == '.'))))
      return {};
  }
  return lowercase(url.substr(0, colon));
}

// The file path of a file address, without its query and fragment,
// percent-decoded.
std::string filePath(const std::string& url) {
  std::string rest = url.substr(url.find(':') + 1);
  rest = rest.substr(0, rest.find_first_of("?#"));
  if (rest.rfind("//", 0) == 0) rest = rest.substr(2);
  return ns::percentDecoded(rest);
}

void showPicture(std::string path) {
  if (AppDelegate::runningOniPad()) {
    const std::string phone = "/SkyInfo/images/", tablet = "/SkyInfo/images-iPad/";
    if (const std::size_t at = path.find(phone); at != std::string::npos) {
      std::string larger = path;
      larger.replace(at, phone.size(), tablet);
      std::error_code error;
      if (std::filesystem::is_regular_file(larger, error)) path = larger;
    }
  }
  ui::ImagePointer image = ui::Image::fromFile(path);
  AppDelegate* delegate = AppDelegate::instance();
  if (image == nullptr || delegate == nullptr) {
    Utility::showAlertWithTitle("Image Unavailable", "This image is not available.");
    return;
  }
  delegate->showImage(image);
}

}  // namespace

std::string fileURL(const std::string& path) {
  return "file://" + ns::percentEncoded(path, "-._~/");
}

std::string percentEncodedForQuery(const std::string& text) {
  return ns::percentEncoded(text, kQueryMarks);
}

std::string themeStyleSheetName(bool forceTablet) {
  const int theme = AppDelegate::appTheme();
  std::string name = theme == 2 ? "Onyx" : theme == 3 ? "NightVision" : "Classic";
  if (forceTablet || AppDelegate::runningOniPad()) name += "-iPad";
  return name + ".css";
}

std::string styledPageURL(const std::string& pageURL, bool forceTablet,
                          const std::string& fragment) {
  const std::string folder = ns::Bundle::main().resourcePath() + "/SkyInfo";
  return pageURL + "?cssfile=" + percentEncodedForQuery(folder) + "/" +
         themeStyleSheetName(forceTablet) + fragment;
}

dev::NavigationPolicy pageLinkPolicy(const std::string& url) {
  const std::string scheme = schemeOf(url);
  if (scheme != "file")
    return scheme == "itms-apps" || scheme == "itms" ? dev::NavigationPolicy::cancel
                                                     : dev::NavigationPolicy::allow;
  const std::string path = filePath(url);
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos ||
      path.substr(dot + 1) != "jpg")
    return dev::NavigationPolicy::allow;
  showPicture(path);
  return dev::NavigationPolicy::cancel;
}
