#include "shadercompiler/ir/glsl_types.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "shadercompiler/frontend/glsl_parser_extras.h"
#include "shadercompiler/ir/builtin_type_table.h"
#include "shadercompiler/ir/support/hash_table.h"
#include "shadercompiler/ir/support/ralloc.h"

namespace {

// Run-time types, their names and field arrays live in the type pool.
void *type_pool() { return ralloc_global_context(); }

hash_table *array_types = nullptr;
hash_table *record_types = nullptr;
hash_table *interface_types = nullptr;

const glsl_type *const kFloatVectors[] = {
    glsl_type::float_type, glsl_type::vec2_type, glsl_type::vec3_type,
    glsl_type::vec4_type};
const glsl_type *const kIntVectors[] = {
    glsl_type::int_type, glsl_type::ivec2_type, glsl_type::ivec3_type,
    glsl_type::ivec4_type};
const glsl_type *const kUintVectors[] = {
    glsl_type::uint_type, glsl_type::uvec2_type, glsl_type::uvec3_type,
    glsl_type::uvec4_type};
const glsl_type *const kBoolVectors[] = {
    glsl_type::bool_type, glsl_type::bvec2_type, glsl_type::bvec3_type,
    glsl_type::bvec4_type};

const glsl_type *vector_of(const glsl_type *const (&table)[4],
                           unsigned components) {
  if (components == 0 || components > 4) return glsl_type::error_type;
  return table[components - 1];
}

// A copy of the fields, with their names, in the type pool.
glsl_struct_field *copy_fields(const glsl_struct_field *fields,
                               unsigned count) {
  auto *copy = ralloc_array<glsl_struct_field>(type_pool(), count);
  for (unsigned i = 0; i < count; i++) {
    copy[i] = fields[i];
    copy[i].name = ralloc_strdup(copy, fields[i].name);
  }
  return copy;
}

glsl_type *new_record_type(const glsl_struct_field *fields, unsigned count,
                           const char *name) {
  void *memory = ralloc_size(type_pool(), sizeof(glsl_type));
  return new (memory) glsl_type(copy_fields(fields, count), count,
                                ralloc_strdup(type_pool(), name));
}

glsl_type *new_interface_type(const glsl_struct_field *fields, unsigned count,
                              glsl_interface_packing packing,
                              const char *name) {
  glsl_type *type = new_record_type(fields, count, name);
  type->base_type = GLSL_TYPE_INTERFACE;
  type->interface_packing = packing;
  return type;
}

// The array's name puts the new length in front of any lengths the element
// already has: an array of 3 of vec4[2] is vec4[3][2].
char *array_type_name(const glsl_type *element, unsigned length) {
  if (length == 0) return ralloc_asprintf(type_pool(), "%s[]", element->name);
  if (const char *bracket = std::strchr(element->name, '[')) {
    return ralloc_asprintf(type_pool(), "%.*s[%u]%s",
                           static_cast<int>(bracket - element->name),
                           element->name, length, bracket);
  }
  return ralloc_asprintf(type_pool(), "%s[%u]", element->name, length);
}

// Record keys hash the field count and as many field types as fit in a
// fixed buffer; the formatting is bounded, so records with any number of
// fields hash safely (the compare still looks at every field).
unsigned record_key_hash(const void *key) {
  const auto *type = static_cast<const glsl_type *>(key);
  char hash_key[128];
  int size = std::snprintf(hash_key, sizeof(hash_key), "%08x", type->length);
  for (unsigned i = 0; i < type->length; i++) {
    if (size < 0 || static_cast<size_t>(size) >= sizeof(hash_key) - 1) break;
    int written = std::snprintf(hash_key + size, sizeof(hash_key) - size, "%p",
                                static_cast<const void *>(
                                    type->fields.structure[i].type));
    if (written < 0) break;
    size += written;
  }
  return hash_table_string_hash(hash_key);
}

int record_key_compare(const void *a, const void *b) {
  const auto *key1 = static_cast<const glsl_type *>(a);
  const auto *key2 = static_cast<const glsl_type *>(b);
  return std::strcmp(key1->name, key2->name) == 0 &&
                 glsl_type::record_compare(key1, key2)
             ? 0
             : 1;
}

const glsl_type *cached_record(hash_table **cache, const glsl_type &key,
                               glsl_type *(*make)(const glsl_type &)) {
  if (*cache == nullptr)
    *cache = hash_table_create(64, record_key_hash, record_key_compare);
  if (*cache == nullptr) return glsl_type::error_type;
  if (auto *found = static_cast<const glsl_type *>(hash_table_find(*cache, &key)))
    return found;
  glsl_type *type = make(key);
  hash_table_insert(*cache, type, type);
  return type;
}

bool is_anonymous(const char *name) {
  return std::strncmp(name, "#anon", 5) == 0;
}

unsigned align_to(unsigned value, unsigned alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool row_major_for(const glsl_struct_field &field, bool inherited) {
  if (field.matrix_layout == GLSL_MATRIX_LAYOUT_ROW_MAJOR) return true;
  if (field.matrix_layout == GLSL_MATRIX_LAYOUT_COLUMN_MAJOR) return false;
  return inherited;
}

// A matrix as the array of vectors std140 lays it out as.
const glsl_type *matrix_as_array(const glsl_type *matrix, bool row_major) {
  const glsl_type *vector = row_major ? matrix->row_type() : matrix->column_type();
  unsigned count = row_major ? matrix->vector_elements : matrix->matrix_columns;
  return glsl_type::get_array_instance(vector, count);
}

}  // namespace

const glsl_type *glsl_type::builtin_by_name(const char *name) {
  for (const glsl_type &type : builtin_numeric_and_opaque_types())
    if (std::strcmp(type.name, name) == 0) return &type;
  for (const glsl_type &type : builtin_record_types())
    if (std::strcmp(type.name, name) == 0) return &type;
  return nullptr;
}

const glsl_type *glsl_type::vec(unsigned n) { return vector_of(kFloatVectors, n); }
const glsl_type *glsl_type::ivec(unsigned n) { return vector_of(kIntVectors, n); }
const glsl_type *glsl_type::uvec(unsigned n) { return vector_of(kUintVectors, n); }
const glsl_type *glsl_type::bvec(unsigned n) { return vector_of(kBoolVectors, n); }

const glsl_type *glsl_type::get_instance(unsigned base_type, unsigned rows,
                                         unsigned columns) {
  if (base_type == GLSL_TYPE_VOID) return void_type;
  if (rows < 1 || rows > 4 || columns < 1 || columns > 4) return error_type;
  if (columns == 1) {
    switch (base_type) {
      case GLSL_TYPE_UINT: return uvec(rows);
      case GLSL_TYPE_INT: return ivec(rows);
      case GLSL_TYPE_FLOAT: return vec(rows);
      case GLSL_TYPE_BOOL: return bvec(rows);
      default: return error_type;
    }
  }
  if (base_type != GLSL_TYPE_FLOAT || rows == 1) return error_type;
  static const glsl_type *const matrices[3][3] = {
      {mat2_type, mat2x3_type, mat2x4_type},
      {mat3x2_type, mat3_type, mat3x4_type},
      {mat4x2_type, mat4x3_type, mat4_type}};
  return matrices[columns - 2][rows - 2];
}

const glsl_type *glsl_type::get_array_instance(const glsl_type *element,
                                               unsigned length) {
  if (array_types == nullptr)
    array_types = hash_table_create(64, hash_table_string_hash,
                                    hash_table_string_compare);
  if (array_types == nullptr) return error_type;
  char key[128];
  std::snprintf(key, sizeof(key), "%p[%u]", static_cast<const void *>(element),
                length);
  if (auto *found = static_cast<const glsl_type *>(hash_table_find(array_types, key)))
    return found;

  void *memory = ralloc_size(type_pool(), sizeof(glsl_type));
  auto *type = new (memory) glsl_type(element->gl_type, GLSL_TYPE_ARRAY, 0, 0,
                                      array_type_name(element, length));
  type->length = length;
  type->fields.array = element;
  hash_table_insert(array_types, type, ralloc_strdup(type_pool(), key));
  return type;
}

const glsl_type *glsl_type::get_record_instance(
    const glsl_struct_field *fields, unsigned count, const char *name) {
  const glsl_type key(fields, count, name);
  return cached_record(&record_types, key, [](const glsl_type &k) {
    return new_record_type(k.fields.structure, k.length, k.name);
  });
}

const glsl_type *glsl_type::get_interface_instance(
    const glsl_struct_field *fields, unsigned count,
    glsl_interface_packing packing, const char *block_name) {
  glsl_type key(fields, count, block_name);
  key.base_type = GLSL_TYPE_INTERFACE;
  key.interface_packing = packing;
  return cached_record(&interface_types, key, [](const glsl_type &k) {
    return new_interface_type(k.fields.structure, k.length,
                              static_cast<glsl_interface_packing>(
                                  k.interface_packing),
                              k.name);
  });
}

void glsl_type_release_caches() {
  // The keys of the array cache are pool copies; they stay in the type pool
  // like the types themselves.
  hash_table_destroy(array_types);
  array_types = nullptr;
  hash_table_destroy(record_types);
  record_types = nullptr;
}

bool glsl_type::record_compare(const glsl_type *a, const glsl_type *b) {
  if (a->length != b->length) return false;
  if (a->interface_packing != b->interface_packing) return false;
  if (!is_anonymous(a->name) && !is_anonymous(b->name) &&
      std::strcmp(a->name, b->name) != 0)
    return false;
  for (unsigned i = 0; i < a->length; i++) {
    const glsl_struct_field &fa = a->fields.structure[i];
    const glsl_struct_field &fb = b->fields.structure[i];
    if (fa.type != fb.type || std::strcmp(fa.name, fb.name) != 0 ||
        fa.matrix_layout != fb.matrix_layout ||
        fa.interpolation != fb.interpolation || fa.centroid != fb.centroid ||
        fa.sample != fb.sample || fa.location != fb.location ||
        fa.precision != fb.precision)
      return false;
  }
  return true;
}

const glsl_type *glsl_type::get_base_type() const {
  switch (base_type) {
    case GLSL_TYPE_UINT: return uint_type;
    case GLSL_TYPE_INT: return int_type;
    case GLSL_TYPE_FLOAT: return float_type;
    case GLSL_TYPE_BOOL: return bool_type;
    default: return error_type;
  }
}

const glsl_type *glsl_type::get_scalar_type() const {
  const glsl_type *type = this;
  while (type->is_array()) type = type->fields.array;
  switch (type->base_type) {
    case GLSL_TYPE_UINT:
    case GLSL_TYPE_INT:
    case GLSL_TYPE_FLOAT:
    case GLSL_TYPE_BOOL:
      return type->get_base_type();
    default:
      return type;
  }
}

const glsl_type *glsl_type::field_type(const char *name) const {
  int index = field_index(name);
  return index >= 0 ? fields.structure[index].type : error_type;
}

glsl_precision glsl_type::field_precision(const char *name) const {
  if (!is_record()) return glsl_precision_undefined;
  int index = field_index(name);
  return index >= 0 ? fields.structure[index].precision
                    : glsl_precision_undefined;
}

int glsl_type::field_index(const char *name) const {
  if (!is_record() && !is_interface()) return -1;
  for (unsigned i = 0; i < length; i++)
    if (std::strcmp(name, fields.structure[i].name) == 0)
      return static_cast<int>(i);
  return -1;
}

namespace {

// Whether the type, its array elements or (for records) any field matches.
template <typename Predicate>
bool type_contains(const glsl_type *type, Predicate matches) {
  while (type->is_array()) type = type->fields.array;
  if (type->is_record()) {
    for (unsigned i = 0; i < type->length; i++)
      if (type_contains(type->fields.structure[i].type, matches)) return true;
    return false;
  }
  return matches(type);
}

}  // namespace

bool glsl_type::contains_integer() const {
  return type_contains(this, [](const glsl_type *t) { return t->is_integer(); });
}

bool glsl_type::contains_opaque() const {
  return type_contains(this, [](const glsl_type *t) {
    return t->is_sampler() || t->is_image() ||
           t->base_type == GLSL_TYPE_ATOMIC_UINT;
  });
}

bool glsl_type::contains_image() const {
  return type_contains(this, [](const glsl_type *t) { return t->is_image(); });
}

unsigned glsl_type::uniform_locations() const {
  switch (base_type) {
    case GLSL_TYPE_UINT:
    case GLSL_TYPE_INT:
    case GLSL_TYPE_FLOAT:
    case GLSL_TYPE_BOOL:
    case GLSL_TYPE_SAMPLER:
    case GLSL_TYPE_IMAGE:
      return 1;
    case GLSL_TYPE_ARRAY:
      return length * fields.array->uniform_locations();
    case GLSL_TYPE_STRUCT:
    case GLSL_TYPE_INTERFACE: {
      unsigned size = 0;
      for (unsigned i = 0; i < length; i++)
        size += fields.structure[i].type->uniform_locations();
      return size;
    }
    default:
      return 0;
  }
}

bool glsl_type::can_implicitly_convert_to(const glsl_type *target,
                                          const glsl_parse_state *state) const {
  if (this == target) return true;
  if (is_matrix() || target->is_matrix()) return false;
  if (vector_elements != target->vector_elements) return false;
  if (target->is_float() && is_integer()) return true;
  if (target->base_type == GLSL_TYPE_UINT && base_type == GLSL_TYPE_INT) {
    return state == nullptr ||
           (!state->is_es && state->glsl_version >= 400) ||
           state->ARB_gpu_shader5_enable;
  }
  return false;
}

unsigned glsl_type::std140_base_alignment(bool row_major) const {
  if (is_scalar() || is_vector()) {
    switch (vector_elements) {
      case 1: return 4;
      case 2: return 8;
      default: return 16;
    }
  }
  if (is_matrix()) return matrix_as_array(this, row_major)->std140_base_alignment(false);
  if (is_array()) {
    const glsl_type *element = fields.array;
    if (element->is_scalar() || element->is_vector() || element->is_matrix())
      return std::max(element->std140_base_alignment(row_major), 16u);
    if (element->is_record() || element->is_array())
      return element->std140_base_alignment(row_major);
  }
  if (is_record()) {
    unsigned alignment = 16;
    for (unsigned i = 0; i < length; i++) {
      const glsl_struct_field &field = fields.structure[i];
      alignment = std::max(alignment, field.type->std140_base_alignment(
                                          row_major_for(field, row_major)));
    }
    return alignment;
  }
  return 0xFFFFFFFFu;
}

unsigned glsl_type::std140_size(bool row_major) const {
  if (is_scalar() || is_vector()) return 4 * vector_elements;
  if (is_matrix()) return matrix_as_array(this, row_major)->std140_size(false);
  if (is_array()) {
    const glsl_type *element = fields.array;
    if (element->is_record() || element->is_array())
      return element->std140_size(row_major) * length;
    if (element->is_matrix())
      return matrix_as_array(element, row_major)->std140_size(false) * length;
    return std::max(element->std140_base_alignment(row_major), 16u) * length;
  }
  if (is_record()) {
    unsigned size = 0;
    unsigned max_alignment = 16;
    for (unsigned i = 0; i < length; i++) {
      const glsl_struct_field &field = fields.structure[i];
      bool field_row_major = row_major_for(field, row_major);
      unsigned alignment = field.type->std140_base_alignment(field_row_major);
      size = align_to(size, alignment);
      size += field.type->std140_size(field_row_major);
      max_alignment = std::max(max_alignment, alignment);
      if (field.type->is_record() && i + 1 < length) size = align_to(size, 16);
    }
    return align_to(size, max_alignment);
  }
  return 0xFFFFFFFFu;
}
