// The text of one file of each sitemap set, built from a snapshot of the lists. The writers
// (writers/sitemap_writers.h) write these; tests compare them byte for byte. Pure functions;
// any thread.
#pragma once

#include <string>

#include "crawler/crawl_state.h"
#include "text/text.h"

namespace tovren {

// File names of file k (1-based) of each set.
std::string XmlSitemapFileName(int k);  // sitemap.xml, sitemap1.xml, ...
std::string HtmlSitemapFileName(int k); // index.html, sitemap1.html, ...
std::string UrlListFileName(int k);     // urllist.txt, urllist1.txt, ...

// Priority and change frequency of a link of `link_length` bytes on a site whose root address
// is `root_length` bytes long: below root + 2 "1.00"/"hourly", up to root + 7 "0.8"/"daily",
// from root + 8 on "0.5"/"weekly".
struct XmlPriority {
  const char* priority;
  const char* frequency;
};
XmlPriority PriorityForLength(int link_length, int root_length);

// File k of the XML set as GBK text: the urlset header, the chain entry to the next file when
// k < F, one entry per link of the share, the credit entry and "</urlset>". With
// `percent_encode_bad_gbk`, every link (and the site root in the chain entry) that is not
// valid GBK has its bytes of 0x80 and above percent-encoded. "" for k outside 1..F.
Text XmlSitemapText(const ListSnapshot& lists, int links_per_file, int k,
                    const std::string& date, bool percent_encode_bad_gbk = false);

// File k of the XML set as the UTF-8 bytes to write. When the text cannot be converted from
// GBK, the links that are not valid GBK are percent-encoded and the text is converted again.
// Only if even that fails are `bytes` empty and `failure` the reason.
struct XmlFileBytes {
  Bytes bytes;
  std::string failure;
};
XmlFileBytes XmlSitemapBytes(const ListSnapshot& lists, int links_per_file, int k,
                             const std::string& date);

// Page k of the HTML set (GBK, written as held). "" for k outside 1..F.
Text HtmlSitemapText(const ListSnapshot& lists, int links_per_file, int k);

// File k of the address lists (GBK, written as held). "" for k outside 1..F.
Text UrlListText(const ListSnapshot& lists, int links_per_file, int k);

}  // namespace tovren
