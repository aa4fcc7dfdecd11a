// The engine's listing (".OUT" beside the project), loaded for the text view.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "model/file_names.h"
#include "model/listing_text.h"

namespace kivo {

namespace {

// Reads [from, to) of the file at its offsets; false on an error or when the file ends before.
bool ReadRange(int fd, char* into, std::size_t from, std::size_t to) {
    while (from < to) {
        const ssize_t got = ::pread(fd, into + from, to - from, static_cast<off_t>(from));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        from += static_cast<std::size_t>(got);
    }
    return true;
}

// Runs part(k) for k = 0 .. parts-1, the first on this thread; false when one fails or throws.
template <class Part> bool InParts(std::size_t parts, Part&& part) {
    std::vector<char> ok(parts, 0);
    auto run = [&](std::size_t k) {
        try {
            ok[k] = part(k) ? 1 : 0;
        } catch (...) {
            ok[k] = 0;
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t k = 1; k < parts; ++k) {
        try {
            threads.emplace_back(run, k);
        } catch (...) {
            run(k); // no thread to be had: this one does it
        }
    }
    run(0);
    for (std::thread& t : threads)
        t.join();
    return std::all_of(ok.begin(), ok.end(), [](char c) { return c != 0; });
}

// The lines copied one by one (a text with NUL bytes in it).
ListingLines SplitCopying(const char* t, std::size_t n) {
    ListingLines lines;
    lines.reserve(n, n / 100);
    std::string line;
    for (std::size_t p = 0; p < n;) {
        const char* cr = static_cast<const char*>(std::memchr(t + p, 13, n - p));
        if (!cr) break;
        const std::size_t c = static_cast<std::size_t>(cr - t);
        line.assign(t + p, strnlen(t + p, c - p));
        line.push_back(' ');
        lines.push_back(line);
        p = c + 2;
    }
    return lines;
}

// The same lines split where they lie, over the cores, for text without NUL bytes: each carriage
// return becomes the line's blank and the byte after it the separator (the text holds n + 1 bytes:
// the last for a carriage return that ends the file). Parts begin after a carriage return whose
// byte before is none: such a one always ends a line, so each part splits as the whole would.
bool SplitInPlace(std::unique_ptr<char[]> text, std::size_t n, std::size_t parts, ListingLines& out) {
    char* const t = text.get();
    std::vector<std::size_t> begin(parts + 1, n);
    begin[0] = 0;
    for (std::size_t k = 1; k < parts; ++k) {
        std::size_t at = std::max(n * k / parts, begin[k - 1]);
        while (at < n) {
            const char* cr = static_cast<const char*>(std::memchr(t + at, 13, n - at));
            if (!cr) break;
            const std::size_t c = static_cast<std::size_t>(cr - t);
            if (c > 0 && t[c - 1] != 13) {
                begin[k] = std::min(c + 2, n);
                break;
            }
            at = c + 1;
        }
    }
    std::vector<std::vector<std::size_t>> starts(parts);
    const bool split = InParts(parts, [&](std::size_t k) {
        std::vector<std::size_t>& mine = starts[k];
        mine.reserve((begin[k + 1] - begin[k]) / 100 + 1);
        for (std::size_t p = begin[k]; p < begin[k + 1];) {
            const char* cr = static_cast<const char*>(std::memchr(t + p, 13, n - p));
            if (!cr) break;
            const std::size_t c = static_cast<std::size_t>(cr - t);
            t[c] = ' ';
            t[c + 1] = '\n';
            mine.push_back(c + 2);
            p = c + 2;
        }
        return true;
    });
    if (!split) return false;
    std::size_t count = 1;
    for (const auto& mine : starts)
        count += mine.size();
    std::vector<std::size_t> all;
    all.reserve(count);
    all.push_back(0);
    for (auto& mine : starts) {
        all.insert(all.end(), mine.begin(), mine.end());
        std::vector<std::size_t>().swap(mine);
    }
    if (all.size() == 1) all.clear();
    const std::size_t used = all.empty() ? 0 : all.back();
    out.adopt(std::move(text), used, std::move(all));
    return true;
}

} // namespace

bool SplitListing(std::unique_ptr<char[]> text, std::size_t n, std::size_t parts, ListingLines& out) {
    const char* const t = text.get();
    std::atomic<bool> nul{false};
    InParts(parts, [&](std::size_t k) {
        const std::size_t from = n * k / parts, to = n * (k + 1) / parts;
        if (std::memchr(t + from, 0, to - from)) nul = true;
        return true;
    });
    try {
        if (!nul) return SplitInPlace(std::move(text), n, parts, out);
        out = SplitCopying(t, n);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool ListingText::LoadOutput() {
    const std::string name = ChangeFileExt(file_.OpenName, ".OUT");
    struct stat st;
    if (::stat(file_.OpenName.c_str(), &st) != 0 || ::stat(name.c_str(), &st) != 0) return false;
    // Opened without blocking (a FIFO in the listing's place would wait for a writer), and read only
    // when it is a regular file.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }

    // The file is read whole, its parts over the cores (the listing of a large network runs to a
    // hundred megabytes and more), into a block left unset (a byte spare at its end).
    const std::size_t n = static_cast<std::size_t>(st.st_size);
    const std::size_t parts = std::clamp<std::size_t>(
        n >> 22, 1, std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8));
    std::unique_ptr<char[]> text(new (std::nothrow) char[n + 1]);
    if (!text) { // (not the memory for it: the listing is not shown, as when it cannot be read)
        ::close(fd);
        return false;
    }
    char* const t = text.get();
    bool whole =
        InParts(parts, [&](std::size_t k) { return ReadRange(fd, t, n * k / parts, n * (k + 1) / parts); });
    char beyond;
    whole = whole && ::pread(fd, &beyond, 1, static_cast<off_t>(n)) == 0; // (nothing added since)
    ::close(fd);
    if (!whole) return false;
    ListingLines lines;
    if (!SplitListing(std::move(text), n, parts, lines)) return false; // (no memory for the lines)
    listing_.fileBuffer.swap(lines);
    lines = {};
    listing_.maxLines = static_cast<int>(listing_.fileBuffer.size());
    // The text view takes its scroll ranges from the listing as it stands when told: it must see
    // the listing as valid already (the callers store the same result).
    file_.bValFile = true;
    host_->UpdateTextView();
    return true;
}

void ListingText::DiscardOutput() {
    listing_.fileBuffer.clear();
    listing_.fileBuffer.shrink_to_fit();
    listing_.maxLines = 0;
    file_.bValFile = false;
    host_->UpdateTextView();
}

} // namespace kivo
