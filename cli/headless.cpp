// The headless mode: the window's Start, 去重复排序 and writer buttons, driven from the command
// line with an in-memory window.
#include "cli/headless.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/options.h"
#include "cli/progress.h"
#include "cli/table_output.h"
#include "crawler/crawler.h"
#include "crawler/memory_window.h"
#include "fetch/page_decoding.h"
#include "listtools/dedup_sort.h"
#include "writers/output_rules.h"
#include "writers/sitemap_writers.h"

namespace tovren {
namespace {

constexpr const char* kProgram = "tovren-sitemap";

// Process-wide by nature: the number of SIGINTs received, the SIGINT handler's only state.
std::atomic<int> g_interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int) {
  // The first Ctrl-C asks the main thread to stop the crawl; the second ends the process at
  // once, without running any destructor (nothing here is async-signal-safe but _exit).
  if (g_interrupts.fetch_add(1) >= 1) _exit(130);
}

// Routes SIGINT to the main thread's handler for its lifetime. Threads created between
// construction and Arm() (the crawler's) start with SIGINT blocked, so the signal never
// interrupts a fetch; Arm() installs the handler and unblocks SIGINT for this thread only.
class InterruptScope {
 public:
  InterruptScope() {
    g_interrupts.store(0);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, &old_mask_);
  }
  ~InterruptScope() {
    if (armed_) sigaction(SIGINT, &old_action_, nullptr);
    pthread_sigmask(SIG_SETMASK, &old_mask_, nullptr);
  }
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;

  void Arm() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &old_action_);
    armed_ = true;
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
  }
  bool Interrupted() const { return g_interrupts.load() > 0; }

 private:
  sigset_t old_mask_;
  struct sigaction old_action_ {};
  bool armed_ = false;
};

void WriteToStderr(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

ProgressReporter::Mode ProgressMode(bool quiet) {
  if (quiet) return ProgressReporter::Mode::kQuiet;
  return isatty(STDERR_FILENO) ? ProgressReporter::Mode::kTerminal
                               : ProgressReporter::Mode::kLines;
}

int TerminalColumns() {
  struct winsize size {};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
  return 80;
}

// Creates `folder` (and its parents) unless it exists; returns "" or the reason it failed.
std::string EnsureFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (std::filesystem::is_directory(folder)) return "";
  if (!ec) ec = std::make_error_code(std::errc::not_a_directory);
  return ec.message();
}

// Runs the requested writers on one snapshot of the lists. Returns false when any file could
// not be written; each such file is reported on stderr.
bool WriteSitemaps(const HeadlessOptions& o, const ListSnapshot& lists,
                   const std::filesystem::path& folder, std::vector<std::string>& written) {
  bool ok = true;
  auto collect = [&](const WriteReport& report) {
    for (const auto& file : report.written) written.push_back(file.filename().string());
    for (const WriteFailure& failure : report.failed) {
      std::fprintf(stderr, "%s: cannot write %s: %s\n", kProgram, failure.file.c_str(),
                   failure.reason.c_str());
      ok = false;
    }
  };
  if (o.write_xml) collect(WriteXmlSitemap(lists, o.per_file, folder));
  if (o.write_html) collect(WriteHtmlSitemap(lists, o.per_file, folder));
  if (o.write_txt) collect(WriteUrlList(lists, o.per_file, folder));
  return ok;
}

int RunCrawl(const HeadlessOptions& o) {
  const std::filesystem::path folder =
      o.out_dir.empty() ? SitemapFolder() : std::filesystem::path(o.out_dir);
  if (o.write_xml || o.write_html || o.write_txt) {
    // Found out before the crawl rather than after minutes of it.
    std::string reason = EnsureFolder(folder);
    if (!reason.empty()) {
      std::fprintf(stderr, "%s: cannot create folder %s: %s\n", kProgram, folder.c_str(),
                   reason.c_str());
      return 1;
    }
  }

  ProgressReporter progress(ProgressMode(o.quiet), WriteToStderr, TerminalColumns());
  MemoryWindow window;
  window.SetAddress(Utf8ToLocal(o.address));
  window.SetCrawlScope(o.all_links ? 1 : 0);
  window.SetLinksPerFile(o.per_file);
  window.KeepStatusHistory(false);  // only the latest status is shown; a long crawl sets many
  window.OnStatus([&progress](const Text& status) { progress.SetStatus(status); });

  InterruptScope interrupts;
  Crawler crawler(window, folder);
  const auto started = std::chrono::steady_clock::now();
  auto counts = [&] {
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
    return ProgressCounts{window.RowCount(), crawler.VisitCount(), elapsed.count()};
  };

  crawler.StartCommand();
  interrupts.Arm();
  bool stopped = false;
  while (!crawler.WaitUntilIdle(std::chrono::milliseconds(100))) {
    if (!stopped && interrupts.Interrupted()) {
      crawler.StopCommand();
      stopped = true;
      progress.Notice("interrupted: stopping the crawl and writing what was collected "
                      "(Ctrl-C again quits at once)");
    }
    progress.Poll(counts());
  }
  progress.Finish();

  if (o.dedup) {
    RemoveDuplicatesAndSort(crawler.state(), window);
    progress.Finish();
  }
  std::vector<std::string> written;
  const bool wrote_all = WriteSitemaps(o, crawler.state().Snapshot(), folder, written);

  const std::string table = FormatResultTable(window.Rows());
  std::fwrite(table.data(), 1, table.size(), stdout);
  std::fflush(stdout);
  progress.Notice(FormatSummaryLine(counts(), stopped, written, folder.string()));
  return wrote_all ? 0 : 1;
}

}  // namespace

int RunHeadless(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ParseResult parsed = ParseHeadlessOptions(args);
  switch (parsed.outcome) {
    case ParseOutcome::kHelp:
      std::fputs(UsageText(kProgram).c_str(), stdout);
      return 0;
    case ParseOutcome::kVersion:
      std::printf("%s %s\n", kProgram, TOVREN_VERSION);
      return 0;
    case ParseOutcome::kUsageError:
      std::fprintf(stderr, "%s: %s\n", kProgram, parsed.error.c_str());
      std::fputs(UsageText(kProgram).c_str(), stderr);
      return 2;
    case ParseOutcome::kRun:
      break;
  }
  return RunCrawl(parsed.options);
}

}  // namespace tovren
