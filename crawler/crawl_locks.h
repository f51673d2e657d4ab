// CrawlLocks: a small registry of the locks that the worker routines hold for a whole page.
// A handle is a positive integer; 0 names no lock. Thread-safe.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace tovren {

class CrawlLocks {
 public:
  CrawlLocks() = default;
  CrawlLocks(const CrawlLocks&) = delete;
  CrawlLocks& operator=(const CrawlLocks&) = delete;

  // Creates a live lock and returns its handle (never 0, never reused).
  int CreateLock();
  // Waits for and takes the lock `h`. Returns false when `h` is not live, or when it is
  // retired while the caller waits for it (the caller then holds nothing).
  bool EnterLock(int h);
  // Releases the lock `h` when the calling thread holds it, also when `h` was retired in the
  // meantime (a holder always leaves the very lock it entered). Otherwise nothing.
  void LeaveLock(int h);
  // Retires the live lock `h`: later EnterLock on it returns false at once, and so does a
  // waiting one. Nothing for 0 or a handle that is not live.
  void DeleteLock(int h);
  bool IsLive(int h) const;
  // Number of live locks.
  int LiveCount() const;

 private:
  struct Slot {
    std::mutex mutex;
    bool live = true;        // guarded by registry_mutex_
    int users = 0;           // guarded by registry_mutex_: threads waiting for or holding it
    std::thread::id holder;  // guarded by registry_mutex_
  };
  std::shared_ptr<Slot> Find(int h) const;  // caller holds registry_mutex_
  void DropUser(int h, const std::shared_ptr<Slot>& slot);

  mutable std::mutex registry_mutex_;
  int next_handle_ = 1;                       // guarded by registry_mutex_
  std::map<int, std::shared_ptr<Slot>> slots_;  // guarded by registry_mutex_; live or in use
};

}  // namespace tovren
