// The C++ allocation of the shipped binaries, over the process heap. The suite
// throws and catches nothing, so a failed allocation cannot be a bad_alloc: the
// plain forms end the process, as the code treats running out of memory anywhere
// else, and the nothrow forms return null for the callers that check. Defining
// them here also keeps the runtime's own versions, and the exception machinery
// they bring, out of the binaries.
#include <windows.h>

#include <cstddef>
#include <new>

namespace {

void* Allocate(std::size_t size) {
  // A zero-byte request still gets a distinct pointer.
  return HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
}

void* AllocateOrEnd(std::size_t size) {
  void* memory = Allocate(size);
  if (!memory) TerminateProcess(GetCurrentProcess(), ERROR_NOT_ENOUGH_MEMORY);
  return memory;
}

void Free(void* memory) {
  if (memory) HeapFree(GetProcessHeap(), 0, memory);
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrEnd(size); }
void* operator new[](std::size_t size) { return AllocateOrEnd(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* memory) noexcept { Free(memory); }
void operator delete[](void* memory) noexcept { Free(memory); }
void operator delete(void* memory, std::size_t) noexcept { Free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { Free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { Free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { Free(memory); }
