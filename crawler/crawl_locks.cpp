#include "crawler/crawl_locks.h"

namespace tovren {

std::shared_ptr<CrawlLocks::Slot> CrawlLocks::Find(int h) const {
  auto it = slots_.find(h);
  return it == slots_.end() ? nullptr : it->second;
}

int CrawlLocks::CreateLock() {
  std::scoped_lock lock(registry_mutex_);
  const int h = next_handle_++;
  slots_.emplace(h, std::make_shared<Slot>());
  return h;
}

bool CrawlLocks::EnterLock(int h) {
  std::shared_ptr<Slot> slot;
  {
    std::scoped_lock lock(registry_mutex_);
    slot = Find(h);
    if (!slot || !slot->live) return false;
    ++slot->users;
  }
  slot->mutex.lock();
  {
    std::scoped_lock lock(registry_mutex_);
    if (slot->live) {
      slot->holder = std::this_thread::get_id();
      return true;
    }
  }
  // Retired while we waited: a waiting worker must not go on into its page.
  slot->mutex.unlock();
  DropUser(h, slot);
  return false;
}

void CrawlLocks::LeaveLock(int h) {
  std::shared_ptr<Slot> slot;
  {
    std::scoped_lock lock(registry_mutex_);
    slot = Find(h);
    if (!slot || slot->holder != std::this_thread::get_id()) return;
    slot->holder = std::thread::id();
  }
  slot->mutex.unlock();
  DropUser(h, slot);
}

void CrawlLocks::DropUser(int h, const std::shared_ptr<Slot>& slot) {
  std::scoped_lock lock(registry_mutex_);
  if (--slot->users == 0 && !slot->live) slots_.erase(h);
}

void CrawlLocks::DeleteLock(int h) {
  std::scoped_lock lock(registry_mutex_);
  auto slot = Find(h);
  if (!slot || !slot->live) return;
  slot->live = false;
  if (slot->users == 0) slots_.erase(h);
}

bool CrawlLocks::IsLive(int h) const {
  std::scoped_lock lock(registry_mutex_);
  auto slot = Find(h);
  return slot && slot->live;
}

int CrawlLocks::LiveCount() const {
  std::scoped_lock lock(registry_mutex_);
  int n = 0;
  for (const auto& [h, slot] : slots_) n += slot->live ? 1 : 0;
  return n;
}

}  // namespace tovren
