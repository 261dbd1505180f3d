// The front end's shader corpus: hand-written cases kept in text files
// under tests/shadercompiler/corpus/, each file a rule group. A case starts
// with a header line
//   === name.vert            (or .frag; add "invalid" when it must fail)
// and its text follows up to the next header. Lines of an invalid case that
// are at fault end with the comment "// ERROR".
#pragma once

#include <string>
#include <vector>

#include "shadercompiler/ir/support/standalone_scaffolding.h"

namespace shctest {

struct corpus_case {
  std::string name;  // file name of the case: group/name.vert
  gl_shader_stage stage = SHC_SHADER_VERTEX;
  bool valid = true;
  std::vector<int> error_lines;  // lines marked "// ERROR", from 1
  std::string text;
  // Hand-written cases carry their verdict; generated ones only have to
  // agree with the validator.
  bool labelled = true;
};

// The folder of the hand-written corpus in the source tree.
std::string corpus_folder();

// Every case of every file of the folder, in file and case order; a
// malformed file adds a case named "malformed:<file>" so that tests notice.
std::vector<corpus_case> read_corpus(const std::string &folder);

// The cases of one text (a whole corpus file), named group/case.
std::vector<corpus_case> parse_corpus(const std::string &group, const std::string &text);

// The generated families: binary and unary operators over every pair of
// operand types, constructor shapes, swizzles read and written, and the
// words of every version used as names, in GLSL ES 1.00, 1.10 and 1.20.
// `every` keeps one case in that many (a fixed sample; 1 for all).
std::vector<corpus_case> generated_corpus(unsigned every);

// The sampling step the tests use: 1 when TESSALY_FULL_SWEEP is set, else
// `sample`.
unsigned sweep_step(unsigned sample);

}  // namespace shctest
