#pragma once
// `kivo-cli export-peer`: the network as the local-network XML of GNU Gama (gama-local), so that a
// design can be checked in a second, independent adjustment program.
//
// Gama's local network is levelled: every station's vertical axis is the z axis, and a station's
// horizontal directions are a set with one unknown orientation. A network whose stations are
// tilted (a rotation about x or y that is not zero, or not fixed) or whose rotations are
// pseudo-observed (approximate) cannot be expressed and is refused with that reason; so is a point
// whose x and y differ in status (Gama fixes or adjusts them together).
//
// Coordinates: Gama's x is ours, its y our -y, its z ours (axes-xy="ne", angles="left-handed"), so
// that its bearings, measured from x toward y, are our horizontal angles. Lengths in meters; the
// standard deviations of lengths in mm and of angles in cc (1e-4 gon), as Gama reads them.

#include <string>

#include "adjustment/kivoMDIClient.h"

namespace kivo {

struct PeerNetwork {
    bool ok = false;
    std::string reason;             // why the network cannot be expressed (when not ok)
    std::string xml;                // the document (when ok)
    std::vector<std::string> notes; // what differs in the peer's model but was written
};

// Simulates the observations as Export does (the project is not marked changed) and translates
// the adjustment's tables into the peer's XML.
PeerNetwork LocalNetworkXml(kivoMDIClient& doc);

} // namespace kivo
