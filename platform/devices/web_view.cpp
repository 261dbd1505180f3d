#include "platform/devices/web_view.h"

#include <litehtml/litehtml.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>

#include "platform/coregraphics/image_codec.h"
#include "platform/coregraphics/text.h"
#include "platform/devices/web_address.h"
#include "platform/foundation/bundle.h"
#include "platform/foundation/url_text.h"
#include "platform/foundation/file_io.h"
#include "platform/foundation/run_loop.h"
#include "platform/uikit/font.h"

namespace dev {
namespace {

constexpr std::size_t kMaximumPageBytes = 16u << 20;

std::string masterCss() {
  static const std::string css = [] {
    auto text = ns::readWholeFile(ns::Bundle::main().pathForResource("master", "css", "Web"));
    return text ? *text : std::string("html,body,div,p,h1,h2,h3,ul,ol,li{display:block}head,script,style{display:none}");
  }();
  return css;
}

struct Address {
  std::string scheme, path, query, fragment;  // path: the rest after "scheme:" (file: the file path)
};

Address split(const std::string& url) {
  Address a;
  std::string rest = url;
  if (auto hash = rest.find('#'); hash != std::string::npos) a.fragment = rest.substr(hash + 1), rest.resize(hash);
  if (auto q = rest.find('?'); q != std::string::npos) a.query = rest.substr(q + 1), rest.resize(q);
  if (auto colon = rest.find(':'); colon != std::string::npos && colon < 10 &&
      std::all_of(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); })) {
    a.scheme = rest.substr(0, colon);
    for (char& c : a.scheme) c = char(std::tolower(static_cast<unsigned char>(c)));
    rest = rest.substr(colon + 1);
  }
  if (a.scheme == "file") {
    if (rest.rfind("//", 0) == 0) rest = rest.substr(2);
    a.path = ns::percentDecoded(rest);
  } else {
    a.path = rest;
  }
  return a;
}

std::string queryValue(const std::string& query, const std::string& key) {
  std::size_t at = 0;
  while (at <= query.size()) {
    std::size_t end = query.find('&', at);
    std::string pair = query.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (pair.rfind(key + "=", 0) == 0) return ns::percentDecoded(pair.substr(key.size() + 1));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return {};
}

// An address relative to a base address.
std::string resolve(const std::string& href, const std::string& base) {
  if (href.empty()) return base;
  Address h = split(href);
  if (!h.scheme.empty()) return href;
  if (href[0] == '#') {
    std::string b = base.substr(0, base.find('#'));
    return b + href;
  }
  Address b = split(base);
  if (b.scheme == "file") {
    std::string folder = b.path.substr(0, b.path.rfind('/') + 1);
    std::string path = href[0] == '/' ? href : folder + href;
    return "file://" + withoutDotSegments(path);
  }
  std::string root = base.substr(0, base.find('?'));
  root = root.substr(0, root.find('#'));
  const std::size_t hostEnd = std::min(root.find('/', root.find("//") + 2), root.size());
  std::string folder = root.substr(hostEnd);
  folder = href[0] == '/' ? std::string() : folder.substr(0, folder.rfind('/') + 1);
  if (href[0] != '/' && folder.empty()) folder = "/";
  return root.substr(0, hostEnd) + withoutDotSegments(folder + href);
}

}  // namespace

// The page: litehtml's document and the container that draws it.
struct WebView::Page : litehtml::document_container {
  WebView* view;
  litehtml::context context;
  litehtml::document::ptr document;
  std::string baseURL;
  cg::Context* target = nullptr;
  std::vector<std::shared_ptr<const cg::Font>> fonts;
  std::map<std::string, std::shared_ptr<cg::Image>> images;
  std::string clicked;
  int clips = 0;

  explicit Page(WebView* v) : view(v) { context.load_master_stylesheet(masterCss().c_str()); }

  const cg::Font* font(litehtml::uint_ptr handle) const {
    return handle > 0 && handle <= fonts.size() ? fonts[handle - 1].get() : nullptr;
  }

  litehtml::uint_ptr create_font(const litehtml::tchar_t* faceName, int size, int weight,
                                 litehtml::font_style italic, unsigned int, litehtml::font_metrics* fm) override {
    std::string face = faceName ? faceName : "";
    face = face.substr(0, face.find(','));
    face.erase(std::remove(face.begin(), face.end(), '"'), face.end());
    face.erase(std::remove(face.begin(), face.end(), '\''), face.end());
    const bool bold = weight >= 600, oblique = italic == litehtml::fontStyleItalic;
    std::string name = face.find("Exo") != std::string::npos ? "Exo" : "Helvetica";
    if (bold) name += "-Bold";
    else if (oblique) name += "-Oblique";
    auto f = cg::Font::named(name, size > 0 ? size : 16);
    if (fm) {
      fm->ascent = int(std::ceil(f->ascender()));
      fm->descent = int(std::ceil(-f->descender()));
      fm->height = fm->ascent + fm->descent;
      fm->x_height = int(std::lround(f->pointSize() * 0.52));
      fm->draw_spaces = false;
    }
    fonts.push_back(f);
    return fonts.size();
  }
  void delete_font(litehtml::uint_ptr) override {}
  int text_width(const litehtml::tchar_t* text, litehtml::uint_ptr handle) override {
    const cg::Font* f = font(handle);
    return f && text ? int(std::ceil(cg::stringWidth(text, *f))) : 0;
  }
  void draw_text(litehtml::uint_ptr, const litehtml::tchar_t* text, litehtml::uint_ptr handle, litehtml::web_color color,
                 const litehtml::position& pos) override {
    const cg::Font* f = font(handle);
    if (!target || !f || !text) return;
    const double baseline = pos.bottom() - std::ceil(-f->descender());
    cg::drawString(*target, text, cg::Point{double(pos.x), baseline - f->ascender()}, *f,
                   cg::Color{color.red / 255.0, color.green / 255.0, color.blue / 255.0, color.alpha / 255.0});
  }
  int pt_to_px(int pt) const override { return pt * 4 / 3; }
  int get_default_font_size() const override { return 16; }
  const litehtml::tchar_t* get_default_font_name() const override { return "Helvetica"; }
  void draw_list_marker(litehtml::uint_ptr, const litehtml::list_marker& marker) override {
    if (!target) return;
    target->setFillColor({marker.color.red / 255.0, marker.color.green / 255.0, marker.color.blue / 255.0, 1});
    const auto& p = marker.pos;
    target->fillEllipseInRect({double(p.x), double(p.y), double(p.width), double(p.height)});
  }
  std::shared_ptr<cg::Image> image(const std::string& src, const char* base) {
    const std::string url = resolve(src, base && *base ? base : baseURL);
    Address a = split(url);
    if (a.scheme != "file") return nullptr;
    auto it = images.find(a.path);
    if (it != images.end()) return it->second;
    std::string message;
    auto loaded = cg::imageFromFile(a.path, &message);
    if (!loaded) std::fprintf(stderr, "%s\n", message.c_str());
    return images[a.path] = loaded;
  }
  void load_image(const litehtml::tchar_t* src, const litehtml::tchar_t* base, bool) override {
    if (src) image(src, base);
  }
  void get_image_size(const litehtml::tchar_t* src, const litehtml::tchar_t* base, litehtml::size& size) override {
    auto i = src ? image(src, base) : nullptr;
    size.width = i ? int(i->width()) : 0;
    size.height = i ? int(i->height()) : 0;
  }
  void draw_background(litehtml::uint_ptr, const litehtml::background_paint& bg) override {
    if (!target) return;
    const auto& box = bg.clip_box;
    if (bg.color.alpha > 0) {
      target->setFillColor({bg.color.red / 255.0, bg.color.green / 255.0, bg.color.blue / 255.0, bg.color.alpha / 255.0});
      target->fillRect({double(box.x), double(box.y), double(box.width), double(box.height)});
    }
    if (!bg.image.empty())
      if (auto i = image(bg.image, bg.baseurl.c_str())) {
        // Drawn upright in the page's y-down space.
        const cg::Rect r{double(bg.position_x), double(bg.position_y), double(bg.image_size.width),
                         double(bg.image_size.height)};
        target->saveGState();
        target->clipToRect({double(box.x), double(box.y), double(box.width), double(box.height)});
        target->translateCTM(0, r.y() + r.maxY());
        target->scaleCTM(1, -1);
        target->drawImage(r, *i);
        target->restoreGState();
      }
  }
  void draw_borders(litehtml::uint_ptr, const litehtml::borders& b, const litehtml::position& p, bool) override {
    if (!target) return;
    auto side = [&](const litehtml::border& border, cg::Rect r) {
      if (border.width <= 0 || border.style == litehtml::border_style_none || border.style == litehtml::border_style_hidden) return;
      target->setFillColor({border.color.red / 255.0, border.color.green / 255.0, border.color.blue / 255.0, border.color.alpha / 255.0});
      target->fillRect(r);
    };
    side(b.top, {double(p.x), double(p.y), double(p.width), double(b.top.width)});
    side(b.bottom, {double(p.x), double(p.bottom() - b.bottom.width), double(p.width), double(b.bottom.width)});
    side(b.left, {double(p.x), double(p.y), double(b.left.width), double(p.height)});
    side(b.right, {double(p.right() - b.right.width), double(p.y), double(b.right.width), double(p.height)});
  }
  void set_caption(const litehtml::tchar_t* caption) override { view->title_ = caption ? caption : ""; }
  void set_base_url(const litehtml::tchar_t* base) override {
    if (base && *base) baseURL = resolve(base, baseURL);
  }
  void link(const std::shared_ptr<litehtml::document>&, const litehtml::element::ptr&) override {}
  void on_anchor_click(const litehtml::tchar_t* url, const litehtml::element::ptr&) override {
    if (url) clicked = resolve(url, baseURL);
  }
  void set_cursor(const litehtml::tchar_t*) override {}
  void transform_text(litehtml::tstring& text, litehtml::text_transform tt) override {
    if (tt == litehtml::text_transform_uppercase)
      for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    else if (tt == litehtml::text_transform_lowercase)
      for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    else if (tt == litehtml::text_transform_capitalize && !text.empty())
      text[0] = char(std::toupper(static_cast<unsigned char>(text[0])));
  }
  void import_css(litehtml::tstring& text, const litehtml::tstring& url, litehtml::tstring& base) override {
    const std::string full = resolve(url, base.empty() ? baseURL : base);
    Address a = split(full);
    if (a.scheme != "file") return;
    if (auto css = ns::readWholeFile(a.path); css && css->size() <= kMaximumPageBytes) text = *css;
    base = full;
  }
  void set_clip(const litehtml::position& p, const litehtml::border_radiuses&, bool, bool) override {
    if (!target) return;
    target->saveGState();
    target->clipToRect({double(p.x), double(p.y), double(p.width), double(p.height)});
    ++clips;
  }
  void del_clip() override {
    if (target && clips > 0) target->restoreGState(), --clips;
  }
  void get_client_rect(litehtml::position& client) const override {
    const ui::Rect b = view->bounds();
    client = litehtml::position(int(b.x()), int(b.y()), int(b.width()), int(b.height()));
  }
  std::shared_ptr<litehtml::element> create_element(const litehtml::tchar_t*, const litehtml::string_map&,
                                                    const std::shared_ptr<litehtml::document>&) override {
    return nullptr;
  }
  void get_media_features(litehtml::media_features& media) const override {
    const ui::Rect b = view->bounds();
    media.type = litehtml::media_type_screen;
    media.width = media.device_width = int(b.width());
    media.height = media.device_height = int(b.height());
    media.color = 8;
    media.monochrome = 0;
    media.color_index = 256;
    media.resolution = 96;
  }
  void get_language(litehtml::tstring& language, litehtml::tstring& culture) const override {
    language = "en";
    culture = "US";
  }
};

WebView::WebView(const ui::Rect& frame) : ui::ScrollView(frame) { setBackgroundColor(ui::Color::whiteColor()); }

WebView::~WebView() {
  if (connection_) connection_->cancel();
}

void WebView::load(const std::string& url) { navigate(url, NavigationType::other, true); }

void WebView::loadHTMLString(const std::string& html, const std::string& baseURL) {
  show(html, baseURL, "");
  if (navigationDelegate) navigationDelegate->didFinishNavigation(*this);
}

void WebView::reload() {
  if (index_ >= 0) navigate(history_[std::size_t(index_)], NavigationType::reload, false);
}

void WebView::goBack() {
  if (!canGoBack()) return;
  --index_;
  navigate(history_[std::size_t(index_)], NavigationType::backForward, false);
}

void WebView::goForward() {
  if (!canGoForward()) return;
  ++index_;
  navigate(history_[std::size_t(index_)], NavigationType::backForward, false);
}

void WebView::navigate(const std::string& url, NavigationType type, bool record) {
  if (navigationDelegate && navigationDelegate->decidePolicy(*this, url, type) == NavigationPolicy::cancel) return;
  Address a = split(url);
  // Within the page: only the scroll position changes.
  if (page_ && !a.fragment.empty() && url.substr(0, url.find('#')) == url_.substr(0, url_.find('#')) &&
      type == NavigationType::linkActivated) {
    url_ = url;
    scrollToFragment(a.fragment);
    return;
  }
  if (record) {
    history_.resize(std::size_t(index_ + 1));
    history_.push_back(url);
    index_ = int(history_.size()) - 1;
  }
  if (connection_) connection_->cancel(), connection_.reset();
  if (a.scheme == "file") {
    auto text = ns::readWholeFile(a.path);
    if (!text || text->size() > kMaximumPageBytes) {
      if (navigationDelegate) navigationDelegate->didFailNavigation(*this, a.path + ": cannot read the page");
      return;
    }
    std::string css;
    if (std::string cssFile = queryValue(a.query, "cssfile"); !cssFile.empty())
      if (auto sheet = ns::readWholeFile(cssFile); sheet && sheet->size() <= kMaximumPageBytes) css = *sheet;
    show(*text, url, css);
    if (!a.fragment.empty()) scrollToFragment(a.fragment);
    if (navigationDelegate) navigationDelegate->didFinishNavigation(*this);
    return;
  }
  if (a.scheme == "http" || a.scheme == "https") {
    pendingURL_ = url;
    received_.clear();
    status_ = 0;
    ns::URLRequest request;
    request.url = url.substr(0, url.find('#'));
    request.totalTimeout = 60;
    request.maxBodyBytes = kMaximumPageBytes;
    connection_ = ns::URLConnection::start(request, this, ns::RunLoop::main());
    return;
  }
  if (navigationDelegate) navigationDelegate->didFailNavigation(*this, "unsupported address: " + url);
}

void WebView::didReceiveResponse(ns::URLConnection&, const ns::URLResponse& response) { status_ = response.statusCode; }
void WebView::didReceiveData(ns::URLConnection&, std::string_view data) { received_.append(data); }
void WebView::didFinishLoading(ns::URLConnection&) {
  connection_.reset();
  show(received_, pendingURL_, "");
  if (navigationDelegate) navigationDelegate->didFinishNavigation(*this);
}
void WebView::didFailWithError(ns::URLConnection&, ns::URLError, const std::string& message) {
  connection_.reset();
  if (navigationDelegate) navigationDelegate->didFailNavigation(*this, message);
}

void WebView::show(const std::string& html, const std::string& url, const std::string& userCss) {
  page_ = std::make_unique<Page>(this);
  url_ = url;
  page_->baseURL = url;
  title_.clear();
  // The extra style sheet goes last, so that it wins over the page's own;
  // it cannot close its element early.
  std::string source = html;
  if (!userCss.empty()) {
    std::string css = userCss;
    for (std::size_t at; (at = css.find("</")) != std::string::npos;) css.erase(at, 2);
    source += "<style>" + css + "</style>";
  }
  page_->document = litehtml::document::createFromUTF8(source.c_str(), page_.get(), &page_->context);
  renderedWidth_ = -1;
  setContentOffset({0, 0});
  setNeedsLayout();
  layoutSubviews();
  setNeedsDisplay();
}

void WebView::layoutSubviews() {
  ui::ScrollView::layoutSubviews();
  if (!page_ || !page_->document) return;
  const int width = int(bounds().width());
  if (width == renderedWidth_) return;
  renderedWidth_ = width;
  page_->document->render(width);
  setContentSize({double(page_->document->width()), double(page_->document->height())});
}

void WebView::scrollToFragment(const std::string& fragment) {
  if (!page_ || !page_->document) return;
  layoutSubviews();
  auto element = page_->document->root()->select_one("#" + fragment);
  if (!element) element = page_->document->root()->select_one("a[name=\"" + fragment + "\"]");
  if (!element) return;
  const litehtml::position p = element->get_placement();
  setContentOffset({0, std::clamp(double(p.y), minimumOffset().y, maximumOffset().y)});
}

void WebView::drawRect(cg::Context& context, const ui::Rect& rect) {
  if (!page_ || !page_->document) return;
  page_->target = &context;
  litehtml::position clip(int(rect.x()), int(rect.y()), int(std::ceil(rect.width())), int(std::ceil(rect.height())));
  page_->document->draw(0, 0, 0, &clip);
  while (page_->clips > 0) page_->del_clip();
  page_->target = nullptr;
}

void WebView::touchesBegan(const ui::TouchSet& touches, const ui::Event&) {
  if (!page_ || !page_->document || touches.empty()) return;
  const ui::Point p = touches.front()->locationInView(this);
  litehtml::position::vector redraw;
  page_->document->on_lbutton_down(int(p.x), int(p.y), int(p.x - bounds().x()), int(p.y - bounds().y()), redraw);
}

void WebView::touchesEnded(const ui::TouchSet& touches, const ui::Event&) {
  if (!page_ || !page_->document || touches.empty()) return;
  const ui::Point p = touches.front()->locationInView(this);
  litehtml::position::vector redraw;
  page_->clicked.clear();
  page_->document->on_lbutton_up(int(p.x), int(p.y), int(p.x - bounds().x()), int(p.y - bounds().y()), redraw);
  if (!page_->clicked.empty()) {
    const std::string target = page_->clicked;
    // After the page's own handling is over: loading replaces the page.
    ns::RunLoop::main().performOnLoop([this, target] { navigate(target, NavigationType::linkActivated, true); });
  }
}

}  // namespace dev
