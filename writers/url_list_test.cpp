#include <gtest/gtest.h>

#include "writers/sitemap_texts.h"
#include "writers/sitemap_writers.h"
#include "writers/writers_test_support.h"

namespace tovren {
namespace {

using testing::FilesIn;
using testing::Links;
using testing::NumberedLinks;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

TEST(UrlListTest, OneLinkByteForByte) {
  TempFolder folder;
  const ListSnapshot lists = Links("http://s.localhost", {{"http://s.localhost/\xD6\xD0?a=1&b=2", "t"}});
  const WriteReport report = WriteUrlList(lists, 500, folder.path());
  EXPECT_TRUE(report.failed.empty());
  ASSERT_EQ(report.written, (std::vector<std::filesystem::path>{folder / "urllist.txt"}));
  // GBK as held, no escaping, no byte-order mark.
  EXPECT_EQ(ReadFile(folder / "urllist.txt"),
            "http://s.localhost/\xD6\xD0?a=1&b=2\r\nhttp://www.tovren.example\r\n");
}

TEST(UrlListTest, SplitsIntoNumberedLists) {
  struct Case {
    int n;
    int per_file;
    std::vector<std::string> files;
    std::vector<std::pair<int, int>> shares;
  } cases[] = {
      {0, 500, {}, {}},
      {1, 500, {"urllist.txt"}, {{1, 1}}},
      {500, 500, {"urllist.txt"}, {{1, 500}}},
      {501, 500, {"urllist.txt", "urllist1.txt"}, {{1, 500}, {501, 1}}},
      {1001, 500, {"urllist.txt", "urllist1.txt", "urllist2.txt"}, {{1, 500}, {501, 500}, {1001, 1}}},
      {1200, 1000, {"urllist.txt", "urllist1.txt"}, {{1, 1000}, {1001, 200}}},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    const WriteReport report = WriteUrlList(NumberedLinks(c.n), c.per_file, folder.path());
    EXPECT_TRUE(report.failed.empty()) << "n=" << c.n;
    EXPECT_EQ(report.written.size(), c.files.size()) << "n=" << c.n;
    EXPECT_EQ(FilesIn(folder.path()), std::set<std::string>(c.files.begin(), c.files.end())) << "n=" << c.n;
    for (size_t f = 0; f < c.files.size(); ++f) {
      std::string want;
      const auto [first, size] = c.shares[f];
      for (int p = first; p < first + size; ++p) want += "http://s.localhost/p" + std::to_string(p) + "\r\n";
      want += "http://www.tovren.example\r\n";
      EXPECT_EQ(ReadFile(folder / c.files[f]), want) << "n=" << c.n << " " << c.files[f];
    }
  }
}

TEST(UrlListTest, NothingWrittenAndEarlierListsLeftAlone) {
  TempFolder folder;
  WriteFile(folder / "urllist.txt", "earlier");
  WriteFile(folder / "urllist4.txt", "earlier");
  EXPECT_TRUE(WriteUrlList(NumberedLinks(0), 500, folder.path()).written.empty());
  EXPECT_TRUE(WriteUrlList(NumberedLinks(9), 0, folder.path()).written.empty());
  EXPECT_EQ(ReadFile(folder / "urllist.txt"), "earlier");
  WriteUrlList(NumberedLinks(501), 500, folder.path());
  EXPECT_EQ(FilesIn(folder.path()), (std::set<std::string>{"urllist.txt", "urllist1.txt", "urllist4.txt"}));
  EXPECT_EQ(ReadFile(folder / "urllist4.txt"), "earlier");
  EXPECT_NE(ReadFile(folder / "urllist.txt"), "earlier");
}

}  // namespace
}  // namespace tovren
