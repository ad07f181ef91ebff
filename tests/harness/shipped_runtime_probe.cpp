// Test helper: the shipped programs' runtime (built without exceptions, with their own operator
// new and throw helpers) asked for what it cannot give. The argument names the request:
//   new      a throwing allocation of nearly 4 GB: ends the process through the fatal path
//   nothrow  the same through new(std::nothrow): prints "null" and exits 0
//   at       std::vector::at past the end: ends the process with the runtime's own text
#include <cstdio>
#include <cwchar>
#include <new>
#include <vector>

#include "product/product.h"
#include "sys/fatal_error_win.h"

namespace {

// Out of the optimiser's sight, so that the request is really made.
volatile size_t g_huge = static_cast<size_t>(-1) - 4096;
volatile size_t g_past_end = 1;

}  // namespace

int wmain(int argc, wchar_t** argv) {
  vl::set_fatal_program_name(vl::INSTALLER_NAME.data());  // as the shipped programs' entry points do
  if (argc != 2) {
    fwprintf(stderr, L"usage: shipped_runtime_probe new|nothrow|at\n");
    return 2;
  }
  if (std::wcscmp(argv[1], L"new") == 0) {
    void* block = ::operator new(g_huge);
    std::printf("allocated %p\n", block);
  } else if (std::wcscmp(argv[1], L"nothrow") == 0) {
    void* block = ::operator new(g_huge, std::nothrow);
    std::printf("%s\n", block == nullptr ? "null" : "allocated");
  } else if (std::wcscmp(argv[1], L"at") == 0) {
    std::vector<int> empty;
    std::printf("read %d\n", empty.at(g_past_end));
  } else {
    return 2;
  }
  return 0;
}
