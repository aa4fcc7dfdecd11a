#pragma once
// The network records. They are byte-packed because the project file stores them byte for byte:
// every offset below is part of the file format and is checked at compile time.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kivo {

// Element flag bits (COMMON::flags, one byte).
constexpr std::uint8_t ELEM_INUSE = 0x80;    // the slot holds a live element
constexpr std::uint8_t ELEM_ACTIVE = 0x40;   // theodolite is active (Theodolite Setup form)
constexpr std::uint8_t ELEM_CONTROL = 0x08;  // control theodolite; the first one of a project gets it
constexpr std::uint8_t ELEM_SELECTED = 0x04; // marked in the views; never stored in the project file

// Observation flag bits (CONNECTn::flags, int32).
constexpr std::int32_t OBS_DIRECT = 0x01;  // reading in direct face ("Dir")
constexpr std::int32_t OBS_REVERSE = 0x02; // reading in reverse face ("Rev")
constexpr std::int32_t OBS_IDEAL = 0x04;   // declared observation whose value is computed ("Ideal")
constexpr std::int32_t OBS_VALID = 0x08;   // the entry holds a computed value
constexpr std::int32_t OBS_INUSE = 0x80;   // live slot of a global point-to-point list

// Coordinate status word: component k (x, y, z, x rot, y rot, z rot) in bits 2k and 2k+1.
constexpr int COORD_UNK = 0;
constexpr int COORD_APX = 1;
constexpr int COORD_FIX = 2;
inline int CoordStatOf(std::int32_t coordStat, int k) {
    return (coordStat >> (2 * k)) & 3;
}

constexpr int NAME_LEN = 8;   // element names: at most 8 characters plus terminator
constexpr int ABBREV_LEN = 4; // abbreviations: at most 4 characters plus terminator

#pragma pack(push, 1)

// The shared head of every element record (135 bytes).
struct COMMON {
    std::int32_t hcoord[3]; // pixel column in the plan, side and end view (cache of CalcPixelPos)
    std::int32_t vcoord[3]; // pixel row in the same views
    double xReal;           // coordinates in the project's length unit
    double yReal;
    double zReal;
    char name[NAME_LEN + 1];
    char abbrev[ABBREV_LEN + 1];
    std::uint8_t flags; // ELEM_* bits
    double A[3];        // error-ellipse semi-axis a per plane (length unit)
    double B[3];        // semi-axis b per plane
    double phi[3];      // orientation per plane, gon
};

// The stored part of a theodolite: the first 251 bytes of the 271-byte record, everything up to and
// including hdCount. The five 4-byte list handles that followed it in memory are replaced by the owned
// lists of THEODOLITE below and are never stored.
struct THEODOLITE_REC : COMMON {
    std::int32_t coordStat; // six 2-bit fields: x, y, z, x rot, y rot, z rot
    std::int32_t pos;       // position (station) number 0-9
    std::int32_t theo;      // theodolite number at that position 0-9
    double xRotation;       // instrument rotations, gon
    double yRotation;
    double zRotation;
    double longAxisHAngle; // axis angles, gon (reset by CalcAxisOrient)
    double longAxisVAngle;
    double travAxisHAngle;
    double travAxisVAngle;
    std::int32_t initTarget; // control theodolite of the initial sighting, -1 = none
    double initHAngle;       // initial sighting, gon
    double initVAngle;
    double initDistance;  // length unit
    std::int32_t thCount; // collimations
    std::int32_t ptCount; // point directions
    std::int32_t sbCount; // scale-bar directions
    std::int32_t dsCount; // distances
    std::int32_t hdCount; // height differences
};

struct OBJECTPOINT : COMMON {
    std::int32_t coordStat; // three 2-bit fields: x, y, z
};

struct SCALEBAR : COMMON {
    double length;          // bar length, length unit; the bar is centred on its coordinates
    std::int32_t azimuth;   // horizontal direction of the bar axis, whole gon
    std::int32_t vertAngle; // vertical angle of the bar axis, whole gon
    std::int32_t junk;      // carries nothing; not stored
};

// Collimation (theodolite to theodolite) and point direction.
struct CONNECT1 {
    std::int32_t target;
    std::int32_t flags;
    std::int32_t stddev; // carried and stored, never interpreted
    double hAngle;       // gon
    double vAngle;       // gon
};

// Scale-bar direction: both ends, L = left, R = right.
struct CONNECT2 {
    std::int32_t target;
    std::int32_t flags;
    std::int32_t stddev;
    double hLAngle;
    double vLAngle;
    double hRAngle;
    double vRAngle;
};

// Distance from a theodolite to a point.
struct CONNECT3 {
    std::int32_t target;
    std::int32_t flags;
    std::int32_t stddev;
    double distance;
};

// Point-to-point distance (global list).
struct CONNECT4 {
    std::int32_t source;
    std::int32_t target;
    std::int32_t flags;
    std::int32_t stddev;
    double distance;
};

// Point-to-point height difference (global list).
struct CONNECT5 {
    std::int32_t source;
    std::int32_t target;
    std::int32_t flags;
    std::int32_t stddev;
    double height;
};

// Height difference from a theodolite to a point.
struct CONNECT6 {
    std::int32_t target;
    std::int32_t flags;
    std::int32_t stddev;
    double height;
};

#pragma pack(pop)

// Stored sizes.
constexpr std::size_t COMMON_SIZE = 135;
constexpr std::size_t THEO_STORED_SIZE = 251;
constexpr std::size_t THEO_RECORD_SIZE = 271; // with the five in-memory list handles of the original
constexpr std::size_t POINT_SIZE = 139;
constexpr std::size_t SBAR_SIZE = 155;
constexpr std::size_t SBAR_STORED_SIZE = 151; // without junk

static_assert(sizeof(COMMON) == COMMON_SIZE);
static_assert(offsetof(COMMON, hcoord) == 0 && offsetof(COMMON, vcoord) == 12);
static_assert(offsetof(COMMON, xReal) == 24 && offsetof(COMMON, yReal) == 32 &&
              offsetof(COMMON, zReal) == 40);
static_assert(offsetof(COMMON, name) == 48 && offsetof(COMMON, abbrev) == 57 &&
              offsetof(COMMON, flags) == 62);
static_assert(offsetof(COMMON, A) == 63 && offsetof(COMMON, B) == 87 && offsetof(COMMON, phi) == 111);

static_assert(sizeof(THEODOLITE_REC) == THEO_STORED_SIZE);
static_assert(offsetof(THEODOLITE_REC, coordStat) == 135 && offsetof(THEODOLITE_REC, pos) == 139);
static_assert(offsetof(THEODOLITE_REC, theo) == 143 && offsetof(THEODOLITE_REC, xRotation) == 147);
static_assert(offsetof(THEODOLITE_REC, yRotation) == 155 && offsetof(THEODOLITE_REC, zRotation) == 163);
static_assert(offsetof(THEODOLITE_REC, longAxisHAngle) == 171 &&
              offsetof(THEODOLITE_REC, longAxisVAngle) == 179);
static_assert(offsetof(THEODOLITE_REC, travAxisHAngle) == 187 &&
              offsetof(THEODOLITE_REC, travAxisVAngle) == 195);
static_assert(offsetof(THEODOLITE_REC, initTarget) == 203 && offsetof(THEODOLITE_REC, initHAngle) == 207);
static_assert(offsetof(THEODOLITE_REC, initVAngle) == 215 && offsetof(THEODOLITE_REC, initDistance) == 223);
static_assert(offsetof(THEODOLITE_REC, thCount) == 231 && offsetof(THEODOLITE_REC, ptCount) == 235);
static_assert(offsetof(THEODOLITE_REC, sbCount) == 239 && offsetof(THEODOLITE_REC, dsCount) == 243);
static_assert(offsetof(THEODOLITE_REC, hdCount) == 247);

static_assert(sizeof(OBJECTPOINT) == POINT_SIZE && offsetof(OBJECTPOINT, coordStat) == 135);
static_assert(sizeof(SCALEBAR) == SBAR_SIZE && offsetof(SCALEBAR, length) == 135);
static_assert(offsetof(SCALEBAR, azimuth) == 143 && offsetof(SCALEBAR, vertAngle) == 147);
static_assert(offsetof(SCALEBAR, junk) == SBAR_STORED_SIZE);

static_assert(sizeof(CONNECT1) == 28 && offsetof(CONNECT1, flags) == 4 && offsetof(CONNECT1, stddev) == 8);
static_assert(offsetof(CONNECT1, hAngle) == 12 && offsetof(CONNECT1, vAngle) == 20);
static_assert(sizeof(CONNECT2) == 44 && offsetof(CONNECT2, hLAngle) == 12 &&
              offsetof(CONNECT2, vLAngle) == 20);
static_assert(offsetof(CONNECT2, hRAngle) == 28 && offsetof(CONNECT2, vRAngle) == 36);
static_assert(sizeof(CONNECT3) == 20 && offsetof(CONNECT3, distance) == 12);
static_assert(sizeof(CONNECT4) == 24 && offsetof(CONNECT4, target) == 4 && offsetof(CONNECT4, flags) == 8);
static_assert(offsetof(CONNECT4, stddev) == 12 && offsetof(CONNECT4, distance) == 16);
static_assert(sizeof(CONNECT5) == 24 && offsetof(CONNECT5, height) == 16);
static_assert(sizeof(CONNECT6) == 20 && offsetof(CONNECT6, height) == 12);

} // namespace kivo
