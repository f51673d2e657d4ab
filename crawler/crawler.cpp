#include "crawler/crawler.h"

#include <system_error>

#include "crawler/crawler_impl.h"
#include "crawler/gbk_texts.h"
#include "fetch/page_fetcher.h"

namespace tovren {

Crawler::Impl::Impl(WindowPort& window_port, std::filesystem::path folder)
    : window(window_port),
      sitemap_folder(std::move(folder)),
      crawl_run_thread(activity),
      second_level_a(activity),
      second_level_b(activity),
      deep_a(activity),
      deep_b(activity) {}

bool Crawler::Impl::Stopping(std::uint64_t run) const {
  return state.StopFlag.load() == 1 || current_run.load() != run;
}

bool Crawler::Impl::WindowCall(std::uint64_t run, const std::function<void()>& call) {
  {
    std::scoped_lock lock(state.mutex);
    if (current_run.load() != run) return false;
    ++window_calls;
  }
  call();
  EndWindowCall();
  return true;
}

void Crawler::Impl::EndWindowCall() {
  std::scoped_lock lock(state.mutex);
  if (--window_calls == 0) window_calls_done.notify_all();
}

bool Crawler::Impl::ListPage(std::uint64_t run, RowPlace where, const Text& number,
                             const Text& address, const Text& title) {
  std::uint64_t id = 0;
  {
    std::scoped_lock lock(state.mutex);
    if (current_run.load() != run) return false;
    id = state.AppendListedLocked(title, address);
    ++window_calls;
  }
  // The row carries the id of its own entry, so the window's delete command removes the
  // entries of the row it deletes whatever the row order.
  window.InsertRow(where, ResultRow{number, address, title, id});
  EndWindowCall();
  return true;
}

bool Crawler::Impl::ReadEntry(std::uint64_t run, int lock_handle, int entry, Text* page_address,
                              Text* site_key) {
  std::scoped_lock lock(state.mutex);
  if (current_run.load() != run || !locks.IsLive(lock_handle)) return false;
  if (entry < 1 || entry > ListCount(state.VisitedList)) return false;
  *page_address = ListGet(state.VisitedList, entry);
  *site_key = state.SiteKey;
  return true;
}

Bytes Crawler::Impl::Fetch(const Text& url) {
  ++fetch_count;
  return FetchPage(url, {}, {}, {}, {}, {}, {}, 0, nullptr, nullptr, &cancel);
}

void Crawler::Impl::RetireLocked(std::initializer_list<int> handles) {
  for (int h : handles) locks.DeleteLock(h);
}

Crawler::Crawler(WindowPort& window, std::filesystem::path sitemap_folder)
    : impl_(std::make_unique<Impl>(window, std::move(sitemap_folder))) {}

Crawler::~Crawler() {
  {
    std::scoped_lock lock(impl_->state.mutex);
    const RunLocks& l = impl_->run_locks;
    impl_->RetireLocked({l.SecondLevelLockB, l.SecondLevelLockA, l.DeepLockA, l.DeepLockB});
    impl_->closed = true;
    // No run is current any more: every task still queued or running ends at its next check.
    impl_->current_run = ++impl_->last_run;
  }
  impl_->state.StopFlag = 1;
  impl_->cancel = true;
  // Every thread is stopped before any is destroyed: a task may still push work to another
  // routine's queue until its own thread has been joined, and a stopped queue ignores it.
  for (RoutineThread* t : {&impl_->crawl_run_thread, &impl_->second_level_a,
                           &impl_->second_level_b, &impl_->deep_a, &impl_->deep_b}) {
    t->Stop();
  }
}

void Crawler::StartCommand() {
  Impl& d = *impl_;
  int count = 0;
  {
    std::scoped_lock lock(d.state.mutex);
    if (d.closed) return;
    count = ListCount(d.state.VisitedList);
  }
  if (count <= 3) {
    // Set before the run is queued, so the run's own reset to 0 always comes after it.
    d.state.StopFlag = 1;
    std::uint64_t run = 0;
    {
      std::scoped_lock lock(d.state.mutex);
      run = ++d.last_run;
      d.current_run = run;
    }
    d.crawl_run_thread.Push([&d, run] { d.CrawlRun(run); });
  } else {
    d.window.ShowInformation(Text(gbk::kBusyReading));
  }
  std::error_code ignored;
  std::filesystem::create_directories(d.sitemap_folder, ignored);
  // Asks the occupying run to stop once the message is dismissed.
  if (count > 3) d.state.StopFlag = 1;
}

void Crawler::StopCommand() {
  Impl& d = *impl_;
  {
    std::scoped_lock lock(d.state.mutex);
    const RunLocks& l = d.run_locks;
    d.RetireLocked({l.DeepLockB, l.SecondLevelLockB, l.SecondLevelLockA, l.DeepLockA});
    d.state.ClearVisitedLocked();
  }
  d.window.EnableStart(true);
  d.window.EnableStop(false);
  d.state.StopFlag = 1;
}

bool Crawler::CloseCommand(std::chrono::milliseconds limit) {
  Impl& d = *impl_;
  {
    std::scoped_lock lock(d.state.mutex);
    const RunLocks& l = d.run_locks;
    d.RetireLocked({l.SecondLevelLockB, l.SecondLevelLockA, l.DeepLockA, l.DeepLockB});
    d.state.ClearVisitedLocked();
    d.closed = true;
    d.current_run = ++d.last_run;
  }
  d.state.StopFlag = 1;
  d.cancel = true;
  return d.activity.WaitZero(limit);
}

bool Crawler::IsIdle() const { return impl_->activity.IsZero(); }

bool Crawler::WaitUntilIdle(std::chrono::milliseconds limit) {
  return impl_->activity.WaitZero(limit);
}

CrawlState& Crawler::state() { return impl_->state; }
const CrawlState& Crawler::state() const { return impl_->state; }

long long Crawler::VisitCount() const { return impl_->visit_count.load(); }
long long Crawler::FetchCount() const { return impl_->fetch_count.load(); }
int Crawler::LiveLockCount() const { return impl_->locks.LiveCount(); }

}  // namespace tovren
