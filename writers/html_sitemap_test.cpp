#include <gtest/gtest.h>

#include "writers/sitemap_texts.h"
#include "writers/sitemap_writers.h"
#include "writers/writers_test_support.h"

namespace tovren {
namespace {

using testing::Between;
using testing::CountOf;
using testing::FilesIn;
using testing::Links;
using testing::NumberedLinks;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// GBK: 网站地图-SiteMap, 网址地图, 分页, 中文.
const std::string kHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"\r\n"
    "\"http://www.w3.org/TR/html4/loose.dtd\">\r\n"
    "<html>\r\n<head>\r\n<title>\xCD\xF8\xD5\xBE\xB5\xD8\xCD\xBC-SiteMap</title>\r\n</head>\r\n"
    "<body><table width='760' align='center' bgcolor='#ffffff'><tr><td style='padding: 20px'>"
    "<li><a href=\"index.html\">\xCD\xF8\xD6\xB7\xB5\xD8\xCD\xBC</a></li>";
const std::string kMap = "\xCD\xF8\xD6\xB7\xB5\xD8\xCD\xBC";
const std::string kCreditItem =
    "<li><a href=\"http://www.tovren.example\"><strong>"
    "Tovren\xCD\xF8\xD5\xBE\xB5\xD8\xCD\xBC\xC9\xFA\xB3\xC9\xB9\xA4\xBE\xDF</strong></a></li>";
const std::string kPaging = "<br><br>\xB7\xD6\xD2\xB3:";
const std::string kClosing = "</td></tr></table></body></html>";
const std::string kRoot = "http://s.localhost";

TEST(HtmlSitemapTest, OnePageByteForByte) {
  TempFolder folder;
  const ListSnapshot lists = Links(kRoot, {{kRoot + "/", "\xD6\xD0\xCE\xC4"}, {kRoot + "/a?b=1&c=2", "A &amp; B"}});
  const WriteReport report = WriteHtmlSitemap(lists, 500, folder.path());
  EXPECT_TRUE(report.failed.empty());
  ASSERT_EQ(report.written, (std::vector<std::filesystem::path>{folder / "index.html"}));
  EXPECT_EQ(ReadFile(folder / "index.html"),
            kHead +
                "<li><a href=\"http://s.localhost/\">\xD6\xD0\xCE\xC4</a></li>"
                "<li><a href=\"http://s.localhost/a?b=1&c=2\">A &amp; B</a></li>" +
                kCreditItem + "</body></html>");
}

TEST(HtmlSitemapTest, TwoPagesByteForByte) {
  TempFolder folder;
  const ListSnapshot lists = Links(kRoot, {{kRoot + "/", "home"}, {kRoot + "/b", "B"}, {kRoot + "/c", "C"}});
  WriteHtmlSitemap(lists, 2, folder.path());
  EXPECT_EQ(FilesIn(folder.path()), (std::set<std::string>{"index.html", "sitemap1.html"}));
  EXPECT_EQ(ReadFile(folder / "index.html"),
            kHead + "<li><a href=\"sitemap1.html\">" + kMap + "1</a></li>" +
                "<li><a href=\"http://s.localhost/\">home</a></li>"
                "<li><a href=\"http://s.localhost/b\">B</a></li>" +
                kCreditItem + "</body></html>" + kPaging +
                "<a href=\"index.html\">1</a> <a href=\"sitemap1.html\">2</a> " + kClosing);
  EXPECT_EQ(ReadFile(folder / "sitemap1.html"),
            kHead + "<li><a href=\"http://s.localhost/c\">C</a></li>" + kCreditItem + kPaging +
                "<a href=\"index.html\">1</a> <a href=\"sitemap1.html\">2</a> " + kClosing);
}

TEST(HtmlSitemapTest, SplitsIntoPagesWithNextItemsAndPaging) {
  struct Case {
    int n;
    std::vector<std::string> files;
    std::vector<std::string> next_items;  // per page, "" for none
    std::vector<std::pair<int, int>> shares;
    std::string paging;                   // "" for none
  } cases[] = {
      {0, {}, {}, {}, ""},
      {1, {"index.html"}, {""}, {{1, 1}}, ""},
      {500, {"index.html"}, {""}, {{1, 500}}, ""},
      {501,
       {"index.html", "sitemap1.html"},
       {"<li><a href=\"sitemap1.html\">" + kMap + "1</a></li>", ""},
       {{1, 500}, {501, 1}},
       "<a href=\"index.html\">1</a> <a href=\"sitemap1.html\">2</a> " + kClosing},
      {1200,
       {"index.html", "sitemap1.html", "sitemap2.html"},
       {"<li><a href=\"sitemap1.html\">" + kMap + "1</a></li>",
        "<li><a href=\"sitemap2.html\">" + kMap + "2</a></li>", ""},
       {{1, 500}, {501, 500}, {1001, 200}},
       "<a href=\"index.html\">1</a> <a href=\"sitemap1.html\">2</a> <a href=\"sitemap2.html\">3</a> " +
           kClosing},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    const WriteReport report = WriteHtmlSitemap(NumberedLinks(c.n), 500, folder.path());
    EXPECT_TRUE(report.failed.empty());
    EXPECT_EQ(report.written.size(), c.files.size()) << "n=" << c.n;
    EXPECT_EQ(FilesIn(folder.path()), std::set<std::string>(c.files.begin(), c.files.end())) << "n=" << c.n;
    for (size_t f = 0; f < c.files.size(); ++f) {
      const std::string where = "n=" + std::to_string(c.n) + " " + c.files[f];
      const std::string text = ReadFile(folder / c.files[f]);
      ASSERT_EQ(text.substr(0, kHead.size()), kHead) << where;
      std::string body = text.substr(kHead.size());
      if (!c.next_items[f].empty()) {
        ASSERT_EQ(body.substr(0, c.next_items[f].size()), c.next_items[f]) << where;
        body = body.substr(c.next_items[f].size());
      }
      std::string want_links;
      const auto [first, size] = c.shares[f];
      for (int p = first; p < first + size; ++p) {
        const std::string n = std::to_string(p);
        want_links += "<li><a href=\"http://s.localhost/p" + n + "\">t" + n + "</a></li>";
      }
      ASSERT_EQ(body.substr(0, want_links.size()), want_links) << where;
      body = body.substr(want_links.size());
      ASSERT_EQ(body.substr(0, kCreditItem.size()), kCreditItem) << where;
      body = body.substr(kCreditItem.size());
      if (c.paging.empty()) {
        EXPECT_EQ(body, "</body></html>") << where;
      } else if (f == 0) {
        EXPECT_EQ(body, "</body></html>" + kPaging + c.paging) << where;
      } else {
        EXPECT_EQ(body, kPaging + c.paging) << where;
      }
      EXPECT_EQ(CountOf(text, "\r\n"), 6) << where << ": line breaks only in the header";
    }
  }
}

TEST(HtmlSitemapTest, TitlesAndLinksCannotBreakTheMarkup) {
  struct Case {
    const char* name;
    std::string link, title;
    std::string want_item;
  } cases[] = {
      {"tag in a title", "/a", "<script>alert(1)</script>",
       "<li><a href=\"/a\">&lt;script&gt;alert(1)&lt;/script&gt;</a></li>"},
      {"entities kept", "/b&amp;c", "A &amp; B", "<li><a href=\"/b&amp;c\">A &amp; B</a></li>"},
      {"quote in a link", "/c\" onclick=\"x", "t", "<li><a href=\"/c&quot; onclick=&quot;x\">t</a></li>"},
      {"empty title", "/d", "", "<li><a href=\"/d\"></a></li>"},
      {"GBK as held", "/\xD6\xD0", "\xD6\xD0\xCE\xC4", "<li><a href=\"/\xD6\xD0\">\xD6\xD0\xCE\xC4</a></li>"},
  };
  for (const Case& c : cases) {
    const std::string text = HtmlSitemapText(Links(kRoot, {{c.link, c.title}}), 500, 1);
    EXPECT_EQ(text, kHead + c.want_item + kCreditItem + "</body></html>") << c.name;
  }
}

TEST(HtmlSitemapTest, NothingWrittenAndEarlierPagesLeftAlone) {
  struct Case {
    const char* name;
    int n;
    int per_file;
    std::set<std::string> want_files;
  } cases[] = {
      {"empty list", 0, 500, {"index.html", "sitemap5.html"}},
      {"no split size", 3, 0, {"index.html", "sitemap5.html"}},
      {"two pages leave page 6 alone", 501, 500, {"index.html", "sitemap1.html", "sitemap5.html"}},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    WriteFile(folder / "index.html", "earlier");
    WriteFile(folder / "sitemap5.html", "earlier");
    WriteHtmlSitemap(NumberedLinks(c.n), c.per_file, folder.path());
    EXPECT_EQ(FilesIn(folder.path()), c.want_files) << c.name;
    EXPECT_EQ(ReadFile(folder / "sitemap5.html"), "earlier") << c.name;
    if (c.n == 0 || c.per_file <= 0) {
      EXPECT_EQ(ReadFile(folder / "index.html"), "earlier") << c.name;
    }
  }
}

TEST(HtmlSitemapTest, PageThatCannotBeWrittenIsReported) {
  TempFolder folder;
  const WriteReport report = WriteHtmlSitemap(NumberedLinks(2), 500, folder / "missing");
  EXPECT_TRUE(report.written.empty());
  ASSERT_EQ(report.failed.size(), 1u);
  EXPECT_EQ(report.failed[0].file, folder / "missing" / "index.html");
  EXPECT_EQ(report.failed[0].reason, "No such file or directory");
}

}  // namespace
}  // namespace tovren
