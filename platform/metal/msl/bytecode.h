// The bytecode of one compiled vertex or fragment function, and its
// interface: what goes in, what comes out, which resources it reads.
//
// Registers. A function owns `registerCount` registers of four 32-bit
// components (x, y, z, w). Registers [0, constants.size()) hold the folded
// constants, which never change: an executor may keep one copy for all its
// lanes. Inputs are loaded into their registers before the first
// instruction; outputs are read from theirs after the function ends. Every
// other register starts at zero.
//
// Values. A component holds the bits of its scalar kind: float as IEEE
// binary32; half as the binary32 of a binary16 value (every half operation
// rounds its result to binary16); int, short and char sign-extended to 32
// bits; uint, ushort and uchar zero-extended; bool as 0 or 1. A vector uses
// its first N components; a matrix occupies one register per column; arrays
// and structs occupy consecutive registers, element after element, member
// after member (see Type::registers).
//
// Instructions. Each instruction writes the components of `dst` set in
// `mask`; component c of the result is computed from component
// `swizzle[c]` of each source (Src::component). All sources are read
// before dst is written, so dst may be a source. The operation's scalar kind
// is `type`; conversions also name `sourceType`. Reductions (Dot, Length,
// Distance, Any, All, Determinant of columns in consecutive registers) read
// `width` components and write their one result into every masked
// component; vector operations (Cross, Normalize, Reflect, Refract,
// Faceforward) read `width` components.
//
// Control flow is structured, so that an executor can run lanes in lockstep
// under masks:
//   If s0.x ... [Else ...] EndIf      `target` of If is its Else (or EndIf),
//                                     of Else its EndIf.
//   Loop ... EndLoop                  `target` of Loop is the instruction
//                                     after EndLoop; EndLoop jumps back to
//                                     the instruction after Loop.
//   Block ... EndBlock                a construct to leave with Break (an
//                                     inlined function's early return).
//   Break                             leaves `aux` + 1 enclosing Loop/Block
//                                     constructs; `target` is the
//                                     instruction after the last one's end.
//   BreakIfNot s0.x                   leaves the innermost Loop when false.
//   Continue                          skips to the innermost Loop's
//                                     ContinuePoint (`target`).
//   ContinuePoint                     where lanes that continued rejoin.
//   Return                            the lane is finished; outputs stand.
//   Discard                           the lane's fragment is discarded.
// Breaks and continues never cross a construct other than their own
// Loop/Block and any If inside it.
//
// Memory. LoadBuffer reads `mask` components of kind `type` from buffer
// slot `aux` at byte offset `offset` (+ s0.x when `hasDynamicOffset`),
// components `stride` bytes apart; StoreBuffer writes s0 likewise. Reads
// beyond the bound length give 0 and writes there are dropped.
// LoadIndexed copies `width` registers from register
// `offset` + `target` + s0.x * `stride` to dst, where [`offset`, `offset` +
// `count`) is the indexed range and `target` a static displacement inside
// it; StoreIndexed copies `width` registers from s1 there. An access that
// does not lie wholly inside the range (s0.x as unsigned) reads 0 and
// writes nothing.
//
// Textures. Sample and SampleCompare name the texture slot in `aux`, the
// sampler slot in `offset` and the texture's TextureShape in `stride`; s0
// holds the coordinate (`width` components), and by `sampleOption`
// (SampleOption of builtins.h): s1.x the bias or level, or s1 and s2 the
// gradients in x and y; for SampleCompare s1.x is the reference and s2.x
// the level. The result has `type` components: four, or one for depth
// textures. TextureSize gives the width (`target` 0) or height (1) at level
// s0.x; TextureLevels the mip level count. Derivatives (Dfdx, Dfdy,
// Fwidth) and texture instructions reach the executor through
// ExecutionHooks (reference_interpreter.h).
//
// Integer division or remainder by zero gives 0, INT_MIN / -1 gives
// INT_MIN; shift counts use their low 5 bits; float-to-integer conversion
// truncates and saturates, NaN giving 0.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/metal/msl/types.h"
#include "platform/metal/states.h"
#include "platform/metal/types.h"

namespace mtl::msl {

enum class Opcode : std::uint8_t {
  Nop,
  Mov,          // dst = s0
  Convert,      // dst(type) = s0(sourceType), value conversion
  Bitcast,      // dst(type) = bits of s0(sourceType) (as_type)
  Select,       // dst = s0 (bool) ? s1 : s2
  // Arithmetic in `type`.
  Add, Sub, Mul, Div, Rem, Neg, Mad,  // Mad: s0 * s1 + s2, rounded twice
  Min, Max, Abs,
  // Comparisons of `sourceType` operands, giving bool.
  Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual,
  // Bitwise on integers and bools.
  And, Or, Xor, Not, Shl, Shr, LogicalNot,
  // Built-in functions: `aux` names a MathFunction, `width` the vector
  // length of geometric ones.
  Math1, Math2, Math3,
  Dot, Length, Distance, LengthSquared, DistanceSquared, Normalize, Cross, Reflect, Refract,
  Faceforward, Any, All, Determinant,
  // Memory.
  LoadBuffer, StoreBuffer, LoadIndexed, StoreIndexed,
  ExtractDynamic,  // dst.x = s0[s1.x] of `width` components (0 outside)
  InsertDynamic,   // dst = s0 with component s1.x set to s2.x (unchanged outside)
  // Fragment functions.
  Dfdx, Dfdy, Fwidth, Discard,
  Sample, SampleCompare, TextureSize, TextureLevels,
  // Control flow.
  If, Else, EndIf, Loop, EndLoop, Block, EndBlock, Break, BreakIfNot, Continue, ContinuePoint,
  Return,
};

const char* opcodeName(Opcode op);

// Component-wise built-ins computed by builtin_math.h.
enum class MathFunction : std::uint8_t {
  Acos, Acosh, Asin, Asinh, Atan, Atanh, Ceil, Cos, Cosh, Cospi, Exp, Exp2, Exp10, Floor, Fract,
  Log, Log2, Log10, Rint, Round, Rsqrt, Saturate, Sign, Sin, Sinh, Sinpi, Sqrt, Tan, Tanh, Tanpi,
  Trunc, Clz, Ctz, Popcount, Isnan, Isinf, Isfinite, Isnormal, Signbit,
  // Two arguments.
  Atan2, Copysign, Fdim, Fmax, Fmin, Fmod, Pow, Powr, Step,
  // Three arguments.
  Clamp, Mix, Smoothstep, Fma,
};

const char* mathFunctionName(MathFunction f);

// The scalar kind an instruction computes in (Scalar of types.h).
using ScalarKind = Scalar;

struct Src {
  std::uint16_t reg = 0;
  std::uint8_t swizzle = 0xE4;  // 2 bits per component: x y z w
  std::uint8_t component(unsigned c) const { return (swizzle >> (2 * c)) & 3u; }
};

struct Instruction {
  Opcode op = Opcode::Nop;
  ScalarKind type = Scalar::Float;
  ScalarKind sourceType = Scalar::Float;
  std::uint8_t mask = 0xF;     // components of dst written
  std::uint8_t width = 4;      // reductions, geometry, indexed copies
  std::uint8_t aux = 0;        // MathFunction, buffer or texture slot, break depth
  std::uint8_t sampleOption = 0;  // SampleOption of builtins.h
  bool hasDynamicOffset = false;
  std::uint16_t dst = 0;
  Src src[3];
  std::uint32_t offset = 0;    // byte offset, register base, sampler slot
  std::uint32_t stride = 0;    // component or element stride
  std::uint32_t count = 0;     // elements of an indexed range
  std::uint32_t target = 0;    // jump target of control flow
};

// A value of the function's interface, in consecutive registers.
enum class InterfaceKind : std::uint8_t {
  Attribute,    // vertex input [[attribute(index)]]
  Varying,      // vertex output or fragment input, matched by name
  Position,     // vertex output or fragment input [[position]]
  PointSize,    // vertex output
  FrontFacing,  // fragment input
  PointCoord,   // fragment input
  Color,        // fragment output [[color(index)]]
};

struct InterfaceValue {
  InterfaceKind kind = InterfaceKind::Varying;
  std::string name;             // member name, or the user(name) of a varying
  std::uint32_t index = 0;      // attribute or colour index
  Scalar scalar = Scalar::Float;
  std::uint8_t components = 4;
  Interpolation interpolation = Interpolation::CenterPerspective;
  DataType dataType = DataType::None;
  std::uint16_t reg = 0;
  bool active = false;          // read (inputs) by the code
};

// A buffer, texture or sampler the function binds.
struct ResourceUse {
  std::uint32_t slot = 0;
  bool active = false;
  bool writes = false;          // device buffers written by the code
};

// Reflection of one parameter, in parameter order. The stage_in parameter
// is a placeholder that pipeline creation expands into one vertex buffer
// argument per descriptor buffer the active attributes read.
struct ArgumentTemplate {
  Argument argument;
  bool stageIn = false;
};

struct CompiledFunction {
  std::string name;
  FunctionType stage = FunctionType::Vertex;
  std::vector<Instruction> code;
  std::vector<std::array<std::uint32_t, 4>> constants;
  std::uint32_t registerCount = 0;
  std::vector<InterfaceValue> inputs;
  std::vector<InterfaceValue> outputs;
  std::vector<ResourceUse> buffers;
  std::vector<ResourceUse> textures;
  std::vector<ResourceUse> samplers;
  std::vector<ArgumentTemplate> arguments;
  bool hasStageIn = false;
  bool usesDiscard = false;
  bool usesDerivatives = false;
};

// How many of src[0..2] the instruction reads (the register lists of
// LoadIndexed, StoreIndexed and Determinant count as one source each).
unsigned sourceCount(const Instruction& instruction);
// Whether the instruction writes `dst`.
bool hasDestination(Opcode op);

// One line per instruction, for tests and for reading a failing case.
std::string disassemble(const CompiledFunction& function);

// Checks what an executor relies on: registers inside the file, constants
// never written, control flow properly nested with every target where the
// format says, a final Return. Empty when the function is well formed,
// else the first problem.
std::string verify(const CompiledFunction& function);

}  // namespace mtl::msl
