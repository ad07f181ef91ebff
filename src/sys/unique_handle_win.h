#pragma once
// One RAII owner for every Windows handle, registry key and COM pointer. The traits name the
// handle type, its empty value(s) and how it is released; copies are deleted.
#include <windows.h>
#include <unknwn.h>

#include <utility>

namespace vl {

template <typename Traits>
class UniqueAny {
 public:
  using Type = typename Traits::Type;

  UniqueAny() = default;
  explicit UniqueAny(Type value) : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  Type get() const { return value_; }
  bool valid() const { return Traits::is_valid(value_); }
  explicit operator bool() const { return valid(); }

  void reset(Type value = Traits::empty()) {
    if (Traits::is_valid(value_)) Traits::close(value_);
    value_ = value;
  }
  Type release() { return std::exchange(value_, Traits::empty()); }
  // For out-parameters: releases the current value and hands out its slot.
  Type* put() {
    reset();
    return &value_;
  }

 private:
  Type value_ = Traits::empty();
};

struct HandleTraits {  // kernel objects whose empty value is NULL or INVALID_HANDLE_VALUE
  using Type = HANDLE;
  static Type empty() { return nullptr; }
  static bool is_valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using Type = HANDLE;
  static Type empty() { return INVALID_HANDLE_VALUE; }
  static bool is_valid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void close(Type h) { ::FindClose(h); }
};

struct RegKeyTraits {
  using Type = HKEY;
  static Type empty() { return nullptr; }
  static bool is_valid(Type h) { return h != nullptr; }
  static void close(Type h) { ::RegCloseKey(h); }
};

struct ModuleTraits {
  using Type = HMODULE;
  static Type empty() { return nullptr; }
  static bool is_valid(Type h) { return h != nullptr; }
  static void close(Type h) { ::FreeLibrary(h); }
};

template <typename T>
struct CoTaskMemTraits {
  using Type = T*;
  static Type empty() { return nullptr; }
  static bool is_valid(Type p) { return p != nullptr; }
  static void close(Type p) { ::CoTaskMemFree(p); }
};

template <typename T>
struct LocalMemTraits {  // memory the system allocated with LocalAlloc for the caller
  using Type = T*;
  static Type empty() { return nullptr; }
  static bool is_valid(Type p) { return p != nullptr; }
  static void close(Type p) { ::LocalFree(p); }
};

template <typename I>
struct ComTraits {
  using Type = I*;
  static Type empty() { return nullptr; }
  static bool is_valid(Type p) { return p != nullptr; }
  static void close(Type p) { p->Release(); }
};

using UniqueHandle = UniqueAny<HandleTraits>;
using UniqueFindHandle = UniqueAny<FindHandleTraits>;
using UniqueKey = UniqueAny<RegKeyTraits>;
using UniqueModule = UniqueAny<ModuleTraits>;
template <typename T>
using UniqueCoTaskMem = UniqueAny<CoTaskMemTraits<T>>;
template <typename T>
using UniqueLocalMem = UniqueAny<LocalMemTraits<T>>;

// COM pointer with `->` and typed out-parameters for QueryInterface-style calls.
template <typename I>
class ComPtr : public UniqueAny<ComTraits<I>> {
 public:
  using UniqueAny<ComTraits<I>>::UniqueAny;
  I* operator->() const { return this->get(); }
  void** put_void() { return reinterpret_cast<void**>(this->put()); }

  template <typename J>
  ComPtr<J> query() const {
    ComPtr<J> out;
    if (this->valid()) this->get()->QueryInterface(__uuidof(J), out.put_void());
    return out;
  }
};

}  // namespace vl
