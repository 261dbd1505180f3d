#include "gles/context/format.h"

#include <cstdio>

#include "gles/context/object.h"

MGLFormatArg::MGLFormatArg(const MGLObject* object)
    : kind_(Kind::Text), text_(object ? object->description() : "(null)") {}

long long MGLFormatArg::asSigned() const {
  switch (kind_) {
    case Kind::Signed: return signed_;
    case Kind::Unsigned: return static_cast<long long>(unsigned_);
    case Kind::Double: return static_cast<long long>(double_);
    default: return 0;
  }
}

unsigned long long MGLFormatArg::asUnsigned() const {
  switch (kind_) {
    case Kind::Signed: return static_cast<unsigned long long>(signed_);
    case Kind::Unsigned: return unsigned_;
    case Kind::Double: return static_cast<unsigned long long>(double_);
    default: return 0;
  }
}

double MGLFormatArg::asDouble() const {
  switch (kind_) {
    case Kind::Signed: return static_cast<double>(signed_);
    case Kind::Unsigned: return static_cast<double>(unsigned_);
    case Kind::Double: return double_;
    default: return 0;
  }
}

std::string mglFormat(std::string_view format, std::initializer_list<MGLFormatArg> args) {
  std::string out;
  const MGLFormatArg* next = args.begin();
  auto take = [&]() -> const MGLFormatArg* { return next != args.end() ? next++ : nullptr; };
  char buffer[128];
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    // Collect flags, width and precision, then skip length modifiers.
    std::size_t j = i + 1;
    std::string spec = "%";
    while (j < format.size() && std::string_view("-+ #0.123456789").find(format[j]) !=
                                    std::string_view::npos) {
      spec += format[j++];
    }
    while (j < format.size() && (format[j] == 'l' || format[j] == 'h' || format[j] == 'z' ||
                                 format[j] == 'q')) {
      ++j;
    }
    if (j >= format.size()) {
      out.append(format.substr(i));
      break;
    }
    const char conversion = format[j];
    i = j;
    if (conversion == '%') {
      out += '%';
      continue;
    }
    const MGLFormatArg* arg = take();
    if (!arg) continue;
    switch (conversion) {
      case '@':
      case 's':
        if (arg->kind() == MGLFormatArg::Kind::Text) {
          out += arg->text();
        } else if (arg->kind() == MGLFormatArg::Kind::Double) {
          std::snprintf(buffer, sizeof buffer, "%g", arg->asDouble());
          out += buffer;
        } else if (arg->kind() == MGLFormatArg::Kind::Signed) {
          out += std::to_string(arg->asSigned());
        } else {
          out += std::to_string(arg->asUnsigned());
        }
        break;
      case 'd':
      case 'i':
        std::snprintf(buffer, sizeof buffer, (spec + "lld").c_str(), arg->asSigned());
        out += buffer;
        break;
      case 'u':
      case 'x':
      case 'X':
      case 'o':
        std::snprintf(buffer, sizeof buffer, (spec + "ll" + conversion).c_str(), arg->asUnsigned());
        out += buffer;
        break;
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'e':
      case 'E':
        std::snprintf(buffer, sizeof buffer, (spec + conversion).c_str(), arg->asDouble());
        out += buffer;
        break;
      case 'p':
        std::snprintf(buffer, sizeof buffer, "%p", arg->pointer());
        out += buffer;
        break;
      case 'c':
        out += static_cast<char>(arg->asSigned());
        break;
      default:
        out += spec;
        out += conversion;
        break;
    }
  }
  return out;
}
