#include "debug_capture.h"

#include <chrono>
#include <cstdlib>

namespace {

// Sync markers travel through the same channel as real lines, so their arrival
// proves everything written before them has arrived too. The control character
// keeps them apart from anything a product writes.
const char kSyncPrefix[] =
    "\x01"
    "DebugOutputCapture sync ";

}  // namespace

DebugOutputCapture::DebugOutputCapture(DWORD pid) : pidFilter_(pid) { Start(); }

DebugOutputCapture::~DebugOutputCapture() { Stop(); }

bool DebugOutputCapture::Start() {
  if (thread_.joinable()) return true;
  error_ = reader_.Open();
  if (error_ != ERROR_SUCCESS) return false;
  stop_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop_) {
    error_ = GetLastError();
    reader_.Close();
    return false;
  }
  thread_ = std::thread([this] { Run(); });
  std::lock_guard<std::mutex> lock(mutex_);
  running_ = true;
  return true;
}

void DebugOutputCapture::Stop() {
  if (!thread_.joinable()) return;
  SetEvent(stop_.Get());
  thread_.join();
  reader_.Close();
  stop_.Reset();
  std::lock_guard<std::mutex> lock(mutex_);
  running_ = false;
  changed_.notify_all();
}

bool DebugOutputCapture::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_;
}

DWORD DebugOutputCapture::Error() const { return error_; }

void DebugOutputCapture::SetPidFilter(DWORD pid) {
  std::lock_guard<std::mutex> lock(mutex_);
  pidFilter_ = pid;
}

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
  return WaitUntil(timeoutMs, lock, [&] {
    if (checked > lines_.size()) checked = 0;  // cleared meanwhile
    for (; checked < lines_.size(); ++checked)
      if (lines_[checked].text.find(substring) != std::string::npos) return true;
    return false;
  });
}

bool DebugOutputCapture::Sync(DWORD timeoutMs) {
  unsigned long ticket;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) return false;
    ticket = ++syncsSent_;
  }
  OutputDebugStringA((kSyncPrefix + std::to_string(ticket)).c_str());
  std::unique_lock<std::mutex> lock(mutex_);
  return WaitUntil(timeoutMs, lock, [&] { return syncsSeen_ >= ticket; });
}

bool DebugOutputCapture::WaitUntil(DWORD timeoutMs, std::unique_lock<std::mutex>& lock,
                                   const std::function<bool()>& done) {
  if (timeoutMs == INFINITE) {
    changed_.wait(lock, [&] { return done() || !running_; });
    return done();
  }
  changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                    [&] { return done() || !running_; });
  return done();
}

void DebugOutputCapture::Run() {
  const DWORD self = GetCurrentProcessId();
  const size_t prefixLength = sizeof kSyncPrefix - 1;
  dbwin::Message message;
  while (reader_.Next(stop_.Get(), INFINITE, &message) == dbwin::Reader::Result::Line) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (message.pid == self && message.text.compare(0, prefixLength, kSyncPrefix) == 0) {
      syncsSeen_ = std::strtoul(message.text.c_str() + prefixLength, nullptr, 10);
    } else if (pidFilter_ == 0 || message.pid == pidFilter_) {
      lines_.push_back({message.pid, std::move(message.text)});
    } else {
      continue;
    }
    changed_.notify_all();
  }
}
