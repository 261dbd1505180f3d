// printf-style formatting with one addition: %@ inserts an object's
// description or a string. Messages of the graphics layer are built with it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

class MGLObject;

class MGLFormatArg {
 public:
  enum class Kind { Signed, Unsigned, Double, Text, Pointer };

  MGLFormatArg(int v) : kind_(Kind::Signed), signed_(v) {}
  MGLFormatArg(long v) : kind_(Kind::Signed), signed_(v) {}
  MGLFormatArg(long long v) : kind_(Kind::Signed), signed_(v) {}
  MGLFormatArg(unsigned v) : kind_(Kind::Unsigned), unsigned_(v) {}
  MGLFormatArg(unsigned long v) : kind_(Kind::Unsigned), unsigned_(v) {}
  MGLFormatArg(unsigned long long v) : kind_(Kind::Unsigned), unsigned_(v) {}
  MGLFormatArg(double v) : kind_(Kind::Double), double_(v) {}
  MGLFormatArg(const char* v) : kind_(Kind::Text), text_(v ? v : "(null)") {}
  MGLFormatArg(std::string_view v) : kind_(Kind::Text), text_(v) {}
  MGLFormatArg(const std::string& v) : kind_(Kind::Text), text_(v) {}
  MGLFormatArg(const void* v) : kind_(Kind::Pointer), pointer_(v) {}
  // An object formats as its description.
  MGLFormatArg(const MGLObject* object);

  Kind kind() const { return kind_; }
  long long asSigned() const;
  unsigned long long asUnsigned() const;
  double asDouble() const;
  const std::string& text() const { return text_; }
  const void* pointer() const { return pointer_; }

 private:
  Kind kind_;
  long long signed_ = 0;
  unsigned long long unsigned_ = 0;
  double double_ = 0;
  std::string text_;
  const void* pointer_ = nullptr;
};

// Conversions: %@ and %s (text), %d %i %ld %lld (signed), %u %lu %llu %x %X
// (unsigned), %f %g %e with flags, width and precision, %p, %c and %%.
// A missing argument formats as nothing.
std::string mglFormat(std::string_view format, std::initializer_list<MGLFormatArg> args);
