#pragma once
// Work split over the machine's cores for passes whose pieces write disjoint results (a cluster's
// own blocks, an observation's own slot): each piece computes exactly what the serial pass would,
// so the results do not depend on the number of threads.

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace kivo::eng {

// Calls body(begin, end) for contiguous ranges covering [0, n), one range per thread (the calling
// thread takes the first); ranges smaller than minPerThread are not worth a thread.
template <class Body> void parallelRanges(std::size_t n, Body&& body, std::size_t minPerThread = 4096) {
    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t workers = std::clamp<std::size_t>(n / std::max<std::size_t>(minPerThread, 1), 1,
                                                        std::min<std::size_t>(cores, 8));
    if (workers <= 1) {
        body(std::size_t{0}, n);
        return;
    }
    std::vector<std::thread> threads;
    threads.reserve(workers - 1);
    for (std::size_t w = 1; w < workers; ++w)
        threads.emplace_back([&body, n, w, workers] { body(n * w / workers, n * (w + 1) / workers); });
    body(std::size_t{0}, n / workers);
    for (std::thread& t : threads)
        t.join();
}

} // namespace kivo::eng
