#pragma once
// The engine's listing (".OUT" beside the project) as the text view shows it.

#include <cstddef>
#include <memory>

#include "model/document_state.h"
#include "model/host.h"

namespace kivo {

// The lines of a listing held whole (text: n bytes and one spare): a line ends at a carriage
// return, which becomes a blank; the byte after it (the line feed) is dropped; a line's text ends at
// its first NUL byte; a last line without a carriage return is not counted. Split in `parts` over
// the cores; false only when there was no memory for the lines.
bool SplitListing(std::unique_ptr<char[]> text, std::size_t n, std::size_t parts, ListingLines& out);

class ListingText {
public:
    // `host` is the document's current host pointer (the document may change it).
    ListingText(LoadedListing& listing, FileState& file, Host* const& host)
        : listing_(listing), file_(file), host_(host) {}

    // Loads the listing beside the open project; false when there is none or it cannot be read.
    bool LoadOutput();
    void DiscardOutput();

private:
    LoadedListing& listing_;
    FileState& file_;
    Host* const& host_;
};

} // namespace kivo
