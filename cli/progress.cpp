// Progress output of the headless mode.
#include "cli/progress.h"

#include <cmath>
#include <cstdio>

#include "fetch/page_decoding.h"

namespace tovren {
namespace {

// Length in bytes of the UTF-8 sequence that `lead` starts (1 for a stray byte), and the
// code point it gives.
size_t SequenceAt(std::string_view s, size_t i, unsigned* code_point) {
  unsigned char b = static_cast<unsigned char>(s[i]);
  size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
  if (i + n > s.size()) n = 1;
  unsigned cp = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
  for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
  *code_point = cp;
  return n;
}

}  // namespace

std::string FormatElapsed(double seconds) {
  if (seconds < 0) seconds = 0;
  char buf[64];
  if (seconds < 60) {
    std::snprintf(buf, sizeof buf, "%.1f s", std::floor(seconds * 10) / 10);
  } else if (seconds < 3600) {
    long s = static_cast<long>(seconds);
    std::snprintf(buf, sizeof buf, "%ld min %02ld s", s / 60, s % 60);
  } else {
    long m = static_cast<long>(seconds) / 60;
    std::snprintf(buf, sizeof buf, "%ld h %02ld min", m / 60, m % 60);
  }
  return buf;
}

std::string FormatProgressLine(std::string_view status_utf8, const ProgressCounts& counts) {
  return std::string(status_utf8) + "  |  " + std::to_string(counts.pages) + " pages listed, " +
         std::to_string(counts.visits) + " links visited, " + FormatElapsed(counts.seconds);
}

std::string FormatSummaryLine(const ProgressCounts& counts, bool interrupted,
                              const std::vector<std::string>& files, std::string_view folder) {
  std::string line = interrupted ? "stopped: " : "done: ";
  line += std::to_string(counts.pages) + " pages listed, " + std::to_string(counts.visits) +
          " links visited in " + FormatElapsed(counts.seconds) + "; ";
  if (files.empty()) return line + "no files written";
  line += "wrote " + std::to_string(files.size()) + (files.size() == 1 ? " file" : " files") +
          " to " + std::string(folder) + ":";
  for (const std::string& f : files) line += " " + f;
  return line;
}

std::string FitToColumns(std::string_view utf8, int columns) {
  std::string out;
  int used = 0;
  for (size_t i = 0; i < utf8.size();) {
    unsigned cp = 0;
    size_t n = SequenceAt(utf8, i, &cp);
    int width = cp > 0x10FF ? 2 : 1;
    if (used + width > columns) break;
    out.append(utf8.substr(i, n));
    used += width;
    i += n;
  }
  return out;
}

ProgressReporter::ProgressReporter(Mode mode, std::function<void(std::string_view)> write,
                                   int terminal_columns, double min_interval)
    : mode_(mode), write_(std::move(write)), columns_(terminal_columns),
      min_interval_(min_interval) {}

void ProgressReporter::SetStatus(const Text& gbk) {
  std::scoped_lock lock(mutex_);
  latest_ = gbk;
}

Text ProgressReporter::Latest() {
  std::scoped_lock lock(mutex_);
  return latest_;
}

void ProgressReporter::Poll(const ProgressCounts& counts) {
  if (mode_ == Mode::kQuiet) return;
  Text status = Latest();
  if (mode_ == Mode::kTerminal) {
    // The last column stays free: writing into it makes some terminals wrap at once.
    std::string line = FitToColumns(FormatProgressLine(LocalToUtf8(status), counts), columns_ - 1);
    write_("\r\x1b[K" + line);
    line_drawn_ = true;
    return;
  }
  if (status == shown_) return;
  if (last_line_at_ >= 0 && counts.seconds - last_line_at_ < min_interval_) return;
  shown_ = status;
  last_line_at_ = counts.seconds;
  write_(LocalToUtf8(status) + "\n");
}

void ProgressReporter::Finish() {
  if (mode_ == Mode::kTerminal) {
    ClearTerminalLine();
    return;
  }
  if (mode_ != Mode::kLines) return;
  Text status = Latest();
  if (status == shown_) return;
  shown_ = status;
  write_(LocalToUtf8(status) + "\n");
}

void ProgressReporter::Notice(std::string_view line_utf8) {
  if (mode_ == Mode::kQuiet) return;
  ClearTerminalLine();
  write_(std::string(line_utf8) + "\n");
}

void ProgressReporter::ClearTerminalLine() {
  if (!line_drawn_) return;
  write_("\r\x1b[K");
  line_drawn_ = false;
}

}  // namespace tovren
