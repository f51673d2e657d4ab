// CrawlRun and the home-page link pass: the start of a run, on the CrawlRun thread.
#include <mutex>
#include <vector>

#include "crawler/crawler_impl.h"
#include "crawler/gbk_texts.h"
#include "crawler/link_rules.h"
#include "crawler/site_address.h"
#include "crawler/title_rules.h"
#include "fetch/page_decoding.h"

namespace tovren {

void Crawler::Impl::CrawlRun(std::uint64_t run) {
  {
    std::unique_lock lock(state.mutex);
    if (current_run.load() != run) return;  // a later Start or close came first
    state.ClearVisitedLocked();
    state.TitleList.clear();
    state.UrlList.clear();
    state.EntryIds.clear();
    // Window calls of an earlier run's tasks that got past their run check are still going
    // on; the table is cleared only after the last of them, so none of their rows survives.
    window_calls_done.wait(lock, [this] { return window_calls == 0; });
  }
  if (!WindowCall(run, [this] { window.DeleteAllRows(); })) return;
  if (!WindowCall(run, [this] { window.EnableStop(true); })) return;
  {
    std::scoped_lock lock(state.mutex);
    if (current_run.load() != run) return;
    // StartCommand set StopFlag to 1 before it queued this run, so this reset comes after.
    state.StopFlag = 0;
  }

  const Text typed = TypedAddress(window.ReadAddress());
  const Text site_key = SiteKeyOf(typed);
  if (!WindowCall(run, [&] { window.SetStatus(Text(gbk::kReading) + typed); })) return;
  Text site_root;
  if (typed.empty()) {
    if (!WindowCall(run, [this] { window.SetStatus(Text(gbk::kEnterValidAddress)); })) return;
  } else {
    site_root = SiteRootOf(typed);
  }
  {
    std::scoped_lock lock(state.mutex);
    if (current_run.load() != run) return;
    state.SiteKey = site_key;
    // An empty address keeps the SiteRoot that the previous run left.
    if (typed.empty()) {
      site_root = state.SiteRoot;
    } else {
      state.SiteRoot = site_root;
    }
  }

  // The home page is fetched without its trailing "/" and listed with it.
  const Bytes body = Fetch(site_root);
  const Text title = HomePageTitle(DecodePageText(body));
  const Text home = site_root + "/";
  std::uint64_t id = 0;
  {
    std::scoped_lock lock(state.mutex);
    if (current_run.load() != run) return;
    state.AppendVisitedLocked(home);
    id = state.AppendListedLocked(title, home);
    ++window_calls;
  }
  ++visit_count;
  window.InsertRow(RowPlace::kTop, ResultRow{"1", home, title, id});
  EndWindowCall();

  HomePageLinkPass(run, body, site_root, site_key);
}

void Crawler::Impl::HomePageLinkPass(std::uint64_t run, const Bytes& body,
                                     const Text& site_root, const Text& site_key) {
  std::vector<Text> accepted;
  for (const Text& candidate : ExtractLinkCandidates(body)) {
    if (auto address = AcceptHomeLink(candidate, site_root, site_key)) {
      accepted.push_back(std::move(*address));
    }
  }
  int count = 0;
  RunLocks handles;
  {
    std::scoped_lock lock(state.mutex);
    if (current_run.load() != run) return;
    for (const Text& address : accepted) state.AppendVisitedLocked(address);
    state.RemoveDuplicateVisitedLocked();
    count = ListCount(state.VisitedList);
    // Locks of an earlier run that no Stop retired are retired here; its workers are gone
    // or end at their next run check, and a worker that holds one still leaves it.
    const RunLocks& old = run_locks;
    RetireLocked({old.SecondLevelLockA, old.SecondLevelLockB, old.DeepLockA, old.DeepLockB});
    run_locks.SecondLevelLockA = locks.CreateLock();
    run_locks.SecondLevelLockB = locks.CreateLock();
    run_locks.DeepLockA = locks.CreateLock();
    run_locks.DeepLockB = locks.CreateLock();
    handles = run_locks;
  }
  visit_count += count - 1;

  // Entry 1 is the home page, read already. Odd entries go to A, even ones to B.
  for (int i = 2; i <= count; ++i) {
    if (Stopping(run)) break;
    if (i % 2 == 1) {
      QueueJob(Routine::kSecondLevelA, run, handles.SecondLevelLockA, i);
    } else {
      QueueJob(Routine::kSecondLevelB, run, handles.SecondLevelLockB, i);
    }
  }
}

}  // namespace tovren
