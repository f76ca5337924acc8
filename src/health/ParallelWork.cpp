#include "health/ParallelWork.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// Indices a thread takes at a time: few enough to share the work evenly, enough that the
// shared counter is not what costs.
constexpr std::size_t kBatch = 32;
// Below this many calls a thread costs more than it saves.
constexpr std::size_t kSerialCount = 2 * kBatch;

}  // namespace

void ForEachIndexInParallel(std::size_t count, const std::function<void(std::size_t)>& work,
                            unsigned maxThreads) {
    const unsigned threads =
        std::min(std::max(1u, std::thread::hardware_concurrency()), std::max(1u, maxThreads));
    if (threads == 1 || count < kSerialCount) {
        for (std::size_t i = 0; i < count; ++i) {
            work(i);
        }
        return;
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const auto run = [&] {
        while (!failed.load(std::memory_order_relaxed)) {
            const std::size_t first = next.fetch_add(kBatch, std::memory_order_relaxed);
            if (first >= count) {
                return;
            }
            try {
                for (std::size_t i = first; i < std::min(count, first + kBatch); ++i) {
                    work(i);
                }
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure) {
                    failure = std::current_exception();
                }
                failed = true;
            }
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads; ++i) {
        try {
            helpers.emplace_back(run);
        } catch (const std::system_error&) {
            break;  // fewer threads do the same work
        }
    }
    run();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}
