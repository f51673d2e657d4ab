// The inside of Crawler, shared by its source files (crawler.cpp: the commands;
// crawl_run.cpp: CrawlRun and the home-page pass; crawl_workers.cpp: the workers and the
// link visit). Not a public header.
//
// Runs. Every StartCommand that starts a run gives it a new id and makes it the current run
// at once; every task carries its run id, and each change a task makes to the crawl state or
// the result table first checks, under state.mutex, that its run is still current. So a
// task of an earlier run (still fetching when a later run began) never lists, records or
// shows anything in the later run. Window calls that passed that check are counted
// (window_calls) so that a new run clears the table only after the last of them is done.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "crawler/crawl_locks.h"
#include "crawler/crawl_state.h"
#include "crawler/crawler.h"
#include "crawler/routine_thread.h"
#include "crawler/window_port.h"

namespace tovren {

enum class Routine { kSecondLevelA, kSecondLevelB, kDeepA, kDeepB };

// The handles of one run's four CrawlLocks.
struct RunLocks {
  int SecondLevelLockA = 0;
  int SecondLevelLockB = 0;
  int DeepLockA = 0;
  int DeepLockB = 0;
};

struct Crawler::Impl {
  Impl(WindowPort& window, std::filesystem::path sitemap_folder);

  // crawl_run.cpp
  void CrawlRun(std::uint64_t run);
  void HomePageLinkPass(std::uint64_t run, const Bytes& body, const Text& site_root,
                        const Text& site_key);

  // crawl_workers.cpp
  void SecondLevelWorker(Routine routine, std::uint64_t run, int lock, int entry);
  void DeepWorker(std::uint64_t run, int lock, int entry);
  // The link loop of both worker kinds: every accepted link of the raw body goes to the
  // visit, with a stop test after each candidate (and before each when asked).
  void ReadLinks(std::uint64_t run, const Bytes& body, const Text& page_address,
                 const Text& site_key, bool test_before_each);
  void VisitLink(std::uint64_t run, Text& link);
  // Queues the job of VisitedList entry `entry` for `routine`, holding `lock`.
  void QueueJob(Routine routine, std::uint64_t run, int lock, int entry);

  // Shared helpers (crawler.cpp).
  // Whether the run must stop at a checkpoint: StopFlag is set or `run` is no longer current.
  bool Stopping(std::uint64_t run) const;
  // Runs `call` (window operations) when `run` is still current; returns whether it ran.
  bool WindowCall(std::uint64_t run, const std::function<void()>& call);
  // Appends title and address to TitleList/UrlList and shows the row, when `run` is still
  // current. Returns whether it did.
  bool ListPage(std::uint64_t run, RowPlace where, const Text& number, const Text& address,
                const Text& title);
  // The worker's step 2: copies VisitedList entry `entry` and SiteKey when `run` is current,
  // `lock` is live and the entry exists; returns false otherwise.
  bool ReadEntry(std::uint64_t run, int lock, int entry, Text* page_address, Text* site_key);
  Bytes Fetch(const Text& url);
  void EndWindowCall();
  // Retires `locks` in the given order (caller holds state.mutex).
  void RetireLocked(std::initializer_list<int> handles);

  WindowPort& window;
  const std::filesystem::path sitemap_folder;
  CrawlState state;
  CrawlLocks locks;
  std::atomic<bool> cancel{false};             // handed to every FetchPage; set by close
  std::atomic<std::uint64_t> current_run{0};   // written under state.mutex
  std::uint64_t last_run = 0;                  // guarded by state.mutex
  bool closed = false;                         // guarded by state.mutex
  RunLocks run_locks;                          // guarded by state.mutex
  int window_calls = 0;                        // guarded by state.mutex
  std::condition_variable window_calls_done;   // waits on state.mutex
  std::atomic<long long> visit_count{0};
  std::atomic<long long> fetch_count{0};
  ActivityCounter activity;

  // Declared last: destroyed first, so each thread is joined before the state it uses goes.
  RoutineThread crawl_run_thread;
  RoutineThread second_level_a;
  RoutineThread second_level_b;
  RoutineThread deep_a;
  RoutineThread deep_b;
};

}  // namespace tovren
