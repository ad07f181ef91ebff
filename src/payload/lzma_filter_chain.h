#pragma once
// The filter chain a block header decodes into (lzma_block_header_decode allocates the
// filters' options); the options are freed once, when the chain goes.
#include <lzma.h>

#include <array>

namespace vl {

struct FilterChain {
  std::array<lzma_filter, LZMA_FILTERS_MAX + 1> filters{};
  FilterChain() {
    for (lzma_filter& f : filters) f = {LZMA_VLI_UNKNOWN, nullptr};
  }
  ~FilterChain() { lzma_filters_free(filters.data(), nullptr); }
  FilterChain(const FilterChain&) = delete;
  FilterChain& operator=(const FilterChain&) = delete;
};

}  // namespace vl
