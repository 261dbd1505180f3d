#include "gles/shaders/shader_parser.h"

#include <vector>

#include "gles/shaders/shader_text.h"
#include "shadercompiler/optimizer/source_text.h"

void MGLShaderParser::resetSourceCode() {
  glsl_.reset();
  msl_.reset();
  language_ = kGLSL;
}

void MGLShaderParser::append(std::optional<std::string>& part, std::string_view line) {
  if (!part) part.emplace();
  part->append(line);
}

bool MGLShaderParser::parse(std::string_view text) {
  resetSourceCode();
  for (const std::string& line : terminatedLines(text)) {
    if (const std::optional<std::string> word = mglLanguagePragmaWord(line)) {
      if (*word == "GLSL") {
        language_ = kGLSL;
      } else if (*word == "MSL" || *word == "METAL") {
        language_ = kMSL;
      } else if (*word == "ALL") {
        language_ = kAll;
      }
      continue;  // a pragma line belongs to no part, known word or not
    }
    if (mglIsMetalContentLine(line)) language_ = kMSL;
    if (language_ == kGLSL || language_ == kAll) append(glsl_, line);
    if (language_ == kMSL || language_ == kAll) append(msl_, line);
  }
  return true;
}

std::optional<std::string> MGLShaderParser::mtlFunctionName() {
  std::optional<std::string>& part = msl_ ? msl_ : glsl_;
  if (!part) return std::nullopt;
  stripSourceCodeComments(*part);
  const std::vector<std::string> tokens =
      tokensSeparatedByCharactersInSet(*part, mglIsWhitespaceOrNewline);
  if (tokens.empty()) return std::nullopt;
  return tokens.front();
}
