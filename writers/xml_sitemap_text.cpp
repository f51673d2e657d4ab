#include "writers/sitemap_texts.h"

#include "fetch/page_decoding.h"
#include "text/text_list.h"
#include "writers/markup_escaping.h"
#include "writers/output_rules.h"
#include "writers/sitemap_writers.h"

namespace tovren {
namespace {

constexpr char kXmlHeader[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<urlset\r\n"
    "    xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\"\r\n"
    "    xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\r\n"
    "    xsi:schemaLocation=\"http://www.sitemaps.org/schemas/sitemap/0.9\r\n"
    "       http://www.sitemaps.org/schemas/sitemap/0.9/sitemap.xsd\">\r\n";

void AppendEntry(Text& out, const Text& address, const char* priority, const char* frequency,
                 const std::string& date) {
  out += "<url>\r\n<loc>";
  out += address;
  out += "</loc>\r\n<priority>";
  out += priority;
  out += "</priority>\r\n<lastmod>";
  out += date;
  out += "</lastmod>\r\n<changefreq>";
  out += frequency;
  out += "</changefreq>\r\n</url>\r\n";
}

bool IsValidGbk(const Text& text) {
  return text.empty() || !ConvertCharset(text, "GBK", "UTF-8").empty();
}

// The link as it goes into <loc>.
Text XmlAddress(const Text& link, bool percent_encode_bad_gbk) {
  if (percent_encode_bad_gbk && !IsValidGbk(link)) return EscapeXmlLink(PercentEncodeHighBytes(link));
  return EscapeXmlLink(link);
}

}  // namespace

std::string XmlSitemapFileName(int k) { return FileName("sitemap", ".xml", k); }

XmlPriority PriorityForLength(int link_length, int root_length) {
  if (link_length < root_length + 2) return {"1.00", "hourly"};
  if (link_length <= root_length + 7) return {"0.8", "daily"};
  return {"0.5", "weekly"};
}

Text XmlSitemapText(const ListSnapshot& lists, int links_per_file, int k,
                    const std::string& date, bool percent_encode_bad_gbk) {
  const int n = ListCount(lists.UrlList);
  const int file_count = FileCount(n, links_per_file);
  if (k < 1 || k > file_count) return {};
  const int root_length = TextLength(lists.SiteRoot);

  Text out = kXmlHeader;
  if (k < file_count) {
    // The next file's address once the folder is published at the root of the site.
    const Text next = lists.SiteRoot + "/sitemap/sitemap" + std::to_string(k) + ".xml";
    AppendEntry(out, XmlAddress(next, percent_encode_bad_gbk), "1.00", "daily", date);
  }
  const int first = ShareFirst(k, links_per_file);
  const int size = ShareSize(k, file_count, n, links_per_file);
  for (int position = first; position < first + size; ++position) {
    const Text& link = lists.UrlList[static_cast<size_t>(position - 1)];
    // The length counts the link as listed, before any escaping.
    const XmlPriority p = PriorityForLength(TextLength(link), root_length);
    AppendEntry(out, XmlAddress(link, percent_encode_bad_gbk), p.priority, p.frequency, date);
  }
  AppendEntry(out, kCreditAddress, "1.00", "hourly", date);
  out += "</urlset>";
  return out;
}

XmlFileBytes XmlSitemapBytes(const ListSnapshot& lists, int links_per_file, int k,
                             const std::string& date) {
  const Text text = XmlSitemapText(lists, links_per_file, k, date);
  if (text.empty()) return {{}, "no such file in the set"};
  Bytes utf8 = ConvertCharset(text, "GBK", "UTF-8");
  if (!utf8.empty()) return {std::move(utf8), {}};
  // Some link is not GBK (for instance raw UTF-8 from a page that was not converted). Writing
  // nothing would lose every other link of the file, so those links go out percent-encoded,
  // which names the same address.
  utf8 = ConvertCharset(XmlSitemapText(lists, links_per_file, k, date, true), "GBK", "UTF-8");
  if (!utf8.empty()) return {std::move(utf8), {}};
  return {{}, "the text cannot be converted from GBK to UTF-8"};
}

}  // namespace tovren
