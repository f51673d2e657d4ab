#include "writers/sitemap_texts.h"

#include "text/text_list.h"
#include "writers/output_rules.h"
#include "writers/sitemap_writers.h"

namespace tovren {

std::string UrlListFileName(int k) { return FileName("urllist", ".txt", k); }

Text UrlListText(const ListSnapshot& lists, int links_per_file, int k) {
  const int n = ListCount(lists.UrlList);
  const int file_count = FileCount(n, links_per_file);
  if (k < 1 || k > file_count) return {};
  Text out;
  const int first = ShareFirst(k, links_per_file);
  const int size = ShareSize(k, file_count, n, links_per_file);
  for (int position = first; position < first + size; ++position) {
    out += ListGet(lists.UrlList, position);
    out += "\r\n";
  }
  out += kCreditAddress;
  out += "\r\n";
  return out;
}

}  // namespace tovren
