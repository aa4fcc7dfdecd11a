#pragma once
// The engine's listing (".OUT" beside the project) as the text view shows it.

#include "model/document_state.h"
#include "model/host.h"

namespace kivo {

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
