// RoutineThread: one owned thread that runs the tasks pushed to it one at a time, in the
// order they were pushed; ActivityCounter: how many tasks of a set of such threads are
// queued or running, so that a caller can wait for all of them to end. Both thread-safe.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tovren {

class ActivityCounter {
 public:
  void Add();
  void Done();
  bool IsZero() const;
  // Waits until the count is zero or `limit` passes; returns IsZero().
  bool WaitZero(std::chrono::milliseconds limit) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable zero_;
  long long count_ = 0;  // guarded by mutex_
};

class RoutineThread {
 public:
  using Task = std::function<void()>;

  // Starts the thread. Every task pushed counts in `activity` from Push until it has run
  // (or been dropped by the destructor).
  explicit RoutineThread(ActivityCounter& activity);
  // Stop().
  ~RoutineThread();
  RoutineThread(const RoutineThread&) = delete;
  RoutineThread& operator=(const RoutineThread&) = delete;

  // Queues `task` behind the tasks already waiting. Ignored once the destructor has begun.
  void Push(Task task);
  // Drops the tasks still waiting, waits for the running one to return and joins the thread.
  // Later pushes are ignored. Idempotent; call it from any thread but this one's own.
  void Stop();

 private:
  void Serve();
  void StopOnce();

  ActivityCounter& activity_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Task> tasks_;  // guarded by mutex_
  bool closing_ = false;    // guarded by mutex_
  std::once_flag stopped_;
  std::thread thread_;      // started last, joined by Stop()
};

}  // namespace tovren
