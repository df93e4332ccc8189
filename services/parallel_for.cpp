#include "services/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace services {

void parallel_for(std::size_t count, std::size_t workers,
                  const std::function<void(std::size_t)>& job) {
    if (count == 0) return;
    workers = std::clamp<std::size_t>(workers, 1, count);
    std::atomic<std::size_t> next{0};
    std::mutex failure_mutex;
    std::exception_ptr failure;
    const auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                job(i);
            } catch (...) {
                std::lock_guard lock(failure_mutex);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    {
        std::vector<std::jthread> threads;
        threads.reserve(workers);
        for (std::size_t w = 0; w < workers; ++w)
            threads.emplace_back(work);
    }  // joined here
    if (failure) std::rethrow_exception(failure);
}

}  // namespace services
