// Crawler: the crawl commands (Start, Stop, close) and the workers that read a site.
// The public commands are meant for one controlling thread (the window thread, or the
// headless mode's main thread); the crawl itself runs on a fixed set of threads owned by the
// Crawler: one for CrawlRun and one per worker routine (SecondLevelWorkerA/B, DeepWorkerA/B),
// each serving a queue of page jobs. The thread count never grows with the site.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>

#include "crawler/crawl_state.h"
#include "crawler/window_port.h"

namespace tovren {

class Crawler {
 public:
  // `window` must outlive the Crawler. `sitemap_folder` is created by StartCommand.
  Crawler(WindowPort& window, std::filesystem::path sitemap_folder);
  // Stops the crawl, aborts running fetches and joins every thread. A task that is inside a
  // WindowPort call is waited for, so the window must not stop serving calls (or must make
  // them return at once) before the Crawler is gone.
  ~Crawler();
  Crawler(const Crawler&) = delete;
  Crawler& operator=(const Crawler&) = delete;

  // 按钮_开始: starts a run when VisitedList holds 3 entries or fewer, else shows
  // "正在读取中..."; creates the sitemap folder; requests a stop of the previous run.
  void StartCommand();
  // 按钮_停止: retires the locks, empties VisitedList, enables Start, disables Stop, sets
  // StopFlag. Does not wait.
  void StopCommand();
  // Window close: retires the locks, empties VisitedList, stops, aborts running fetches and
  // waits (at most `limit`) for the crawl threads to finish their current step. Returns
  // whether they did. Afterwards StartCommand does nothing.
  bool CloseCommand(std::chrono::milliseconds limit = std::chrono::seconds(5));

  // True when no CrawlRun and no worker job is queued or running.
  bool IsIdle() const;
  // Waits until IsIdle() or until `limit` passes; returns IsIdle().
  bool WaitUntilIdle(std::chrono::milliseconds limit);

  CrawlState& state();
  const CrawlState& state() const;

  // Counters for progress output: links taken into the crawl (link visits that recorded a
  // new link, plus the home page's links) and fetches made in this process.
  // VisitCount: every entry ever taken into VisitedList by this Crawler (each run's home
  // page, its links after duplicate removal, and every link a visit recorded).
  long long VisitCount() const;
  // FetchCount: every page fetch this Crawler has made.
  long long FetchCount() const;
  // Number of CrawlLocks that are live (4 while a run holds its locks, 0 after Stop).
  int LiveLockCount() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace tovren
