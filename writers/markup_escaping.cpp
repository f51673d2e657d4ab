#include "writers/markup_escaping.h"

#include <string_view>

namespace tovren {
namespace {

void AppendPercent(Text& out, unsigned char byte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  out += '%';
  out += kHex[byte >> 4];
  out += kHex[byte & 0x0F];
}

}  // namespace

Text EscapeXmlLink(const Text& link) {
  static constexpr std::string_view kAmp = "&amp;";
  Text out;
  out.reserve(link.size() + 16);
  for (size_t i = 0; i < link.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(link[i]);
    if (c == '&') {
      // An "&amp;" already there is taken as escaped; any other "&" is escaped here, so a
      // link that mixes both still gives well-formed XML.
      if (std::string_view(link).substr(i, kAmp.size()) == kAmp) i += kAmp.size() - 1;
      out += kAmp;
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>' && i >= 2 && link[i - 1] == ']' && link[i - 2] == ']') {
      out += "&gt;";
    } else if (c < 0x20) {
      AppendPercent(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

Text PercentEncodeHighBytes(const Text& link) {
  Text out;
  out.reserve(link.size() * 2);
  for (const char ch : link) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 0x80) {
      AppendPercent(out, c);
    } else {
      out += ch;
    }
  }
  return out;
}

Text EscapeHtmlTitle(const Text& title) {
  Text out;
  out.reserve(title.size());
  for (const char c : title) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

Text EscapeHtmlLink(const Text& link) {
  Text out;
  out.reserve(link.size());
  for (const char c : link) {
    if (c == '"') {
      out += "&quot;";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace tovren
