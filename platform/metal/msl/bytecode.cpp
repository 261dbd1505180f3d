#include "platform/metal/msl/bytecode.h"

#include <cstdint>
#include <cstdio>

#include "platform/metal/msl/builtins.h"

namespace mtl::msl {

const char* opcodeName(Opcode op) {
  static const char* const names[] = {
      "nop", "mov", "convert", "bitcast", "select", "add", "sub", "mul", "div", "rem", "neg",
      "mad", "min", "max", "abs", "eq", "ne", "lt", "le", "gt", "ge", "and", "or", "xor", "not",
      "shl", "shr", "lnot", "math1", "math2", "math3", "dot", "length", "distance", "length2",
      "distance2", "normalize", "cross", "reflect", "refract", "faceforward", "any", "all",
      "determinant", "loadbuf", "storebuf", "loadidx", "storeidx", "extract", "insert", "dfdx",
      "dfdy", "fwidth", "discard", "sample", "samplecmp", "texsize", "texlevels", "if", "else",
      "endif", "loop", "endloop", "block", "endblock", "break", "breakifnot", "continue",
      "continuepoint", "return"};
  const auto k = static_cast<std::size_t>(op);
  return k < sizeof names / sizeof names[0] ? names[k] : "?";
}

const char* mathFunctionName(MathFunction f) {
  static const char* const names[] = {
      "acos", "acosh", "asin", "asinh", "atan", "atanh", "ceil", "cos", "cosh", "cospi", "exp",
      "exp2", "exp10", "floor", "fract", "log", "log2", "log10", "rint", "round", "rsqrt",
      "saturate", "sign", "sin", "sinh", "sinpi", "sqrt", "tan", "tanh", "tanpi", "trunc", "clz",
      "ctz", "popcount", "isnan", "isinf", "isfinite", "isnormal", "signbit", "atan2",
      "copysign", "fdim", "fmax", "fmin", "fmod", "pow", "powr", "step", "clamp", "mix",
      "smoothstep", "fma"};
  const auto k = static_cast<std::size_t>(f);
  return k < sizeof names / sizeof names[0] ? names[k] : "?";
}

unsigned sourceCount(const Instruction& i) {
  switch (i.op) {
    case Opcode::Mov: case Opcode::Convert: case Opcode::Bitcast: case Opcode::Neg:
    case Opcode::Abs: case Opcode::Not: case Opcode::LogicalNot: case Opcode::Math1:
    case Opcode::Length: case Opcode::LengthSquared: case Opcode::Normalize: case Opcode::Any:
    case Opcode::All: case Opcode::Determinant: case Opcode::Dfdx: case Opcode::Dfdy:
    case Opcode::Fwidth: case Opcode::If: case Opcode::BreakIfNot: case Opcode::TextureSize:
    case Opcode::LoadIndexed:
      return 1;
    case Opcode::Add: case Opcode::Sub: case Opcode::Mul: case Opcode::Div: case Opcode::Rem:
    case Opcode::Min: case Opcode::Max: case Opcode::Equal: case Opcode::NotEqual:
    case Opcode::Less: case Opcode::LessEqual: case Opcode::Greater: case Opcode::GreaterEqual:
    case Opcode::And: case Opcode::Or: case Opcode::Xor: case Opcode::Shl: case Opcode::Shr:
    case Opcode::Math2: case Opcode::Dot: case Opcode::Distance: case Opcode::DistanceSquared:
    case Opcode::Cross: case Opcode::Reflect: case Opcode::ExtractDynamic:
    case Opcode::StoreIndexed:
      return 2;
    case Opcode::Select: case Opcode::Mad: case Opcode::Math3: case Opcode::Refract:
    case Opcode::Faceforward: case Opcode::InsertDynamic:
      return 3;
    case Opcode::LoadBuffer: return i.hasDynamicOffset ? 1 : 0;
    case Opcode::StoreBuffer: return i.hasDynamicOffset ? 2 : 1;
    case Opcode::Sample: {
      const auto option = static_cast<SampleOption>(i.sampleOption);
      if (option == SampleOption::Gradient2D || option == SampleOption::GradientCube) return 3;
      return option == SampleOption::None ? 1 : 2;
    }
    case Opcode::SampleCompare:
      return static_cast<SampleOption>(i.sampleOption) == SampleOption::Level ? 3 : 2;
    default: return 0;
  }
}

bool hasDestination(Opcode op) {
  switch (op) {
    case Opcode::Nop: case Opcode::StoreBuffer: case Opcode::StoreIndexed: case Opcode::Discard:
    case Opcode::If: case Opcode::Else: case Opcode::EndIf: case Opcode::Loop:
    case Opcode::EndLoop: case Opcode::Block: case Opcode::EndBlock: case Opcode::Break:
    case Opcode::BreakIfNot: case Opcode::Continue: case Opcode::ContinuePoint:
    case Opcode::Return:
      return false;
    default: return true;
  }
}

namespace {

std::string srcText(const Src& s) {
  static const char xyzw[] = "xyzw";
  std::string t = "r" + std::to_string(s.reg) + ".";
  for (unsigned c = 0; c < 4; ++c) t += xyzw[s.component(c)];
  return t;
}

std::string maskText(std::uint8_t mask) {
  static const char xyzw[] = "xyzw";
  std::string t;
  for (unsigned c = 0; c < 4; ++c) {
    if (mask & (1u << c)) t += xyzw[c];
  }
  return t;
}

}  // namespace

std::string disassemble(const CompiledFunction& f) {
  std::string out;
  char line[160];
  for (std::size_t k = 0; k < f.constants.size(); ++k) {
    std::snprintf(line, sizeof line, "const r%zu = %08x %08x %08x %08x\n", k, f.constants[k][0],
                  f.constants[k][1], f.constants[k][2], f.constants[k][3]);
    out += line;
  }
  for (std::size_t k = 0; k < f.code.size(); ++k) {
    const Instruction& i = f.code[k];
    std::string text = std::to_string(k) + ": " + opcodeName(i.op);
    if (i.op == Opcode::Math1 || i.op == Opcode::Math2 || i.op == Opcode::Math3) {
      text += std::string(".") + mathFunctionName(static_cast<MathFunction>(i.aux));
    }
    text += std::string(".") + scalarName(i.type);
    if (hasDestination(i.op)) text += " r" + std::to_string(i.dst) + "." + maskText(i.mask);
    for (unsigned s = 0; s < sourceCount(i); ++s) text += (s ? ", " : " ") + srcText(i.src[s]);
    switch (i.op) {
      case Opcode::If: case Opcode::Else: case Opcode::Loop: case Opcode::EndLoop:
      case Opcode::Block: case Opcode::Break: case Opcode::BreakIfNot: case Opcode::Continue:
        text += " -> " + std::to_string(i.target);
        break;
      case Opcode::LoadBuffer: case Opcode::StoreBuffer:
        text += " buffer(" + std::to_string(i.aux) + ")+" + std::to_string(i.offset);
        break;
      case Opcode::LoadIndexed: case Opcode::StoreIndexed:
        text += " [r" + std::to_string(i.offset) + " + " + std::to_string(i.target) + " + i*" +
                std::to_string(i.stride) + " of " + std::to_string(i.count) + "] x" +
                std::to_string(i.width);
        break;
      case Opcode::Sample: case Opcode::SampleCompare:
        text += " texture(" + std::to_string(i.aux) + ") sampler(" + std::to_string(i.offset) + ")";
        break;
      default: break;
    }
    out += text + "\n";
  }
  return out;
}

std::string verify(const CompiledFunction& f) {
  const std::uint64_t registers = f.registerCount;
  const std::uint64_t constants = f.constants.size();
  if (constants > registers) return "more constants than registers";
  struct Open {
    Opcode op;
    std::size_t at;
    bool sawElse = false;
    bool sawContinuePoint = false;
    std::size_t continuePoint = 0;
  };
  std::vector<Open> open;
  // Breaks and continues are checked once their construct has ended.
  struct Jump {
    std::size_t at;
    std::size_t construct;  // index into `ends`
  };
  std::vector<Jump> breaks, continues;
  std::vector<std::size_t> starts, ends, continuePoints;
  std::vector<std::size_t> openConstruct;  // construct ids of the open Loop/Block entries
  const auto fail = [](std::size_t at, const std::string& what) {
    return "instruction " + std::to_string(at) + ": " + what;
  };
  for (std::size_t at = 0; at < f.code.size(); ++at) {
    const Instruction& i = f.code[at];
    if (static_cast<unsigned>(i.op) > static_cast<unsigned>(Opcode::Return)) return fail(at, "bad opcode");
    for (unsigned k = 0; k < sourceCount(i); ++k) {
      if (i.src[k].reg >= registers) return fail(at, "source register outside the file");
    }
    if (hasDestination(i.op)) {
      const std::uint64_t width = i.op == Opcode::LoadIndexed ? i.width : 1;
      if (i.dst < constants || i.dst + width > registers) return fail(at, "bad destination register");
    }
    if (i.op == Opcode::LoadIndexed || i.op == Opcode::StoreIndexed) {
      if (std::uint64_t{i.offset} + i.count > registers) return fail(at, "indexed range outside the file");
      if (i.op == Opcode::StoreIndexed &&
          (i.offset < constants || i.src[1].reg + std::uint64_t{i.width} > registers)) {
        return fail(at, "indexed store into constants or from outside the file");
      }
    }
    if (i.op == Opcode::Determinant && i.src[0].reg + std::uint64_t{i.width} > registers) {
      return fail(at, "matrix outside the file");
    }
    switch (i.op) {
      case Opcode::If: open.push_back({i.op, at}); break;
      case Opcode::Else:
        if (open.empty() || open.back().op != Opcode::If || open.back().sawElse) return fail(at, "else without if");
        if (f.code[open.back().at].target != at) return fail(at, "if does not target its else");
        open.back().sawElse = true;
        open.back().at = at;
        break;
      case Opcode::EndIf:
        if (open.empty() || open.back().op != Opcode::If) return fail(at, "endif without if");
        if (f.code[open.back().at].target != at) return fail(at, "if or else does not target its endif");
        open.pop_back();
        break;
      case Opcode::Loop: case Opcode::Block:
        open.push_back({i.op, at});
        openConstruct.push_back(starts.size());
        starts.push_back(at);
        ends.push_back(0);
        continuePoints.push_back(SIZE_MAX);
        break;
      case Opcode::EndLoop: case Opcode::EndBlock: {
        const Opcode start = i.op == Opcode::EndLoop ? Opcode::Loop : Opcode::Block;
        if (open.empty() || open.back().op != start) return fail(at, "construct end without its start");
        if (f.code[open.back().at].target != at + 1) return fail(at, "construct start does not target past its end");
        if (i.op == Opcode::EndLoop && i.target != open.back().at + 1) return fail(at, "endloop does not jump to its loop");
        ends[openConstruct.back()] = at;
        open.pop_back();
        openConstruct.pop_back();
        break;
      }
      case Opcode::Break: case Opcode::BreakIfNot: case Opcode::Continue:
      case Opcode::ContinuePoint: {
        // Constructs are counted from the innermost; Ifs do not count.
        const std::size_t depth = i.op == Opcode::Break ? i.aux : 0;
        if (depth >= openConstruct.size()) return fail(at, "jump out of no construct");
        const std::size_t id = openConstruct[openConstruct.size() - 1 - depth];
        const bool loop = f.code[starts[id]].op == Opcode::Loop;
        if (i.op != Opcode::Break && !loop) return fail(at, "loop jump outside a loop");
        if (i.op == Opcode::ContinuePoint) {
          if (continuePoints[id] != SIZE_MAX) return fail(at, "second continue point");
          continuePoints[id] = at;
        } else if (i.op == Opcode::Continue) {
          continues.push_back({at, id});
        } else {
          breaks.push_back({at, id});
        }
        break;
      }
      default: break;
    }
  }
  if (!open.empty()) return fail(open.back().at, "construct never closed");
  if (f.code.empty() || f.code.back().op != Opcode::Return) return "the code does not end in return";
  for (const Jump& b : breaks) {
    if (f.code[b.at].target != ends[b.construct] + 1) return fail(b.at, "break does not leave its construct");
  }
  for (const Jump& c : continues) {
    if (continuePoints[c.construct] == SIZE_MAX || f.code[c.at].target != continuePoints[c.construct]) {
      return fail(c.at, "continue does not reach its continue point");
    }
  }
  for (const auto* list : {&f.inputs, &f.outputs}) {
    for (const InterfaceValue& v : *list) {
      if (v.reg < constants || v.reg >= registers) return "interface register outside the file";
    }
  }
  return {};
}

}  // namespace mtl::msl
