#pragma once
// The listing file: plain text, lines ending in CR LF so the text view can split them at CR.

#include <string>

#include "engine/network.h"
#include "engine/summary.h"

namespace kivo::eng {

std::string formatListing(const std::string& projectFile, const Network& net, const Summary& s);

// Writes text to path; false when the file cannot be written whole, and then a cut file is removed
// (nothing is written for an empty path).
bool writeListing(const std::string& path, const std::string& text);
// The same, formatting the listing straight into the file (never the whole text in memory).
bool writeListing(const std::string& path, const std::string& projectFile, const Network& net,
                  const Summary& s);

} // namespace kivo::eng
