#include "ai/ui_thread_queue.h"

#include <chrono>
#include <exception>
#include <utility>
#include <vector>

namespace voltaris {

bool TUiThreadQueue::PostAndWait(std::function<void()> task) {
  auto t = std::make_shared<Task>();
  t->run = std::move(task);
  std::unique_lock lock(mutex_);
  if (closed_) return false;
  pending_.push_back(t);
  uiWake_.notify_all();
  workerWake_.wait(lock, [&] { return t->done || closed_; });
  return t->done;
}

int TUiThreadQueue::Pump() {
  std::deque<std::shared_ptr<Task>> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(pending_);
  }
  int ran = 0;
  std::exception_ptr failure;
  for (auto& t : batch) {
    try {
      t->run();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
    ++ran;
    std::lock_guard lock(mutex_);
    t->done = true;
    workerWake_.notify_all();
  }
  if (failure) std::rethrow_exception(failure);
  return ran;
}

bool TUiThreadQueue::WaitForTask(int ms) {
  std::unique_lock lock(mutex_);
  uiWake_.wait_for(lock, std::chrono::milliseconds(ms < 0 ? 0 : ms),
                   [&] { return !pending_.empty() || closed_; });
  return !pending_.empty();
}

void TUiThreadQueue::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  pending_.clear();
  uiWake_.notify_all();
  workerWake_.notify_all();
}

bool TUiThreadQueue::Closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

void TUiThreadQueue::BeginRequest() {
  std::lock_guard lock(mutex_);
  ++inFlight_;
}

void TUiThreadQueue::EndRequest() {
  std::lock_guard lock(mutex_);
  --inFlight_;
  workerWake_.notify_all();
}

int TUiThreadQueue::RequestsInFlight() const {
  std::lock_guard lock(mutex_);
  return inFlight_;
}

bool TUiThreadQueue::WaitIdle(int ms) {
  std::unique_lock lock(mutex_);
  return workerWake_.wait_for(lock, std::chrono::milliseconds(ms < 0 ? 0 : ms), [&] { return inFlight_ <= 0; });
}

}  // namespace voltaris
