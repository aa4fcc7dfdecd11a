// The engine's listing (".OUT" beside the project), loaded for the text view.

#include <sys/stat.h>

#include <cstring>

#include "model/byte_stream.h"
#include "model/file_names.h"
#include "model/listing_text.h"

namespace kivo {

bool ListingText::LoadOutput() {
    const std::string name = ChangeFileExt(file_.OpenName, ".OUT");
    struct stat st;
    if (::stat(file_.OpenName.c_str(), &st) != 0 || ::stat(name.c_str(), &st) != 0) return false;
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(name, bytes)) return false;

    // A line ends at a carriage return, which becomes a blank; the byte after it (the line feed)
    // is dropped. A last line without a carriage return is not counted.
    listing_.fileBuffer.clear();
    const char* data = reinterpret_cast<const char*>(bytes.data());
    const char* end = data + bytes.size();
    for (const char* p = data; p < end;) {
        const char* cr = static_cast<const char*>(std::memchr(p, 13, static_cast<std::size_t>(end - p)));
        if (!cr) break;
        // Lines are NUL-terminated strings: the text ends at the first NUL byte.
        const std::size_t n = strnlen(p, static_cast<std::size_t>(cr - p));
        std::string& line = listing_.fileBuffer.emplace_back();
        line.reserve(n + 1);
        line.append(p, n);
        line.push_back(' ');
        p = cr + 2;
    }
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
