// An HTML page built in pieces: fixed markup and sentences as they are,
// texts from catalogues and the network escaped, and the whole copied into
// a caller's buffer with its closing tags kept.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// `text` with &, <, >, " and ' as character references; line feeds, tabs
// and carriage returns as blanks, and other control characters dropped.
std::string escapeHTML(std::string_view text);

class PageText {
 public:
  // Markup or a fixed sentence, as it is.
  void raw(std::string_view markup) { page_ += markup; }
  // A text from outside, escaped.
  void text(std::string_view text) { page_ += escapeHTML(text); }
  // A sentence format (passed through the translation hook) with numbers
  // and texts that are already safe (escape texts with escapeHTML first).
  void format(const char* format, ...) __attribute__((format(printf, 2, 3)));

  const std::string& str() const { return page_; }

  // Copies the page into `buffer` (size - 1 bytes at most, terminated),
  // cutting a page that does not fit before `ending` (its closing tags,
  // which the page ends with) at a whole character or character
  // reference, so the copy is still a page. False for no buffer or size 0.
  bool copyTo(char* buffer, std::size_t size, std::string_view ending) const;

 private:
  std::string page_;
};
