#pragma once
// Live precision while an element is dragged: the ellipses of the whole network recomputed for the
// dragged element's position, without the listing or the project file. The session is started
// from the document on the thread that owns the document; Setup, Update and the readers may then
// run on a worker thread (one call at a time), and the results are stored into the document back
// on its own thread with Apply.

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace kivo {

class kivoMDIClient;
struct EngineSlots;

// The ellipses of one engine element (planes 12, 13, 23; phi in radians, as the engine gives it).
struct LiveEllipse {
    double major[3] = {}, minor[3] = {}, phi[3] = {};
    double largestAxis = 0.0; // largest 1-sigma semi-axis of the ellipsoid
    bool leftOut = false;     // not determined, or not connected to the datum
};

// A new position for one engine element (length unit).
struct LiveMove {
    int element = -1;
    double x[3] = {};
};

class LivePrecisionSession {
public:
    enum class Status { Ok, Cancelled, StructureChanged, Failed };

    // The network as a Calculate would adjust it: its observations are simulated at the positions
    // as they stand (a Calculate simulates them first too), then the tables are taken. kind and
    // slot name the dragged element (SEL_THEO, SEL_POINT or SEL_SBAR; SEL_NONE for none).
    static std::unique_ptr<LivePrecisionSession> Start(kivoMDIClient& doc, int kind, int slot);
    // The same with the observations as they hold their values (as the last Calculate left them):
    // the document is only read.
    static std::unique_ptr<LivePrecisionSession> Take(const kivoMDIClient& doc, int kind, int slot);
    ~LivePrecisionSession();
    LivePrecisionSession(const LivePrecisionSession&) = delete;
    LivePrecisionSession& operator=(const LivePrecisionSession&) = delete;

    // The moves that put the dragged element where the document has it now (its thread).
    std::vector<LiveMove> Moves(const kivoMDIClient& doc) const;

    // Analyses the network at the start positions and computes the ellipses there; false with Why()
    // when a full run would fail. Then each Update moves elements and recomputes; a raised cancel
    // flag makes it return Cancelled with the earlier results in place.
    bool Setup();
    Status Update(const std::vector<LiveMove>& moves, const std::atomic<bool>* cancel = nullptr);
    const std::string& Why() const;
    // Results of the last Setup or Ok Update, per engine element.
    std::vector<LiveEllipse> Results() const;
    // Distance of two document elements (SEL_THEO or SEL_POINT and a slot) and its 1-sigma standard
    // deviation at the last computed positions; false when either is unknown or left out.
    bool Relative(int kind1, int slot1, int kind2, int slot2, double& distance, double& sd) const;

    // Stores results into the document's elements as a Calculate would (ellipses, left-out marks)
    // and marks the ellipses valid (the document's thread).
    void Apply(kivoMDIClient& doc, const std::vector<LiveEllipse>& results) const;

private:
    LivePrecisionSession();
    int ElementOf(int kind, int slot) const;
    struct Impl;
    std::unique_ptr<Impl> d_;
};

} // namespace kivo
