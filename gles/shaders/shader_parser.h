// The source splitter: separates the GLSL and Metal passages of one shader
// text by language pragma lines ("#pragma DivezoVO language glsl", "msl",
// "metal" or "all"). A line that imports <metal_stdlib> or opens with
// "using namespace metal;" switches to Metal by itself, so a plain Metal
// source needs no pragma.
//
// Thread rules: a parser is used by one thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class MGLShaderParser {
 public:
  enum Language : int { kGLSL = 0, kMSL = 1, kAll = 2 };

  static MGLShaderParser parser() { return MGLShaderParser(); }

  // Splits `text` line by line; always succeeds.
  bool parse(std::string_view text);
  // The lines of each language, each with its line feed; none when the
  // language has no line.
  const std::optional<std::string>& glslSourceCode() const { return glsl_; }
  const std::optional<std::string>& mslSourceCode() const { return msl_; }
  Language language() const { return language_; }
  // The first token of the Metal part (of the GLSL part when there is no
  // Metal part) once comments are gone: a precompiled function's name.
  std::optional<std::string> mtlFunctionName();
  void resetSourceCode();

 private:
  void append(std::optional<std::string>& part, std::string_view line);

  std::optional<std::string> glsl_;
  std::optional<std::string> msl_;
  Language language_ = kGLSL;
};
