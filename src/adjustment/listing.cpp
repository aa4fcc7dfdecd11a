// The engine's listing (".OUT" beside the project), loaded for the text view.

#include <sys/stat.h>

#include "model/byte_stream.h"
#include "model/kivoMDIClient.h"

namespace kivo {

bool kivoMDIClient::LoadOutput() {
    const std::string name = ChangeFileExt(OpenName, ".OUT");
    struct stat st;
    if (::stat(OpenName.c_str(), &st) != 0 || ::stat(name.c_str(), &st) != 0) return false;
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(name, bytes)) return false;

    // A line ends at a carriage return, which becomes a blank; the byte after it (the line feed)
    // is dropped. A last line without a carriage return is not counted.
    fileBuffer.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != 13) continue;
        std::string line(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.begin() + static_cast<std::ptrdiff_t>(i));
        // Lines are NUL-terminated strings: the text ends at the first NUL byte.
        line.resize(std::char_traits<char>::length(line.c_str()));
        line += ' ';
        fileBuffer.push_back(std::move(line));
        start = i + 2;
        i = i + 1;
    }
    maxLines = static_cast<int>(fileBuffer.size());
    host_->UpdateTextView();
    return true;
}

void kivoMDIClient::DiscardOutput() {
    fileBuffer.clear();
    fileBuffer.shrink_to_fit();
    maxLines = 0;
    bValFile = false;
}

} // namespace kivo
