// What the back end's tests share: the valid shaders of the front end's
// corpus, values for every uniform and input of a shader, and runs of the
// test interpreter whose outputs can be compared bit for bit.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "corpus.h"
#include "shader_interpreter.h"

namespace shctest {

using input_values = std::vector<std::pair<std::string, std::vector<double>>>;

// The number of scalars `set` takes for a value of the type.
unsigned component_count(const glsl_type *t);

// Whether the interpreter can run the shader (it cannot zero a structure
// that holds a sampler).
bool interpretable(exec_list *instructions);

// Values for every uniform and input, drawn from `seed`: floats that are
// small integers or simple fractions from -4 to 4 (zeros and ones among
// them, so that branches go both ways), integers from 0 to 2 (valid
// indices of most arrays), bools 0 or 1.
input_values inputs_for(exec_list *instructions, unsigned seed);

struct outcome {
  bool ran = false;
  std::string error;
  bool discarded = false;
  std::map<std::string, std::vector<double>> outputs;  // every output variable
};

outcome interpret(exec_list *instructions, const input_values &inputs,
                  const texel_function &texels = default_texels);

// Empty when both ran to the same outputs bit for bit (NaNs equal each
// other), else what differs.
std::string compare_bits(const outcome &a, const outcome &b);

// The back end's own shaders (backend_shaders.cases): larger ones, that
// reach every construct the printers write.
std::vector<corpus_case> backend_shaders();

// The back end's shaders, the front end's hand-written valid cases and one
// in `every` of the generated ones that the front end compiles.
std::vector<corpus_case> valid_corpus(unsigned every);

// Statements of a whole shader, nested ones included.
unsigned statement_count(exec_list *instructions);

}  // namespace shctest
