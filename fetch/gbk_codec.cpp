#include "fetch/gbk_codec.h"

#include <array>
#include <cstdint>
#include <memory>

#include "fetch/iconv_holder.h"

namespace tovren {
namespace {

// Both tables hold 0 for "no character". Encoded values below 0x100 are one byte (0x80 is
// the euro sign), larger ones a lead byte in the high half and a trail byte in the low half.
using Table = std::array<uint16_t, 0x10000>;

// Converts one character with `cd`; returns the output bytes, or "" when iconv refuses it.
// The converter is reset before each character so that a refusal leaves nothing behind.
std::string ConvertOne(const IconvHolder& cd, const char* in, size_t in_len) {
  cd.Reset();
  char buf[8];
  char* in_ptr = const_cast<char*>(in);  // iconv's interface is not const-correct
  char* out_ptr = buf;
  size_t out_left = sizeof buf;
  size_t r = iconv(cd.get(), &in_ptr, &in_len, &out_ptr, &out_left);
  if (r != 0 || in_len != 0) return {};
  return std::string(buf, static_cast<size_t>(out_ptr - buf));
}

std::unique_ptr<Table> BuildEncodeTable() {
  auto table = std::make_unique<Table>();
  table->fill(0);
  IconvHolder cd("GBK", "UTF-16LE");
  if (!cd.valid()) return table;
  for (uint32_t u = 0x80; u <= 0xFFFF; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    const char in[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    const std::string gbk = ConvertOne(cd, in, 2);
    if (gbk.size() == 1) {
      (*table)[u] = static_cast<unsigned char>(gbk[0]);
    } else if (gbk.size() == 2) {
      (*table)[u] = static_cast<uint16_t>((static_cast<unsigned char>(gbk[0]) << 8) |
                                          static_cast<unsigned char>(gbk[1]));
    }
  }
  return table;
}

uint16_t DecodedUnit(const IconvHolder& cd, const char* in, size_t len) {
  const std::string utf16 = ConvertOne(cd, in, len);
  if (utf16.size() != 2) return 0;  // GBK maps to the BMP only
  return static_cast<uint16_t>(static_cast<unsigned char>(utf16[0]) |
                               (static_cast<unsigned char>(utf16[1]) << 8));
}

// Indexed by the byte itself for one-byte characters, by lead << 8 | trail for pairs.
std::unique_ptr<Table> BuildDecodeTable() {
  auto table = std::make_unique<Table>();
  table->fill(0);
  IconvHolder cd("UTF-16LE", "GBK");
  if (!cd.valid()) return table;
  for (unsigned b = 0x80; b <= 0xFF; ++b) {
    const char in[1] = {static_cast<char>(b)};
    (*table)[b] = DecodedUnit(cd, in, 1);
  }
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      (*table)[lead << 8 | trail] = DecodedUnit(cd, in, 2);
    }
  }
  return table;
}

// Filled on first use; C++ makes the initialisation of a function-local static safe when
// several threads arrive at once.
const Table& EncodeTable() {
  static const std::unique_ptr<Table> table = BuildEncodeTable();
  return *table;
}

const Table& DecodeTable() {
  static const std::unique_ptr<Table> table = BuildDecodeTable();
  return *table;
}

}  // namespace

bool AppendGbkChar(char16_t unit, std::string& out) {
  if (unit < 0x80) {
    out.push_back(static_cast<char>(unit));
    return true;
  }
  const uint16_t code = EncodeTable()[unit];
  if (code == 0) return false;
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
  return true;
}

int DecodeGbkChar(std::string_view gbk, char32_t& cp, int& skip) {
  const unsigned b = static_cast<unsigned char>(gbk[0]);
  if (b < 0x80) {
    cp = b;
    return 1;
  }
  const Table& table = DecodeTable();
  if (gbk.size() >= 2) {
    const unsigned trail = static_cast<unsigned char>(gbk[1]);
    if (const uint16_t unit = table[b << 8 | trail]; unit != 0) {
      cp = unit;
      return 2;
    }
    if (const uint16_t unit = table[b]; unit != 0) {
      cp = unit;
      return 1;
    }
    skip = (b >= 0x81 && b <= 0xFE && trail >= 0x80) ? 2 : 1;
    return 0;
  }
  if (const uint16_t unit = table[b]; unit != 0) {
    cp = unit;
    return 1;
  }
  skip = 1;
  return 0;
}

}  // namespace tovren
