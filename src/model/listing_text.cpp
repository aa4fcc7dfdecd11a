// The engine's listing (".OUT" beside the project), loaded for the text view.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/file_names.h"
#include "model/listing_text.h"

namespace kivo {

bool ListingText::LoadOutput() {
    const std::string name = ChangeFileExt(file_.OpenName, ".OUT");
    struct stat st;
    if (::stat(file_.OpenName.c_str(), &st) != 0 || ::stat(name.c_str(), &st) != 0) return false;
    // Opened without blocking (a FIFO in the listing's place would wait for a writer), and read only
    // when it is a regular file.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        ::close(fd);
        return false;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return false;
    }

    // Read a block at a time (the listing of a large network runs to a hundred megabytes and more,
    // and its lines take more again). A line ends at a carriage return, which becomes a blank; the
    // byte after it (the line feed) is dropped. A last line without a carriage return is not counted.
    ListingLines lines;
    // The text is the file less a byte a line (about 140 bytes a line in a large network's listing):
    // reserved once, so that it never moves while it grows.
    lines.reserve(static_cast<std::size_t>(st.st_size), static_cast<std::size_t>(st.st_size) / 100);
    std::string line; // the line being put together
    std::vector<char> block(1 << 20);
    std::string pending;   // the start of a line that runs past the block
    bool skipNext = false; // the byte after a carriage return lies in the next block
    auto add = [&](const char* p, const char* cr) {
        // Lines are NUL-terminated strings: the text ends at the first NUL byte.
        const std::size_t held = pending.find('\0');
        const std::size_t n =
            held != std::string::npos ? held : pending.size() + strnlen(p, static_cast<std::size_t>(cr - p));
        line.assign(pending, 0, std::min(n, pending.size()));
        if (n > pending.size()) line.append(p, n - pending.size());
        line.push_back(' ');
        lines.push_back(line);
        pending.clear();
    };
    std::size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), f)) > 0) {
        const char* p = block.data();
        const char* const end = p + got;
        if (skipNext) {
            ++p;
            skipNext = false;
        }
        while (p < end) {
            const char* cr = static_cast<const char*>(std::memchr(p, 13, static_cast<std::size_t>(end - p)));
            if (!cr) {
                pending.append(p, static_cast<std::size_t>(end - p));
                break;
            }
            add(p, cr);
            p = cr + 1;
            if (p < end)
                ++p;
            else
                skipNext = true;
        }
    }
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (!ok) return false;
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
