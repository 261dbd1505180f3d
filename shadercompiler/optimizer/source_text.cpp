#include "shadercompiler/optimizer/source_text.h"

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool is_word_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool word_at(std::string_view text, size_t at, std::string_view word) {
  if (text.substr(at, word.size()) != word) return false;
  if (at > 0 && is_word_char(text[at - 1])) return false;
  const size_t end = at + word.size();
  return end >= text.size() || !is_word_char(text[end]);
}

size_t skip_spaces(std::string_view text, size_t at) {
  while (at < text.size() && is_space(text[at])) at++;
  return at;
}

size_t skip_word(std::string_view text, size_t at) {
  while (at < text.size() && is_word_char(text[at])) at++;
  return at;
}

// The end of a precision statement starting at `at`, or npos.
size_t precision_statement_end(std::string_view text, size_t at) {
  if (!word_at(text, at, "precision")) return std::string_view::npos;
  size_t p = at + 9;
  const size_t after_keyword = p;
  p = skip_spaces(text, p);
  if (p == after_keyword) return std::string_view::npos;
  bool qualifier = false;
  for (std::string_view q : {"highp", "mediump", "lowp"})
    if (word_at(text, p, q)) {
      p += q.size();
      qualifier = true;
      break;
    }
  if (!qualifier) return std::string_view::npos;
  const size_t after_qualifier = p;
  p = skip_spaces(text, p);
  if (p == after_qualifier) return std::string_view::npos;
  const size_t type_end = skip_word(text, p);
  if (type_end == p) return std::string_view::npos;
  p = skip_spaces(text, type_end);
  if (p >= text.size() || text[p] != ';') return std::string_view::npos;
  return p + 1;
}

}  // namespace

std::string asTrimmedString(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && is_space(text[begin])) begin++;
  while (end > begin && is_space(text[end - 1])) end--;
  return std::string(text.substr(begin, end - begin));
}

namespace {

// One scan over the text; a comment becomes nothing, or with
// `keep_lines` a space and the line feeds it held.
void strip_comments(std::string &text, bool keep_lines) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, 2, "//") == 0) {
      while (i < text.size() && text[i] != '\n') i++;
      continue;
    }
    if (text.compare(i, 2, "/*") == 0) {
      const size_t close = text.find("*/", i + 2);
      if (close == std::string::npos) {
        out.append(text, i, std::string::npos);
        break;
      }
      if (keep_lines) {
        out += ' ';
        for (size_t k = i; k < close; k++)
          if (text[k] == '\n') out += '\n';
      }
      i = close + 2;
      continue;
    }
    out += text[i++];
  }
  text.swap(out);
}

}  // namespace

void stripSourceCodeComments(std::string &text) { strip_comments(text, false); }

void stripExtraBlankLines(std::string &text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '\n') {
      out += text[i++];
      continue;
    }
    size_t end = i, last_feed = i;
    unsigned feeds = 0;
    while (end < text.size() && is_space(text[end])) {
      if (text[end] == '\n') {
        feeds++;
        last_feed = end;
      }
      end++;
    }
    if (feeds >= 3) {
      out += "\n\n";
      i = last_feed + 1;
    } else {
      out += text[i++];
    }
  }
  text.swap(out);
}

void stripGLSLPrecision(std::string &text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const size_t end = precision_statement_end(text, i);
    if (end != std::string_view::npos) {
      for (size_t k = i; k < end; k++)
        if (text[k] == '\n') out += '\n';
      i = end;
      continue;
    }
    bool qualifier = false;
    for (std::string_view q : {"highp", "mediump", "lowp"}) {
      if (word_at(text, i, q)) {
        i += q.size();
        qualifier = true;
        break;
      }
    }
    if (qualifier) continue;
    // Whole words are copied at once so that a word is never matched in
    // its middle.
    if (is_word_char(text[i])) {
      const size_t word_end = skip_word(text, i);
      out.append(text, i, word_end - i);
      i = word_end;
      continue;
    }
    out += text[i++];
  }
  text.swap(out);
}

bool hasGLSLVersionDirective(std::string_view source) {
  std::string text(source);
  strip_comments(text, true);
  size_t line = 0;
  while (line < text.size()) {
    size_t p = line;
    while (p < text.size() && is_blank(text[p])) p++;
    if (p < text.size() && text[p] == '#') {
      p++;
      while (p < text.size() && is_blank(text[p])) p++;
      if (word_at(text, p, "version")) return true;
    }
    const size_t feed = text.find('\n', line);
    if (feed == std::string::npos) break;
    line = feed + 1;
  }
  return false;
}
