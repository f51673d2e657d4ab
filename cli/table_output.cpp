// The headless mode's stdout table.
#include "cli/table_output.h"

#include "fetch/page_decoding.h"

namespace tovren {
namespace {

void AppendCell(std::string& out, const Text& gbk) {
  std::string cell = LocalToUtf8(gbk);
  for (char& c : cell) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  out += cell;
}

}  // namespace

std::string FormatResultTable(const std::vector<ResultRow>& rows) {
  std::string out;
  for (const ResultRow& row : rows) {
    AppendCell(out, row.number);
    out += '\t';
    AppendCell(out, row.link);
    out += '\t';
    AppendCell(out, row.title);
    out += '\n';
  }
  return out;
}

}  // namespace tovren
