#include "PosixMessageWindow.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace equ::posix {

namespace messages {

using SteadyClock = std::chrono::steady_clock;

// A Send waiting for its answer; `done` and `answer` are guarded by the sender's queue lock.
struct PendingSend {
  std::shared_ptr<ThreadQueue> sender;
  std::intptr_t answer = 0;
  bool done = false;
};

struct Entry {
  std::uintptr_t window = 0;
  WindowMessage message;
  std::shared_ptr<PendingSend> send;  // none for a posted message
};

// The messages of one thread and the procedures of its windows.
class ThreadQueue {
 public:
  std::mutex lock;
  std::condition_variable wake;
  std::deque<Entry> sent;
  std::deque<Entry> posted;
  std::map<std::uintptr_t, std::shared_ptr<const MessageWindow::Procedure>> windows;
  bool closed = false;

  // Takes the next message to serve: sent ones first; posted ones only when asked.
  std::optional<Entry> Take(bool includePosted) {
    std::deque<Entry>* from = !sent.empty() ? &sent : (includePosted ? &posted : nullptr);
    if (from == nullptr || from->empty()) return std::nullopt;
    Entry entry = std::move(from->front());
    from->pop_front();
    return entry;
  }

  std::shared_ptr<const MessageWindow::Procedure> ProcedureOf(std::uintptr_t window) {
    const std::lock_guard<std::mutex> guard(lock);
    const auto it = windows.find(window);
    return it == windows.end() ? nullptr : it->second;
  }
};

namespace {

void Complete(const std::shared_ptr<PendingSend>& send, std::intptr_t answer) {
  ThreadQueue& sender = *send->sender;
  {
    const std::lock_guard<std::mutex> guard(sender.lock);
    send->answer = answer;
    send->done = true;
  }
  sender.wake.notify_all();
}

std::intptr_t Call(const MessageWindow::Procedure* procedure, const WindowMessage& message) {
  if (procedure == nullptr || !*procedure) return 0;
  try {
    return (*procedure)(message);
  } catch (...) {
    // A message procedure's failure stays on the thread that served it.
    return 0;
  }
}

void Dispatch(ThreadQueue& queue, const Entry& entry) {
  const auto procedure = queue.ProcedureOf(entry.window);
  const std::intptr_t answer = Call(procedure.get(), entry.message);
  if (entry.send) Complete(entry.send, answer);
}

// Owns the calling thread's queue; at thread exit answers every pending send with 0.
struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue = std::make_shared<ThreadQueue>();
  ~QueueHolder() {
    std::deque<Entry> pending;
    {
      const std::lock_guard<std::mutex> guard(queue->lock);
      queue->closed = true;
      pending.swap(queue->sent);
      queue->posted.clear();
    }
    for (const Entry& entry : pending) Complete(entry.send, 0);
  }
};

std::shared_ptr<ThreadQueue> CurrentQueue() {
  thread_local QueueHolder holder;
  return holder.queue;
}

std::atomic<std::uintptr_t> nextHandle{1};

// Every window of the process by its handle, so a message can reach a window known only by
// its handle (SendToWindow).
struct WindowRegistry {
  std::mutex lock;
  std::map<std::uintptr_t, std::weak_ptr<ThreadQueue>> queues;
};

WindowRegistry& Registry() {
  static WindowRegistry registry;
  return registry;
}

}  // namespace

}  // namespace messages

using messages::Entry;
using messages::PendingSend;
using messages::ThreadQueue;

PosixMessageWindow::PosixMessageWindow(std::shared_ptr<ThreadQueue> queue, Procedure procedure)
    : queue_(std::move(queue)), handle_(messages::nextHandle++) {
  {
    const std::lock_guard<std::mutex> guard(queue_->lock);
    queue_->windows[handle_] = std::make_shared<const Procedure>(std::move(procedure));
  }
  const std::lock_guard<std::mutex> guard(messages::Registry().lock);
  messages::Registry().queues[handle_] = queue_;
}

PosixMessageWindow::~PosixMessageWindow() {
  {
    const std::lock_guard<std::mutex> guard(messages::Registry().lock);
    messages::Registry().queues.erase(handle_);
  }
  std::vector<Entry> abandoned;
  {
    const std::lock_guard<std::mutex> guard(queue_->lock);
    queue_->windows.erase(handle_);
    auto ours = [this](const Entry& entry) { return entry.window == handle_; };
    for (const Entry& entry : queue_->sent) {
      if (ours(entry)) abandoned.push_back(entry);
    }
    std::erase_if(queue_->sent, ours);
    std::erase_if(queue_->posted, ours);
  }
  for (const Entry& entry : abandoned) messages::Complete(entry.send, 0);
}

namespace messages {
namespace {

// Sends to a window of a thread's queue and waits for the answer.
std::intptr_t SendTo(const std::shared_ptr<ThreadQueue>& queue, std::uintptr_t handle,
                     const WindowMessage& message) {
  const std::shared_ptr<ThreadQueue> own = CurrentQueue();
  if (own == queue) {
    const auto procedure = queue->ProcedureOf(handle);
    return Call(procedure.get(), message);
  }
  auto send = std::make_shared<PendingSend>();
  send->sender = own;
  {
    const std::lock_guard<std::mutex> guard(queue->lock);
    if (queue->closed || queue->windows.count(handle) == 0) return 0;
    queue->sent.push_back(Entry{handle, message, send});
  }
  queue->wake.notify_all();
  // While waiting, serve what other threads send to this one, as the platform does.
  std::unique_lock<std::mutex> lock(own->lock);
  while (!send->done) {
    if (std::optional<Entry> entry = own->Take(false)) {
      lock.unlock();
      messages::Dispatch(*own, *entry);
      lock.lock();
      continue;
    }
    own->wake.wait(lock);
  }
  return send->answer;
}

}  // namespace
}  // namespace messages

std::intptr_t PosixMessageWindow::Send(const WindowMessage& message) {
  return messages::SendTo(queue_, handle_, message);
}

std::optional<std::intptr_t> PosixMessageWindows::SendToWindow(std::uintptr_t handle,
                                                               const WindowMessage& message) {
  std::shared_ptr<ThreadQueue> queue;
  {
    const std::lock_guard<std::mutex> guard(messages::Registry().lock);
    const auto it = messages::Registry().queues.find(handle);
    if (it != messages::Registry().queues.end()) queue = it->second.lock();
  }
  if (!queue) return std::nullopt;
  return messages::SendTo(queue, handle, message);
}

bool PosixMessageWindow::Post(const WindowMessage& message) {
  {
    const std::lock_guard<std::mutex> guard(queue_->lock);
    if (queue_->closed || queue_->windows.count(handle_) == 0) return false;
    queue_->posted.push_back(Entry{handle_, message, nullptr});
  }
  queue_->wake.notify_all();
  return true;
}

MessageWindows::WindowResult PosixMessageWindows::Create(MessageWindow::Procedure procedure) {
  return std::make_unique<PosixMessageWindow>(messages::CurrentQueue(), std::move(procedure));
}

bool PosixMessageWindows::ServeMessagesUntil(const std::function<bool()>& done, int timeoutMs) {
  // done() may turn true without a message (a thread that ends), so the wait is sliced.
  constexpr auto kSlice = std::chrono::milliseconds(5);
  const std::shared_ptr<ThreadQueue> queue = messages::CurrentQueue();
  const auto deadline = messages::SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (done()) return true;
    std::unique_lock<std::mutex> lock(queue->lock);
    if (std::optional<Entry> entry = queue->Take(true)) {
      lock.unlock();
      messages::Dispatch(*queue, *entry);
      continue;
    }
    const auto now = messages::SteadyClock::now();
    if (timeoutMs >= 0 && now >= deadline) break;
    const auto until = timeoutMs >= 0 ? std::min(deadline, now + kSlice) : now + kSlice;
    queue->wake.wait_until(lock, until);
  }
  return done();
}

}  // namespace equ::posix
