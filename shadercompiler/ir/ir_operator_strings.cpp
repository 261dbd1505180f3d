// The texts the GLSL printer prints for expression operations.
#include <cstring>

#include "shadercompiler/ir/ir.h"

namespace {

const char *const kOperatorStrings[] = {
    "~",  // ir_unop_bit_not
    "!",  // ir_unop_logic_not
    "-",  // ir_unop_neg
    "abs",  // ir_unop_abs
    "sign",  // ir_unop_sign
    "1.0/",  // ir_unop_rcp
    "inversesqrt",  // ir_unop_rsq
    "sqrt",  // ir_unop_sqrt
    "normalize",  // ir_unop_normalize
    "exp",  // ir_unop_exp
    "log",  // ir_unop_log
    "exp2",  // ir_unop_exp2
    "log2",  // ir_unop_log2
    "int",  // ir_unop_f2i
    "int",  // ir_unop_f2u
    "float",  // ir_unop_i2f
    "bool",  // ir_unop_f2b
    "float",  // ir_unop_b2f
    "bool",  // ir_unop_i2b
    "int",  // ir_unop_b2i
    "float",  // ir_unop_u2f
    "int",  // ir_unop_i2u
    "int",  // ir_unop_u2i
    "intBitsToFloat",  // ir_unop_bitcast_i2f
    "floatBitsToInt",  // ir_unop_bitcast_f2i
    "uintBitsToFloat",  // ir_unop_bitcast_u2f
    "floatBitsToUint",  // ir_unop_bitcast_f2u
    "any",  // ir_unop_any
    "trunc",  // ir_unop_trunc
    "ceil",  // ir_unop_ceil
    "floor",  // ir_unop_floor
    "fract",  // ir_unop_fract
    "roundEven",  // ir_unop_round_even
    "sin",  // ir_unop_sin
    "cos",  // ir_unop_cos
    "sin",  // ir_unop_sin_reduced
    "cos",  // ir_unop_cos_reduced
    "dFdx",  // ir_unop_dFdx
    "dFdxCoarse",  // ir_unop_dFdx_coarse
    "dFdxFine",  // ir_unop_dFdx_fine
    "dFdy",  // ir_unop_dFdy
    "dFdyCoarse",  // ir_unop_dFdy_coarse
    "dFdyFine",  // ir_unop_dFdy_fine
    "packSnorm2x16",  // ir_unop_pack_snorm_2x16
    "packSnorm4x8",  // ir_unop_pack_snorm_4x8
    "packUnorm2x16",  // ir_unop_pack_unorm_2x16
    "packUnorm4x8",  // ir_unop_pack_unorm_4x8
    "packHalf2x16",  // ir_unop_pack_half_2x16
    "unpackSnorm2x16",  // ir_unop_unpack_snorm_2x16
    "unpackSnorm4x8",  // ir_unop_unpack_snorm_4x8
    "unpackUnorm2x16",  // ir_unop_unpack_unorm_2x16
    "unpackUnorm4x8",  // ir_unop_unpack_unorm_4x8
    "unpackHalf2x16",  // ir_unop_unpack_half_2x16
    "unpackHalf2x16_splitX_TODO",  // ir_unop_unpack_half_2x16_split_x
    "unpackHalf2x16_splitY_TODO",  // ir_unop_unpack_half_2x16_split_y
    "bitfieldReverse",  // ir_unop_bitfield_reverse
    "bitCount",  // ir_unop_bit_count
    "findMSB",  // ir_unop_find_msb
    "findLSB",  // ir_unop_find_lsb
    "saturate",  // ir_unop_saturate
    "noise",  // ir_unop_noise
    "interpolateAtCentroid",  // ir_unop_interpolate_at_centroid
    "+",  // ir_binop_add
    "-",  // ir_binop_sub
    "*",  // ir_binop_mul
    "*_imul_high_TODO",  // ir_binop_imul_high
    "/",  // ir_binop_div
    "carry_TODO",  // ir_binop_carry
    "borrow_TODO",  // ir_binop_borrow
    "mod",  // ir_binop_mod
    "<",  // ir_binop_less
    ">",  // ir_binop_greater
    "<=",  // ir_binop_lequal
    ">=",  // ir_binop_gequal
    "equal",  // ir_binop_equal
    "notEqual",  // ir_binop_nequal
    "==",  // ir_binop_all_equal
    "!=",  // ir_binop_any_nequal
    "<<",  // ir_binop_lshift
    ">>",  // ir_binop_rshift
    "&",  // ir_binop_bit_and
    "^",  // ir_binop_bit_xor
    "|",  // ir_binop_bit_or
    "&&",  // ir_binop_logic_and
    "^^",  // ir_binop_logic_xor
    "||",  // ir_binop_logic_or
    "dot",  // ir_binop_dot
    "min",  // ir_binop_min
    "max",  // ir_binop_max
    "pow",  // ir_binop_pow
    "packHalf2x16_split_TODO",  // ir_binop_pack_half_2x16_split
    "bfm_TODO",  // ir_binop_bfm
    "uboloadTODO",  // ir_binop_ubo_load
    "ldexp_TODO",  // ir_binop_ldexp
    "vectorExtract_TODO",  // ir_binop_vector_extract
    "interpolateAtOffset",  // ir_binop_interpolate_at_offset
    "interpolateAtSample",  // ir_binop_interpolate_at_sample
    "fma",  // ir_triop_fma
    "clamp",  // ir_triop_clamp
    "mix",  // ir_triop_lrp
    "csel_TODO",  // ir_triop_csel
    "bfi_TODO",  // ir_triop_bfi
    "bitfield_extract_TODO",  // ir_triop_bitfield_extract
    "vector_insert_TODO",  // ir_triop_vector_insert
    "bitfield_insert_TODO",  // ir_quadop_bitfield_insert
    "vectorTODO",  // ir_quadop_vector
};

static_assert(sizeof(kOperatorStrings) / sizeof(kOperatorStrings[0]) ==
              ir_last_opcode + 1);

}  // namespace

const char *ir_expression::operator_string(ir_expression_operation op) {
  return op <= ir_last_opcode ? kOperatorStrings[op] : "";
}

int ir_expression::get_operator(const char *text) {
  for (unsigned op = 0; op <= ir_last_opcode; op++)
    if (std::strcmp(text, kOperatorStrings[op]) == 0) return static_cast<int>(op);
  return -1;
}
