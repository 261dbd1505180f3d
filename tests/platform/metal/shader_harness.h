// Compiling and running shading-language functions in tests: one fragment
// or vertex function of a source, its buffers bound by slot, run by the
// reference interpreter.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/metal/msl/compiler.h"
#include "platform/metal/msl/reference_interpreter.h"

namespace mtl::msl::test {

inline std::shared_ptr<const CompiledFunction> compileFunction(const std::string& source,
                                                                const std::string& name) {
  CompileResult r = compile(source);
  EXPECT_TRUE(r.ok()) << r.errors;
  for (const auto& f : r.functions) {
    EXPECT_EQ(verify(*f), "") << f->name;
    if (f->name == name) return f;
  }
  ADD_FAILURE() << "no function " << name;
  return nullptr;
}

// Bytes of a buffer argument, written field by field at chosen offsets.
class Bytes {
 public:
  explicit Bytes(std::size_t size = 256) : data_(size, 0) {}
  template <typename T>
  Bytes& at(std::size_t offset, T value) {
    std::memcpy(data_.data() + offset, &value, sizeof value);
    return *this;
  }
  template <typename T>
  T get(std::size_t offset) const {
    T value;
    std::memcpy(&value, data_.data() + offset, sizeof value);
    return value;
  }
  std::vector<std::uint8_t>& data() { return data_; }

 private:
  std::vector<std::uint8_t> data_;
};

struct ShaderRun {
  Invocation invocation;
  std::shared_ptr<const CompiledFunction> function;
  Register output(std::size_t k = 0) const { return msl::output(invocation, function->outputs.at(k)); }
  float f(unsigned c, std::size_t k = 0) const { return std::bit_cast<float>(output(k)[c]); }
  std::int32_t i(unsigned c, std::size_t k = 0) const {
    return static_cast<std::int32_t>(output(k)[c]);
  }
};

// Runs `name` with `buffers[k]` bound (writable) at slot k.
inline ShaderRun run(const std::string& source, const std::string& name,
               std::vector<Bytes*> buffers = {}, ExecutionHooks* hooks = nullptr) {
  ShaderRun r;
  r.function = compileFunction(source, name);
  if (!r.function) return r;
  r.invocation = prepareInvocation(*r.function);
  std::vector<BufferView> views;
  for (Bytes* b : buffers) {
    views.push_back(b ? BufferView{b->data().data(), b->data().size(), true} : BufferView{});
  }
  interpret(*r.function, r.invocation, views, hooks);
  EXPECT_TRUE(r.invocation.finished);
  return r;
}

inline std::uint32_t bits(float f) { return std::bit_cast<std::uint32_t>(f); }

}  // namespace mtl::msl::test
