#include "text/owned_threads.h"

namespace tovren {

void ThreadGroup::Start(std::function<void()> task) {
  std::list<Slot> finished;
  {
    std::scoped_lock lock(mutex_);
    for (auto it = slots_.begin(); it != slots_.end();) {
      auto next = std::next(it);
      if (it->done) finished.splice(finished.end(), slots_, it);
      it = next;
    }
    slots_.emplace_back();
    Slot* slot = &slots_.back();
    slot->thread = std::thread([this, slot, task = std::move(task)] {
      task();
      std::scoped_lock done_lock(mutex_);
      slot->done = true;
    });
  }
  for (Slot& s : finished) s.thread.join();
}

void ThreadGroup::JoinAll() {
  for (;;) {
    std::list<Slot> taken;
    {
      std::scoped_lock lock(mutex_);
      if (slots_.empty()) return;
      taken.swap(slots_);
    }
    for (Slot& s : taken) s.thread.join();
  }
}

}  // namespace tovren
