// IconvHolder: owns one iconv conversion descriptor and closes it when it goes. A descriptor
// carries conversion state, so one holder must not be used by two threads at once.
#pragma once

#include <iconv.h>

#include <utility>

namespace tovren {

class IconvHolder {
 public:
  // Opens a converter from `from` to `to` (iconv names, e.g. "UTF-8", "GBK"); valid() tells
  // whether the pair is supported.
  IconvHolder(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~IconvHolder() {
    if (valid()) iconv_close(cd_);
  }
  IconvHolder(const IconvHolder&) = delete;
  IconvHolder& operator=(const IconvHolder&) = delete;
  IconvHolder(IconvHolder&& other) noexcept : cd_(std::exchange(other.cd_, Invalid())) {}
  IconvHolder& operator=(IconvHolder&& other) noexcept {
    std::swap(cd_, other.cd_);
    return *this;
  }

  bool valid() const { return cd_ != Invalid(); }
  iconv_t get() const { return cd_; }
  // Returns the converter to its initial state (after a failed conversion, for instance).
  void Reset() const {
    if (valid()) iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  }

 private:
  static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }
  iconv_t cd_;
};

}  // namespace tovren
