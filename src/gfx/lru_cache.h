#pragma once
// A small cache of at most `capacity` entries that forgets the least recently used one. Lookups
// scan the entries: it is meant for a few dozen entries whose values are far dearer to make
// than a comparison of keys. A key that never equals itself (a NaN inside) is simply never
// found; the bound still holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vl {

template <class Key, class Value>
class LruCache {
 public:
  // A capacity of 0 counts as 1.
  explicit LruCache(size_t capacity) : capacity_(std::max<size_t>(1, capacity)) {}

  // The value stored under `key`, now the most recently used; null when there is none.
  Value* find(const Key& key) {
    for (Entry& entry : entries_) {
      if (entry.key == key) {
        entry.used = ++clock_;
        return &entry.value;
      }
    }
    return nullptr;
  }

  // Stores `value` under `key`, which find did not return, in place of the least recently used
  // entry when the cache is full.
  Value& insert(Key key, Value value) {
    Entry entry{std::move(key), std::move(value), ++clock_};
    if (entries_.size() < capacity_) return entries_.emplace_back(std::move(entry)).value;
    auto oldest = std::min_element(entries_.begin(), entries_.end(),
                                   [](const Entry& a, const Entry& b) { return a.used < b.used; });
    *oldest = std::move(entry);
    return oldest->value;
  }

  size_t size() const { return entries_.size(); }
  void clear() { entries_.clear(); }

 private:
  struct Entry {
    Key key;
    Value value;
    uint64_t used = 0;
  };
  size_t capacity_;
  uint64_t clock_ = 0;
  std::vector<Entry> entries_;
};

}  // namespace vl
