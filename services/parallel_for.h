#pragma once
// Runs a job for every index of a range on a few threads and waits for all of them.
#include <cstddef>
#include <functional>

namespace services {

// Calls job(i) for every i below `count`, each exactly once, on at most `workers` threads at
// a time (the calling thread's work counts as none: it only waits). Returns when every call
// has returned; the first exception a call threw is thrown again then.
void parallel_for(std::size_t count, std::size_t workers,
                  const std::function<void(std::size_t)>& job);

}  // namespace services
