#pragma once
// Work split over the machine's cores for passes whose pieces write disjoint results (a cluster's
// own blocks, an observation's own slot): each piece computes exactly what the serial pass would,
// so the results do not depend on the number of threads.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace kivo::eng {

// Most ranges one pass hands out.
constexpr std::size_t kMaxRanges = 32;

// Calls body(begin, end) for contiguous ranges covering [0, n), from as many threads as are worth it
// (the calling thread is one of them; ranges smaller than minPerThread are not worth a thread). The
// ranges (rangesPerThread per thread) are handed out one at a time, so that a thread the system holds
// up leaves its share to the others; there are never more than kMaxRanges. An exception from body
// (std::bad_alloc) stops the ranges not yet begun and is thrown again on the calling thread once every
// thread has ended; a thread the system cannot start leaves its share to the others.
template <class Body>
void parallelRanges(std::size_t n, Body&& body, std::size_t minPerThread = 4096,
                    std::size_t rangesPerThread = 4) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::clamp<std::size_t>(n / std::max<std::size_t>(minPerThread, 1), 1,
                                                        std::min<std::size_t>(cores, 8));
    if (workers <= 1) {
        body(std::size_t{0}, n);
        return;
    }
    const std::size_t ranges = std::min(workers * std::clamp<std::size_t>(rangesPerThread, 1, 4), n);
    std::atomic<std::size_t> next{0};
    std::mutex failureLock;
    std::exception_ptr failure;
    auto run = [&] {
        try {
            for (std::size_t r = next++; r < ranges; r = next++)
                body(n * r / ranges, n * (r + 1) / ranges);
        } catch (...) {
            next = ranges;
            std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(workers - 1);
    for (std::size_t w = 1; w < workers; ++w) {
        try {
            threads.emplace_back(run);
        } catch (const std::exception&) {
            break; // no thread to be had (out of memory or address space): fewer threads do the work
        }
    }
    run();
    for (std::thread& t : threads)
        t.join();
    if (failure) std::rethrow_exception(failure);
}

// Calls body(first, last) for ranges of the columns of an n x n lower triangle, from as many threads
// as are worth it, each range holding about the same number of entries (the first columns are the
// longest).
template <class Body> void parallelLowerColumns(std::size_t n, Body&& body) {
    constexpr std::size_t kRanges = 8;
    if (n < 256 || std::thread::hardware_concurrency() < 2) {
        body(std::size_t{0}, n);
        return;
    }
    // Columns [0, c) hold n c - c^2 / 2 entries: equal shares end at n (1 - sqrt(1 - r / R)).
    auto bound = [&](std::size_t r) {
        if (r >= kRanges) return n;
        return static_cast<std::size_t>(static_cast<double>(n) *
                                        (1.0 - std::sqrt(1.0 - static_cast<double>(r) / kRanges)));
    };
    parallelRanges(
        kRanges,
        [&](std::size_t r0, std::size_t r1) {
            for (std::size_t r = r0; r < r1; ++r)
                body(bound(r), bound(r + 1));
        },
        1, kRanges);
}

} // namespace kivo::eng
