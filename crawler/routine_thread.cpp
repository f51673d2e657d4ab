#include "crawler/routine_thread.h"

namespace tovren {

void ActivityCounter::Add() {
  std::scoped_lock lock(mutex_);
  ++count_;
}

void ActivityCounter::Done() {
  std::scoped_lock lock(mutex_);
  if (--count_ == 0) zero_.notify_all();
}

bool ActivityCounter::IsZero() const {
  std::scoped_lock lock(mutex_);
  return count_ == 0;
}

bool ActivityCounter::WaitZero(std::chrono::milliseconds limit) const {
  std::unique_lock lock(mutex_);
  return zero_.wait_for(lock, limit, [this] { return count_ == 0; });
}

RoutineThread::RoutineThread(ActivityCounter& activity)
    : activity_(activity), thread_([this] { Serve(); }) {}

RoutineThread::~RoutineThread() { Stop(); }

void RoutineThread::Stop() { std::call_once(stopped_, [this] { StopOnce(); }); }

void RoutineThread::StopOnce() {
  std::deque<Task> dropped;
  {
    std::scoped_lock lock(mutex_);
    closing_ = true;
    dropped.swap(tasks_);
  }
  wake_.notify_all();
  thread_.join();
  for (size_t i = 0; i < dropped.size(); ++i) activity_.Done();
}

void RoutineThread::Push(Task task) {
  {
    std::scoped_lock lock(mutex_);
    if (closing_) return;
    activity_.Add();
    tasks_.push_back(std::move(task));
  }
  wake_.notify_one();
}

void RoutineThread::Serve() {
  for (;;) {
    Task task;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return closing_ || !tasks_.empty(); });
      if (closing_) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    task();
    task = nullptr;  // release what the task captured before it counts as done
    activity_.Done();
  }
}

}  // namespace tovren
