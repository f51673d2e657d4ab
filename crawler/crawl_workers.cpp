// The worker routines (second-level and deep) and the link visit, run as jobs on the
// routines' own threads.
#include <mutex>

#include "crawler/crawler_impl.h"
#include "crawler/gbk_texts.h"
#include "crawler/link_rules.h"
#include "crawler/title_rules.h"
#include "fetch/page_decoding.h"

namespace tovren {
namespace {

// Leaves a CrawlLock on every way out of a worker.
class LockHold {
 public:
  LockHold(CrawlLocks& locks, int handle) : locks_(locks), handle_(handle) {}
  ~LockHold() { locks_.LeaveLock(handle_); }
  LockHold(const LockHold&) = delete;
  LockHold& operator=(const LockHold&) = delete;

 private:
  CrawlLocks& locks_;
  int handle_;
};

Text StartText(int count, int rows) {
  return Text(gbk::kFetched) + NumberToText(count) + Text(gbk::kItemsRead) + NumberToText(rows) +
         Text(gbk::kValidLinks);
}

Text EndText(int rows) {
  return Text(gbk::kReadSuccessfully) + NumberToText(rows) + Text(gbk::kValidLinks);
}

}  // namespace

void Crawler::Impl::QueueJob(Routine routine, std::uint64_t run, int lock, int entry) {
  switch (routine) {
    case Routine::kSecondLevelA:
      second_level_a.Push([this, run, lock, entry] {
        SecondLevelWorker(Routine::kSecondLevelA, run, lock, entry);
      });
      break;
    case Routine::kSecondLevelB:
      second_level_b.Push([this, run, lock, entry] {
        SecondLevelWorker(Routine::kSecondLevelB, run, lock, entry);
      });
      break;
    case Routine::kDeepA:
      deep_a.Push([this, run, lock, entry] { DeepWorker(run, lock, entry); });
      break;
    case Routine::kDeepB:
      deep_b.Push([this, run, lock, entry] { DeepWorker(run, lock, entry); });
      break;
  }
}

void Crawler::Impl::SecondLevelWorker(Routine routine, std::uint64_t run, int lock, int entry) {
  // A job whose lock was retired (Stop, close) or whose run is over ends here, before it
  // reads its entry, fetches or lists anything.
  if (current_run.load() != run || !locks.EnterLock(lock)) return;
  LockHold hold(locks, lock);
  Text page_address;
  Text site_key;
  if (!ReadEntry(run, lock, entry, &page_address, &site_key)) return;

  const Bytes body = Fetch(page_address);
  const Text title = PageTitle(DecodePageText(body));
  if (!SecondLevelTitlePasses(title)) return;
  const bool is_a = routine == Routine::kSecondLevelA;
  if (!ListPage(run, is_a ? RowPlace::kTop : RowPlace::kEnd, NumberToText(entry), page_address,
                title)) {
    return;
  }
  // SecondLevelWorkerB also tests the stop before each candidate; A only after each.
  ReadLinks(run, body, page_address, site_key, /*test_before_each=*/!is_a);
}

void Crawler::Impl::DeepWorker(std::uint64_t run, int lock, int entry) {
  if (current_run.load() != run || !locks.EnterLock(lock)) return;
  LockHold hold(locks, lock);
  Text page_address;
  Text site_key;
  if (!ReadEntry(run, lock, entry, &page_address, &site_key)) return;

  // No title test: the visit that recorded this page has listed it or not already.
  const Bytes body = Fetch(page_address);
  ReadLinks(run, body, page_address, site_key, /*test_before_each=*/true);
}

void Crawler::Impl::ReadLinks(std::uint64_t run, const Bytes& body, const Text& page_address,
                              const Text& site_key, bool test_before_each) {
  for (const Text& candidate : ExtractLinkCandidates(body)) {
    if (test_before_each && Stopping(run)) break;
    if (auto address = AcceptPageLink(candidate, page_address, site_key)) {
      Text link = std::move(*address);  // the visit may rewrite it
      VisitLink(run, link);
    }
    if (Stopping(run)) break;
  }
}

void Crawler::Impl::VisitLink(std::uint64_t run, Text& link) {
  int start_count = 0;
  {
    std::scoped_lock lock(state.mutex);
    if (current_run.load() != run) return;
    start_count = ListCount(state.VisitedList);
  }
  if (!WindowCall(run, [&] { window.SetStatus(StartText(start_count, window.RowCount())); })) {
    return;
  }

  // The presence test uses `link` as it was passed; the "/../" is resolved only for the
  // record, the fetch and the row.
  const VisitForms forms = VisitLinkForms(link);
  CrawlState::VisitRecord record;
  int deep_lock_a = 0;
  int deep_lock_b = 0;
  {
    std::scoped_lock lock(state.mutex);
    if (current_run.load() != run) return;
    // S is taken here, inside the same step as the test and the append, so the row's
    // number is always one less than the position of the entry it recorded.
    record = state.RecordVisitLocked(link, forms.stored, state.StopFlag.load() == 1);
    deep_lock_a = run_locks.DeepLockA;
    deep_lock_b = run_locks.DeepLockB;
  }
  if (record.recorded) {
    ++visit_count;
    link = forms.link;
    if (window.CrawlScope() == 1) {
      if (record.count % 2 == 1) {
        QueueJob(Routine::kDeepA, run, deep_lock_a, record.position);
      } else {
        QueueJob(Routine::kDeepB, run, deep_lock_b, record.position);
      }
    }
    const Bytes body = Fetch(link);
    const Text title = PageTitle(DecodePageTextThreeByte(body));
    if (VisitTitlePasses(title)) {
      ListPage(run, RowPlace::kTop, NumberToText(record.count), link, title);
    }
  }
  WindowCall(run, [&] { window.SetStatus(EndText(window.RowCount())); });
}

}  // namespace tovren
