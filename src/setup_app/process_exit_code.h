#pragma once
// The running process's exit code (the codes themselves and their meanings: product/exit_codes.h).
#include <atomic>

#include "product/exit_codes.h"

namespace vl {

// The process exit code: refused until a run decides otherwise; threads store it by exchange.
inline std::atomic<int> g_process_exit_code{EXIT_REFUSED};

}  // namespace vl
