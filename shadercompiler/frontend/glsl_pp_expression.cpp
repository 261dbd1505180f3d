// #if expressions: integer constants and the C operators the shading
// languages keep, in 32-bit two's-complement arithmetic.
#include <cstdint>

#include "shadercompiler/frontend/glsl_pp_internal.h"

namespace {

// Parentheses and unary operators nest at most this deep.
constexpr int kMaxNesting = 128;

struct binary_level {
  const char *operators[4];
};

// Binary operators from the loosest to the tightest binding.
const binary_level kLevels[] = {
    {{"||"}},           {{"&&"}},           {{"|"}},       {{"^"}},
    {{"&"}},            {{"==", "!="}},     {{"<", ">", "<=", ">="}},
    {{"<<", ">>"}},     {{"+", "-"}},       {{"*", "/", "%"}},
};
constexpr int kLevelCount = static_cast<int>(std::size(kLevels));

class evaluator {
 public:
  evaluator(const std::vector<glsl_pp_token> &tokens, std::string *message, size_t *at)
      : tokens_(tokens), message_(message), at_(at) {}

  bool run(int32_t *value) {
    if (!binary(0, true, value)) return false;
    if (pos_ < tokens_.size()) return fail("unexpected '" + tokens_[pos_].text + "' in expression");
    return true;
  }

 private:
  bool fail(const std::string &message) {
    *message_ = message;
    *at_ = pos_;
    return false;
  }

  bool at_punctuator(const char *text) const {
    return pos_ < tokens_.size() && tokens_[pos_].kind == glsl_pp_kind::punctuator &&
           tokens_[pos_].text == text;
  }

  // A value is computed only where `evaluate` holds, so that the operand
  // that && and || skip may hold undefined names and divisions by zero.
  bool binary(int level, bool evaluate, int32_t *value) {
    if (level == kLevelCount) return unary(evaluate, value);
    if (!binary(level + 1, evaluate, value)) return false;
    while (true) {
      const char *op = nullptr;
      for (const char *candidate : kLevels[level].operators)
        if (candidate != nullptr && at_punctuator(candidate)) op = candidate;
      if (op == nullptr) return true;
      const size_t op_pos = pos_++;
      const std::string text = op;
      bool evaluate_right = evaluate;
      if (text == "&&") evaluate_right = evaluate && *value != 0;
      if (text == "||") evaluate_right = evaluate && *value == 0;
      int32_t right = 0;
      if (!binary(level + 1, evaluate_right, &right)) return false;
      if (evaluate && !apply(text, value, right, op_pos)) return false;
    }
  }

  bool apply(const std::string &op, int32_t *value, int32_t right, size_t op_pos) {
    const uint32_t a = static_cast<uint32_t>(*value), b = static_cast<uint32_t>(right);
    int32_t l = *value;
    uint32_t r = 0;
    if (op == "||") r = (l != 0 || right != 0);
    else if (op == "&&") r = (l != 0 && right != 0);
    else if (op == "|") r = a | b;
    else if (op == "^") r = a ^ b;
    else if (op == "&") r = a & b;
    else if (op == "==") r = l == right;
    else if (op == "!=") r = l != right;
    else if (op == "<") r = l < right;
    else if (op == ">") r = l > right;
    else if (op == "<=") r = l <= right;
    else if (op == ">=") r = l >= right;
    else if (op == "<<") r = a << (b & 31);
    else if (op == ">>") r = static_cast<uint32_t>(l >> (b & 31));
    else if (op == "+") r = a + b;
    else if (op == "-") r = a - b;
    else if (op == "*") r = a * b;
    else if (op == "/" || op == "%") {
      if (right == 0) {
        pos_ = op_pos;
        return fail(op == "/" ? "division by zero in expression" : "remainder by zero in expression");
      }
      if (l == INT32_MIN && right == -1) r = op == "/" ? a : 0;  // wraps
      else r = static_cast<uint32_t>(op == "/" ? l / right : l % right);
    }
    *value = static_cast<int32_t>(r);
    return true;
  }

  // Unary operators and parentheses nest at most kMaxNesting deep, which
  // bounds the recursion on hostile text.
  bool unary(bool evaluate, int32_t *value) {
    if (pos_ >= tokens_.size()) return fail("expression ends early");
    const glsl_pp_token &t = tokens_[pos_];
    const bool is_unary = t.kind == glsl_pp_kind::punctuator &&
                          (t.text == "+" || t.text == "-" || t.text == "~" || t.text == "!");
    const bool is_open = t.kind == glsl_pp_kind::punctuator && t.text == "(";
    if (is_unary || is_open) {
      if (depth_ >= kMaxNesting) return fail("expression nested too deeply");
      depth_++;
      pos_++;
      bool ok;
      if (is_unary) {
        ok = unary(evaluate, value);
        const uint32_t v = static_cast<uint32_t>(*value);
        if (t.text == "-") *value = static_cast<int32_t>(0u - v);
        if (t.text == "~") *value = static_cast<int32_t>(~v);
        if (t.text == "!") *value = *value == 0;
      } else {
        ok = binary(0, evaluate, value);
        if (ok && !at_punctuator(")")) ok = fail("missing ')' in expression");
        if (ok) pos_++;
      }
      depth_--;
      return ok;
    }
    if (t.kind == glsl_pp_kind::number) {
      uint32_t v = 0;
      if (!glsl_pp_integer(t.text, &v)) return fail("'" + t.text + "' is not an integer constant");
      *value = static_cast<int32_t>(v);
      pos_++;
      return true;
    }
    if (t.kind == glsl_pp_kind::identifier) {
      if (evaluate) return fail("'" + t.text + "' is not a defined macro");
      *value = 0;
      pos_++;
      return true;
    }
    return fail("unexpected '" + t.text + "' in expression");
  }

  const std::vector<glsl_pp_token> &tokens_;
  std::string *message_;
  size_t *at_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

bool glsl_pp_integer(const std::string &text, uint32_t *value) {
  if (text.empty()) return false;
  unsigned base = 10;
  size_t i = 0;
  if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    i = 2;
    if (text.size() == 2) return false;
  } else if (text[0] == '0') {
    base = 8;
  }
  uint64_t v = 0;
  for (; i < text.size(); i++) {
    const char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
    else return false;
    if (digit >= base) return false;
    v = v * base + digit;
    if (v > UINT32_MAX) return false;
  }
  *value = static_cast<uint32_t>(v);
  return true;
}

bool glsl_pp_evaluate(const std::vector<glsl_pp_token> &tokens, int32_t *value,
                      std::string *message, size_t *at) {
  return evaluator(tokens, message, at).run(value);
}
