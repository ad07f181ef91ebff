// The shipped programs are built without C++ exceptions, so the allocation that cannot be
// satisfied has nowhere to be thrown to: the throwing forms end the process through the fatal
// path with "out of memory" (a broken invariant, like a thread that cannot be created), and the
// nothrow forms return null as they always did. All forms go straight to malloc and free: the
// runtime's own versions loop on a new-handler and throw std::bad_alloc, which pulls in the
// unwinder. Linked into the shipped programs only.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "sys/fatal_error_win.h"

namespace {

// malloc(0) may return null; operator new must return a distinct pointer.
void* allocate(std::size_t size) noexcept { return std::malloc(size != 0 ? size : 1); }

void* allocate_or_stop(std::size_t size) {
  void* block = allocate(size);
  if (block == nullptr) vl::fatal_error("out of memory", E_OUTOFMEMORY);
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocate_or_stop(size); }
void* operator new[](std::size_t size) { return allocate_or_stop(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
