#include "model/network_image.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace kivo {

namespace {

bool SameBlock(const NetworkImage::Block& a, const NetworkImage::Block& b) {
    return a == b || *a == *b;
}

} // namespace

std::vector<std::uint8_t> NetworkImage::Bytes() const {
    std::vector<std::uint8_t> out;
    out.reserve(Size());
    for (const Piece& p : pieces)
        for (const Block& b : p.blocks)
            out.insert(out.end(), b->begin(), b->end());
    return out;
}

std::vector<std::uint8_t> NetworkImage::PieceBytes(std::size_t i) const {
    std::vector<std::uint8_t> out;
    if (i < pieces.size())
        for (const Block& b : pieces[i].blocks)
            out.insert(out.end(), b->begin(), b->end());
    return out;
}

std::size_t NetworkImage::Size() const {
    std::size_t n = 0;
    for (const Piece& p : pieces)
        for (const Block& b : p.blocks)
            n += b->size();
    return n;
}

std::size_t NetworkImage::UniqueBytes(const NetworkImage& other) const {
    std::unordered_map<const void*, bool> theirs;
    for (const Piece& p : other.pieces)
        for (const Block& b : p.blocks)
            theirs[b.get()] = true;
    std::size_t n = 0;
    for (const Piece& p : pieces)
        for (const Block& b : p.blocks)
            if (!theirs.count(b.get())) n += b->size();
    return n;
}

bool NetworkImage::SameAs(const NetworkImage& other) const {
    if (magic != other.magic || globalSBar != other.globalSBar || pieces.size() != other.pieces.size() ||
        leftOutMarks != other.leftOutMarks)
        return false;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece &a = pieces[i], &b = other.pieces[i];
        if (a.key != b.key || a.blocks.size() != b.blocks.size()) return false;
        for (std::size_t j = 0; j < a.blocks.size(); ++j)
            if (!SameBlock(a.blocks[j], b.blocks[j])) return false;
    }
    return true;
}

NetworkImage NetworkImage::Build(const std::vector<std::uint8_t>& bytes,
                                 const std::vector<std::pair<std::uint64_t, std::size_t>>& cuts,
                                 const NetworkImage* like) {
    std::unordered_map<std::uint64_t, const Piece*> earlier;
    if (like)
        for (const Piece& p : like->pieces)
            earlier[p.key] = &p;
    NetworkImage image;
    image.pieces.reserve(cuts.size());
    std::size_t start = 0;
    for (const auto& [key, end] : cuts) {
        Piece piece;
        piece.key = key;
        auto found = earlier.find(key);
        const Piece* old = found == earlier.end() ? nullptr : found->second;
        for (std::size_t at = start, k = 0; at < end; at += kBlockSize, ++k) {
            const std::size_t n = std::min(kBlockSize, end - at);
            if (old && k < old->blocks.size()) {
                const Block& b = old->blocks[k];
                if (b->size() == n && std::memcmp(b->data(), bytes.data() + at, n) == 0) {
                    piece.blocks.push_back(b);
                    continue;
                }
            }
            piece.blocks.push_back(std::make_shared<const std::vector<std::uint8_t>>(
                bytes.begin() + static_cast<std::ptrdiff_t>(at),
                bytes.begin() + static_cast<std::ptrdiff_t>(at + n)));
        }
        image.pieces.push_back(std::move(piece));
        start = end;
    }
    return image;
}

} // namespace kivo
