// Bodies of the matrix built-ins: component-wise product, outer product,
// transpose, and determinants and inverses by cofactor expansion. m[c] is
// column c and .x .y .z .w its rows.
#include "shadercompiler/ir/builtins/builtin_availability.h"
#include "shadercompiler/ir/builtins/builtin_bodies.h"
#include "shadercompiler/ir/builtins/builtin_construction.h"

namespace builtins {
namespace {

// m[c].r as a scalar.
ir_rvalue *element(ir_variable *m, int c, unsigned r) { return component(column(m, c), r); }

// a * d - b * c for elements given as (column, row) pairs.
ir_rvalue *minor2(ir_variable *m, int ca, unsigned ra, int cb, unsigned rb,
                  int cc, unsigned rc, int cd, unsigned rd) {
  return ir_builder_sub(ir_builder_mul(element(m, ca, ra), element(m, cb, rb)),
                        ir_builder_mul(element(m, cc, rc), element(m, cd, rd)));
}

// The nineteen 2x2 minors of the last three columns of a mat4: each entry is
// m[c0].r0 * m[c1].r1 - m[c1].r0' * m[c0].r1' with the pairs below.
struct minor_spec {
  int first_column, second_column;
  unsigned row_a, row_b;  // m[first].a * m[second].b - m[second].a * m[first].b
};
constexpr minor_spec kSubFactors[19] = {
    {2, 3, 2, 3}, {2, 3, 1, 3}, {2, 3, 1, 2}, {2, 3, 0, 3}, {2, 3, 0, 2},
    {2, 3, 0, 1}, {1, 3, 2, 3}, {1, 3, 1, 3}, {1, 3, 1, 2}, {1, 3, 0, 3},
    {1, 3, 0, 2}, {1, 3, 1, 3}, {1, 3, 0, 1}, {1, 2, 2, 3}, {1, 2, 1, 3},
    {1, 2, 1, 2}, {1, 2, 0, 3}, {1, 2, 0, 2}, {1, 2, 0, 1}};

const char *const kSubFactorNames[19] = {
    "SubFactor00", "SubFactor01", "SubFactor02", "SubFactor03", "SubFactor04",
    "SubFactor05", "SubFactor06", "SubFactor07", "SubFactor08", "SubFactor09",
    "SubFactor10", "SubFactor11", "SubFactor12", "SubFactor13", "SubFactor14",
    "SubFactor15", "SubFactor16", "SubFactor17", "SubFactor18"};

void make_sub_factors(ir_factory &body, ir_variable *m, unsigned count,
                      ir_variable **factors) {
  for (unsigned k = 0; k < count; k++) {
    const minor_spec &s = kSubFactors[k];
    factors[k] = temp(body, glsl_type::float_type, kSubFactorNames[k]);
    assign(body, deref(factors[k]),
           minor2(m, s.first_column, s.row_a, s.second_column, s.row_b, s.second_column,
                  s.row_a, s.first_column, s.row_b));
  }
}

// One adjugate entry of a mat4: sign * (m[col].a * F[p] - m[col].b * F[q] +
// m[col].c * F[r]).
struct cofactor_spec {
  int column;
  unsigned a, b, c;  // rows of m[column]
  unsigned p, q, r;  // sub-factor numbers
  bool negate;
};

ir_rvalue *cofactor(ir_variable *m, ir_variable *const *f, const cofactor_spec &s) {
  ir_rvalue *value = ir_builder_add(
      ir_builder_sub(ir_builder_mul(element(m, s.column, s.a), deref(f[s.p])),
                     ir_builder_mul(element(m, s.column, s.b), deref(f[s.q]))),
      ir_builder_mul(element(m, s.column, s.c), deref(f[s.r])));
  return s.negate ? ir_builder_neg(value) : value;
}

// Adjugate of a mat4, row by row (x of columns 0 to 3, then y, z, w).
constexpr cofactor_spec kAdjugate4[16] = {
    {1, 1, 2, 3, 0, 1, 2, false}, {1, 0, 2, 3, 0, 3, 4, true},
    {1, 0, 1, 3, 1, 3, 5, false}, {1, 0, 1, 2, 2, 4, 5, true},
    {0, 1, 2, 3, 0, 1, 2, true},  {0, 0, 2, 3, 0, 3, 4, false},
    {0, 0, 1, 3, 1, 3, 5, true},  {0, 0, 1, 2, 2, 4, 5, false},
    {0, 1, 2, 3, 6, 7, 8, false}, {0, 0, 2, 3, 6, 9, 10, true},
    {0, 0, 1, 3, 11, 9, 12, false}, {0, 0, 1, 2, 8, 10, 12, true},
    {0, 1, 2, 3, 13, 14, 15, true}, {0, 0, 2, 3, 13, 16, 17, false},
    {0, 0, 1, 3, 14, 16, 18, true}, {0, 0, 1, 2, 15, 17, 18, false}};

void determinant_mat4(ir_factory &body, ir_variable *m) {
  ir_variable *f[6];
  make_sub_factors(body, m, 6, f);
  ir_variable *adj_0 = temp(body, glsl_type::vec4_type, "adj_0");
  for (unsigned row = 0; row < 4; row++)
    assign_component(body, adj_0, row, cofactor(m, f, kAdjugate4[row]));
  ret(body, ir_builder_dot(column(m, 0), deref(adj_0)));
}

void inverse_mat4(ir_factory &body, ir_variable *m) {
  ir_variable *f[19];
  make_sub_factors(body, m, 19, f);
  ir_variable *adj = temp(body, glsl_type::mat4_type, "adj");
  for (unsigned row = 0; row < 4; row++)
    for (int col = 0; col < 4; col++)
      emit(body, ir_builder_assign_masked(column(adj, col),
                                          cofactor(m, f, kAdjugate4[row * 4 + col]),
                                          1u << row));
  ir_rvalue *det = ir_builder_mul(element(m, 0, 3), element(adj, 3, 0));
  for (int k = 2; k >= 0; k--)
    det = ir_builder_add(ir_builder_mul(element(m, 0, k), element(adj, k, 0)), det);
  ret(body, ir_builder_div(deref(adj), det));
}

void determinant_mat2(ir_factory &body, ir_variable *m) {
  ret(body, minor2(m, 0, 0, 1, 1, 1, 0, 0, 1));
}

void inverse_mat2(ir_factory &body, ir_variable *m) {
  ir_variable *adj = temp(body, glsl_type::mat2_type, "adj");
  emit(body, ir_builder_assign_masked(column(adj, 0), element(m, 1, 1), 1));
  emit(body, ir_builder_assign_masked(column(adj, 0), ir_builder_neg(element(m, 0, 1)), 2));
  emit(body, ir_builder_assign_masked(column(adj, 1), ir_builder_neg(element(m, 1, 0)), 1));
  emit(body, ir_builder_assign_masked(column(adj, 1), element(m, 0, 0), 2));
  ret(body, ir_builder_div(deref(adj), minor2(m, 0, 0, 1, 1, 1, 0, 0, 1)));
}

void determinant_mat3(ir_factory &body, ir_variable *m) {
  ir_rvalue *x = ir_builder_mul(element(m, 0, 0), minor2(m, 1, 1, 2, 2, 1, 2, 2, 1));
  ir_rvalue *y = ir_builder_mul(element(m, 0, 1), minor2(m, 1, 0, 2, 2, 1, 2, 2, 0));
  ir_rvalue *z = ir_builder_mul(element(m, 0, 2), minor2(m, 1, 0, 2, 1, 1, 1, 2, 0));
  ret(body, ir_builder_add(ir_builder_sub(x, y), z));
}

void inverse_mat3(ir_factory &body, ir_variable *m) {
  ir_variable *f11_22_21_12 = temp(body, glsl_type::float_type, "f11_22_21_12");
  ir_variable *f10_22_20_12 = temp(body, glsl_type::float_type, "f10_22_20_12");
  ir_variable *f10_21_20_11 = temp(body, glsl_type::float_type, "f10_21_20_11");
  assign(body, deref(f11_22_21_12), minor2(m, 1, 1, 2, 2, 2, 1, 1, 2));
  assign(body, deref(f10_22_20_12), minor2(m, 1, 0, 2, 2, 2, 0, 1, 2));
  assign(body, deref(f10_21_20_11), minor2(m, 1, 0, 2, 1, 2, 0, 1, 1));
  ir_variable *adj = temp(body, glsl_type::mat3_type, "adj");
  auto set = [&](int col, unsigned row, ir_rvalue *value) {
    emit(body, ir_builder_assign_masked(column(adj, col), value, 1u << row));
  };
  set(0, 0, deref(f11_22_21_12));
  set(1, 0, ir_builder_neg(deref(f10_22_20_12)));
  set(2, 0, deref(f10_21_20_11));
  set(0, 1, ir_builder_neg(minor2(m, 0, 1, 2, 2, 2, 1, 0, 2)));
  set(1, 1, minor2(m, 0, 0, 2, 2, 2, 0, 0, 2));
  set(2, 1, ir_builder_neg(minor2(m, 0, 0, 2, 1, 2, 0, 0, 1)));
  set(0, 2, minor2(m, 0, 1, 1, 2, 1, 1, 0, 2));
  set(1, 2, ir_builder_neg(minor2(m, 0, 0, 1, 2, 1, 0, 0, 2)));
  set(2, 2, minor2(m, 0, 0, 1, 1, 1, 0, 0, 1));
  ir_rvalue *det = ir_builder_add(
      ir_builder_sub(ir_builder_mul(element(m, 0, 0), deref(f11_22_21_12)),
                     ir_builder_mul(element(m, 0, 1), deref(f10_22_20_12))),
      ir_builder_mul(element(m, 0, 2), deref(f10_21_20_11)));
  ret(body, ir_builder_div(deref(adj), det));
}

}  // namespace

ir_function_signature *matrix_comp_mult_builder(const glsl_type *type) {
  ir_variable *x = param(type, "x");
  ir_variable *y = param(type, "y");
  ir_function_signature *sig = make_signature(type, avail_always, {x, y});
  ir_factory body = body_of(sig);
  ir_variable *z = temp(body, type, "z");
  for (int i = 0; i < static_cast<int>(type->matrix_columns); i++)
    assign(body, column(z, i), ir_builder_mul(column(x, i), column(y, i)));
  ret(body, deref(z));
  return sig;
}

ir_function_signature *outer_product_builder(const glsl_type *type) {
  ir_variable *c = param(glsl_type::vec(type->vector_elements), "c");
  ir_variable *r = param(glsl_type::vec(type->matrix_columns), "r");
  ir_function_signature *sig = make_signature(type, avail_120_or_es300, {c, r});
  ir_factory body = body_of(sig);
  ir_variable *m = temp(body, type, "m");
  for (unsigned i = 0; i < type->matrix_columns; i++)
    assign(body, column(m, static_cast<int>(i)), ir_builder_mul(deref(c), component(deref(r), i)));
  ret(body, deref(m));
  return sig;
}

ir_function_signature *transpose_builder(const glsl_type *type) {
  const glsl_type *transposed =
      glsl_type::get_instance(GLSL_TYPE_FLOAT, type->matrix_columns, type->vector_elements);
  ir_variable *m = param(type, "m");
  ir_function_signature *sig = make_signature(transposed, avail_120_or_es300, {m});
  ir_factory body = body_of(sig);
  ir_variable *t = temp(body, transposed, "t");
  for (unsigned i = 0; i < type->matrix_columns; i++)
    for (unsigned j = 0; j < type->vector_elements; j++)
      emit(body, ir_builder_assign_masked(column(t, static_cast<int>(j)),
                                          element(m, static_cast<int>(i), j), 1u << i));
  ret(body, deref(t));
  return sig;
}

ir_function_signature *determinant_builder(const glsl_type *type) {
  ir_variable *m = param(type, "m");
  ir_function_signature *sig = make_signature(glsl_type::float_type, avail_120_or_es300, {m});
  ir_factory body = body_of(sig);
  switch (type->matrix_columns) {
    case 2: determinant_mat2(body, m); break;
    case 3: determinant_mat3(body, m); break;
    default: determinant_mat4(body, m); break;
  }
  return sig;
}

ir_function_signature *inverse_builder(const glsl_type *type) {
  ir_variable *m = param(type, "m");
  ir_function_signature *sig = make_signature(type, avail_120_or_es300, {m});
  ir_factory body = body_of(sig);
  switch (type->matrix_columns) {
    case 2: inverse_mat2(body, m); break;
    case 3: inverse_mat3(body, m); break;
    default: inverse_mat4(body, m); break;
  }
  return sig;
}

}  // namespace builtins
