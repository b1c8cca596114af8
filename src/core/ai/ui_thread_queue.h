// The hand-over of work from a background thread to the user-interface thread.
// A background thread posts a task and waits until the user-interface thread has run it;
// the host of the window pumps the queue from its event loop (the Qt window from its
// timer, the automation's ai-wait while it waits). Closing the queue (the window goes
// away) drops every pending and later task and releases the waiting threads, so a
// request still in flight finishes into nothing instead of touching a dead window.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace voltaris {

class TUiThreadQueue {
 public:
  TUiThreadQueue() = default;
  TUiThreadQueue(const TUiThreadQueue&) = delete;
  TUiThreadQueue& operator=(const TUiThreadQueue&) = delete;

  // Background thread: queues `task` and blocks until the user-interface thread has run
  // it (true) or the queue was closed first (false: the task never runs).
  bool PostAndWait(std::function<void()> task);

  // User-interface thread: runs every task queued so far, in order; returns how many ran.
  // A task that throws still counts as run (its waiting thread is released); the
  // exception goes on to the caller after the other tasks have run.
  int Pump();
  // User-interface thread: waits at most `ms` for a task to be queued (or the queue to
  // close); true when one is waiting.
  bool WaitForTask(int ms);

  // Drops pending tasks, refuses later ones and tells running requests to give up.
  void Close();
  bool Closed() const;

  // Book-keeping of the background requests that hand their results over here.
  void BeginRequest();
  void EndRequest();
  int RequestsInFlight() const;
  // Waits at most `ms` until no request is in flight; true when none is.
  bool WaitIdle(int ms);

 private:
  struct Task {
    std::function<void()> run;
    bool done = false;
  };
  mutable std::mutex mutex_;
  std::condition_variable uiWake_;      // a task was queued, or the queue closed
  std::condition_variable workerWake_;  // a task ran, the queue closed, a request ended
  std::deque<std::shared_ptr<Task>> pending_;
  bool closed_ = false;
  int inFlight_ = 0;
};

}  // namespace voltaris
