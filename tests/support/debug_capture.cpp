#include "debug_capture.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <thread>

#include "dbwin_reader.h"

namespace {

// Sync markers travel through the same channel as real lines, so their arrival
// proves everything written before them has arrived too. The control character
// keeps them apart from anything a product writes.
const char kSyncPrefix[] =
    "\x01"
    "DebugOutputCapture sync ";
constexpr size_t kRecordLimit = 20000;

// The session's one debug-output channel, shared by every capture of the process.
class Channel {
 public:
  // Never destroyed: its reader thread runs until the process ends, and writers
  // in other processes must never wait for a monitor that is gone.
  static Channel& Get() {
    static Channel* channel = new Channel;
    return *channel;
  }

  DWORD Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_) return ERROR_SUCCESS;
    const DWORD error = reader_.Open();
    if (error != ERROR_SUCCESS) return error;
    open_ = true;
    stop_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    thread_ = std::thread([this] { Run(); });
    return ERROR_SUCCESS;
  }

  void Close() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!thread_.joinable()) return;
      SetEvent(stop_.Get());
    }
    thread_.join();
  }

  void Attach(DebugOutputCapture* capture) {
    std::lock_guard<std::mutex> lock(mutex_);
    captures_.push_back(capture);
  }

  // Waits for a delivery in progress, so the capture may be destroyed afterwards.
  void Detach(DebugOutputCapture* capture) {
    std::lock_guard<std::mutex> lock(mutex_);
    captures_.erase(std::remove(captures_.begin(), captures_.end(), capture), captures_.end());
  }

  bool Sync(DWORD timeoutMs) {
    unsigned long ticket;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!open_) return false;
      ticket = ++syncsSent_;
    }
    OutputDebugStringA((kSyncPrefix + std::to_string(ticket)).c_str());
    std::unique_lock<std::mutex> lock(mutex_);
    return synced_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
      return syncsSeen_ >= ticket || !open_;
    }) && syncsSeen_ >= ticket;
  }

  std::vector<DebugLine> Recorded() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::vector<DebugLine>(recorded_.begin(), recorded_.end());
  }

  void Forget() {
    Sync(2000);
    std::lock_guard<std::mutex> lock(mutex_);
    recorded_.clear();
  }

 private:
  void Run() {
    const DWORD self = GetCurrentProcessId();
    const size_t prefixLength = sizeof kSyncPrefix - 1;
    dbwin::Message message;
    while (reader_.Next(stop_.Get(), INFINITE, &message) == dbwin::Reader::Result::Line) {
      std::lock_guard<std::mutex> lock(mutex_);
      if (message.pid == self && message.text.compare(0, prefixLength, kSyncPrefix) == 0) {
        syncsSeen_ = std::strtoul(message.text.c_str() + prefixLength, nullptr, 10);
        synced_.notify_all();
        continue;
      }
      const DebugLine line{message.pid, std::move(message.text)};
      for (DebugOutputCapture* capture : captures_) capture->Deliver(line);
      recorded_.push_back(line);
      if (recorded_.size() > kRecordLimit) recorded_.pop_front();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    reader_.Close();
    synced_.notify_all();
  }

  // Guards everything below. Held while delivering a line, so no capture is
  // detached halfway through one.
  std::mutex mutex_;
  std::condition_variable synced_;
  dbwin::Reader reader_;
  dbwin::Handle stop_;
  std::thread thread_;  // never joined but by Close: the process ends with it running
  bool open_ = false;
  std::vector<DebugOutputCapture*> captures_;
  std::deque<DebugLine> recorded_;
  unsigned long syncsSent_ = 0;
  unsigned long syncsSeen_ = 0;
};

}  // namespace

DebugOutputCapture::DebugOutputCapture(DWORD pid) : pidFilter_(pid) { Start(); }

DebugOutputCapture::~DebugOutputCapture() { Stop(); }

bool DebugOutputCapture::Start() {
  if (Running()) return true;
  error_ = Channel::Get().Open();
  if (error_ != ERROR_SUCCESS) return false;
  // The channel may have been open for long: what was written before this call
  // and is still on its way must not reach this capture.
  Channel::Get().Sync(2000);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = true;
  }
  Channel::Get().Attach(this);
  return true;
}

void DebugOutputCapture::Stop() {
  if (!Running()) return;
  Channel::Get().Detach(this);
  std::lock_guard<std::mutex> lock(mutex_);
  running_ = false;
  changed_.notify_all();
}

bool DebugOutputCapture::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_;
}

DWORD DebugOutputCapture::Error() const { return error_; }

std::vector<DebugLine> DebugOutputCapture::Lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

void DebugOutputCapture::Clear() {
  // A line written just before Clear may still be on its way to the monitor;
  // without this it would arrive afterwards and look like a fresh one.
  Sync(2000);
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.clear();
}

bool DebugOutputCapture::WaitFor(const std::string& substring, DWORD timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  size_t checked = 0;
  const auto found = [&] {
    if (checked > lines_.size()) checked = 0;  // cleared meanwhile
    for (; checked < lines_.size(); ++checked)
      if (lines_[checked].text.find(substring) != std::string::npos) return true;
    return false;
  };
  const auto done = [&] { return found() || !running_; };
  if (timeoutMs == INFINITE)
    changed_.wait(lock, done);
  else
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
  return found();
}

bool DebugOutputCapture::Sync(DWORD timeoutMs) {
  return Running() && Channel::Get().Sync(timeoutMs);
}

void DebugOutputCapture::Deliver(const DebugLine& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!running_ || (pidFilter_ != 0 && line.pid != pidFilter_)) return;
  lines_.push_back(line);
  changed_.notify_all();
}

namespace debug_output {

DWORD Record() { return Channel::Get().Open(); }

std::vector<DebugLine> Recorded() { return Channel::Get().Recorded(); }

void ForgetRecorded() { Channel::Get().Forget(); }

void Release() { Channel::Get().Close(); }

}  // namespace debug_output
