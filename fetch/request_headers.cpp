// Request header block of a fetch.
#include "fetch/request_headers.h"

namespace tovren {
namespace {

void AddUnlessPresent(Text& block, const char* name, const Text& line) {
  if (FindText(block, name, 1, true) == -1) block += line;
}

}  // namespace

Text BuildRequestHeaderBlock(const Text& Url, const Text& ExtraHeaders, bool post,
                             const Text& PostData) {
  Text block = ExtraHeaders;
  AddUnlessPresent(block, "Accept: ", "Accept: */*\r\n");
  AddUnlessPresent(block, "Referer: ", "Referer: " + Url + "\r\n");
  AddUnlessPresent(block, "Accept-Language: ", "Accept-Language: zh-cn\r\n");
  if (post && !PostData.empty()) {
    AddUnlessPresent(block, "Content-Type: ",
                     "Content-Type: application/x-www-form-urlencoded\r\n");
    block += "Content-Length: " + NumberToText(static_cast<long long>(PostData.size())) + "\r\n";
  }
  return block;
}

std::vector<Text> HeaderLines(const Text& block) {
  std::vector<Text> lines;
  for (Text& piece : SplitText(block, "\r\n")) {
    if (!piece.empty()) lines.push_back(std::move(piece));
  }
  return lines;
}

}  // namespace tovren
