// The three sitemap writers. Each builds its files from a snapshot of the lists and writes
// them into `folder` (which they do not create), each file whole through WriteWholeFile;
// nothing is written for an empty list or links_per_file <= 0, and files numbered above the
// new file count are left alone. A file that cannot be written is listed in the report's
// failures with the reason and the writer goes on with the next one. Two calls of the same
// writer never overlap (a second call waits for the first). Any thread.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "crawler/crawl_state.h"
#include "writers/sitemap_date.h"

namespace tovren {

// A credit of the system's own, written into every output file.
extern const char* const kCreditAddress;  // a web address without a trailing "/"
extern const char* const kCreditText;     // GBK

struct WriteFailure {
  std::filesystem::path file;
  std::string reason;
};

struct WriteReport {
  std::vector<std::filesystem::path> written;
  std::vector<WriteFailure> failed;
};

// sitemap.xml, sitemap1.xml, ... (UTF-8, no byte-order mark), dated with the local date.
WriteReport WriteXmlSitemap(const ListSnapshot& lists, int links_per_file,
                            const std::filesystem::path& folder);
// The same with the date of each file taken from `today` (called once per file). A name of
// its own, so that &WriteXmlSitemap stays unambiguous.
WriteReport WriteXmlSitemapDated(const ListSnapshot& lists, int links_per_file,
                                 const std::filesystem::path& folder, const DateSource& today);
// index.html, sitemap1.html, ... (GBK).
WriteReport WriteHtmlSitemap(const ListSnapshot& lists, int links_per_file,
                             const std::filesystem::path& folder);
// urllist.txt, urllist1.txt, ... (GBK).
WriteReport WriteUrlList(const ListSnapshot& lists, int links_per_file,
                         const std::filesystem::path& folder);

}  // namespace tovren
