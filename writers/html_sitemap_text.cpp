#include "writers/sitemap_texts.h"

#include "text/text_list.h"
#include "writers/markup_escaping.h"
#include "writers/output_rules.h"
#include "writers/sitemap_writers.h"

namespace tovren {
namespace {

// 网站地图-SiteMap, 网址地图 and 分页 in GBK.
#define TOVREN_SITE_MAP_TITLE "\xCD\xF8\xD5\xBE\xB5\xD8\xCD\xBC-SiteMap"
#define TOVREN_ADDRESS_MAP "\xCD\xF8\xD6\xB7\xB5\xD8\xCD\xBC"
#define TOVREN_PAGING "\xB7\xD6\xD2\xB3:"

constexpr char kHtmlHeader[] =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"\r\n"
    "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n"
    "<html>\r\n<head>\r\n<title>" TOVREN_SITE_MAP_TITLE "</title>\r\n</head>\r\n"
    "<body><table width='760' align='center' bgcolor='#ffffff'><tr><td style='padding: 20px'>"
    "<li><a href=\"index.html\">" TOVREN_ADDRESS_MAP "</a></li>";
constexpr char kAddressMap[] = TOVREN_ADDRESS_MAP;
constexpr char kPagingStart[] = "<br><br>" TOVREN_PAGING;
constexpr char kClosing[] = "</td></tr></table></body></html>";
#undef TOVREN_SITE_MAP_TITLE
#undef TOVREN_ADDRESS_MAP
#undef TOVREN_PAGING

// The item that links to the page named sitemap<number>.html.
Text NextPageItem(int number) {
  const std::string n = std::to_string(number);
  return "<li><a href=\"sitemap" + n + ".html\">" + kAddressMap + n + "</a></li>";
}

// Link "1" to index.html, then one link per numbered page (texts 2 .. F), then the closing.
// The same on every page; the current page is not marked.
Text PageLinks(int file_count) {
  Text out = "<a href=\"index.html\">1</a> ";
  for (int p = 1; p <= file_count - 1; ++p) {
    out += "<a href=\"sitemap" + std::to_string(p) + ".html\">" + std::to_string(p + 1) + "</a> ";
  }
  out += kClosing;
  return out;
}

}  // namespace

std::string HtmlSitemapFileName(int k) {
  return k <= 1 ? std::string("index.html") : FileName("sitemap", ".html", k);
}

Text HtmlSitemapText(const ListSnapshot& lists, int links_per_file, int k) {
  const int n = ListCount(lists.UrlList);
  const int file_count = FileCount(n, links_per_file);
  if (k < 1 || k > file_count) return {};

  Text out = kHtmlHeader;
  if (k < file_count) out += NextPageItem(k);
  const int first = ShareFirst(k, links_per_file);
  const int size = ShareSize(k, file_count, n, links_per_file);
  for (int position = first; position < first + size; ++position) {
    // Titles keep their entities but cannot open tags; a quotation mark cannot end the href.
    out += "<li><a href=\"" + EscapeHtmlLink(ListGet(lists.UrlList, position)) + "\">" +
           EscapeHtmlTitle(ListGet(lists.TitleList, position)) + "</a></li>";
  }
  out += std::string("<li><a href=\"") + kCreditAddress + "\"><strong>" + kCreditText +
         "</strong></a></li>";
  if (k == 1) {
    // index.html closes its body first and, with more pages, puts the paging line after it;
    // with one page the table opened in the header stays unclosed, as browsers tolerate.
    out += "</body></html>";
    if (file_count >= 2) out += kPagingStart + PageLinks(file_count);
  } else {
    out += kPagingStart + PageLinks(file_count);
  }
  return out;
}

}  // namespace tovren
