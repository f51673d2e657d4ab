// ThreadGroup: starts background tasks on threads it owns and joins them all at the latest
// when it is destroyed. Used for the work behind the window's buttons (writers, duplicate
// removal), which must never outlive the objects they use. Thread-safe.
#pragma once

#include <functional>
#include <list>
#include <mutex>
#include <thread>

namespace tovren {

class ThreadGroup {
 public:
  ThreadGroup() = default;
  ~ThreadGroup() { JoinAll(); }
  ThreadGroup(const ThreadGroup&) = delete;
  ThreadGroup& operator=(const ThreadGroup&) = delete;

  // Runs `task` on a new thread and returns at once. Finished threads are reaped here.
  void Start(std::function<void()> task);
  // Waits for every task started so far.
  void JoinAll();

 private:
  struct Slot {
    std::thread thread;
    bool done = false;  // guarded by mutex_
  };
  std::mutex mutex_;
  std::list<Slot> slots_;  // guarded by mutex_
};

}  // namespace tovren
