// The process-wide acceleration state shared with the packet watcher threads.
#pragma once

#include <atomic>
#include <cstdint>

// 0 off, 1 on; read afresh by every watcher on each turn of its loop.
extern std::atomic<std::int32_t> AccelerationActive;
