#pragma once
#include <atomic>

namespace vl {

// The process exit code: 1 until a run decides otherwise; threads store it by exchange.
inline std::atomic<int> g_process_exit_code{1};

}  // namespace vl
