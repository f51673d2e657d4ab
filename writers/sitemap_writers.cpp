#include "writers/sitemap_writers.h"

#include <functional>
#include <mutex>

#include "text/text_list.h"
#include "writers/output_rules.h"
#include "writers/sitemap_texts.h"

namespace tovren {
namespace {

struct BuiltFile {
  Bytes bytes;
  std::string failure;  // non-empty: nothing to write
};

// Builds and writes files 1..F of one set, one after the other, recording each outcome.
WriteReport WriteFileSet(const ListSnapshot& lists, int links_per_file,
                         const std::filesystem::path& folder,
                         const std::function<std::string(int)>& name,
                         const std::function<BuiltFile(int)>& build) {
  WriteReport report;
  const int file_count = FileCount(ListCount(lists.UrlList), links_per_file);
  for (int k = 1; k <= file_count; ++k) {
    const std::filesystem::path path = folder / name(k);
    BuiltFile file = build(k);
    std::string reason = file.failure.empty() ? WriteWholeFile(path, file.bytes) : file.failure;
    if (reason.empty()) {
      report.written.push_back(path);
    } else {
      report.failed.push_back(WriteFailure{path, std::move(reason)});
    }
  }
  return report;
}

}  // namespace

WriteReport WriteXmlSitemap(const ListSnapshot& lists, int links_per_file,
                            const std::filesystem::path& folder) {
  return WriteXmlSitemapDated(lists, links_per_file, folder, LocalDateText);
}

WriteReport WriteXmlSitemapDated(const ListSnapshot& lists, int links_per_file,
                                 const std::filesystem::path& folder, const DateSource& today) {
  static std::mutex run_mutex;
  std::scoped_lock run_lock(run_mutex);
  return WriteFileSet(lists, links_per_file, folder, XmlSitemapFileName, [&](int k) {
    // The date is taken anew for every file.
    XmlFileBytes file = XmlSitemapBytes(lists, links_per_file, k, today());
    return BuiltFile{std::move(file.bytes), std::move(file.failure)};
  });
}

WriteReport WriteHtmlSitemap(const ListSnapshot& lists, int links_per_file,
                             const std::filesystem::path& folder) {
  static std::mutex run_mutex;
  std::scoped_lock run_lock(run_mutex);
  return WriteFileSet(lists, links_per_file, folder, HtmlSitemapFileName, [&](int k) {
    return BuiltFile{HtmlSitemapText(lists, links_per_file, k), {}};
  });
}

WriteReport WriteUrlList(const ListSnapshot& lists, int links_per_file,
                         const std::filesystem::path& folder) {
  static std::mutex run_mutex;
  std::scoped_lock run_lock(run_mutex);
  return WriteFileSet(lists, links_per_file, folder, UrlListFileName, [&](int k) {
    return BuiltFile{UrlListText(lists, links_per_file, k), {}};
  });
}

}  // namespace tovren
