// Intrinsics (signatures without a body that the back end implements), the
// image functions that call them, and memoryBarrier.
#include <array>
#include <string>

#include "shadercompiler/ir/builtins/builtin_availability.h"
#include "shadercompiler/ir/builtins/builtin_construction.h"

namespace builtins {
namespace {

struct image_function {
  const char *name;
  const char *intrinsic;
  unsigned data_arguments;
  bool vector_data;  // 4 components, else scalar
  bool returns_void;
  bool takes_float_images;
  bool read_only, write_only;
};

constexpr image_function kImageFunctions[] = {
    {"imageLoad", "__intrinsic_image_load", 0, true, false, true, true, false},
    {"imageStore", "__intrinsic_image_store", 1, true, true, true, false, true},
    {"imageAtomicAdd", "__intrinsic_image_atomic_add", 1, false, false, false, false, false},
    {"imageAtomicMin", "__intrinsic_image_atomic_min", 1, false, false, false, false, false},
    {"imageAtomicMax", "__intrinsic_image_atomic_max", 1, false, false, false, false, false},
    {"imageAtomicAnd", "__intrinsic_image_atomic_and", 1, false, false, false, false, false},
    {"imageAtomicOr", "__intrinsic_image_atomic_or", 1, false, false, false, false, false},
    {"imageAtomicXor", "__intrinsic_image_atomic_xor", 1, false, false, false, false, false},
    {"imageAtomicExchange", "__intrinsic_image_atomic_exchange", 1, false, false, false, false, false},
    {"imageAtomicCompSwap", "__intrinsic_image_atomic_comp_swap", 2, false, false, false, false, false},
};

// The 33 image types: eleven shapes of the float, int and uint families.
const std::array<const glsl_type *, 33> &image_types() {
  static const std::array<const glsl_type *, 33> kTypes = [] {
    static const char *const kShapes[] = {"1D", "2D", "3D", "2DRect", "Cube", "Buffer",
                                          "1DArray", "2DArray", "CubeArray", "2DMS",
                                          "2DMSArray"};
    std::array<const glsl_type *, 33> types{};
    unsigned i = 0;
    for (const char *family : {"image", "iimage", "uimage"})
      for (const char *shape : kShapes)
        types[i++] = glsl_type::builtin_by_name((std::string(family) + shape).c_str());
    return types;
  }();
  return kTypes;
}

const glsl_type *sampled_type(const glsl_type *image, unsigned components) {
  return glsl_type::get_instance(image->sampler_type, components, 1);
}

ir_function_signature *image_signature(const image_function &f, const glsl_type *image_type,
                                       bool intrinsic_form) {
  const glsl_type *data_type = sampled_type(image_type, f.vector_data ? 4 : 1);
  const unsigned coordinates = image_type->sampler_coordinate_count();
  ir_variable *image = param(image_type, "image");
  image->data.image_read_only = f.read_only;
  image->data.image_write_only = f.write_only;
  image->data.image_coherent = 1;
  image->data.image_volatile = 1;
  image->data.image_restrict = 1;
  ir_variable *coord = param(glsl_type::ivec(coordinates), "coord");
  std::vector<ir_variable *> params = {image, coord};
  if (image_type->sampler_dimensionality == GLSL_SAMPLER_DIM_MS)
    params.push_back(param(glsl_type::int_type, "sample"));
  static const char *const kArgumentNames[] = {"arg0", "arg1"};
  for (unsigned i = 0; i < f.data_arguments; i++)
    params.push_back(param(data_type, kArgumentNames[i]));

  const glsl_type *return_type = f.returns_void ? glsl_type::void_type : data_type;
  ir_function_signature *sig = make_signature(return_type, avail_image_load_store, {});
  for (ir_variable *p : params) sig->parameters.push_tail(p);
  if (intrinsic_form) {
    sig->is_intrinsic = true;
    return sig;
  }

  // The GLSL form forwards its parameters to the intrinsic of its row.
  ir_factory body = body_of(sig);
  ir_function *intrinsic = library_function(f.intrinsic);
  exec_list actuals;
  for (ir_variable *p : params) actuals.push_tail(deref(p));
  ir_function_signature *callee = intrinsic->exact_matching_signature(nullptr, &actuals);
  if (f.returns_void) {
    emit(body, new (pool()) ir_call(callee, nullptr, &actuals));
  } else {
    ir_variable *result = temp(body, return_type, "_ret_val");
    emit(body, new (pool()) ir_call(callee, deref(result), &actuals));
    ret(body, deref(result));
  }
  return sig;
}

void create_image_functions(bool intrinsic_form) {
  for (const image_function &f : kImageFunctions) {
    signature_list sigs;
    for (const glsl_type *type : image_types()) {
      if (type->sampler_type == GLSL_TYPE_FLOAT && !f.takes_float_images) continue;
      sigs.push_back(image_signature(f, type, intrinsic_form));
    }
    add_builtin_function(intrinsic_form ? f.intrinsic : f.name, sigs);
  }
}

ir_function_signature *intrinsic(const glsl_type *return_type,
                                 builtin_available_predicate avail,
                                 std::initializer_list<ir_variable *> params) {
  ir_function_signature *sig = make_signature(return_type, avail, params);
  sig->is_intrinsic = true;
  return sig;
}

}  // namespace

void create_intrinsics() {
  for (const char *name : {"__intrinsic_atomic_read", "__intrinsic_atomic_increment",
                           "__intrinsic_atomic_predecrement"}) {
    add_builtin_function(name, {intrinsic(glsl_type::uint_type, avail_atomic_counters,
                                          {param(glsl_type::atomic_uint_type, "counter")})});
  }
  create_image_functions(true);
  add_builtin_function("__intrinsic_memory_barrier",
                       {intrinsic(glsl_type::void_type, avail_image_load_store, {})});
}

void create_image_functions_and_barrier() {
  create_image_functions(false);
  ir_function_signature *sig =
      make_signature(glsl_type::void_type, avail_image_load_store, {});
  ir_factory body = body_of(sig);
  emit(body, make_intrinsic_call(library_function("__intrinsic_memory_barrier"), nullptr, {}));
  add_builtin_function("memoryBarrier", {sig});
}

}  // namespace builtins
