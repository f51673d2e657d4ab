// Progress output of the headless mode on stderr: the crawl's status texts, coalesced, and
// the closing summary. SetStatus may be called from any thread (the crawl's workers); every
// other member belongs to the main thread, which is the only one that writes output.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace tovren {

// The figures shown beside the status text.
struct ProgressCounts {
  int pages = 0;          // rows of the result table
  long long visits = 0;   // links taken into the crawl
  double seconds = 0.0;   // since the crawl started
};

// "0.4 s", "12.3 s", "2 min 05 s", "1 h 02 min".
std::string FormatElapsed(double seconds);

// The one progress line of a terminal, without line break or control codes:
// status + "  |  N pages listed, M links visited, T".
std::string FormatProgressLine(std::string_view status_utf8, const ProgressCounts& counts);

// The closing line, without line break: "done: N pages listed, M links visited in T; "
// followed by "wrote F files to DIR: a b c" or "no files written" ("stopped:" instead of
// "done:" after an interrupt).
std::string FormatSummaryLine(const ProgressCounts& counts, bool interrupted,
                              const std::vector<std::string>& files, std::string_view folder);

// Cuts UTF-8 text so that it fills at most `columns` terminal columns (every character above
// U+10FF counts as two columns, so CJK text fits); never cuts a character in two.
std::string FitToColumns(std::string_view utf8, int columns);

class ProgressReporter {
 public:
  enum class Mode {
    kQuiet,     // nothing
    kLines,     // each new status text on a line of its own, at most one per interval
    kTerminal,  // one line redrawn in place: status, counts and elapsed time
  };

  // `write` receives every piece of output (UTF-8). `terminal_columns` limits the redrawn
  // line in kTerminal mode. `min_interval` is the least time between two lines in kLines
  // mode (measured on ProgressCounts::seconds).
  ProgressReporter(Mode mode, std::function<void(std::string_view)> write,
                   int terminal_columns = 80, double min_interval = 0.1);

  // Records the latest status text (GBK). Any thread; cheap; writes nothing.
  void SetStatus(const Text& gbk);

  // Main thread, called regularly: writes what changed since the last call, at most one
  // line per interval.
  void Poll(const ProgressCounts& counts);

  // Main thread, once, when the crawl is over: in kLines mode writes a status text not yet
  // shown; in kTerminal mode clears the progress line.
  void Finish();

  // Main thread: a line that must stay visible (a notice or the summary). On a terminal the
  // progress line is cleared first and redrawn by the next Poll. Written in every mode but
  // kQuiet.
  void Notice(std::string_view line_utf8);

 private:
  Text Latest();
  void ClearTerminalLine();

  const Mode mode_;
  const std::function<void(std::string_view)> write_;
  const int columns_;
  const double min_interval_;

  std::mutex mutex_;
  Text latest_;  // guarded by mutex_

  // Main thread only.
  Text shown_;  // the status text last written in kLines mode
  double last_line_at_ = -1.0;
  bool line_drawn_ = false;
};

}  // namespace tovren
