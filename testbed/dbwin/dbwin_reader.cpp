#include "dbwin_reader.h"

#include <cstring>

namespace dbwin {
namespace {

const char kBufferReadyName[] = "DBWIN_BUFFER_READY";
const char kDataReadyName[] = "DBWIN_DATA_READY";
const char kBufferName[] = "DBWIN_BUFFER";
const DWORD kBufferSize = 4096;

// Creates a named object and insists it is new: an existing one belongs to
// another monitor, and two monitors would steal lines from each other.
DWORD CreateFresh(HANDLE created, Handle* out) {
  const DWORD error = GetLastError();
  Handle handle(created);
  if (!handle) return error ? error : ERROR_INVALID_HANDLE;
  if (error == ERROR_ALREADY_EXISTS) return ERROR_ALREADY_EXISTS;
  *out = std::move(handle);
  return ERROR_SUCCESS;
}

}  // namespace

DWORD Reader::Open() {
  if (IsOpen()) return ERROR_SUCCESS;

  // A null DACL, as DebugView uses, so that writers in services or at a lower
  // integrity level can still open the objects on a real Windows.
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};

  Handle bufferReady, dataReady, mapping;
  DWORD error =
      CreateFresh(CreateEventA(&attributes, FALSE, FALSE, kBufferReadyName), &bufferReady);
  if (error == ERROR_SUCCESS)
    error = CreateFresh(CreateEventA(&attributes, FALSE, FALSE, kDataReadyName), &dataReady);
  if (error == ERROR_SUCCESS)
    error = CreateFresh(CreateFileMappingA(INVALID_HANDLE_VALUE, &attributes, PAGE_READWRITE, 0,
                                           kBufferSize, kBufferName),
                        &mapping);
  if (error != ERROR_SUCCESS) return error;

  MappedView view(MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, kBufferSize));
  if (!view) return GetLastError();

  bufferReady_ = std::move(bufferReady);
  dataReady_ = std::move(dataReady);
  mapping_ = std::move(mapping);
  view_ = std::move(view);
  SetEvent(bufferReady_.Get());
  return ERROR_SUCCESS;
}

void Reader::Close() {
  // A writer may already hold the objects open and wait for the buffer: free
  // it so that the writer returns at once instead of after its 10 s timeout.
  if (bufferReady_) SetEvent(bufferReady_.Get());
  view_.Reset();
  mapping_.Reset();
  dataReady_.Reset();
  bufferReady_.Reset();
}

Reader::Result Reader::Next(HANDLE stop, DWORD timeoutMs, Message* out) {
  if (!IsOpen()) return Result::Failed;
  // stop first: a steady stream of lines must not keep a monitor from stopping.
  HANDLE waits[2];
  DWORD count = 0;
  if (stop) waits[count++] = stop;
  waits[count++] = dataReady_.Get();
  const DWORD woken = WaitForMultipleObjects(count, waits, FALSE, timeoutMs);
  if (woken == WAIT_TIMEOUT) return Result::Timeout;
  if (stop && woken == WAIT_OBJECT_0) return Result::Stopped;
  if (woken != WAIT_OBJECT_0 + count - 1) return Result::Failed;

  const char* buffer = static_cast<const char*>(view_.Get());
  std::memcpy(&out->pid, buffer, sizeof(DWORD));
  const char* text = buffer + sizeof(DWORD);
  const void* end = std::memchr(text, 0, kBufferSize - sizeof(DWORD));
  out->text.assign(text, end ? static_cast<const char*>(end) : buffer + kBufferSize);
  SetEvent(bufferReady_.Get());
  return Result::Line;
}

}  // namespace dbwin
