// GLSL types. Every type is a unique object compared by address: built-in
// types are static objects, and array, record and interface types are made
// on demand and cached so that one description always yields one object.
#pragma once

#include <cstdint>

struct glsl_parse_state;

enum glsl_base_type : uint32_t {
  GLSL_TYPE_UINT = 0,
  GLSL_TYPE_INT,
  GLSL_TYPE_FLOAT,
  GLSL_TYPE_BOOL,
  GLSL_TYPE_SAMPLER,
  GLSL_TYPE_IMAGE,
  GLSL_TYPE_ATOMIC_UINT,
  GLSL_TYPE_STRUCT,
  GLSL_TYPE_INTERFACE,
  GLSL_TYPE_ARRAY,
  GLSL_TYPE_VOID,
  GLSL_TYPE_ERROR,
};

enum glsl_sampler_dim : uint32_t {
  GLSL_SAMPLER_DIM_1D = 0,
  GLSL_SAMPLER_DIM_2D,
  GLSL_SAMPLER_DIM_3D,
  GLSL_SAMPLER_DIM_CUBE,
  GLSL_SAMPLER_DIM_RECT,
  GLSL_SAMPLER_DIM_BUF,
  GLSL_SAMPLER_DIM_EXTERNAL,
  GLSL_SAMPLER_DIM_MS,
};

enum glsl_interface_packing : uint32_t {
  GLSL_INTERFACE_PACKING_STD140 = 0,
  GLSL_INTERFACE_PACKING_SHARED,
  GLSL_INTERFACE_PACKING_PACKED,
};

enum glsl_matrix_layout : uint32_t {
  GLSL_MATRIX_LAYOUT_INHERITED = 0,
  GLSL_MATRIX_LAYOUT_COLUMN_MAJOR,
  GLSL_MATRIX_LAYOUT_ROW_MAJOR,
};

// Precision qualifiers; the smaller number is the higher precision.
enum glsl_precision : uint32_t {
  glsl_precision_high = 0,
  glsl_precision_medium,
  glsl_precision_low,
  glsl_precision_undefined,
};

struct glsl_type;

struct glsl_struct_field {
  const glsl_type *type;
  const char *name;
  glsl_precision precision;
  int location;  // -1: none
  unsigned interpolation : 2;
  unsigned centroid : 1;
  unsigned sample : 1;
  unsigned matrix_layout : 2;
};

struct glsl_type {
  uint32_t gl_type;
  glsl_base_type base_type;
  unsigned sampler_dimensionality : 3;
  unsigned sampler_shadow : 1;
  unsigned sampler_array : 1;
  unsigned sampler_type : 2;
  unsigned interface_packing : 2;
  unsigned vector_elements : 3;
  unsigned matrix_columns : 3;
  const char *name;
  unsigned length;  // array length (0: unsized) or number of fields
  union {
    const glsl_type *array;  // element type
    const glsl_struct_field *structure;
  } fields;

  // Numeric, void and error types.
  constexpr glsl_type(uint32_t gl_type, glsl_base_type base_type,
                      unsigned rows, unsigned columns, const char *name)
      : gl_type(gl_type), base_type(base_type), sampler_dimensionality(0),
        sampler_shadow(0), sampler_array(0), sampler_type(0),
        interface_packing(0), vector_elements(rows),
        matrix_columns(columns), name(name), length(0), fields{nullptr} {}
  // Samplers (0 rows, 0 columns) and images (1 x 1).
  constexpr glsl_type(uint32_t gl_type, glsl_base_type base_type,
                      glsl_sampler_dim dim, bool shadow, bool array,
                      glsl_base_type texel_type, const char *name)
      : gl_type(gl_type), base_type(base_type), sampler_dimensionality(dim),
        sampler_shadow(shadow), sampler_array(array),
        sampler_type(texel_type), interface_packing(0),
        vector_elements(base_type == GLSL_TYPE_IMAGE ? 1 : 0),
        matrix_columns(base_type == GLSL_TYPE_IMAGE ? 1 : 0), name(name),
        length(0), fields{nullptr} {}
  // Built-in records whose fields and name are static.
  constexpr glsl_type(const glsl_struct_field *fields, unsigned count,
                      const char *name)
      : gl_type(0), base_type(GLSL_TYPE_STRUCT), sampler_dimensionality(0),
        sampler_shadow(0), sampler_array(0), sampler_type(0),
        interface_packing(0), vector_elements(0), matrix_columns(0),
        name(name), length(count), fields{nullptr} {
    this->fields.structure = fields;
  }

  // Built-in types.
  static const glsl_type *const error_type;
  static const glsl_type *const void_type;
  static const glsl_type *const bool_type, *const bvec2_type,
      *const bvec3_type, *const bvec4_type;
  static const glsl_type *const int_type, *const ivec2_type,
      *const ivec3_type, *const ivec4_type;
  static const glsl_type *const uint_type, *const uvec2_type,
      *const uvec3_type, *const uvec4_type;
  static const glsl_type *const float_type, *const vec2_type,
      *const vec3_type, *const vec4_type;
  static const glsl_type *const mat2_type, *const mat3_type, *const mat4_type;
  static const glsl_type *const mat2x3_type, *const mat2x4_type,
      *const mat3x2_type, *const mat3x4_type, *const mat4x2_type,
      *const mat4x3_type;
  static const glsl_type *const sampler2D_type, *const sampler3D_type,
      *const samplerCube_type, *const sampler2DShadow_type,
      *const sampler2DRect_type, *const samplerExternalOES_type;
  static const glsl_type *const atomic_uint_type;

  // Looks a built-in type up by name; null when there is none.
  static const glsl_type *builtin_by_name(const char *name);

  // The unique numeric type; the error type for impossible shapes.
  static const glsl_type *get_instance(unsigned base_type, unsigned rows,
                                       unsigned columns);
  static const glsl_type *vec(unsigned components);
  static const glsl_type *ivec(unsigned components);
  static const glsl_type *uvec(unsigned components);
  static const glsl_type *bvec(unsigned components);
  static const glsl_type *get_array_instance(const glsl_type *element,
                                             unsigned length);
  static const glsl_type *get_record_instance(const glsl_struct_field *fields,
                                              unsigned count,
                                              const char *name);
  static const glsl_type *get_interface_instance(
      const glsl_struct_field *fields, unsigned count,
      glsl_interface_packing packing, const char *block_name);
  static bool record_compare(const glsl_type *a, const glsl_type *b);

  const glsl_type *get_base_type() const;
  const glsl_type *get_scalar_type() const;
  const glsl_type *field_type(const char *name) const;
  glsl_precision field_precision(const char *name) const;
  int field_index(const char *name) const;
  bool contains_integer() const;
  bool contains_opaque() const;
  bool contains_image() const;
  unsigned uniform_locations() const;
  unsigned components() const { return vector_elements * matrix_columns; }
  // Coordinate components a sampler or image type is addressed with,
  // counting the layer of an array.
  unsigned sampler_coordinate_count() const;
  bool can_implicitly_convert_to(const glsl_type *target,
                                 const glsl_parse_state *state) const;
  unsigned std140_base_alignment(bool row_major) const;
  unsigned std140_size(bool row_major) const;

  bool is_scalar() const {
    return vector_elements == 1 && matrix_columns == 1 &&
           base_type <= GLSL_TYPE_BOOL;
  }
  bool is_vector() const {
    return vector_elements > 1 && matrix_columns == 1 &&
           base_type <= GLSL_TYPE_BOOL;
  }
  bool is_matrix() const {
    return matrix_columns > 1 && base_type == GLSL_TYPE_FLOAT;
  }
  bool is_numeric() const { return base_type <= GLSL_TYPE_FLOAT; }
  bool is_integer() const {
    return base_type == GLSL_TYPE_UINT || base_type == GLSL_TYPE_INT;
  }
  bool is_float() const { return base_type == GLSL_TYPE_FLOAT; }
  bool is_boolean() const { return base_type == GLSL_TYPE_BOOL; }
  bool is_sampler() const { return base_type == GLSL_TYPE_SAMPLER; }
  bool is_image() const { return base_type == GLSL_TYPE_IMAGE; }
  bool is_array() const { return base_type == GLSL_TYPE_ARRAY; }
  bool is_record() const { return base_type == GLSL_TYPE_STRUCT; }
  bool is_interface() const { return base_type == GLSL_TYPE_INTERFACE; }
  bool is_void() const { return base_type == GLSL_TYPE_VOID; }
  bool is_error() const { return base_type == GLSL_TYPE_ERROR; }
  const glsl_type *element_type() const {
    return is_array() ? fields.array : nullptr;
  }
  // The column type of a matrix, the type itself for other types.
  const glsl_type *column_type() const {
    return is_matrix() ? get_instance(base_type, vector_elements, 1) : this;
  }
  const glsl_type *row_type() const {
    return is_matrix() ? get_instance(base_type, matrix_columns, 1) : this;
  }
};

// Forgets the cached array and record types (the objects stay valid).
void glsl_type_release_caches();

// Enters the built-in type names a shader of the state's language sees into
// the state's symbol table.
void add_builtin_types(glsl_parse_state *state);
