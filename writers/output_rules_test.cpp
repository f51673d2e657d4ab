#include "writers/output_rules.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "writers/writers_test_support.h"

namespace tovren {
namespace {

using testing::FilesIn;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

TEST(OutputRulesTest, FileCountAndShares) {
  struct Case {
    int n, per_file;
    int want_files;
    std::vector<std::pair<int, int>> want_shares;  // first position, size of files 1..F
  } cases[] = {
      {0, 500, 0, {}},
      {-3, 500, 0, {}},
      {10, 0, 0, {}},
      {10, -1, 0, {}},
      {1, 500, 1, {{1, 1}}},
      {499, 500, 1, {{1, 499}}},
      {500, 500, 1, {{1, 500}}},
      {501, 500, 2, {{1, 500}, {501, 1}}},
      {1000, 500, 2, {{1, 500}, {501, 500}}},
      {1001, 500, 3, {{1, 500}, {501, 500}, {1001, 1}}},
      {1200, 500, 3, {{1, 500}, {501, 500}, {1001, 200}}},
      {1200, 1000, 2, {{1, 1000}, {1001, 200}}},
  };
  for (const Case& c : cases) {
    const int files = FileCount(c.n, c.per_file);
    EXPECT_EQ(files, c.want_files) << "n=" << c.n << " per_file=" << c.per_file;
    std::vector<std::pair<int, int>> shares;
    for (int k = 1; k <= files; ++k) {
      shares.emplace_back(ShareFirst(k, c.per_file), ShareSize(k, files, c.n, c.per_file));
    }
    EXPECT_EQ(shares, c.want_shares) << "n=" << c.n << " per_file=" << c.per_file;
    EXPECT_EQ(ShareSize(files + 1, files, c.n, c.per_file), 0) << "n=" << c.n;
    EXPECT_EQ(ShareSize(0, files, c.n, c.per_file), 0) << "n=" << c.n;
  }
}

TEST(OutputRulesTest, FileNames) {
  struct Case {
    const char* stem;
    const char* extension;
    int k;
    const char* want;
  } cases[] = {
      {"sitemap", ".xml", 1, "sitemap.xml"},
      {"sitemap", ".xml", 2, "sitemap1.xml"},
      {"sitemap", ".xml", 3, "sitemap2.xml"},
      {"urllist", ".txt", 11, "urllist10.txt"},
      {"sitemap", ".html", 101, "sitemap100.html"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileName(c.stem, c.extension, c.k), c.want) << c.want;
  }
}

TEST(OutputRulesTest, SitemapFolderIsBesideTheProgram) {
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(SitemapFolder(), program.parent_path() / "sitemap");
}

TEST(WriteWholeFileTest, CreatesAndReplacesWithoutLeavingTemporaries) {
  TempFolder folder;
  const auto path = folder / "sitemap.xml";
  const std::string bytes("first\0with zero\r\n", 17);
  EXPECT_EQ(WriteWholeFile(path, bytes), "");
  EXPECT_EQ(ReadFile(path), bytes);
  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u) << "a sitemap must be readable by the web server";

  // A shorter text replaces the longer one completely; the file's mode is kept.
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  EXPECT_EQ(WriteWholeFile(path, "2nd"), "");
  EXPECT_EQ(ReadFile(path), "2nd");
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);

  EXPECT_EQ(WriteWholeFile(folder / "empty.txt", ""), "");
  EXPECT_EQ(ReadFile(folder / "empty.txt"), "");
  EXPECT_EQ(FilesIn(folder.path()), (std::set<std::string>{"empty.txt", "sitemap.xml"}));
}

TEST(WriteWholeFileTest, ReportsWhyAFileCannotBeCreated) {
  TempFolder folder;
  WriteFile(folder / "plain-file", "not a folder");
  struct Case {
    const char* name;
    std::filesystem::path path;
    const char* want;
  } cases[] = {
      {"missing folder", folder / "missing" / "sitemap.xml", "No such file or directory"},
      {"parent is a regular file", folder / "plain-file" / "sitemap.xml", "Not a directory"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WriteWholeFile(c.path, "data"), c.want) << c.name;
  }
  EXPECT_EQ(ReadFile(folder / "plain-file"), "not a folder");
  EXPECT_EQ(FilesIn(folder.path()), (std::set<std::string>{"plain-file"}));
}

// The torn-file fault: a write that fails half-way must leave the old file as it was.
// RLIMIT_FSIZE makes write() fail with EFBIG even for root.
TEST(WriteWholeFileTest, FailedWriteLeavesTheOldFileWhole) {
  TempFolder folder;
  const auto path = folder / "sitemap.xml";
  const std::string good = "<?xml good file?>";
  WriteFile(path, good);

  struct rlimit old_limit;
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old_limit;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string reason = WriteWholeFile(path, std::string(100000, 'x'));
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(reason, "File too large");
  EXPECT_EQ(ReadFile(path), good);
  EXPECT_EQ(FilesIn(folder.path()), (std::set<std::string>{"sitemap.xml"}));
}

TEST(WriteWholeFileTest, ReadOnlyFolderLeavesTheOldFileWhole) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; covered by the file-size limit test";
  TempFolder folder;
  const auto path = folder / "index.html";
  WriteFile(path, "good");
  ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
  EXPECT_EQ(WriteWholeFile(path, "new text"), "Permission denied");
  ::chmod(folder.path().c_str(), 0755);
  EXPECT_EQ(ReadFile(path), "good");
}

}  // namespace
}  // namespace tovren
