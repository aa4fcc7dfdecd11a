#include "adjustment/live_session.h"

#include <new>
#include <stdexcept>

#include "adjustment/engine_tables.h"
#include "engine/live.h"
#include "engine/mavo.h"
#include "simulation/scale_bar.h"

namespace kivo {

struct LivePrecisionSession::Impl {
    std::unique_ptr<project> tables; // until Setup has read them
    EngineSlots slots;
    int kind = SEL_NONE, slot = -1;
    eng::LivePrecision live;
    std::string why;
    long long unknowns = 0; // for the out-of-memory message
};

LivePrecisionSession::LivePrecisionSession() : d_(std::make_unique<Impl>()) {}
LivePrecisionSession::~LivePrecisionSession() = default;

std::unique_ptr<LivePrecisionSession> LivePrecisionSession::Start(kivoMDIClient& doc, int kind, int slot) {
    doc.RunSimulation();
    return Take(doc, kind, slot);
}

std::unique_ptr<LivePrecisionSession> LivePrecisionSession::Take(const kivoMDIClient& doc, int kind,
                                                                 int slot) {
    std::unique_ptr<LivePrecisionSession> s(new LivePrecisionSession);
    s->d_->unknowns = CountUnknowns(doc);
    try {
        EngineTables t = BuildEngineTables(doc);
        s->d_->tables = std::make_unique<project>(nullptr, "");
        if (!t.MoveInto(*s->d_->tables, doc.dimension, doc.units)) s->d_->tables.reset();
        s->d_->slots = std::move(t.slots);
    } catch (const std::bad_alloc&) {
        s->d_->tables.reset(); // Setup says why
        s->d_->why = notEnoughMemoryText(s->d_->unknowns);
    } catch (const std::length_error&) {
        s->d_->tables.reset();
        s->d_->why = notEnoughMemoryText(s->d_->unknowns);
    }
    s->d_->kind = kind;
    s->d_->slot = slot;
    return s;
}

int LivePrecisionSession::ElementOf(int kind, int slot) const {
    const EngineSlots& s = d_->slots;
    const int nsta = static_cast<int>(s.stations.size());
    if (kind == SEL_THEO) {
        for (int i = 0; i < nsta; ++i)
            if (s.stations[static_cast<std::size_t>(i)] == slot) return i;
    } else if (kind == SEL_POINT || kind == SEL_SBAR) {
        const std::vector<int>& by = kind == SEL_POINT ? s.targets : s.targetBars;
        for (std::size_t j = 0; j < by.size(); ++j)
            if (by[j] == slot) return nsta + static_cast<int>(j); // a bar: its R end, then L
    }
    return -1;
}

std::vector<LiveMove> LivePrecisionSession::Moves(const kivoMDIClient& doc) const {
    std::vector<LiveMove> moves;
    const int e = ElementOf(d_->kind, d_->slot);
    if (e < 0) return moves;
    auto add = [&](int element, double x, double y, double z) {
        LiveMove m;
        m.element = element;
        m.x[0] = x, m.x[1] = y, m.x[2] = z;
        moves.push_back(m);
    };
    if (d_->kind == SEL_SBAR) {
        Vec3 left, right;
        ScaleBarEnds(doc.sbarList[d_->slot], left, right);
        add(e, right.x, right.y, right.z);
        add(e + 1, left.x, left.y, left.z);
    } else {
        const COMMON& c = d_->kind == SEL_THEO ? static_cast<const COMMON&>(doc.theoList[d_->slot])
                                               : static_cast<const COMMON&>(doc.pointList[d_->slot]);
        add(e, c.xReal, c.yReal, c.zReal);
    }
    return moves;
}

// Running out of memory fails a setup or an update like any other failure (Why says so); the next
// drag position then starts afresh.
bool LivePrecisionSession::Setup() {
    if (!d_->tables) {
        if (d_->why.empty()) d_->why = "the network's tables could not be sized";
        return false;
    }
    bool ok = false;
    try {
        ok = d_->live.setup(*d_->tables);
        d_->why = ok ? std::string() : d_->live.why();
    } catch (const std::bad_alloc&) {
        d_->why = notEnoughMemoryText(d_->unknowns);
    } catch (const std::length_error&) {
        d_->why = notEnoughMemoryText(d_->unknowns);
    }
    d_->tables.reset();
    return ok;
}

LivePrecisionSession::Status LivePrecisionSession::Update(const std::vector<LiveMove>& moves,
                                                          const std::atomic<bool>* cancel) {
    using S = eng::LivePrecision::Status;
    S st = S::Failed;
    try {
        std::vector<eng::LivePrecision::Position> at;
        for (const LiveMove& m : moves) {
            eng::LivePrecision::Position p;
            p.element = m.element;
            p.x[0] = m.x[0], p.x[1] = m.x[1], p.x[2] = m.x[2];
            at.push_back(p);
        }
        st = d_->live.update(at, cancel);
        d_->why = d_->live.why();
    } catch (const std::bad_alloc&) {
        d_->why = notEnoughMemoryText(d_->unknowns);
    } catch (const std::length_error&) {
        d_->why = notEnoughMemoryText(d_->unknowns);
    }
    switch (st) {
    case S::Ok:
        return Status::Ok;
    case S::Cancelled:
        return Status::Cancelled;
    case S::StructureChanged:
        return Status::StructureChanged;
    default:
        return Status::Failed;
    }
}

const std::string& LivePrecisionSession::Why() const {
    return d_->why;
}

std::vector<LiveEllipse> LivePrecisionSession::Results() const {
    const std::vector<eng::ElementResult>& el = d_->live.elements();
    std::vector<LiveEllipse> out(el.size());
    for (std::size_t i = 0; i < el.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            out[i].major[k] = el[i].major[k];
            out[i].minor[k] = el[i].minor[k];
            out[i].phi[k] = el[i].phi[k];
        }
        out[i].largestAxis = el[i].axes[0];
        out[i].leftOut = !el[i].determined || !el[i].connected;
    }
    return out;
}

bool LivePrecisionSession::Relative(int kind1, int slot1, int kind2, int slot2, double& distance,
                                    double& sd) const {
    const int e1 = ElementOf(kind1, slot1), e2 = ElementOf(kind2, slot2);
    if (kind1 == SEL_SBAR || kind2 == SEL_SBAR || e1 < 0 || e2 < 0 || e1 == e2) return false;
    eng::RelativePrecision rp;
    if (!d_->live.relative(e1, e2, rp)) return false;
    distance = rp.distance;
    sd = rp.sd;
    return true;
}

void LivePrecisionSession::Apply(kivoMDIClient& doc, const std::vector<LiveEllipse>& results) const {
    result r;
    std::vector<double>* arrays[3][3] = {{&r.major12, &r.minor12, &r.phi12},
                                         {&r.major13, &r.minor13, &r.phi13},
                                         {&r.major23, &r.minor23, &r.phi23}};
    std::vector<char> leftOut(results.size(), 0);
    for (std::size_t i = 0; i < results.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            arrays[k][0]->push_back(results[i].major[k]);
            arrays[k][1]->push_back(results[i].minor[k]);
            arrays[k][2]->push_back(results[i].phi[k]);
        }
        leftOut[i] = results[i].leftOut;
    }
    doc.StoreEllipses(r, d_->slots);
    doc.MarkLeftOut(leftOut, d_->slots);
    doc.bValEllip = !results.empty();
    doc.host().EnableMenuItem(cmd::Ellipse, doc.bValEllip);
}

} // namespace kivo
