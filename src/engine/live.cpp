#include "engine/live.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "engine/datum.h"
#include "engine/element_result.h"
#include "engine/network.h"
#include "engine/normals.h"
#include "engine/relative.h"

namespace kivo::eng {

namespace {

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool cancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_relaxed);
}

// An observation the tables hold but the network left out only because it had no defined value at
// the positions of the setup (zero length, a sighting along the vertical): at other positions it
// would count.
struct Dormant {
    Kind kind;
    int e1, e2;
};

// What decides the block layout and the datum: which elements and observations take part, which
// unknowns there are, the datum defect.
struct Structure {
    std::vector<char> determined, connected, active;
    int nparam = 0, defect = 0;
    bool operator==(const Structure&) const = default;
};

// Which unknowns hold the datum may change with the positions: the layout follows them.
Structure structureOf(const Network& net, const Datum& d) {
    Structure s;
    for (const Element& e : net.el) {
        s.determined.push_back(e.determined);
        s.connected.push_back(e.connected);
    }
    for (const Observation& o : net.obs)
        s.active.push_back(o.active);
    s.nparam = net.nparam;
    s.defect = d.defect;
    return s;
}

} // namespace

// One analysed and factored state of the network; two of them, so that an update that does not
// finish leaves the last results (and their factor, for relative precision) in place.
struct Solved {
    Network net;
    Datum datum;
    Normals normals;
    std::vector<ElementResult> elements;
    std::vector<char> laidOut; // the held unknowns the normals were laid out for
    void layout() {
        if (laidOut == datum.excluded && !laidOut.empty()) return;
        normals.layout(net, datum.excluded);
        laidOut = datum.excluded;
    }
};

struct LivePrecision::State {
    Network pristine; // as read, with the current positions; every element and observation taking part
    std::vector<Dormant> dormant;
    Structure structure;
    Solved buf[2];
    int current = -1; // buffer holding the last results
    std::string why;
    std::unordered_map<std::string, int> byName;
    std::vector<std::pair<std::string, double>> times;
    std::chrono::steady_clock::time_point mark;

    void phase(const char* name) {
        const auto now = std::chrono::steady_clock::now();
        times.emplace_back(name, std::chrono::duration<double>(now - mark).count());
        mark = now;
    }
    // Analyses the pristine network into b; false with why when nothing can be adjusted.
    bool analyse(Solved& b) {
        b.net = pristine;
        b.datum = analyseDefects(b.net);
        const bool anyUnknowns = std::any_of(b.net.el.begin(), b.net.el.end(), [](const Element& e) {
            for (int k = 0; k < e.ncomp; ++k)
                if (e.status[k] == kStatusUnknown || e.status[k] == kStatusPseudo) return true;
            return false;
        });
        if (anyUnknowns && b.net.nparam == 0) {
            why = "nothing was adjusted: every element with unknowns is left out";
            return false;
        }
        return true;
    }
    bool dormantWakes() const {
        for (const Dormant& d : dormant) {
            const Element& a = pristine.el[d.e1];
            const Element& b = pristine.el[d.e2];
            double p1[6] = {};
            for (int k = 0; k < a.ncomp; ++k)
                p1[k] = a.x[k];
            double v, d1[6], d2[3];
            if (evaluate(d.kind, p1, b.x, v, d1, d2)) return true;
        }
        return false;
    }
    Status solve(Solved& b, const std::atomic<bool>* cancel);
};

LivePrecision::Status LivePrecision::State::solve(Solved& b, const std::atomic<bool>* cancel) {
    Network& net = b.net;
    int failed = -1;
    if (!b.normals.assemble([&](int i, Row& row) { return net.linearize(i, row); }, failed)) {
        why = "observation without a defined value at these positions: " + net.describe(failed);
        return Status::StructureChanged;
    }
    phase("assemble");
    if (cancelled(cancel)) return Status::Cancelled;
    if (!b.normals.factor(why)) return Status::StructureChanged;
    phase("factor");
    if (cancelled(cancel)) return Status::Cancelled;
    b.normals.selectedInverse();
    const Covariance q(b.normals, b.datum);
    phase("covariance blocks");
    if (cancelled(cancel)) return Status::Cancelled;

    b.elements.assign(net.el.size(), ElementResult{});
    for (std::size_t i = 0; i < net.el.size(); ++i) {
        const Element& e = net.el[i];
        ElementResult& er = b.elements[i];
        er.determined = e.determined;
        er.connected = e.connected;
        fillElementResult(e, q, er); // nothing iterates here: the values are the positions given
    }
    phase("ellipses");
    return Status::Ok;
}

LivePrecision::LivePrecision() : s_(std::make_unique<State>()) {}
LivePrecision::~LivePrecision() = default;

bool LivePrecision::setup(const project& p) {
    s_ = std::make_unique<State>();
    State& s = *s_;
    s.mark = std::chrono::steady_clock::now();
    if (p.maxsta + p.maxtar <= 0 || (p.maxsta > 0 && !p.sta) || (p.maxtar > 0 && !p.tar)) {
        s.why = "no stations or targets to adjust";
        return false;
    }
    if (!s.pristine.read(p)) {
        s.why = "names not unique (ignoring case) across stations and targets";
        return false;
    }
    for (std::size_t i = 0; i < s.pristine.el.size(); ++i) {
        const Element& e = s.pristine.el[i];
        s.byName.emplace(upper(e.name), static_cast<int>(i));
        if (!e.label.empty()) s.byName.emplace(upper(e.label), static_cast<int>(i));
    }
    // Observations valid in every respect but their geometry.
    auto field = [](const char* f) { return upper(std::string(f, strnlen(f, 16))); };
    const struct {
        const edit_mes* rows;
        int count;
        Kind kind;
    } tables[4] = {{p.alldist, p.maxdist, Kind::Distance},
                   {p.alldifh, p.maxdifh, Kind::HeightDiff},
                   {p.alldir1, p.maxdir1, Kind::Direction},
                   {p.alldir2, p.maxdir2, Kind::Zenith}};
    std::vector<std::vector<char>> taken(4);
    for (int t = 0; t < 4; ++t)
        taken[t].assign(static_cast<std::size_t>(std::max(tables[t].count, 0)), 0);
    for (const Observation& o : s.pristine.obs)
        if (o.table >= 0) taken[o.table][o.row] = 1;
    for (int t = 0; t < 4; ++t)
        for (int r = 0; r < tables[t].count; ++r) {
            if (taken[t][r]) continue;
            const edit_mes& m = tables[t].rows[r];
            const auto a = s.byName.find(field(m.nam1)), b = s.byName.find(field(m.nam2));
            if (a == s.byName.end() || b == s.byName.end() || a->second == b->second) continue;
            const Kind k = tables[t].kind;
            if ((k == Kind::Direction || k == Kind::Zenith) && !s.pristine.el[a->second].station) continue;
            if (!(m.sval > 0.0) || !std::isfinite(m.sval) || !std::isfinite(m.val)) continue;
            if (k == Kind::Distance && !(m.val > 0.0)) continue;
            s.dormant.push_back({k, a->second, b->second});
        }
    // Labels may repeat engine names of other elements; engine names win.
    for (std::size_t i = 0; i < s.pristine.el.size(); ++i)
        s.byName[upper(s.pristine.el[i].name)] = static_cast<int>(i);

    Solved& b = s.buf[0];
    if (!s.analyse(b)) return false;
    s.structure = structureOf(b.net, b.datum);
    b.layout();
    s.phase("read and analyse");
    if (s.solve(b, nullptr) != Status::Ok) {
        if (s.why.empty()) s.why = "the normal equations are singular";
        return false;
    }
    s.current = 0;
    return true;
}

LivePrecision::Status LivePrecision::update(const std::vector<Position>& moved,
                                            const std::atomic<bool>* cancel) {
    State& s = *s_;
    s.times.clear();
    s.mark = std::chrono::steady_clock::now();
    s.why.clear();
    if (s.current < 0) {
        s.why = "not set up";
        return Status::Failed;
    }
    const int nel = static_cast<int>(s.pristine.el.size());
    for (const Position& m : moved) {
        bool finite = std::isfinite(m.x[0]) && std::isfinite(m.x[1]) && std::isfinite(m.x[2]);
        if (m.rotations)
            finite = finite && std::isfinite(m.r[0]) && std::isfinite(m.r[1]) && std::isfinite(m.r[2]);
        if (m.element < 0 || m.element >= nel || !finite) {
            s.why = "no element " + std::to_string(m.element) + " or a position that is not a number";
            return Status::Failed;
        }
    }
    // Earlier positions, to go back to when the update does not finish.
    std::vector<Element> before;
    for (const Position& m : moved)
        before.push_back(s.pristine.el[m.element]);
    auto restore = [&](Status st) {
        for (std::size_t i = moved.size(); i-- > 0;)
            s.pristine.el[moved[i].element] = before[i];
        return st;
    };
    for (const Position& m : moved) {
        Element& e = s.pristine.el[m.element];
        for (int k = 0; k < 3; ++k)
            e.x[k] = e.x0[k] = m.x[k];
        if (m.rotations && e.ncomp == 6)
            for (int k = 0; k < 3; ++k)
                e.x[3 + k] = e.x0[3 + k] = m.r[k];
    }
    // Pseudo-observed components observe their approximate values.
    for (Observation& o : s.pristine.obs)
        if (o.kind == Kind::Pseudo) o.value = s.pristine.el[o.e1].x0[o.comp];
    if (s.dormantWakes()) {
        s.why = "an observation without a defined value at the earlier positions has one now";
        return restore(Status::StructureChanged);
    }
    Solved& b = s.buf[1 - s.current];
    if (!s.analyse(b)) return restore(Status::StructureChanged);
    const Structure now = structureOf(b.net, b.datum);
    if (!(now == s.structure)) {
        s.why = "the elements determined at these positions differ from those of the setup";
        return restore(Status::StructureChanged);
    }
    b.layout(); // kept unless the same defect is now held by other unknowns
    s.phase("positions and defects");
    if (cancelled(cancel)) return restore(Status::Cancelled);
    const Status st = s.solve(b, cancel);
    if (st != Status::Ok) return restore(st);
    s.current = 1 - s.current;
    return Status::Ok;
}

const std::vector<ElementResult>& LivePrecision::elements() const {
    static const std::vector<ElementResult> none;
    return s_->current >= 0 ? s_->buf[s_->current].elements : none;
}

void LivePrecision::fill(result& out) const {
    const std::vector<ElementResult>& el = elements();
    const std::size_t n = el.size();
    for (auto* v : {&out.major12, &out.minor12, &out.phi12, &out.major13, &out.minor13, &out.phi13,
                    &out.major23, &out.minor23, &out.phi23})
        v->assign(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        out.major12[i] = el[i].major[0], out.minor12[i] = el[i].minor[0], out.phi12[i] = el[i].phi[0];
        out.major13[i] = el[i].major[1], out.minor13[i] = el[i].minor[1], out.phi13[i] = el[i].phi[1];
        out.major23[i] = el[i].major[2], out.minor23[i] = el[i].minor[2], out.phi23[i] = el[i].phi[2];
    }
}

bool LivePrecision::relative(int e1, int e2, RelativePrecision& out) const {
    if (s_->current < 0) return false;
    const Solved& b = s_->buf[s_->current];
    const int nel = static_cast<int>(b.net.el.size());
    if (e1 < 0 || e2 < 0 || e1 >= nel || e2 >= nel || b.elements.empty()) return false;
    if (!b.net.el[e1].determined || !b.net.el[e2].determined) return false;
    out = relativePrecision(b.net, Covariance(b.normals, b.datum), e1, e2);
    return true;
}

const std::string& LivePrecision::why() const {
    return s_->why;
}
int LivePrecision::elementCount() const {
    return static_cast<int>(s_->pristine.el.size());
}

int LivePrecision::find(const std::string& name) const {
    const auto it = s_->byName.find(upper(name));
    return it == s_->byName.end() ? -1 : it->second;
}

const std::vector<std::pair<std::string, double>>& LivePrecision::timings() const {
    return s_->times;
}

} // namespace kivo::eng
