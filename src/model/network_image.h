#pragma once
// An in-memory image of the network: everything the project file holds (settings, element tables,
// observation lists, the results of the last adjustment) plus the naming counter the file lacks.
// Images are taken before and after every change so that a change can be undone and redone.
//
// An image is the project file's bytes cut into pieces (the header, each theodolite's record and
// each of its lists, the points, the scale bars, the point-to-point lists), each piece cut into
// blocks of kBlockSize bytes. A capture given an earlier image shares every block that is still the
// same, so a chain of images costs little more than the blocks each change touched.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/document_state.h"

namespace kivo {

class NetworkImage {
public:
    static constexpr std::size_t kBlockSize = 4096;
    using Block = std::shared_ptr<const std::vector<std::uint8_t>>;
    struct Piece {
        std::uint64_t key = 0; // what the piece holds (header, theodolite i's list j, the points ...)
        std::vector<Block> blocks;
    };

    std::vector<Piece> pieces;             // the header first
    std::uint32_t magic = 0;               // the format the project is saved in
    int globalSBar = 1;                    // the scale-bar naming counter (not in the project file)
    std::vector<LeftOutMark> leftOutMarks; // the last adjustment's marks (not in the project file)
    // The state of the network the image shows, as NetworkDocument numbers them for telling
    // whether the listing belongs to it (not compared by SameAs).
    std::uint64_t revision = 0;

    // The project file's bytes as the image holds them (always in the current format).
    std::vector<std::uint8_t> Bytes() const;
    // The bytes of piece i alone (piece 0: the magic and the header).
    std::vector<std::uint8_t> PieceBytes(std::size_t i) const;
    std::size_t Size() const;
    // Bytes of the blocks this image holds that `other` does not share with it.
    std::size_t UniqueBytes(const NetworkImage& other) const;
    // The same network (block by block; shared blocks compare at once).
    bool SameAs(const NetworkImage& other) const;

    // Cuts `bytes` into pieces at `cuts` (key, end offset), sharing the blocks `like` still holds.
    static NetworkImage Build(const std::vector<std::uint8_t>& bytes,
                              const std::vector<std::pair<std::uint64_t, std::size_t>>& cuts,
                              const NetworkImage* like);
};

} // namespace kivo
