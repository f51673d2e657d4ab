// Runs the program's headless mode as a child process against a loopback test server and
// checks its exit status, stdout table, stderr and files.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/test_http_server.h"

extern char** environ;

namespace tovren {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::Response;
using testing::TestHttpServer;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// A child process running the program, with stdout and stderr going to files.
class Child {
 public:
  Child(const std::vector<std::string>& args, const fs::path& dir) : dir_(dir) {
    std::vector<std::string> argv_text{TOVREN_PROGRAM_PATH};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (dir_ / "stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (dir_ / "stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) pid_ = -1;
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool started() const { return pid_ > 0; }
  void Signal(int sig) { kill(pid_, sig); }

  // The exit status (128 + signal number for a killed child), or -1 when the child is still
  // running after `limit` (it is then killed).
  int Wait(std::chrono::milliseconds limit = 60s) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
      int status = 0;
      pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        if (WIFEXITED(status)) return WEXITSTATUS(status);
        return 128 + WTERMSIG(status);
      }
      if (std::chrono::steady_clock::now() > deadline) return -1;
      std::this_thread::sleep_for(10ms);
    }
  }
  std::string Stdout() const { return ReadFile(dir_ / "stdout"); }
  std::string Stderr() const { return ReadFile(dir_ / "stderr"); }

 private:
  fs::path dir_;
  pid_t pid_ = -1;
};

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tovren_cli_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  static Response Page(const std::string& title, const std::string& body) {
    Response r;
    r.headers = {{"Content-Type", "text/html; charset=gbk"}};
    r.body = "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
    return r;
  }
  static std::string Link(const std::string& href) { return "<a href=\"" + href + "\">x</a>"; }

  // Host typed into the address box: a *.localhost name libcurl sends to 127.0.0.1.
  std::string Address() const {
    return "www.clisite.localhost:" + std::to_string(server_.port());
  }
  std::string Root() const { return "http://" + Address(); }

  // A small site: home → a, b, bad (title with 404); a → deep; deep → deeper.
  void ServeSmallSite() {
    server_.Route("/", Page("Home", Link("/a.html") + Link("b.html") + Link("/bad.html") +
                                        Link("style.css")));
    server_.Route("/a.html", Page("Page A", Link("/deep.html") + Link("/b.html")));
    server_.Route("/b.html", Page("Page B", Link("/a.html")));
    server_.Route("/bad.html", Page("Error 404", Link("/hidden.html")));
    server_.Route("/deep.html", Page("Deep page", Link("/deeper.html")));
    server_.Route("/deeper.html", Page("Deeper page", ""));
    server_.Route("/hidden.html", Page("Hidden page", ""));
  }

  std::set<std::string> Urls(std::initializer_list<const char*> paths) const {
    std::set<std::string> out;
    for (const char* p : paths) out.insert(Root() + p);
    return out;
  }

  fs::path dir_;
  TestHttpServer server_;
};

TEST_F(HeadlessTest, UsageErrorsExitWith2AndPrintTheUsage) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--all"}, "missing --crawl"},
      {{"--crawl", "x.localhost", "--per-file", "300"}, "bad --per-file value '300'"},
      {{"--crawl", "x.localhost", "--write", "xml,pdf"}, "bad --write item 'pdf'"},
      {{"--crawl", "x.localhost", "--bogus"}, "unknown option --bogus"},
      {{"--crawl"}, "option --crawl needs a value"},
  };
  for (const Case& c : cases) {
    Child child(c.args, dir_);
    ASSERT_TRUE(child.started());
    EXPECT_EQ(child.Wait(), 2) << c.message;
    std::vector<std::string> err = Lines(child.Stderr());
    ASSERT_FALSE(err.empty()) << c.message;
    EXPECT_EQ(err[0].rfind(std::string("tovren-sitemap: ") + c.message, 0), 0u) << err[0];
    EXPECT_NE(child.Stderr().find("Usage: tovren-sitemap --crawl ADDRESS"), std::string::npos);
    EXPECT_EQ(child.Stdout(), "") << c.message;
  }
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(HeadlessTest, HelpAndVersionGoToStdout) {
  struct Case {
    const char* arg;
    const char* starts;
  } cases[] = {{"--help", "Usage: tovren-sitemap"}, {"--version", "tovren-sitemap " TOVREN_VERSION}};
  for (const Case& c : cases) {
    Child child({c.arg}, dir_);
    EXPECT_EQ(child.Wait(), 0) << c.arg;
    EXPECT_EQ(child.Stdout().rfind(c.starts, 0), 0u) << c.arg << ": " << child.Stdout();
    EXPECT_EQ(child.Stderr(), "") << c.arg;
  }
}

TEST_F(HeadlessTest, CrawlsBothScopesAndPrintsTheTable) {
  ServeSmallSite();
  struct Case {
    const char* name;
    std::vector<std::string> extra;
    std::set<std::string> want;
  } cases[] = {
      // Second level: deep.html is listed from a.html, but its own links are not read.
      {"second level", {}, Urls({"/", "/a.html", "/b.html", "/deep.html"})},
      {"all links", {"--all"}, Urls({"/", "/a.html", "/b.html", "/deep.html", "/deeper.html"})},
  };
  for (const Case& c : cases) {
    fs::path out = dir_ / "out";
    std::vector<std::string> args{"--crawl", Address(), "--out", out.string()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    Child child(args, dir_);
    ASSERT_EQ(child.Wait(), 0) << c.name << ": " << child.Stderr();

    std::set<std::string> links;
    for (const std::string& line : Lines(child.Stdout())) {
      std::vector<std::string> f = Fields(line);
      ASSERT_EQ(f.size(), 3u) << c.name << ": " << line;
      EXPECT_TRUE(links.insert(f[1]).second) << c.name << ": listed twice: " << f[1];
      if (f[1] == Root() + "/") {
        EXPECT_EQ(f[0], "1");
        EXPECT_EQ(f[2], "Home");
      }
      if (f[1] == Root() + "/deep.html") {
        EXPECT_EQ(f[2], "Deeppage") << "spaces are stripped";
      }
    }
    EXPECT_EQ(links, c.want) << c.name;

    // stderr is not a terminal here: status texts on lines of their own, then the summary.
    std::string err = child.Stderr();
    EXPECT_NE(err.find("已成功读取"), std::string::npos) << c.name << ": " << err;
    std::vector<std::string> err_lines = Lines(err);
    ASSERT_FALSE(err_lines.empty());
    EXPECT_EQ(err_lines.back().rfind("done: " + std::to_string(c.want.size()) + " pages listed", 0),
              0u) << err_lines.back();
    EXPECT_NE(err_lines.back().find("sitemap.xml index.html urllist.txt"), std::string::npos)
        << err_lines.back();

    // urllist.txt: every listed link, then the credit line.
    std::vector<std::string> txt = Lines(ReadFile(out / "urllist.txt"));
    ASSERT_EQ(txt.size(), c.want.size() + 1) << c.name;
    std::set<std::string> in_txt;
    for (size_t i = 0; i + 1 < txt.size(); ++i) in_txt.insert(txt[i].substr(0, txt[i].size() - 1));
    EXPECT_EQ(in_txt, c.want) << c.name;
    EXPECT_TRUE(fs::exists(out / "sitemap.xml")) << c.name;
    EXPECT_TRUE(fs::exists(out / "index.html")) << c.name;
    fs::remove_all(out);
  }
}

TEST_F(HeadlessTest, DedupNumbersRowsInLengthOrder) {
  // Both second-level pages link to the same third page in two letter cases; the link visit
  // treats them as one, and the table after --dedup is numbered 1..n by link length.
  server_.Route("/", Page("Home", Link("/second-long-name.html") + Link("/s2.html")));
  server_.Route("/second-long-name.html", Page("Second one", Link("/t.html")));
  server_.Route("/s2.html", Page("Second two", Link("/T.html") + Link("/t.html")));
  server_.Route("/t.html", Page("Third", ""));
  server_.Route("/T.html", Page("Third", ""));
  Child child({"--crawl", Address(), "--dedup", "--write", "none"}, dir_);
  ASSERT_EQ(child.Wait(), 0) << child.Stderr();
  std::vector<std::string> lines = Lines(child.Stdout());
  ASSERT_EQ(lines.size(), 4u) << child.Stdout();
  size_t last_length = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> f = Fields(lines[i]);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0], std::to_string(i + 1));
    EXPECT_GE(f[1].size(), last_length) << lines[i];
    last_length = f[1].size();
  }
  EXPECT_EQ(Fields(lines[0])[1], Root() + "/");
  EXPECT_NE(child.Stderr().find("去重复后有4条有效链接"), std::string::npos) << child.Stderr();
  EXPECT_NE(child.Stderr().find("no files written"), std::string::npos) << child.Stderr();
}

TEST_F(HeadlessTest, QuietWithoutWritersPrintsOnlyTheTable) {
  ServeSmallSite();
  fs::path out = dir_ / "out";
  Child child({"--crawl", Address(), "--quiet", "--write", "none", "--out", out.string()}, dir_);
  ASSERT_EQ(child.Wait(), 0);
  EXPECT_EQ(child.Stderr(), "");
  EXPECT_EQ(Lines(child.Stdout()).size(), 4u) << child.Stdout();
  EXPECT_FALSE(fs::exists(out / "sitemap.xml"));
  EXPECT_FALSE(fs::exists(out / "urllist.txt"));
}

TEST_F(HeadlessTest, WriterSubsetAndPerFile) {
  // 600 second-level pages with 500 links a file give two files of each requested kind.
  std::string home;
  for (int i = 0; i < 600; ++i) {
    std::string path = "/p" + std::to_string(i) + ".html";
    home += Link(path);
    // Titles without digits: "Page 400" would be taken for an error page.
    std::string name{char('a' + i / 26 % 26), char('a' + i % 26)};
    server_.Route(path, Page("Page " + name, ""));
  }
  server_.Route("/", Page("Home", home));
  struct Case {
    const char* per_file;
    std::vector<const char*> want;
    std::vector<const char*> absent;
  } cases[] = {
      {"500", {"sitemap.xml", "sitemap1.xml", "urllist.txt", "urllist1.txt"},
       {"index.html", "sitemap2.xml"}},
      {"1000", {"sitemap.xml", "urllist.txt"}, {"index.html", "sitemap1.xml", "urllist1.txt"}},
  };
  for (const Case& c : cases) {
    fs::path out = dir_ / (std::string("out") + c.per_file);
    Child child({"--crawl", Address(), "--write", "xml,txt", "--per-file", c.per_file, "--out",
                 out.string(), "--quiet"},
                dir_);
    ASSERT_EQ(child.Wait(), 0) << c.per_file;
    EXPECT_EQ(Lines(child.Stdout()).size(), 601u) << c.per_file;
    for (const char* f : c.want) EXPECT_TRUE(fs::exists(out / f)) << c.per_file << " " << f;
    for (const char* f : c.absent) EXPECT_FALSE(fs::exists(out / f)) << c.per_file << " " << f;
  }
}

TEST_F(HeadlessTest, OutFolderThatCannotBeCreatedExitsWith1BeforeCrawling) {
  ServeSmallSite();
  std::ofstream(dir_ / "plain-file") << "x";
  fs::path out = dir_ / "plain-file" / "sub";
  Child child({"--crawl", Address(), "--out", out.string()}, dir_);
  EXPECT_EQ(child.Wait(), 1);
  std::string err = child.Stderr();
  EXPECT_NE(err.find("cannot create folder " + out.string() + ": "), std::string::npos) << err;
  EXPECT_EQ(child.Stdout(), "");
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(HeadlessTest, FileThatCannotBeWrittenExitsWith1AndTheOthersAreWritten) {
  ServeSmallSite();
  fs::path out = dir_ / "out";
  // A non-empty folder where sitemap.xml belongs: no file can take its place.
  fs::create_directories(out / "sitemap.xml" / "inside");
  Child child({"--crawl", Address(), "--out", out.string()}, dir_);
  EXPECT_EQ(child.Wait(), 1);
  std::string err = child.Stderr();
  EXPECT_NE(err.find("tovren-sitemap: cannot write " + (out / "sitemap.xml").string() + ": "),
            std::string::npos)
      << err;
  EXPECT_TRUE(fs::is_regular_file(out / "index.html"));
  EXPECT_TRUE(fs::is_regular_file(out / "urllist.txt"));
  EXPECT_EQ(Lines(child.Stdout()).size(), 4u) << "the table is printed all the same";
}

// A site whose 40 second-level pages each take 0.3 s, so a crawl lasts several seconds.
void ServeSlowSite(TestHttpServer& server, bool never_answer) {
  std::string home;
  for (int i = 0; i < 40; ++i) {
    std::string path = "/slow" + std::to_string(i) + ".html";
    home += "<a href=\"" + path + "\">x</a>";
    Response r;
    if (never_answer) {
      r.never_answer = true;
    } else {
      r.pieces = {"<html><head><title>Slow page ",
                  std::to_string(i) + "</title></head><body></body></html>"};
      r.piece_delay = 300ms;
    }
    server.Route(path, r);
  }
  Response root;
  root.body = "<html><head><title>Slow home</title></head><body>" + home + "</body></html>";
  server.Route("/", root);
}

bool WaitForRequests(const TestHttpServer& server, size_t n, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (server.Requests().size() < n) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

TEST_F(HeadlessTest, InterruptStopsTheCrawlAndWritesWhatWasCollected) {
  ServeSlowSite(server_, false);
  fs::path out = dir_ / "out";
  Child child({"--crawl", Address(), "--all", "--dedup", "--out", out.string()}, dir_);
  ASSERT_TRUE(WaitForRequests(server_, 5, 20s));
  child.Signal(SIGINT);
  ASSERT_EQ(child.Wait(30s), 0) << child.Stderr();

  std::vector<std::string> rows = Lines(child.Stdout());
  EXPECT_GE(rows.size(), 1u);
  EXPECT_LT(rows.size(), 41u) << "the crawl went on after the interrupt";
  // Nothing is fetched after the stop but the pages that were being read.
  EXPECT_LE(server_.Requests().size(), 5u + 2u + 2u);
  std::string err = child.Stderr();
  EXPECT_NE(err.find("interrupted: stopping the crawl"), std::string::npos) << err;
  EXPECT_EQ(Lines(err).back().rfind("stopped: " + std::to_string(rows.size()) + " pages listed", 0),
            0u) << err;
  // What was collected is written: the table's links, one a line, then the credit.
  std::vector<std::string> txt = Lines(ReadFile(out / "urllist.txt"));
  ASSERT_EQ(txt.size(), rows.size() + 1);
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(txt[i], Fields(rows[i])[1] + "\r") << i;
  }
}

TEST_F(HeadlessTest, SecondInterruptExitsAtOnceWith130) {
  // Pages that never answer: after the first Ctrl-C the crawl would wait for the fetch limit.
  ServeSlowSite(server_, true);
  fs::path out = dir_ / "out";
  Child child({"--crawl", Address(), "--out", out.string()}, dir_);
  ASSERT_TRUE(WaitForRequests(server_, 2, 20s));
  child.Signal(SIGINT);
  std::this_thread::sleep_for(200ms);
  child.Signal(SIGINT);
  EXPECT_EQ(child.Wait(3s), 130) << child.Stderr();
  EXPECT_FALSE(fs::exists(out / "sitemap.xml"));
}

}  // namespace
}  // namespace tovren
