// The generated families of the front end's corpus.
#include <cstdlib>
#include <string>
#include <vector>

#include "corpus.h"

namespace shctest {
namespace {

struct version {
  const char *label;  // in case names
  const char *line;   // the #version line
  bool es;
  unsigned number;
};

const version kVersions[] = {
    {"100", "#version 100\n", true, 100},
    {"110", "#version 110\n", false, 110},
    {"120", "#version 120\n", false, 120},
};

// Operand types: name as written, how a variable of it is declared.
struct operand {
  const char *name;
  const char *declaration;  // "%s" is the variable's name
};

std::vector<operand> operands(const version &v) {
  std::vector<operand> all = {
      {"float", "float %s"}, {"vec2", "vec2 %s"},   {"vec3", "vec3 %s"},   {"vec4", "vec4 %s"},
      {"int", "int %s"},     {"ivec2", "ivec2 %s"}, {"ivec3", "ivec3 %s"}, {"ivec4", "ivec4 %s"},
      {"bool", "bool %s"},   {"bvec2", "bvec2 %s"}, {"bvec3", "bvec3 %s"}, {"bvec4", "bvec4 %s"},
      {"mat2", "mat2 %s"},   {"mat3", "mat3 %s"},   {"mat4", "mat4 %s"},   {"S", "S %s"},
      {"float2", "float %s[2]"}};
  if (!v.es && v.number >= 120) {
    for (const char *m : {"mat2x3", "mat2x4", "mat3x2", "mat3x4", "mat4x2", "mat4x3"})
      all.push_back({m, nullptr});
  }
  return all;
}

std::string declare(const operand &o, const char *name) {
  const std::string d = o.declaration != nullptr ? o.declaration : std::string(o.name) + " %s";
  const size_t at = d.find("%s");
  return d.substr(0, at) + name + d.substr(at + 2);
}

std::string shader(const version &v, const std::string &globals, const std::string &body) {
  return std::string(v.line) + (v.es ? "precision mediump float;\n" : "") + globals +
         "void main() {\n" + body + "  gl_Position = vec4(1.0);\n}\n";
}

struct op {
  const char *text;
  const char *label;
};

const op kBinary[] = {{"+", "add"},    {"-", "sub"},     {"*", "mul"},    {"/", "div"},
                      {"<", "lt"},     {">", "gt"},      {"<=", "le"},    {">=", "ge"},
                      {"==", "eq"},    {"!=", "ne"},     {"&&", "and"},   {"||", "or"},
                      {"^^", "xor"},   {"=", "assign"},  {"+=", "addto"}, {"-=", "subfrom"},
                      {"*=", "mulby"}, {"/=", "divby"},  {"%", "mod"}};

const op kUnary[] = {{"-", "neg"},   {"+", "plus"},     {"!", "not"},     {"++", "preinc"},
                     {"--", "predec"}, {"~", "bitnot"}};

void binary_family(std::vector<corpus_case> *out) {
  for (const version &v : kVersions) {
    const std::vector<operand> types = operands(v);
    for (const op &o : kBinary)
      for (const operand &a : types)
        for (const operand &b : types) {
          corpus_case c;
          c.name = std::string("binary/") + v.label + "/" + a.name + "_" + o.label + "_" + b.name + ".vert";
          c.stage = SHC_SHADER_VERTEX;
          c.labelled = false;
          c.text = shader(v, "struct S { float f; };\n",
                          "  " + declare(a, "a") + ";\n  " + declare(b, "b") + ";\n  a " + o.text + " b;\n");
          out->push_back(c);
        }
  }
}

void unary_family(std::vector<corpus_case> *out) {
  for (const version &v : kVersions)
    for (const op &o : kUnary)
      for (const operand &a : operands(v))
        for (bool postfix : {false, true}) {
          const std::string text = o.text;
          if (postfix && text != "++" && text != "--") continue;
          corpus_case c;
          c.name = std::string("unary/") + v.label + "/" + (postfix ? "post" : "") + o.label + "_" + a.name + ".vert";
          c.stage = SHC_SHADER_VERTEX;
          c.labelled = false;
          c.text = shader(v, "struct S { float f; };\n",
                          "  " + declare(a, "a") + ";\n  " + (postfix ? "a" + text : text + "a") + ";\n");
          out->push_back(c);
        }
}

void constructor_family(std::vector<corpus_case> *out) {
  static const std::vector<std::vector<const char *>> kArguments = {
      {},
      {"float"},
      {"int"},
      {"bool"},
      {"vec2"},
      {"vec3"},
      {"vec4"},
      {"ivec3"},
      {"bvec4"},
      {"mat2"},
      {"mat3"},
      {"mat4"},
      {"float", "float"},
      {"vec2", "float"},
      {"float", "vec2"},
      {"vec2", "vec2"},
      {"vec3", "float"},
      {"float", "vec3"},
      {"vec3", "vec3"},
      {"vec4", "vec4"},
      {"vec4", "float"},
      {"ivec2", "bool"},
      {"mat2", "float"},
      {"float", "float", "float"},
      {"vec2", "vec2", "vec2"},
      {"vec3", "vec3", "vec3"},
      {"float", "float", "float", "float"},
      {"vec4", "vec4", "vec4", "vec4"},
      {"vec4", "vec4", "vec4", "vec4", "float"},
      {"float", "float", "float", "float", "float", "float", "float", "float", "float"},
      {"S"},
      {"float2"}};
  for (const version &v : kVersions) {
    std::vector<operand> targets = operands(v);
    for (const operand &t : targets) {
      if (std::string(t.name) == "float2") continue;
      for (const std::vector<const char *> &args : kArguments) {
        std::string decls, call, label;
        int i = 0;
        for (const char *a : args) {
          const std::string name = "a" + std::to_string(i++);
          const operand *o = nullptr;
          for (const operand &candidate : targets)
            if (std::string(candidate.name) == a) o = &candidate;
          decls += "  " + (o != nullptr ? declare(*o, name.c_str()) : std::string(a) + " " + name) + ";\n";
          call += (call.empty() ? "" : ", ") + name;
          label += std::string("_") + a;
        }
        corpus_case c;
        c.name = std::string("constructor/") + v.label + "/" + t.name + (label.empty() ? "_none" : label) + ".vert";
        c.stage = SHC_SHADER_VERTEX;
        c.labelled = false;
        c.text = shader(v, "struct S { float f; };\n", decls + "  " + t.name + "(" + call + ");\n");
        out->push_back(c);
      }
    }
  }
}

void swizzle_family(std::vector<corpus_case> *out) {
  std::vector<std::string> swizzles;
  const char *const sets[] = {"xyzw", "rgba", "stpq"};
  for (const char *set : sets) {
    for (int n = 1; n <= 4; n++) {
      // Every string of n letters of the set whose letters are all among the
      // first three, plus the ones that reach the fourth.
      const int count = n == 1 ? 4 : n == 2 ? 16 : n == 3 ? 64 : 256;
      for (int k = 0; k < count; k++) {
        std::string s;
        int rest = k;
        for (int i = 0; i < n; i++) {
          s += set[rest % 4];
          rest /= 4;
        }
        // Keep the whole set for the xyzw letters and one in five of the others.
        if (set[0] == 'x' || k % 5 == 0) swizzles.push_back(s);
      }
    }
  }
  for (const char *mixed : {"xg", "rgz", "sx", "xyzwx", "xyzq", "a", "e", "xX", "rgbaa"})
    swizzles.push_back(mixed);
  for (const char *type : {"vec2", "vec3", "vec4", "ivec3", "bvec2", "float", "mat2"}) {
    for (const std::string &s : swizzles) {
      for (bool write : {false, true}) {
        corpus_case c;
        c.name = std::string("swizzle/100/") + type + "_" + (write ? "write_" : "read_") + s + ".vert";
        c.stage = SHC_SHADER_VERTEX;
        c.labelled = false;
        const std::string body = std::string("  ") + type + " v;\n" +
                                 (write ? "  v." + s + " = v." + s + ";\n" : "  v." + s + ";\n");
        c.text = shader(kVersions[0], "", body);
        out->push_back(c);
      }
    }
  }
}

void names_family(std::vector<corpus_case> *out) {
  static const char *const kWords[] = {
      // keywords and type names of these languages
      "attribute", "const", "uniform", "varying", "break", "continue", "do", "for", "while", "if",
      "else", "in", "out", "inout", "float", "int", "void", "bool", "true", "false", "invariant",
      "centroid", "discard", "return", "mat2", "mat3", "mat4", "mat2x2", "mat2x3", "mat3x4",
      "mat4x4", "vec2", "vec3", "vec4", "ivec2", "ivec4", "bvec3", "sampler1D", "sampler2D",
      "sampler3D", "samplerCube", "sampler1DShadow", "sampler2DShadow", "struct", "lowp",
      "mediump", "highp", "precision",
      // reserved words
      "asm", "class", "union", "enum", "typedef", "template", "this", "packed", "goto", "switch",
      "default", "inline", "noinline", "volatile", "public", "static", "extern", "external",
      "interface", "flat", "long", "short", "double", "half", "fixed", "unsigned", "superp",
      "input", "output", "hvec2", "hvec3", "hvec4", "dvec2", "dvec3", "dvec4", "fvec2", "fvec3",
      "fvec4", "sampler2DRect", "sampler3DRect", "sampler2DRectShadow", "sizeof", "cast",
      "namespace", "using",
      // words of later versions and extensions
      "uint", "uvec2", "smooth", "noperspective", "layout", "case", "sample", "patch", "subroutine",
      "sampler2DArray", "isampler2D", "usampler2D", "samplerBuffer", "sampler2DMS", "samplerExternalOES",
      "samplerCubeShadow", "image2D", "atomic_uint", "buffer", "shared", "coherent", "restrict",
      "readonly", "writeonly", "resource", "filter", "dmat2", "common", "partition", "active",
      "superp", "texture", "main",
      // names with reserved parts
      "gl_Mine", "a__b", "__start", "GL_FOO", "_x"};
  for (const version &v : kVersions)
    for (const char *w : kWords) {
      const std::string n = w;
      const std::pair<const char *, std::string> uses[] = {
          {"variable", shader(v, "", "  float " + n + " = 1.0;\n")},
          {"global", shader(v, "float " + n + ";\n", "")},
          {"function", shader(v, "float " + n + "(float x) { return x; }\n", "")},
          {"parameter", shader(v, "float f(float " + n + ") { return 1.0; }\n", "")},
          {"structure", shader(v, "struct " + n + " { float f; };\n", "")},
          {"member", shader(v, "struct S { float " + n + "; };\n", "")},
      };
      for (const auto &[use, text] : uses) {
        corpus_case c;
        c.name = std::string("names/") + v.label + "/" + use + "_" + n + ".vert";
        c.stage = SHC_SHADER_VERTEX;
        c.labelled = false;
        c.text = text;
        out->push_back(c);
      }
    }
}

}  // namespace

std::vector<corpus_case> generated_corpus(unsigned every) {
  std::vector<corpus_case> all;
  binary_family(&all);
  unary_family(&all);
  constructor_family(&all);
  swizzle_family(&all);
  names_family(&all);
  if (every <= 1) return all;
  std::vector<corpus_case> sample;
  for (size_t i = 0; i < all.size(); i += every) sample.push_back(all[i]);
  return sample;
}

unsigned sweep_step(unsigned sample) {
  const char *full = std::getenv("TESSALY_FULL_SWEEP");
  return full != nullptr && *full != '\0' && *full != '0' ? 1 : sample;
}

}  // namespace shctest
