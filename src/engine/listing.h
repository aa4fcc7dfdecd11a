#pragma once
// The listing file: plain text, lines ending in CR LF so the text view can split them at CR.

#include <string>

#include "engine/network.h"
#include "engine/summary.h"

namespace kivo::eng {

std::string formatListing(const std::string& projectFile, const Network& net, const Summary& s);

// Writes text to path, whole or not at all: false when it cannot be written, with errno telling why,
// and then the listing of an earlier run stays as it was (nothing is written for an empty path).
bool writeListing(const std::string& path, const std::string& text);
// The same, formatting the listing straight into the file (never the whole text in memory).
bool writeListing(const std::string& path, const std::string& projectFile, const Network& net,
                  const Summary& s);

} // namespace kivo::eng
