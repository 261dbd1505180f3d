#include "platform/metal/msl/checker.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/metal/msl/builtins.h"

namespace mtl::msl {
namespace {

// Where a conversion happens, for the wording of its error.
enum class Context : std::uint8_t { Initialize, Assign, Return, Element, Argument };

bool isSmallInteger(Scalar s) {
  return s == Scalar::Bool || s == Scalar::Char || s == Scalar::UChar || s == Scalar::Short ||
         s == Scalar::UShort;
}

// C++'s usual arithmetic conversions of two scalar kinds, with half ranked
// below float.
Scalar usualArithmetic(Scalar a, Scalar b) {
  if (a == Scalar::Float || b == Scalar::Float) return Scalar::Float;
  if (a == Scalar::Half || b == Scalar::Half) return Scalar::Half;
  const Scalar pa = isSmallInteger(a) ? Scalar::Int : a;
  const Scalar pb = isSmallInteger(b) ? Scalar::Int : b;
  return (pa == Scalar::UInt || pb == Scalar::UInt) ? Scalar::UInt : Scalar::Int;
}

Scalar promote(Scalar s) { return isSmallInteger(s) ? Scalar::Int : s; }

struct BinaryTypes {
  const Type* left = nullptr;
  const Type* right = nullptr;
  const Type* result = nullptr;
};

const std::set<std::string> kInterpolations = {
    "center_perspective", "center_no_perspective", "centroid_perspective",
    "centroid_no_perspective", "sample_perspective", "sample_no_perspective", "flat"};
const std::set<std::string> kUnsupportedAttributes = {
    "vertex_id", "instance_id", "base_vertex", "base_instance", "depth", "sample_id",
    "sample_mask", "clip_distance", "render_target_array_index", "viewport_array_index",
    "amplification_id", "amplification_count", "primitive_id", "barycentric_coord",
    "threadgroup", "function_constant", "raster_order_group", "id"};

class Checker {
 public:
  Checker(TranslationUnit& unit, TypeTable& types, Diagnostics& diagnostics)
      : unit_(unit), types_(types), diag_(diagnostics) {}

  void run() {
    scopes_.emplace_back();
    for (auto [kind, index] : unit_.order) {
      if (diag_.full()) return;
      switch (kind) {
        case TranslationUnit::DeclKind::Struct: structDecl(*unit_.structs[index]); break;
        case TranslationUnit::DeclKind::Global: globalDecl(*unit_.globals[index]); break;
        case TranslationUnit::DeclKind::Function: functionDecl(*unit_.functions[index]); break;
      }
    }
    callGraphChecks();
  }

 private:
  void error(SourceLocation at, std::string message) { diag_.error(at, std::move(message)); }

  // ---- types

  std::optional<std::int64_t> evalInt(const Expr& e) {
    switch (e.kind) {
      case ExprKind::IntLiteral: return static_cast<std::int64_t>(e.intValue);
      case ExprKind::BoolLiteral: return e.boolValue ? 1 : 0;
      case ExprKind::Name: {
        Variable* v = lookup(e.name);
        if (!v || v->kind != Variable::Kind::GlobalConstant || !v->type || !v->type->isScalar() ||
            !isInteger(v->type->scalar) || !v->initializer) {
          return std::nullopt;
        }
        // Each constant once: a chain of constants that each use the one
        // before twice stays linear.
        auto known = globalValues_.find(v);
        if (known != globalValues_.end()) return known->second;
        const auto value = evalInt(*v->initializer);
        globalValues_.emplace(v, value);
        return value;
      }
      case ExprKind::Unary: {
        auto a = evalInt(*e.operands[0]);
        if (!a) return a;
        if (e.op == Op::Negate) return -*a;
        if (e.op == Op::Plus) return *a;
        if (e.op == Op::BitNot) return ~*a;
        return std::nullopt;
      }
      case ExprKind::Binary: {
        auto a = evalInt(*e.operands[0]);
        auto b = evalInt(*e.operands[1]);
        if (!a || !b) return std::nullopt;
        const std::int64_t limit = std::int64_t{1} << 40;
        if (*a > limit || *a < -limit || *b > limit || *b < -limit) return std::nullopt;
        switch (e.op) {
          case Op::Add: return *a + *b;
          case Op::Sub: return *a - *b;
          case Op::Mul: return *a * *b;
          case Op::Div: if (*b == 0) return std::nullopt; return *a / *b;
          case Op::Rem: if (*b == 0) return std::nullopt; return *a % *b;
          case Op::Shl: if (*b < 0 || *b > 31) return std::nullopt; return *a << *b;
          case Op::Shr: if (*b < 0 || *b > 31) return std::nullopt; return *a >> *b;
          case Op::BitAnd: return *a & *b;
          case Op::BitOr: return *a | *b;
          case Op::BitXor: return *a ^ *b;
          default: return std::nullopt;
        }
      }
      case ExprKind::Cast: case ExprKind::Construct:
        if (e.operands.size() == 1) return evalInt(*e.operands[0]);
        return std::nullopt;
      default: return std::nullopt;
    }
  }

  // Wraps `base` in the extents [first, end) of the list, innermost last.
  const Type* applyExtents(const Type* base, std::vector<ExprPtr>& extents, std::size_t first,
                           std::size_t end) {
    const Type* t = base;
    for (std::size_t k = end; k-- > first;) {
      const Expr& x = *extents[k];
      const auto n = evalInt(x);
      if (!n) {
        error(x.location, "array size is not an integral constant expression");
        return types_.errorType();
      }
      if (*n <= 0) {
        error(x.location, "array size must be greater than zero");
        return types_.errorType();
      }
      if (t->isError()) return t;
      if (!t->isData()) {
        error(x.location, "arrays of '" + t->name + "' are not supported");
        return types_.errorType();
      }
      const Type* a = types_.array(t, static_cast<std::uint64_t>(*n));
      if (!a) {
        error(x.location, "array is too large (" + std::to_string(*n) + " elements)");
        return types_.errorType();
      }
      t = a;
    }
    return t;
  }

  const Type* resolveType(TypeRef& r) {
    r.resolved = resolveTypeUncached(r);
    return r.resolved;
  }

  const Type* resolveTypeUncached(TypeRef& r) {
    std::size_t firstExtent = 0;
    const Type* base = nullptr;
    if (r.name == "texture2d" || r.name == "texturecube" || r.name == "depth2d") {
      const Type* element = resolveType(r.typeArguments[0]);
      if (element->isError()) return element;
      const bool depth = r.name == "depth2d";
      if (!element->isScalar() || element->scalar == Scalar::Bool ||
          element->scalar == Scalar::Char || element->scalar == Scalar::UChar ||
          (depth && element->scalar != Scalar::Float)) {
        error(r.typeArguments[0].location,
              "'" + element->name + "' is not a valid element type of '" + r.name + "'");
        return types_.errorType();
      }
      TextureAccess access = TextureAccess::Sample;
      if (!r.accessArguments.empty()) {
        const std::string& a = r.accessArguments[0];
        if (a == "read") access = TextureAccess::Read;
        else if (a != "sample") {
          error(r.location, a == "write" || a == "read_write"
                                ? "textures with access::" + a + " are not supported"
                                : "unknown texture access qualifier '" + a + "'");
          return types_.errorType();
        }
      }
      const TextureShape shape = r.name == "texture2d"     ? TextureShape::Texture2D
                                 : r.name == "texturecube" ? TextureShape::TextureCube
                                                           : TextureShape::Depth2D;
      base = types_.texture(shape, element->scalar, access);
    } else if (r.name == "array") {
      const Type* element = resolveType(r.typeArguments[0]);
      if (element->isError()) return element;
      // The template's own extent; a declarator's extents follow it.
      base = applyExtents(element, r.arrayExtents, 0, 1);
      firstExtent = 1;
    } else if (auto it = structs_.find(r.name); it != structs_.end()) {
      base = it->second;
    } else {
      base = types_.byName(r.name);
      if (!base) {
        error(r.location, "unknown type name '" + r.name + "'");
        return types_.errorType();
      }
    }
    if (base->isError()) return base;
    return applyExtents(base, r.arrayExtents, firstExtent, r.arrayExtents.size());
  }

  // ---- scopes

  Variable* lookup(const std::string& name) {
    for (auto s = scopes_.rbegin(); s != scopes_.rend(); ++s) {
      auto it = s->find(name);
      if (it != s->end()) return it->second;
    }
    return nullptr;
  }

  // Scopes: [0] the program, [1] a function's parameters, [2] its body,
  // then nested blocks. The body may not redeclare a parameter.
  void declare(Variable* v) {
    if (v->name.empty()) return;
    auto& scope = scopes_.back();
    if (scope.count(v->name) || (scopes_.size() == 3 && scopes_[1].count(v->name))) {
      error(v->location, "redefinition of '" + v->name + "'");
      return;
    }
    if (scopes_.size() == 1 && functions_.count(v->name)) {
      error(v->location, "redefinition of '" + v->name + "' as different kind of symbol");
      return;
    }
    scope[v->name] = v;
  }

  // ---- attributes

  // Parses one attribute's index argument; false after an error.
  bool index(const Attribute& a, std::uint32_t limit, std::uint32_t& out) {
    if (!a.hasArgument || a.argument.empty() ||
        a.argument.find_first_not_of("0123456789") != std::string::npos) {
      error(a.location, "'" + a.name + "' attribute requires an integer constant");
      return false;
    }
    if (a.argument.size() > 6 || std::stoul(a.argument) >= limit) {
      error(a.location, "'" + a.name + "' index " + a.argument + " is out of range (0 to " +
                            std::to_string(limit - 1) + ")");
      return false;
    }
    out = static_cast<std::uint32_t>(std::stoul(a.argument));
    return true;
  }

  // The semantic of a struct member from its attributes.
  MemberSemantic memberSemantic(const std::vector<Attribute>& attributes) {
    MemberSemantic s;
    for (const Attribute& a : attributes) {
      Semantic kind = Semantic::None;
      if (kInterpolations.count(a.name)) {
        if (a.hasArgument) error(a.location, "'" + a.name + "' attribute takes no argument");
        if (s.explicitInterpolation) error(a.location, "a member has one interpolation qualifier");
        s.explicitInterpolation = true;
        const std::string& n = a.name;
        s.interpolation = n == "flat"                    ? Interpolation::Flat
                          : n == "center_no_perspective" ? Interpolation::CenterNoPerspective
                          : n == "centroid_perspective"  ? Interpolation::CentroidPerspective
                          : n == "centroid_no_perspective" ? Interpolation::CentroidNoPerspective
                          : n == "sample_perspective"    ? Interpolation::SamplePerspective
                          : n == "sample_no_perspective" ? Interpolation::SampleNoPerspective
                                                         : Interpolation::CenterPerspective;
        continue;
      }
      if (a.name == "position") kind = Semantic::Position;
      else if (a.name == "point_size") kind = Semantic::PointSize;
      else if (a.name == "front_facing") kind = Semantic::FrontFacing;
      else if (a.name == "point_coord") kind = Semantic::PointCoord;
      else if (a.name == "attribute") kind = Semantic::Attribute;
      else if (a.name == "color") kind = Semantic::Color;
      else if (a.name == "user") kind = Semantic::User;
      else if (a.name == "stage_in" || a.name == "buffer" || a.name == "texture" ||
               a.name == "sampler") {
        error(a.location, "'" + a.name + "' attribute only applies to parameters");
        continue;
      } else if (kUnsupportedAttributes.count(a.name)) {
        error(a.location, "attribute '" + a.name + "' is not supported");
        continue;
      } else {
        error(a.location, "unknown attribute '" + a.name + "'");
        continue;
      }
      if (s.kind != Semantic::None) {
        error(a.location, "a member has one of the attributes position, point_size, "
                          "front_facing, point_coord, attribute, color and user");
        continue;
      }
      s.kind = kind;
      if (kind == Semantic::Attribute) {
        index(a, kAttributeSlots, s.index);
      } else if (kind == Semantic::Color) {
        index(a, kColorSlots, s.index);
      } else if (kind == Semantic::User) {
        if (!a.hasArgument || a.argument.empty() ||
            std::isdigit(static_cast<unsigned char>(a.argument[0]))) {
          error(a.location, "'user' attribute requires a name");
        }
        s.user = a.argument;
      } else if (a.hasArgument) {
        error(a.location, "'" + a.name + "' attribute takes no argument");
      }
    }
    return s;
  }

  // ---- declarations

  void structDecl(StructDecl& s) {
    std::vector<StructMemberInfo> members;
    std::set<std::string> names;
    bool ok = true;
    for (MemberDecl& m : s.members) {
      const Type* t = resolveType(m.type);
      if (t->isError()) {
        ok = false;
        continue;
      }
      if (!t->isData()) {
        error(m.location, "a struct member cannot be of type '" + t->name + "'");
        ok = false;
        continue;
      }
      if (!names.insert(m.name).second) {
        error(m.location, "duplicate member '" + m.name + "'");
        ok = false;
        continue;
      }
      StructMemberInfo info;
      info.name = m.name;
      info.type = t;
      info.semantic = memberSemantic(m.attributes);
      members.push_back(std::move(info));
    }
    if (members.empty() && ok) {
      error(s.location, "empty structs are not supported");
      ok = false;
    }
    const Type* t = ok ? types_.makeStruct(s.name, std::move(members)) : types_.errorType();
    if (!t) {
      error(s.location, "struct '" + s.name + "' is too large");
      t = types_.errorType();
    }
    s.type = t;
    structs_[s.name] = t;
  }

  void globalDecl(GlobalDecl& g) {
    const Type* t = resolveType(g.type);
    Variable& v = *g.variable;
    v.type = t;
    if (!t->isError() && !t->isData()) {
      error(g.location, "a program scope constant cannot be of type '" + t->name + "'");
      v.type = types_.errorType();
    }
    initializer(g.initializer, v.type, v.name);
    if (!constantExpression(*g.initializer)) {
      error(g.initializer->location,
            "initializer of a program scope constant is not a constant expression");
    }
    v.initializer = g.initializer.get();
    declare(&v);
  }

  // Whether the expression only combines literals and constants.
  bool constantExpression(const Expr& e) {
    switch (e.kind) {
      case ExprKind::IntLiteral: case ExprKind::FloatLiteral: case ExprKind::BoolLiteral:
        return true;
      case ExprKind::Name:
        return e.variable && e.variable->kind == Variable::Kind::GlobalConstant;
      case ExprKind::Assign: case ExprKind::Postfix: case ExprKind::MethodCall:
        return false;
      case ExprKind::Unary:
        if (e.op == Op::PreIncrement || e.op == Op::PreDecrement) return false;
        break;
      case ExprKind::Call:
        if (e.function || e.builtin < 0 ||
            isFragmentOnly(static_cast<Builtin>(e.builtin))) {
          return false;
        }
        break;
      default: break;
    }
    return std::all_of(e.operands.begin(), e.operands.end(),
                       [&](const ExprPtr& o) { return constantExpression(*o); });
  }

  static bool sameParameters(const FunctionDecl& a, const FunctionDecl& b) {
    if (a.parameters.size() != b.parameters.size()) return false;
    for (std::size_t i = 0; i < a.parameters.size(); ++i) {
      const Variable& x = *a.parameters[i].variable;
      const Variable& y = *b.parameters[i].variable;
      if (x.type != y.type || x.isReference != y.isReference ||
          x.addressSpace != y.addressSpace || (x.isReference && x.isConst != y.isConst)) {
        return false;
      }
    }
    return true;
  }

  void functionDecl(FunctionDecl& f) {
    const bool entry = f.functionKind != FunctionKind::Plain;
    const Type* ret = resolveType(f.returnType);
    if (!ret->isError() && !ret->isVoid() && !ret->isData()) {
      error(f.returnType.location, "a function cannot return '" + ret->name + "'");
      ret = types_.errorType();
    } else if (ret->isArray() && f.returnType.name != "array") {
      error(f.returnType.location, "function cannot return array type '" + ret->name + "'");
      ret = types_.errorType();
    }
    f.resolvedReturn = ret;
    if (!f.attributes.empty()) {
      error(f.attributes[0].location, "attributes after a function's parameters are not supported");
    }
    for (Parameter& p : f.parameters) parameterDecl(f, p, entry);
    if (entry) entryInterface(f);

    // Overloads, prototypes and redefinitions.
    auto& overloads = functions_[f.name];
    if (scopes_[0].count(f.name)) {
      error(f.location, "redefinition of '" + f.name + "' as different kind of symbol");
    }
    bool declared = false;
    for (FunctionDecl* other : overloads) {
      const bool same = sameParameters(*other, f);
      if (entry || other->functionKind != FunctionKind::Plain) {
        // A stage function has no overloads; a declaration may precede it.
        if (!same || other->functionKind != f.functionKind) {
          error(f.location, "a vertex or fragment function cannot be overloaded");
          break;
        }
      } else if (!same) {
        continue;
      }
      if (other->resolvedReturn != f.resolvedReturn) {
        error(f.location, "functions that differ only in their return type cannot be overloaded");
        break;
      }
      if (other->body && f.body) {
        error(f.location, "redefinition of '" + f.name + "'");
        break;
      }
      // A declaration and its definition are one overload.
      if (f.body) other->definition = &f;
      if (other->body) f.definition = other;
      declared = true;
      break;
    }
    if (!declared) overloads.push_back(&f);

    if (!f.body) return;
    current_ = &f;
    scopes_.emplace_back();
    for (Parameter& p : f.parameters) declare(p.variable.get());
    compound(*f.body);
    scopes_.pop_back();
    current_ = nullptr;
  }

  void parameterDecl(const FunctionDecl& f, Parameter& p, bool entry) {
    Variable& v = *p.variable;
    const Type* t = resolveType(p.type);
    v.type = t;
    if (t->isError()) return;
    if (!p.type.arrayExtents.empty() && p.type.name != "array") {
      error(p.location, "array parameters are not supported; use array<T, N>");
      v.type = types_.errorType();
      return;
    }
    if (t->isVoid()) {
      error(p.location, "a parameter cannot have type 'void'");
      v.type = types_.errorType();
      return;
    }
    const bool resource = t->kind == TypeKind::Texture || t->kind == TypeKind::Sampler;
    // Nothing in the constant address space can be written.
    if (v.addressSpace == AddressSpace::Constant) v.isConst = true;
    if (v.isReference) {
      if (resource) {
        error(p.location, "references to '" + t->name + "' are not supported");
      } else if (v.addressSpace == AddressSpace::None) {
        error(p.location, "reference type must have explicit address space qualifier");
      }
    } else if (v.addressSpace != AddressSpace::None) {
      error(p.location, "parameter may not be qualified with an address space");
    } else {
      v.addressSpace = resource ? AddressSpace::None : AddressSpace::Thread;
    }
    if (!entry) {
      if (!v.attributes.empty()) {
        error(v.attributes[0].location,
              "attributes on parameters are only allowed in vertex and fragment functions");
      }
      return;
    }
    // Entry-point parameters: one binding attribute each.
    for (const Attribute& a : v.attributes) {
      Semantic role = Semantic::None;
      std::uint32_t limit = 0;
      if (a.name == "stage_in") role = Semantic::StageIn;
      else if (a.name == "buffer") { role = Semantic::Buffer; limit = kBufferSlots; }
      else if (a.name == "texture") { role = Semantic::Texture; limit = kTextureSlots; }
      else if (a.name == "sampler") { role = Semantic::Sampler; limit = kSamplerSlots; }
      else if (a.name == "position") role = Semantic::Position;
      else if (a.name == "front_facing") role = Semantic::FrontFacing;
      else if (a.name == "point_coord") role = Semantic::PointCoord;
      else if (kUnsupportedAttributes.count(a.name) || kInterpolations.count(a.name) ||
               a.name == "attribute" || a.name == "user" || a.name == "color" ||
               a.name == "point_size") {
        error(a.location, "attribute '" + a.name + "' is not supported on a parameter");
        continue;
      } else {
        error(a.location, "unknown attribute '" + a.name + "'");
        continue;
      }
      if (v.role != Semantic::None) {
        error(a.location, "a parameter has one binding attribute");
        continue;
      }
      v.role = role;
      if (limit) {
        index(a, limit, v.slot);
      } else if (a.hasArgument) {
        error(a.location, "'" + a.name + "' attribute takes no argument");
      }
    }
    (void)f;
  }

  // Entry-point parameters and results against the stage's rules.
  void entryInterface(FunctionDecl& f) {
    const bool vertex = f.functionKind == FunctionKind::Vertex;
    const char* stage = vertex ? "vertex" : "fragment";
    std::map<std::uint32_t, std::string> buffers, textures, samplers;
    bool stageIn = false;
    for (Parameter& p : f.parameters) {
      Variable& v = *p.variable;
      const Type* t = v.type;
      if (t->isError()) continue;
      const std::string name = v.name.empty() ? "<unnamed>" : v.name;
      const auto claim = [&](std::map<std::uint32_t, std::string>& used, const char* what) {
        auto [it, added] = used.emplace(v.slot, name);
        if (!added) {
          error(p.location, std::string("'") + what + "' index " + std::to_string(v.slot) +
                                " is used by both '" + it->second + "' and '" + name + "'");
        }
      };
      switch (v.role) {
        case Semantic::None:
          error(p.location, "parameter '" + name + "' of a " + stage +
                                " function needs an attribute such as [[stage_in]], "
                                "[[buffer(n)]], [[texture(n)]] or [[sampler(n)]]");
          break;
        case Semantic::StageIn:
          if (stageIn) error(p.location, "a function has one [[stage_in]] parameter");
          stageIn = true;
          if (!t->isStruct() || v.isReference) {
            error(p.location, "a [[stage_in]] parameter must be a struct passed by value");
            break;
          }
          stageInMembers(*t, vertex, p.location);
          break;
        case Semantic::Buffer:
          if (!v.isReference ||
              (v.addressSpace != AddressSpace::Constant && v.addressSpace != AddressSpace::Device)) {
            error(p.location, "a [[buffer(n)]] parameter must be a reference in the 'constant' "
                              "or 'device' address space");
            break;
          }
          claim(buffers, "buffer");
          break;
        case Semantic::Texture: case Semantic::Sampler: {
          const bool texture = v.role == Semantic::Texture;
          if (t->kind != (texture ? TypeKind::Texture : TypeKind::Sampler)) {
            error(p.location, texture ? "a [[texture(n)]] parameter must be a texture"
                                      : "a [[sampler(n)]] parameter must be a sampler");
            break;
          }
          claim(texture ? textures : samplers, texture ? "texture" : "sampler");
          break;
        }
        case Semantic::Position: case Semantic::FrontFacing: case Semantic::PointCoord: {
          const Type* want = v.role == Semantic::Position   ? types_.vector(Scalar::Float, 4)
                             : v.role == Semantic::PointCoord ? types_.vector(Scalar::Float, 2)
                                                              : types_.boolType();
          if (vertex) {
            error(p.location, "this attribute is only allowed on a fragment function's input");
          } else if (t != want || v.isReference) {
            error(p.location, "the parameter must be of type '" + want->name + "'");
          }
          break;
        }
        default: break;
      }
    }
    const Type* r = f.resolvedReturn;
    if (r->isError() || r->isVoid()) return;
    if (vertex) {
      if (r == types_.vector(Scalar::Float, 4)) return;
      if (!r->isStruct()) {
        error(f.returnType.location, "a vertex function returns float4, a struct or void");
        return;
      }
      int positions = 0;
      std::set<std::string> users;
      for (const StructMemberInfo& m : r->structInfo->members) {
        const Semantic k = m.semantic.kind;
        if (k == Semantic::Position) {
          ++positions;
          if (m.type != types_.vector(Scalar::Float, 4)) {
            error(f.returnType.location, "[[position]] member '" + m.name + "' must be float4");
          }
        } else if (k == Semantic::PointSize) {
          if (m.type != types_.floatType()) {
            error(f.returnType.location, "[[point_size]] member '" + m.name + "' must be float");
          }
        } else if (k == Semantic::None || k == Semantic::User) {
          varyingType(m, f.returnType.location);
          const std::string key = k == Semantic::User ? m.semantic.user : m.name;
          if (!users.insert(key).second) {
            error(f.returnType.location, "two vertex outputs are named '" + key + "'");
          }
        } else {
          error(f.returnType.location,
                "member '" + m.name + "' has an attribute not allowed on a vertex output");
        }
      }
      if (positions > 1) {
        error(f.returnType.location, "a vertex output has one [[position]] member");
      }
      return;
    }
    if (r->isScalarOrVector()) {
      if (r->scalar == Scalar::Bool) error(f.returnType.location, "a color output cannot be bool");
      return;
    }
    if (!r->isStruct()) {
      error(f.returnType.location, "a fragment function returns a scalar, a vector, a struct or void");
      return;
    }
    std::set<std::uint32_t> colors;
    for (const StructMemberInfo& m : r->structInfo->members) {
      if (m.semantic.kind != Semantic::Color) {
        error(f.returnType.location,
              "fragment output member '" + m.name + "' needs a [[color(n)]] attribute");
        continue;
      }
      if (!m.type->isScalarOrVector() || m.type->scalar == Scalar::Bool) {
        error(f.returnType.location, "color output '" + m.name + "' must be a numeric scalar or vector");
      }
      if (!colors.insert(m.semantic.index).second) {
        error(f.returnType.location,
              "'color' index " + std::to_string(m.semantic.index) + " is used twice");
      }
    }
  }

  void varyingType(const StructMemberInfo& m, SourceLocation at) {
    if (!m.type->isScalarOrVector() || m.type->scalar == Scalar::Bool) {
      error(at, "stage member '" + m.name + "' of type '" + m.type->name +
                    "' must be a numeric scalar or vector");
    }
  }

  void stageInMembers(const Type& t, bool vertex, SourceLocation at) {
    std::set<std::uint32_t> attributes;
    std::set<std::string> names;
    for (const StructMemberInfo& m : t.structInfo->members) {
      const Semantic k = m.semantic.kind;
      if (vertex) {
        if (k != Semantic::Attribute) {
          error(at, "[[stage_in]] member '" + m.name + "' needs an [[attribute(n)]] attribute");
          continue;
        }
        if (!m.type->isScalarOrVector() || m.type->scalar == Scalar::Bool) {
          error(at, "vertex attribute '" + m.name + "' must be a numeric scalar or vector");
        }
        if (!attributes.insert(m.semantic.index).second) {
          error(at, "'attribute' index " + std::to_string(m.semantic.index) + " is used twice");
        }
        continue;
      }
      if (k == Semantic::Position) {
        if (m.type != types_.vector(Scalar::Float, 4)) {
          error(at, "[[position]] member '" + m.name + "' must be float4");
        }
      } else if (k == Semantic::FrontFacing) {
        if (m.type != types_.boolType()) error(at, "[[front_facing]] member '" + m.name + "' must be bool");
      } else if (k == Semantic::PointCoord) {
        if (m.type != types_.vector(Scalar::Float, 2)) {
          error(at, "[[point_coord]] member '" + m.name + "' must be float2");
        }
      } else if (k == Semantic::None || k == Semantic::User) {
        varyingType(m, at);
        if (!names.insert(k == Semantic::User ? m.semantic.user : m.name).second) {
          error(at, "two fragment inputs are named '" + m.name + "'");
        }
      } else {
        error(at, "member '" + m.name + "' has an attribute not allowed on a fragment input");
      }
    }
  }

  // ---- statements

  void compound(Stmt& s) {
    scopes_.emplace_back();
    for (auto& st : s.body) {
      if (diag_.full()) break;
      statement(*st);
    }
    scopes_.pop_back();
  }

  void statement(Stmt& s) {
    switch (s.kind) {
      case StmtKind::Compound: compound(s); break;
      case StmtKind::Declaration: declaration(s); break;
      case StmtKind::Expression: expr(s.expr); break;
      case StmtKind::If:
        condition(s.expr);
        scoped(*s.then);
        if (s.otherwise) scoped(*s.otherwise);
        break;
      case StmtKind::For:
        scopes_.emplace_back();
        if (s.init) statement(*s.init);
        if (s.expr) condition(s.expr);
        if (s.step) expr(s.step);
        ++loops_;
        scoped(*s.then);
        --loops_;
        scopes_.pop_back();
        break;
      case StmtKind::While:
        condition(s.expr);
        ++loops_;
        scoped(*s.then);
        --loops_;
        break;
      case StmtKind::DoWhile:
        ++loops_;
        scoped(*s.then);
        --loops_;
        condition(s.expr);
        break;
      case StmtKind::Break:
        if (!loops_) error(s.location, "'break' statement not in loop or switch statement");
        break;
      case StmtKind::Continue:
        if (!loops_) error(s.location, "'continue' statement not in loop statement");
        break;
      case StmtKind::Return: returnStatement(s); break;
      case StmtKind::Empty: break;
    }
  }

  void scoped(Stmt& s) {
    scopes_.emplace_back();
    statement(s);
    scopes_.pop_back();
  }

  void returnStatement(Stmt& s) {
    const Type* r = current_->resolvedReturn;
    if (!s.expr) {
      if (!r->isVoid() && !r->isError()) {
        error(s.location, "non-void function '" + current_->name + "' should return a value");
      }
      return;
    }
    if (r->isVoid()) {
      expr(s.expr);
      error(s.location, "void function '" + current_->name + "' should not return a value");
      return;
    }
    initializer(s.expr, r, "", Context::Return);
  }

  void declaration(Stmt& s) {
    const Type* base = resolveType(s.declType);
    for (Declarator& d : s.declarators) {
      Variable& v = *d.variable;
      const Type* t = base->isError()
                          ? base
                          : applyExtents(base, d.extents.arrayExtents, 0, d.extents.arrayExtents.size());
      if (!t->isError() && !t->isData()) {
        error(v.location, t->isVoid() ? "variable has incomplete type 'void'"
                                      : "local variables of type '" + t->name + "' are not supported");
        t = types_.errorType();
      }
      v.type = t;
      // The name is visible in its own initializer, as in C++.
      declare(&v);
      if (d.initializer) {
        initializer(d.initializer, t, v.name);
      } else if (v.isConst && !t->isError()) {
        error(v.location, "default initialization of an object of const type 'const " +
                              t->name + "'");
      }
    }
  }

  // ---- initialisation and conversion

  bool convertible(const Type* from, const Type* to) {
    if (from == to) return true;
    if (types_.unpacked(from) == types_.unpacked(to)) return true;
    if (from->isScalar() && (to->isScalar() || to->isVector())) return true;
    return false;
  }

  void wrap(ExprPtr& e, const Type* to) {
    auto c = std::make_unique<Expr>(ExprKind::Convert, e->location);
    c->type = to;
    c->depth = e->depth + 1;
    c->operands.push_back(std::move(e));
    e = std::move(c);
  }

  // Converts an rvalue to `to`; false (after an error) when it cannot.
  bool convert(ExprPtr& e, const Type* to, Context context, const std::string& name = "") {
    const Type* from = e->type;
    if (from->isError() || to->isError()) return false;
    if (from == to) return true;
    if (convertible(from, to)) {
      if (context == Context::Element && from->isScalar() && isFloating(from->scalar) &&
          to->isScalar() && !isFloating(to->scalar)) {
        error(e->location, "type '" + from->name + "' cannot be narrowed to '" + to->name +
                               "' in initializer list");
        return false;
      }
      wrap(e, to);
      return true;
    }
    const std::string value = e->lvalue ? "an lvalue" : "an rvalue";
    switch (context) {
      case Context::Initialize:
        error(e->location, "cannot initialize a variable of type '" + to->name + "' with " +
                               value + " of type '" + from->name + "'");
        break;
      case Context::Assign:
        error(e->location,
              "assigning to '" + to->name + "' from incompatible type '" + from->name + "'");
        break;
      case Context::Return:
        error(e->location, "cannot initialize return object of type '" + to->name + "' with " +
                               value + " of type '" + from->name + "'");
        break;
      case Context::Element: case Context::Argument:
        error(e->location, "initializing '" + to->name + "' with an expression of incompatible type '" +
                               from->name + "'");
        break;
    }
    (void)name;
    return false;
  }

  void initializer(ExprPtr& e, const Type* target, const std::string& name,
                   Context context = Context::Initialize) {
    if (e->kind == ExprKind::InitList && e->typeRef.name.empty()) {
      initList(*e, target);
      return;
    }
    expr(e);
    if (e->type->isVoid() && !target->isError()) {
      error(e->location, "cannot initialize a variable of type '" + target->name +
                             "' with an rvalue of type 'void'");
      return;
    }
    convert(e, target, context, name);
  }

  [[gnu::noinline]] void initList(Expr& list, const Type* target) {
    list.type = target;
    if (target->isError()) {
      for (auto& o : list.operands) {
        if (o->kind != ExprKind::InitList) expr(o);
      }
      return;
    }
    auto& ops = list.operands;
    const auto excess = [&](std::size_t limit, const char* what) {
      if (ops.size() > limit) {
        error(ops[limit]->location, std::string("excess elements in ") + what + " initializer");
        return true;
      }
      return false;
    };
    switch (target->kind) {
      case TypeKind::Array:
        if (excess(target->length, "array")) return;
        for (auto& o : ops) initializer(o, target->element, "", Context::Element);
        return;
      case TypeKind::Struct: {
        const auto& members = target->structInfo->members;
        if (excess(members.size(), "struct")) return;
        for (std::size_t i = 0; i < ops.size(); ++i) {
          initializer(ops[i], members[i].type, "", Context::Element);
        }
        return;
      }
      case TypeKind::Vector: case TypeKind::Scalar: {
        if (excess(target->rows, target->isScalar() ? "scalar" : "vector")) return;
        for (auto& o : ops) initializer(o, types_.scalar(target->scalar), "", Context::Element);
        return;
      }
      case TypeKind::Matrix: {
        const Type* column = types_.column(target);
        bool columns = false;
        if (!ops.empty() && ops[0]->kind != ExprKind::InitList) {
          expr(ops[0]);
          columns = ops[0]->type->isVector();
        }
        if (excess(columns ? target->columns : target->columns * target->rows, "matrix")) return;
        for (std::size_t i = 0; i < ops.size(); ++i) {
          const Type* want = columns ? column : types_.scalar(target->scalar);
          if (i == 0 && ops[0]->kind != ExprKind::InitList) {
            convert(ops[0], want, Context::Element);
          } else {
            initializer(ops[i], want, "", Context::Element);
          }
        }
        return;
      }
      default:
        error(list.location, "cannot initialize '" + target->name + "' with an initializer list");
    }
  }

  // ---- expressions

  const Type* fail(Expr& e) {
    e.type = types_.errorType();
    return e.type;
  }

  void unpack(ExprPtr& e) {
    if (e->type->packed) wrap(e, types_.unpacked(e->type));
  }

  void condition(ExprPtr& e) {
    expr(e);
    unpack(e);
    if (e->type->isError()) return;
    if (!e->type->isScalar()) {
      error(e->location,
            "value of type '" + e->type->name + "' is not contextually convertible to 'bool'");
      return;
    }
    convert(e, types_.boolType(), Context::Initialize);
  }

  bool modifiable(const Expr& e) {
    if (e.type->isError()) return false;
    if (!e.lvalue) {
      error(e.location, "expression is not assignable");
      return false;
    }
    if (e.kind == ExprKind::Swizzle) {
      bool seen[4] = {};
      for (int i = 0; i < e.swizzleLength; ++i) {
        if (seen[e.swizzle[i]]) {
          error(e.location, "vector is not assignable (contains duplicate components)");
          return false;
        }
        seen[e.swizzle[i]] = true;
      }
    }
    if (e.isConst) {
      error(e.location, e.space == AddressSpace::Constant
                            ? "cannot assign to a value in the 'constant' address space"
                            : "cannot assign to a variable with const-qualified type");
      return false;
    }
    return true;
  }

  // A thin dispatcher: the recursion through it is as deep as the
  // expressions, so the handlers stay out of line and its frame small.
  void expr(ExprPtr& slot) {
    Expr& e = *slot;
    switch (e.kind) {
      case ExprKind::IntLiteral: case ExprKind::FloatLiteral: case ExprKind::BoolLiteral:
        literal(e);
        return;
      case ExprKind::Name: name(e); return;
      case ExprKind::Unary: unary(e); return;
      case ExprKind::Postfix: increment(e); return;
      case ExprKind::Binary: binary(e); return;
      case ExprKind::Assign: assign(e); return;
      case ExprKind::Conditional: conditional(e); return;
      case ExprKind::Comma: comma(e); return;
      case ExprKind::Call: call(e); return;
      case ExprKind::Construct: construct(e); return;
      case ExprKind::InitList: typedInitList(e); return;
      case ExprKind::Member: member(slot); return;
      case ExprKind::Swizzle: return;
      case ExprKind::Index: index(e); return;
      case ExprKind::MethodCall: method(e); return;
      case ExprKind::Cast: cast(e); return;
      case ExprKind::Convert: return;
    }
  }

  [[gnu::noinline]] void literal(Expr& e) {
    if (e.kind == ExprKind::IntLiteral) {
      // An unsuffixed decimal literal that int cannot hold becomes uint:
      // the subset has no 64-bit integers.
      e.type = (e.suffix == LiteralSuffix::Unsigned || e.intValue > 0x7FFFFFFFu)
                   ? types_.uintType()
                   : types_.intType();
    } else if (e.kind == ExprKind::FloatLiteral) {
      e.type = types_.scalar(e.suffix == LiteralSuffix::Half ? Scalar::Half : Scalar::Float);
    } else {
      e.type = types_.boolType();
    }
  }

  [[gnu::noinline]] void comma(Expr& e) {
    expr(e.operands[0]);
    expr(e.operands[1]);
    e.type = e.operands[1]->type;
  }

  [[gnu::noinline]] void typedInitList(Expr& e) {
    if (e.typeRef.name.empty()) {
      error(e.location, "an initializer list is only allowed in an initialization");
      fail(e);
      for (auto& o : e.operands) {
        if (o->kind != ExprKind::InitList) expr(o);
      }
      return;
    }
    initList(e, resolveType(e.typeRef));
  }

  [[gnu::noinline]] void name(Expr& e) {
    Variable* v = lookup(e.name);
    if (!v) {
      if (functions_.count(e.name) || isBuiltinFunction(e.name)) {
        error(e.location, "reference to function '" + e.name + "' is not a call");
      } else {
        error(e.location, "use of undeclared identifier '" + e.name + "'");
      }
      fail(e);
      return;
    }
    e.variable = v;
    e.type = v->type ? v->type : types_.errorType();
    const bool resource = e.type->kind == TypeKind::Texture || e.type->kind == TypeKind::Sampler;
    e.lvalue = !resource;
    e.space = v->addressSpace;
    e.isConst = v->isConst || v->kind == Variable::Kind::GlobalConstant ||
                v->addressSpace == AddressSpace::Constant;
  }

  [[gnu::noinline]] void unary(Expr& e) {
    if (e.op == Op::PreIncrement || e.op == Op::PreDecrement) {
      increment(e);
      return;
    }
    expr(e.operands[0]);
    unpack(e.operands[0]);
    const Type* t = e.operands[0]->type;
    if (t->isError()) {
      fail(e);
      return;
    }
    const std::string bad = "invalid argument type '" + t->name + "' to unary expression";
    switch (e.op) {
      case Op::Plus: case Op::Negate:
        if (!(t->isScalarOrVector() || t->isMatrix()) || (t->scalar == Scalar::Bool && !t->isScalar())) {
          error(e.location, bad);
          fail(e);
          return;
        }
        if (t->isScalar() && isSmallInteger(t->scalar)) convert(e.operands[0], types_.intType(), Context::Initialize);
        e.type = e.operands[0]->type;
        return;
      case Op::LogicalNot:
        if (t->isScalar()) {
          convert(e.operands[0], types_.boolType(), Context::Initialize);
          e.type = types_.boolType();
        } else if (t->isVector() && t->scalar == Scalar::Bool) {
          e.type = t;
        } else {
          error(e.location, bad);
          fail(e);
        }
        return;
      case Op::BitNot:
        if (!t->isScalarOrVector() || (!isInteger(t->scalar) && !(t->isScalar() && t->scalar == Scalar::Bool))) {
          error(e.location, bad);
          fail(e);
          return;
        }
        if (t->isScalar() && isSmallInteger(t->scalar)) convert(e.operands[0], types_.intType(), Context::Initialize);
        e.type = e.operands[0]->type;
        return;
      default: fail(e);
    }
  }

  [[gnu::noinline]] void increment(Expr& e) {
    expr(e.operands[0]);
    const Expr& target = *e.operands[0];
    const Type* t = target.type;
    if (t->isError()) {
      fail(e);
      return;
    }
    if (!t->isScalarOrVector() || t->scalar == Scalar::Bool) {
      error(e.location, "cannot increment or decrement a value of type '" + t->name + "'");
      fail(e);
      return;
    }
    if (!modifiable(target)) {
      fail(e);
      return;
    }
    e.type = types_.unpacked(t);
    e.lvalue = e.kind == ExprKind::Unary;
    e.space = target.space;
  }

  // Operand and result types of a binary operator, or false.
  bool binaryTypes(Op op, const Type* l, const Type* r, BinaryTypes& out) {
    l = types_.unpacked(l);
    r = types_.unpacked(r);
    const bool comparison = op == Op::Less || op == Op::LessEqual || op == Op::Greater ||
                            op == Op::GreaterEqual || op == Op::Equal || op == Op::NotEqual;
    const bool integerOnly = op == Op::Rem || op == Op::Shl || op == Op::Shr ||
                             op == Op::BitAnd || op == Op::BitOr || op == Op::BitXor;
    if (op == Op::LogicalAnd || op == Op::LogicalOr) {
      if (!l->isScalar() || !r->isScalar()) return false;
      out = {types_.boolType(), types_.boolType(), types_.boolType()};
      return true;
    }
    // Matrices: linear algebra, and scaling by a scalar.
    if (l->isMatrix() || r->isMatrix()) {
      if (op == Op::Mul) {
        if (l->isMatrix() && r->isMatrix()) {
          if (l->scalar != r->scalar || l->columns != r->rows) return false;
          out = {l, r, types_.matrix(l->scalar, r->columns, l->rows)};
          return true;
        }
        if (l->isMatrix() && r->isVector()) {
          if (r->scalar != l->scalar || r->rows != l->columns) return false;
          out = {l, r, types_.vector(l->scalar, l->rows)};
          return true;
        }
        if (l->isVector() && r->isMatrix()) {
          if (l->scalar != r->scalar || l->rows != r->rows) return false;
          out = {l, r, types_.vector(r->scalar, r->columns)};
          return true;
        }
      }
      if ((op == Op::Mul || op == Op::Div) && l->isMatrix() && r->isScalar() && r->scalar != Scalar::Bool) {
        out = {l, types_.scalar(l->scalar), l};
        return true;
      }
      if (op == Op::Mul && r->isMatrix() && l->isScalar() && l->scalar != Scalar::Bool) {
        out = {types_.scalar(r->scalar), r, r};
        return true;
      }
      if ((op == Op::Add || op == Op::Sub) && l == r) {
        out = {l, r, l};
        return true;
      }
      return false;
    }
    if (!l->isScalarOrVector() || !r->isScalarOrVector()) return false;
    const auto allowed = [&](Scalar s, bool vector) {
      if (s == Scalar::Bool) {
        // bool scalars promote to int; bool vectors only compare for equality.
        return vector ? (op == Op::Equal || op == Op::NotEqual) : true;
      }
      if (integerOnly) return isInteger(s);
      return true;
    };
    if (l->isScalar() && r->isScalar()) {
      if (!allowed(l->scalar, false) || !allowed(r->scalar, false)) return false;
      if (op == Op::Shl || op == Op::Shr) {
        const Type* p = types_.scalar(promote(l->scalar));
        out = {p, p, p};
        return true;
      }
      if ((op == Op::Equal || op == Op::NotEqual) && l->scalar == Scalar::Bool &&
          r->scalar == Scalar::Bool) {
        out = {l, r, types_.boolType()};
        return true;
      }
      const Type* c = types_.scalar(usualArithmetic(l->scalar, r->scalar));
      if (integerOnly && !isInteger(c->scalar)) return false;
      out = {c, c, comparison ? types_.boolType() : c};
      return true;
    }
    const Type* v = l->isVector() ? l : r;
    if (!allowed(v->scalar, true)) return false;
    if (l->isVector() && r->isVector() && l != r) return false;
    const Type* other = l->isVector() ? r : l;
    if (other->isScalar() && !allowed(other->scalar, false)) return false;
    out = {v, v, comparison ? types_.vector(Scalar::Bool, v->rows) : v};
    return true;
  }

  [[gnu::noinline]] void binary(Expr& e) {
    expr(e.operands[0]);
    expr(e.operands[1]);
    const Type* l = e.operands[0]->type;
    const Type* r = e.operands[1]->type;
    if (l->isError() || r->isError()) {
      fail(e);
      return;
    }
    BinaryTypes bt;
    if (!binaryTypes(e.op, l, r, bt)) {
      error(e.location,
            "invalid operands to binary expression ('" + l->name + "' and '" + r->name + "')");
      fail(e);
      return;
    }
    unpack(e.operands[0]);
    unpack(e.operands[1]);
    convert(e.operands[0], bt.left, Context::Initialize);
    convert(e.operands[1], bt.right, Context::Initialize);
    e.type = bt.result;
  }

  [[gnu::noinline]] void assign(Expr& e) {
    expr(e.operands[0]);
    const Expr& target = *e.operands[0];
    if (e.operands[1]->kind == ExprKind::InitList && e.operands[1]->typeRef.name.empty()) {
      error(e.operands[1]->location, "an initializer list cannot be assigned");
      fail(e);
      return;
    }
    expr(e.operands[1]);
    const Type* t = target.type;
    if (t->isError() || e.operands[1]->type->isError() || !modifiable(target)) {
      fail(e);
      return;
    }
    if (!t->isData()) {
      error(e.location, "a value of type '" + t->name + "' cannot be assigned");
      fail(e);
      return;
    }
    e.type = t;
    e.lvalue = true;
    e.space = target.space;
    if (e.op == Op::None) {
      if (e.operands[1]->type->packed) unpack(e.operands[1]);
      convert(e.operands[1], t, Context::Assign);
      return;
    }
    BinaryTypes bt;
    if (!binaryTypes(e.op, t, e.operands[1]->type, bt) || bt.left != types_.unpacked(bt.left) ||
        !convertible(bt.result, t) || (bt.result->isVector() && !t->isVector()) ||
        (bt.result->isMatrix() && bt.result != t)) {
      error(e.location, "invalid operands to binary expression ('" + t->name + "' and '" +
                            e.operands[1]->type->name + "')");
      fail(e);
      return;
    }
    unpack(e.operands[1]);
    convert(e.operands[1], bt.right, Context::Initialize);
    // The target converts to the operation's type and the result back.
    e.operationType = bt.left;
    e.operationResult = bt.result;
  }

  [[gnu::noinline]] void conditional(Expr& e) {
    condition(e.operands[0]);
    expr(e.operands[1]);
    expr(e.operands[2]);
    unpack(e.operands[1]);
    unpack(e.operands[2]);
    const Type* a = e.operands[1]->type;
    const Type* b = e.operands[2]->type;
    if (a->isError() || b->isError()) {
      fail(e);
      return;
    }
    const Type* t = nullptr;
    if (a == b) t = a;
    else if (a->isScalar() && b->isScalar()) t = types_.scalar(usualArithmetic(a->scalar, b->scalar));
    else if (a->isVector() && b->isScalar()) t = a;
    else if (b->isVector() && a->isScalar()) t = b;
    if (!t || !t->isData()) {
      error(e.location, "incompatible operand types ('" + a->name + "' and '" + b->name + "')");
      fail(e);
      return;
    }
    convert(e.operands[1], t, Context::Initialize);
    convert(e.operands[2], t, Context::Initialize);
    e.type = t;
  }

  // Rank of passing an argument to a value or reference parameter: 0
  // exact, 1 scalar conversion, 2 broadcast; -1 not viable.
  int rank(const Expr& a, const Variable& p) {
    const Type* from = a.type;
    const Type* to = p.type;
    if (from->isError() || to->isError()) return 0;
    if (to->kind == TypeKind::Texture || to->kind == TypeKind::Sampler) return from == to ? 0 : -1;
    if (p.isReference) {
      const bool constThread = p.isConst && p.addressSpace == AddressSpace::Thread;
      if (a.lvalue && from == to && (!a.isConst || p.isConst) && a.space == p.addressSpace) return 0;
      if (constThread && !a.lvalue && convertible(from, to)) return from == to ? 0 : 1;
      return -1;
    }
    if (types_.unpacked(from) == types_.unpacked(to)) return 0;
    if (from->isScalar() && to->isScalar()) return 1;
    if (from->isScalar() && to->isVector()) return 2;
    return -1;
  }

  [[gnu::noinline]] void call(Expr& e) {
    if (e.name == "bias" || e.name == "level" || e.name == "gradient2d" ||
        e.name == "gradientcube" || e.name == "min_lod_clamp") {
      error(e.location, "'" + e.name + "' is only allowed as a sampling argument");
      for (auto& o : e.operands) expr(o);
      fail(e);
      return;
    }
    if (Variable* v = lookup(e.name)) {
      for (auto& o : e.operands) expr(o);
      error(e.location, "called object type '" + (v->type ? v->type->name : std::string("?")) +
                            "' is not a function or function pointer");
      fail(e);
      return;
    }
    bool bad = false;
    for (auto& o : e.operands) {
      expr(o);
      bad = bad || o->type->isError();
    }
    if (bad) {
      fail(e);
      return;
    }
    auto it = functions_.find(e.name);
    if (it != functions_.end()) {
      if (userCall(e, it->second)) return;
      if (!isBuiltinFunction(e.name)) return;
    }
    std::vector<const Type*> args;
    for (auto& o : e.operands) args.push_back(types_.unpacked(o->type));
    BuiltinCall bc;
    std::string message;
    if (!resolveBuiltin(e.name, args, types_, bc, message)) {
      error(e.location, message);
      fail(e);
      return;
    }
    for (std::size_t i = 0; i < e.operands.size(); ++i) {
      unpack(e.operands[i]);
      convert(e.operands[i], bc.parameters[i], Context::Argument);
    }
    e.builtin = static_cast<int>(bc.builtin);
    e.type = bc.result;
    if (isFragmentOnly(bc.builtin) && current_) {
      current_->fragmentOnlyUses.emplace_back(builtinName(bc.builtin), e.location);
    }
  }

  // Overload resolution among user functions; false when none is viable
  // and a built-in may still take the call (nothing reported then).
  bool userCall(Expr& e, const std::vector<FunctionDecl*>& overloads) {
    const FunctionDecl* best = nullptr;
    std::vector<int> bestRanks;
    bool ambiguous = false;
    for (const FunctionDecl* f : overloads) {
      if (f->parameters.size() != e.operands.size()) continue;
      std::vector<int> ranks;
      bool viable = true;
      for (std::size_t i = 0; i < e.operands.size() && viable; ++i) {
        const int r = rank(*e.operands[i], *f->parameters[i].variable);
        viable = r >= 0;
        ranks.push_back(r);
      }
      if (!viable) continue;
      if (!best) {
        best = f;
        bestRanks = ranks;
        continue;
      }
      bool better = false, worse = false;
      for (std::size_t i = 0; i < ranks.size(); ++i) {
        better = better || ranks[i] < bestRanks[i];
        worse = worse || ranks[i] > bestRanks[i];
      }
      if (better && !worse) {
        best = f;
        bestRanks = ranks;
        ambiguous = false;
      } else if (better == worse) {
        ambiguous = true;
      }
    }
    if (!best) {
      if (isBuiltinFunction(e.name)) return false;
      error(e.location, "no matching function for call to '" + e.name + "'");
      fail(e);
      return true;
    }
    if (ambiguous) {
      error(e.location, "call to '" + e.name + "' is ambiguous");
      fail(e);
      return true;
    }
    if (best->functionKind != FunctionKind::Plain) {
      error(e.location, "a vertex or fragment function cannot be called");
      fail(e);
      return true;
    }
    for (std::size_t i = 0; i < e.operands.size(); ++i) {
      const Variable& p = *best->parameters[i].variable;
      if (p.isReference && e.operands[i]->lvalue && e.operands[i]->type == p.type) continue;
      unpack(e.operands[i]);
      convert(e.operands[i], p.type, Context::Argument);
    }
    e.function = best;
    e.type = best->resolvedReturn;
    if (current_) current_->calls.emplace_back(best, e.location);
    return true;
  }

  [[gnu::noinline]] void construct(Expr& e) {
    const Type* t = resolveType(e.typeRef);
    bool bad = t->isError();
    for (auto& o : e.operands) {
      expr(o);
      unpack(o);
      bad = bad || o->type->isError();
    }
    if (bad) {
      fail(e);
      return;
    }
    e.type = t;
    auto& ops = e.operands;
    const std::string noMatch = "no matching constructor for initialization of '" + t->name + "'";
    if (ops.empty()) {
      if (!t->isData()) {
        error(e.location, noMatch);
        fail(e);
      }
      return;  // a zero value
    }
    switch (t->kind) {
      case TypeKind::Scalar:
        if (ops.size() != 1 || !ops[0]->type->isScalar()) break;
        convert(ops[0], t, Context::Initialize);
        return;
      case TypeKind::Vector: {
        if (ops.size() == 1 && ops[0]->type->isScalar()) {
          convert(ops[0], t, Context::Initialize);
          return;
        }
        if (ops.size() == 1 && ops[0]->type->isVector() && ops[0]->type->rows == t->rows) {
          // Element-wise conversion: explicit, so any element kinds.
          return;
        }
        unsigned total = 0;
        bool ok = true;
        for (auto& o : ops) {
          ok = ok && o->type->isScalarOrVector();
          total += o->type->components();
        }
        if (!ok || total != t->rows) break;
        return;
      }
      case TypeKind::Matrix: {
        const Type* column = types_.column(t);
        if (ops.size() == 1 && ops[0]->type->isScalar()) {
          convert(ops[0], types_.scalar(t->scalar), Context::Initialize);
          return;
        }
        if (ops.size() == 1 && ops[0]->type->isMatrix() && ops[0]->type->columns == t->columns &&
            ops[0]->type->rows == t->rows) {
          return;
        }
        if (ops.size() == t->columns &&
            std::all_of(ops.begin(), ops.end(), [&](const ExprPtr& o) {
              return o->type->isVector() && o->type->rows == t->rows;
            })) {
          for (auto& o : ops) {
            if (o->type != column) convertVector(o, column);
          }
          return;
        }
        if (ops.size() == static_cast<std::size_t>(t->columns) * t->rows &&
            std::all_of(ops.begin(), ops.end(), [](const ExprPtr& o) { return o->type->isScalar(); })) {
          for (auto& o : ops) convert(o, types_.scalar(t->scalar), Context::Initialize);
          return;
        }
        break;
      }
      default: break;
    }
    error(e.location, noMatch);
    fail(e);
  }

  // An explicit element-wise conversion of a vector (a constructor).
  void convertVector(ExprPtr& o, const Type* to) {
    auto c = std::make_unique<Expr>(ExprKind::Construct, o->location);
    c->type = to;
    c->depth = o->depth + 1;
    c->operands.push_back(std::move(o));
    o = std::move(c);
  }

  [[gnu::noinline]] void member(ExprPtr& slot) {
    Expr& e = *slot;
    expr(e.operands[0]);
    const Expr& base = *e.operands[0];
    const Type* t = base.type;
    if (t->isError()) {
      fail(e);
      return;
    }
    if (t->isStruct()) {
      const auto& members = t->structInfo->members;
      for (std::size_t i = 0; i < members.size(); ++i) {
        if (members[i].name == e.name) {
          e.memberIndex = static_cast<std::uint32_t>(i);
          e.type = members[i].type;
          e.lvalue = base.lvalue;
          e.isConst = base.isConst;
          e.space = base.space;
          return;
        }
      }
      error(e.location, "no member named '" + e.name + "' in '" + t->name + "'");
      fail(e);
      return;
    }
    if (t->isVector()) {
      swizzle(e, *t);
      return;
    }
    if (t->kind == TypeKind::Texture) {
      error(e.location, "reference to member function '" + e.name + "' is not a call");
    } else {
      error(e.location, "member reference base type '" + t->name + "' is not a structure or union");
    }
    fail(e);
  }

  void swizzle(Expr& e, const Type& vector) {
    static constexpr std::string_view xyzw = "xyzw", rgba = "rgba";
    const std::string& s = e.name;
    const bool colours = !s.empty() && rgba.find(s[0]) != std::string_view::npos;
    const std::string_view set = colours ? rgba : xyzw;
    bool ok = !s.empty() && s.size() <= 4;
    for (std::size_t i = 0; ok && i < s.size(); ++i) {
      const std::size_t k = set.find(s[i]);
      ok = k != std::string_view::npos && k < vector.rows;
      if (ok) e.swizzle[i] = static_cast<std::uint8_t>(k);
    }
    if (!ok) {
      error(e.location, "vector component access '" + s + "' is invalid for '" + vector.name + "'");
      fail(e);
      return;
    }
    e.kind = ExprKind::Swizzle;
    e.swizzleLength = static_cast<std::uint8_t>(s.size());
    e.type = types_.vector(vector.scalar, static_cast<unsigned>(s.size()));
    const Expr& base = *e.operands[0];
    e.lvalue = base.lvalue;
    e.isConst = base.isConst;
    e.space = base.space;
  }

  [[gnu::noinline]] void index(Expr& e) {
    expr(e.operands[0]);
    expr(e.operands[1]);
    unpack(e.operands[1]);
    const Expr& base = *e.operands[0];
    const Type* t = base.type;
    const Type* i = e.operands[1]->type;
    if (t->isError() || i->isError()) {
      fail(e);
      return;
    }
    if (!i->isScalar() || !isInteger(i->scalar)) {
      error(e.operands[1]->location, "array subscript is not an integer");
      fail(e);
      return;
    }
    if (t->isArray()) e.type = t->element;
    else if (t->isMatrix()) e.type = types_.column(t);
    else if (t->isVector()) e.type = types_.scalar(t->scalar);
    else {
      error(e.location, "subscripted value is not an array, matrix, or vector");
      fail(e);
      return;
    }
    e.lvalue = base.lvalue;
    e.isConst = base.isConst;
    e.space = base.space;
  }

  [[gnu::noinline]] void method(Expr& e) {
    expr(e.operands[0]);
    const Type* t = e.operands[0]->type;
    if (t->isError()) {
      fail(e);
      for (std::size_t i = 1; i < e.operands.size(); ++i) {
        if (e.operands[i]->kind != ExprKind::Call) expr(e.operands[i]);
      }
      return;
    }
    if (t->kind != TypeKind::Texture) {
      error(e.location, "member reference base type '" + t->name + "' is not a structure or union");
      fail(e);
      return;
    }
    // A trailing sampling option.
    SampleOption option = SampleOption::None;
    std::size_t count = e.operands.size();
    if (count > 1 && e.operands.back()->kind == ExprKind::Call) {
      Expr& o = *e.operands.back();
      const std::vector<std::pair<const char*, SampleOption>> options = {
          {"bias", SampleOption::Bias}, {"level", SampleOption::Level},
          {"gradient2d", SampleOption::Gradient2D}, {"gradientcube", SampleOption::GradientCube}};
      for (const auto& [word, kind] : options) {
        if (o.name != word) continue;
        option = kind;
        const bool gradient = kind == SampleOption::Gradient2D || kind == SampleOption::GradientCube;
        const Type* want = gradient ? types_.vector(Scalar::Float, kind == SampleOption::Gradient2D ? 2 : 3)
                                    : types_.floatType();
        if (o.operands.size() != (gradient ? 2u : 1u)) {
          error(o.location, "no matching constructor for initialization of '" + o.name + "'");
          fail(e);
          return;
        }
        for (auto& a : o.operands) {
          expr(a);
          unpack(a);
          if (a->type->isError()) {
            fail(e);
            return;
          }
          if (gradient ? a->type != want : !a->type->isScalar()) {
            error(a->location, "no matching constructor for initialization of '" + o.name + "'");
            fail(e);
            return;
          }
          convert(a, want, Context::Argument);
        }
        o.type = types_.voidType();
        o.optionKind = static_cast<int>(kind);
        e.optionKind = static_cast<int>(kind);
        --count;
      }
      if (o.name == "min_lod_clamp") {
        error(o.location, "'min_lod_clamp' is not supported");
        fail(e);
        return;
      }
    }
    std::vector<const Type*> args;
    for (std::size_t i = 1; i < count; ++i) {
      expr(e.operands[i]);
      unpack(e.operands[i]);
      if (e.operands[i]->type->isError()) {
        fail(e);
        return;
      }
      args.push_back(e.operands[i]->type);
    }
    BuiltinCall bc;
    std::string message;
    if (!resolveTextureMethod(t, e.name, args, option, types_, bc, message)) {
      error(e.location, message);
      fail(e);
      return;
    }
    for (std::size_t i = 0; i < bc.parameters.size(); ++i) {
      if (bc.parameters[i]->kind != TypeKind::Sampler) {
        convert(e.operands[i + 1], bc.parameters[i], Context::Argument);
      }
    }
    e.builtin = static_cast<int>(bc.builtin);
    e.type = bc.result;
  }

  [[gnu::noinline]] void cast(Expr& e) {
    const Type* to = resolveType(e.typeRef);
    expr(e.operands[0]);
    unpack(e.operands[0]);
    const Type* from = e.operands[0]->type;
    if (to->isError() || from->isError()) {
      fail(e);
      return;
    }
    e.type = to;
    if (e.castKind == CastKind::AsType) {
      const bool shapes = (from->isScalarOrVector()) && (to->isScalarOrVector()) && !to->packed;
      if (!shapes || from->size != to->size) {
        error(e.location, "as_type from '" + from->name + "' to '" + to->name +
                              "' needs scalar or vector types of the same size");
        fail(e);
      }
      return;
    }
    const bool ok =
        from == to || (from->isScalar() && to->isScalarOrVector()) ||
        (from->isVector() && to->isVector() && from->rows == to->rows) ||
        (from->isMatrix() && to->isMatrix() && from->rows == to->rows && from->columns == to->columns);
    if (!ok) {
      error(e.location, "cannot convert '" + from->name + "' to '" + to->name + "' without a conversion operator");
      fail(e);
    }
  }

  // ---- whole program

  void callGraphChecks() {
    // Calls of functions that never get a body.
    for (const auto& f : unit_.functions) {
      for (const auto& [callee, at] : f->calls) {
        if (!callee->body && !callee->definition) {
          error(at, "function '" + callee->name + "' is used but not defined");
        }
      }
    }
    // Recursion: a depth-first walk with an explicit stack.
    std::map<const FunctionDecl*, int> state;  // 1 on the path, 2 done
    const auto body = [](const FunctionDecl* f) { return f->body ? f : f->definition; };
    for (const auto& root : unit_.functions) {
      if (!root->body || state[root.get()]) continue;
      std::vector<std::pair<const FunctionDecl*, std::size_t>> stack{{root.get(), 0}};
      state[root.get()] = 1;
      while (!stack.empty()) {
        auto& [f, next] = stack.back();
        if (next == f->calls.size()) {
          state[f] = 2;
          stack.pop_back();
          continue;
        }
        const auto& [callee, at] = f->calls[next++];
        const FunctionDecl* target = body(callee);
        if (!target) continue;
        if (state[target] == 1) {
          error(at, "recursive function calls are not supported");
        } else if (state[target] == 0) {
          state[target] = 1;
          stack.emplace_back(target, 0);
        }
      }
    }
    // Fragment-only functions reached from a vertex function.
    for (const auto& root : unit_.functions) {
      if (root->functionKind != FunctionKind::Vertex || !root->body) continue;
      std::set<const FunctionDecl*> seen{root.get()};
      std::vector<const FunctionDecl*> todo{root.get()};
      while (!todo.empty()) {
        const FunctionDecl* f = todo.back();
        todo.pop_back();
        for (const auto& [name, at] : f->fragmentOnlyUses) {
          error(at, std::string("'") + name + "' is only available in fragment functions");
        }
        for (const auto& [callee, at] : f->calls) {
          const FunctionDecl* target = body(callee);
          if (target && seen.insert(target).second) todo.push_back(target);
        }
      }
    }
  }

  TranslationUnit& unit_;
  TypeTable& types_;
  Diagnostics& diag_;
  std::vector<std::map<std::string, Variable*>> scopes_;
  std::map<std::string, const Type*> structs_;
  std::map<std::string, std::vector<FunctionDecl*>> functions_;
  FunctionDecl* current_ = nullptr;
  int loops_ = 0;
  std::map<const Variable*, std::optional<std::int64_t>> globalValues_;
};

}  // namespace

void check(TranslationUnit& unit, TypeTable& types, Diagnostics& diagnostics) {
  Checker(unit, types, diagnostics).run();
}

}  // namespace mtl::msl
