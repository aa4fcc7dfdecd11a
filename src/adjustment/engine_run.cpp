// Handing the network to the adjustment engine in memory and reading the error ellipses back.
//
// Engine names: a theodolite is "%1d_%1d" (pos, theo), a point its name, a scale bar its two ends
// name + "R" and name + "L". Only observations that hold a value (OBS_VALID) are passed: a declared
// observation without any measurement would otherwise reach the engine as a reading of 0.

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

#include "adjustment/engine_tables.h"
#include "adjustment/kivoMDIClient.h"
#include "engine/heap.h"
#include "engine/listing.h"
#include "engine/mavo.h"
#include "engine/parallel.h"
#include "model/element_names.h"
#include "simulation/angles.h"
#include "simulation/scale_bar.h"

namespace kivo {

namespace {

constexpr int kUnknown = 1, kPseudo = 3, kFixed = 4;
constexpr double kRadToGonResult = 63.66197629629073; // 200 / 3.1415927

void SetName(char (&field)[16], const std::string& name) {
    std::memset(field, 0, sizeof field);
    name.copy(field, sizeof field - 1); // at most 15 characters; the last byte stays the terminator
}

std::string TheoEngineName(const THEODOLITE& t) {
    return StationEngineName(t);
}

bool Ideal(std::int32_t flags) {
    return (flags & OBS_IDEAL) && (flags & OBS_VALID);
}
bool GlobalIdeal(std::int32_t flags) {
    return (flags & OBS_INUSE) && Ideal(flags);
}

// Status code of component k: fixed when its fixed bit is set or the dimension fixes it, then
// pseudo-observed when its approximate bit is set (that wins over the dimension).
//   dimension 1 fixes x, y, the x and y rotations and the z rotation; 2 fixes z and the tilts.
int StatusCode(std::int32_t coordStat, int k, int dimension, double sdApx, double& sx) {
    int code = kUnknown;
    const bool dimFixes =
        (dimension == 1 && (k == 0 || k == 1 || k >= 3)) || (dimension == 2 && (k == 2 || k == 3 || k == 4));
    if (CoordStatOf(coordStat, k) == COORD_FIX || dimFixes) code = kFixed;
    if (CoordStatOf(coordStat, k) == COORD_APX) {
        code = kPseudo;
        sx = sdApx;
    }
    return code;
}

// A point direction is handed over with 5 decimals, as the engine's text input would carry it.
// (The same as printing with "%12.5lf" and reading the text back with "%lf": both conversions are
// exact decimal roundings.)
double RoundedDirection(double v) {
    char text[64];
    auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 5).ptr;
    double r = v;
    std::from_chars(text, end, r);
    return r;
}

void FillMes(edit_mes& m, int sel, const std::string& from, const std::string& to, double val, double sval) {
    m.sel = sel;
    SetName(m.nam1, from);
    SetName(m.nam2, to);
    m.val = val;
    m.sval = sval;
}

void AddMes(std::vector<edit_mes>& list, int sel, const std::string& from, const std::string& to, double val,
            double sval) {
    FillMes(list.emplace_back(), sel, from, to, val, sval);
}

void AddDirection(EngineTables& t, const std::string& from, const std::string& to, double h, double v,
                  double sh, double sv) {
    AddMes(t.dir1, 4, from, to, h, sh);
    AddMes(t.dir2, 5, from, to, v, sv);
}

} // namespace

EngineTables BuildEngineTables(const kivoMDIClient& d) {
    EngineTables t;
    // Sized once (the engine's tables keep no spare room: grown row by row, they would be copied).
    t.sta.reserve(static_cast<std::size_t>(std::max(d.nNumTheos, 0)));
    t.tar.reserve(2 * static_cast<std::size_t>(std::max(d.nNumSBars, 0)) +
                  static_cast<std::size_t>(std::max(d.nNumPoints, 0)));
    // Stations, in slot order.
    for (int i = 0; i < d.nMaxTheos; ++i) {
        const THEODOLITE& th = d.theoList[i];
        if (!(th.flags & ELEM_INUSE)) continue;
        edit_sta s;
        SetName(s.nam, TheoEngineName(th));
        SetName(s.label, std::string(th.name, strnlen(th.name, sizeof th.name))); // as the forms name it
        s.sel = 1;
        s.x[0] = th.xReal;
        s.x[1] = th.yReal;
        s.x[2] = th.zReal;
        s.x[3] = GonToRad(th.xRotation);
        s.x[4] = GonToRad(th.yRotation);
        s.x[5] = GonToRad(th.zRotation);
        for (int k = 0; k < 6; ++k)
            s.d[k] =
                StatusCode(th.coordStat, k, d.dimension, k < 3 ? d.SDTheoLocApx : d.SDTheoRotApx, s.sx[k]);
        s.d[6] = s.d[7] = -1;
        t.sta.push_back(s);
        t.slots.stations.push_back(i);
    }
    // Targets: the two ends of every scale bar (R, then L), then the points.
    for (int i = 0; i < d.nMaxSBars; ++i) {
        const SCALEBAR& bar = d.sbarList[i];
        if (!(bar.flags & ELEM_INUSE)) continue;
        Vec3 left, right;
        ScaleBarEnds(bar, left, right);
        for (auto [suffix, end] : {std::pair{"R", right}, std::pair{"L", left}}) {
            edit_tar e;
            SetName(e.nam, std::string(bar.name) + suffix);
            e.sel = 1;
            e.x[0] = end.x;
            e.x[1] = end.y;
            e.x[2] = end.z;
            e.d[0] = e.d[1] = e.d[2] = kUnknown;
            t.tar.push_back(e);
            t.slots.targets.push_back(-1);
            t.slots.targetBars.push_back(i);
        }
    }
    for (int i = 0; i < d.nMaxPoints; ++i) {
        const OBJECTPOINT& p = d.pointList[i];
        if (!(p.flags & ELEM_INUSE)) continue;
        edit_tar e;
        SetName(e.nam, p.name);
        e.sel = 1;
        e.x[0] = p.xReal;
        e.x[1] = p.yReal;
        e.x[2] = p.zReal;
        for (int k = 0; k < 3; ++k)
            e.d[k] = StatusCode(p.coordStat, k, d.dimension, d.SDPointLocApx, e.sx[k]);
        t.tar.push_back(e);
        t.slots.targets.push_back(i);
        t.slots.targetBars.push_back(-1);
    }

    // Distances: scale-bar lengths, point to point, theodolite to point.
    for (int i = 0; i < d.nMaxSBars; ++i) {
        const SCALEBAR& bar = d.sbarList[i];
        if (bar.flags & ELEM_INUSE)
            AddMes(t.dist, 1, std::string(bar.name) + "L", std::string(bar.name) + "R", bar.length,
                   d.SDSBarLength);
    }
    for (int i = 0; i < d.nMaxDists; ++i) {
        const CONNECT4& e = d.distList[i];
        if (GlobalIdeal(e.flags))
            AddMes(t.dist, 1, d.pointList[e.source].name, d.pointList[e.target].name, e.distance,
                   d.SDDistance);
    }
    for (int i : t.slots.stations) {
        const THEODOLITE& th = d.theoList[i];
        for (const CONNECT3& e : th.dsList.items())
            if (Ideal(e.flags))
                AddMes(t.dist, 1, TheoEngineName(th), d.pointList[e.target].name, e.distance, d.SDDistance);
    }
    // Height differences: point to point, then theodolite to point.
    for (int i = 0; i < d.nMaxHeights; ++i) {
        const CONNECT5& e = d.heightList[i];
        if (GlobalIdeal(e.flags))
            AddMes(t.difh, 3, d.pointList[e.source].name, d.pointList[e.target].name, e.height, d.SDHeight);
    }
    for (int i : t.slots.stations) {
        const THEODOLITE& th = d.theoList[i];
        for (const CONNECT6& e : th.hdList.items())
            if (Ideal(e.flags))
                AddMes(t.difh, 3, TheoEngineName(th), d.pointList[e.target].name, e.height, d.SDHeight);
    }
    // Directions: collimations, scale-bar ends (R, then L), points (rounded to 5 decimals).
    for (int i : t.slots.stations) {
        const THEODOLITE& th = d.theoList[i];
        for (const CONNECT1& e : th.thList.items())
            if (Ideal(e.flags))
                AddDirection(t, TheoEngineName(th), TheoEngineName(d.theoList[e.target]), e.hAngle, e.vAngle,
                             d.hSDAngle, d.vSDAngle);
    }
    for (int i : t.slots.stations) {
        const THEODOLITE& th = d.theoList[i];
        for (const CONNECT2& e : th.sbList.items()) {
            if (!Ideal(e.flags)) continue;
            const std::string bar = d.sbarList[e.target].name;
            AddDirection(t, TheoEngineName(th), bar + "R", e.hRAngle, e.vRAngle, d.hSDAngle, d.vSDAngle);
            AddDirection(t, TheoEngineName(th), bar + "L", e.hLAngle, e.vLAngle, d.hSDAngle, d.vSDAngle);
        }
    }
    // The point directions are the bulk of a large network: each station's rows go to their own
    // places (counted first), filled over the cores in station order.
    const std::size_t nsta = t.slots.stations.size();
    std::vector<std::size_t> first(nsta + 1, t.dir1.size());
    for (std::size_t k = 0; k < nsta; ++k) {
        std::size_t n = 0;
        for (const CONNECT1& e : d.theoList[t.slots.stations[k]].ptList.items())
            n += Ideal(e.flags) ? 1 : 0;
        first[k + 1] = first[k] + n;
    }
    t.dir1.resize(first[nsta]);
    t.dir2.resize(first[nsta]);
    eng::parallelRanges(
        nsta,
        [&](std::size_t begin, std::size_t end) {
            for (std::size_t k = begin; k < end; ++k) {
                const THEODOLITE& th = d.theoList[t.slots.stations[k]];
                const std::string from = TheoEngineName(th);
                std::size_t at = first[k];
                for (const CONNECT1& e : th.ptList.items()) {
                    if (!Ideal(e.flags)) continue;
                    const std::string to = d.pointList[e.target].name;
                    FillMes(t.dir1[at], 4, from, to, RoundedDirection(e.hAngle), d.hSDAngle);
                    FillMes(t.dir2[at], 5, from, to, RoundedDirection(e.vAngle), d.vSDAngle);
                    ++at;
                }
            }
        },
        1);
    return t;
}

bool EngineTables::MoveInto(project& prj, int dimension, int units) {
    prj.dim = dimension;
    prj.units = units;
    return prj.projectadopt(std::move(sta), std::move(tar), std::move(dist), std::move(difh), std::move(dir1),
                            std::move(dir2)) == 0;
}

namespace {

void StoreEllipse(COMMON& c, double ha, double hb, double phi, int view) {
    c.A[view] = ha;
    c.B[view] = hb;
    c.phi[view] = phi;
}

} // namespace

long long CountUnknowns(const kivoMDIClient& d) {
    long long n = 0;
    double sx = 0.0;
    for (int i = 0; i < d.nMaxTheos; ++i)
        if (d.theoList[i].flags & ELEM_INUSE)
            for (int k = 0; k < 6; ++k)
                n += StatusCode(d.theoList[i].coordStat, k, d.dimension, 0.0, sx) != kFixed ? 1 : 0;
    for (int i = 0; i < d.nMaxSBars; ++i)
        if (d.sbarList[i].flags & ELEM_INUSE) n += 6; // two ends of three coordinates
    for (int i = 0; i < d.nMaxPoints; ++i)
        if (d.pointList[i].flags & ELEM_INUSE)
            for (int k = 0; k < 3; ++k)
                n += StatusCode(d.pointList[i].coordStat, k, d.dimension, 0.0, sx) != kFixed ? 1 : 0;
    return n;
}

void CalculateRun::Run(Feedback* feedback) {
    // Whatever allocation fails, here or in the engine, the run fails with the reason: the document
    // was only read, so it stays as it was.
    bool failed = false;
    try {
        RunEngine(feedback);
    } catch (const std::bad_alloc&) {
        failed = true;
    } catch (const std::length_error&) {
        failed = true;
    }
    if (failed) {
        tables_->pfeedback = nullptr;
        outOfMemory_ = true;
        FailWithoutEngine(notEnoughMemoryText(CountUnknowns(doc_)));
    }
}

void CalculateRun::RunEngine(Feedback* feedback) {
    project& prj = *tables_;
    prj.istat = -2;
    prj.dim = doc_.dimension;
    prj.units = doc_.units;
    if (feedback && !feedback->progress(CalcPhase::Tables, 0)) {
        cancelled_ = true;
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    {
        // The engine works on its own copy: the staging tables go before it runs.
        EngineTables t = BuildEngineTables(doc_);
        slots_ = std::move(t.slots);
        if (!t.MoveInto(prj, doc_.dimension, doc_.units)) {
            result_ = -1;
            return;
        }
    }
    const double filling = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    prj.pfeedback = feedback; // the tables outlive the run; the feedback does not
    auto engine = std::make_unique<mavo>(&prj);
    const int started = engine->mavostart();
    const int finished = started < 0 ? started : engine->mavoL2err();
    prj.pfeedback = nullptr;
    if (finished == mavo::kCancelled) {
        cancelled_ = true;
        return;
    }
    if (finished == mavo::kNoMemory) {
        outOfMemory_ = true;
        failure_ = engine->summary().failure;
        result_ = started < 0 ? -2 : -3;
        return; // what the engine held is gone; nothing is marked
    }
    engineRan_ = true;
    failure_ = engine->summary().failure;
    leftOut_ = LeftOutElements(engine->summary());
    if (started < 0) {
        result_ = -2;
    } else if (finished < 0) {
        result_ = -3;
    } else {
        result_ = 0;
        timings_ = engine->timings();
        timings_.insert(timings_.begin(), {"engine tables", filling});
    }
    // The document keeps the summary without the observations' results: the listing gives them and
    // nothing else reads them (80 bytes each, a million of them in a large network). The engine's
    // memory goes back before the listing is loaded.
    eng::Summary taken = engine->takeSummary();
    std::vector<eng::ObservationResult>().swap(taken.observations);
    summary_ = std::make_shared<const eng::Summary>(std::move(taken));
    engine.reset();
    eng::releaseFreedMemory();
}

// The tables could not be built: the listing says why, as the engine's own failures do.
void CalculateRun::FailWithoutEngine(const std::string& why) {
    if (result_ >= 0) result_ = -1;
    failure_ = why;
    engineRan_ = false;
    leftOut_.clear();
    timings_.clear();
    tables_->istat = mavo::kNoMemory;
    try {
        eng::Summary s;
        s.failure = why;
        eng::writeListing(tables_->listingName(), tables_->fileName(), eng::Network{}, s);
    } catch (const std::bad_alloc&) {
        // Not even the listing fits: the return code and the status bar still say why.
    } catch (const std::length_error&) {
    }
}

int kivoMDIClient::wsimmavo() {
    // The project belongs to the caller: the run only borrows it.
    CalculateRun run(*this, std::shared_ptr<project>(pproject, [](project*) {}));
    run.Run(pproject->pfeedback);
    TakeRun(run);
    return run.result_;
}

void kivoMDIClient::TakeRun(CalculateRun& run) {
    runSlots_ = std::move(run.slots_);
    if (run.engineRan_) MarkLeftOut(run.leftOut_, runSlots_);
    lastRunTimings_ = std::move(run.timings_);
    lastRunFailure = run.failure_;
    lastSummary = std::move(run.summary_);
    ResultsTaken();
}

std::vector<char> LeftOutElements(const eng::Summary& s) {
    std::vector<char> out(s.elements.size(), 0);
    for (const eng::LeftOut& lo : s.leftOut) {
        if (lo.element < 0) continue;
        const auto e = static_cast<std::size_t>(lo.element);
        if (e >= out.size()) out.resize(e + 1, 0);
        out[e] = 1;
    }
    // Elements named only as not determined (on a failed run the engine may not have indexed them).
    for (std::size_t i = 0; i < s.elements.size(); ++i)
        if (!s.elements[i].determined || !s.elements[i].connected) out[i] = 1;
    return out;
}

void kivoMDIClient::MarkLeftOut(const std::vector<char>& leftOut, const EngineSlots& slots) {
    leftOutMarks.clear();
    // Theodolites, points, then scale bars (a bar once, whichever of its ends was left out): the
    // engine's tables hold each kind in slot order, so the marks come sorted by kind and slot.
    std::vector<LeftOutMark> points, bars;
    std::vector<char> barMarked;
    const int nsta = static_cast<int>(slots.stations.size());
    for (std::size_t i = 0; i < leftOut.size(); ++i) {
        if (!leftOut[i]) continue;
        const int e = static_cast<int>(i);
        if (e < nsta) {
            leftOutMarks.push_back({SEL_THEO, slots.stations[i]});
            continue;
        }
        const auto j = static_cast<std::size_t>(e - nsta);
        if (j >= slots.targets.size()) continue;
        if (slots.targets[j] >= 0) {
            points.push_back({SEL_POINT, slots.targets[j]});
        } else if (const int bar = slots.targetBars[j]; bar >= 0) {
            if (static_cast<std::size_t>(bar) >= barMarked.size())
                barMarked.resize(static_cast<std::size_t>(bar) + 1, 0);
            if (!barMarked[static_cast<std::size_t>(bar)]) {
                barMarked[static_cast<std::size_t>(bar)] = 1;
                bars.push_back({SEL_SBAR, bar});
            }
        }
    }
    leftOutMarks.insert(leftOutMarks.end(), points.begin(), points.end());
    leftOutMarks.insert(leftOutMarks.end(), bars.begin(), bars.end());
    auto before = [](const LeftOutMark& a, const LeftOutMark& b) {
        return a.kind != b.kind ? a.kind < b.kind : a.slot < b.slot;
    };
    if (!std::is_sorted(leftOutMarks.begin(), leftOutMarks.end(), before)) { // (slots given otherwise)
        std::sort(leftOutMarks.begin(), leftOutMarks.end(), before);
        leftOutMarks.erase(std::unique(leftOutMarks.begin(), leftOutMarks.end()), leftOutMarks.end());
    }
}

void kivoMDIClient::StoreEllipses(const result& r, const EngineSlots& slots) {
    const std::vector<double>* major[3] = {&r.major12, &r.major13, &r.major23};
    const std::vector<double>* minor[3] = {&r.minor12, &r.minor13, &r.minor23};
    const std::vector<double>* phi[3] = {&r.phi12, &r.phi13, &r.phi23};
    const std::size_t nsta = slots.stations.size();
    auto store = [&](COMMON& c, std::size_t k) {
        for (int plane = 0; plane < 3; ++plane)
            if (k < major[plane]->size())
                StoreEllipse(c, (*major[plane])[k], (*minor[plane])[k], (*phi[plane])[k] * kRadToGonResult,
                             plane);
    };
    for (std::size_t i = 0; i < nsta; ++i)
        store(theoList[slots.stations[i]], i);
    // Scale-bar ends carry no ellipse of the bar itself: the bar keeps its previous values.
    for (std::size_t j = 0; j < slots.targets.size(); ++j)
        if (slots.targets[j] >= 0) store(pointList[slots.targets[j]], nsta + j);
}

void kivoMDIClient::UpEllip(const char* name, double ha, double hb, double phi, int view) {
    if (int p = PointCheck(name); p >= 0) {
        StoreEllipse(pointList[p], ha, hb, phi, view);
        return;
    }
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& th = theoList[i];
        if ((th.flags & ELEM_INUSE) && UpperName(TheoEngineName(th).c_str()) == UpperName(name)) {
            StoreEllipse(th, ha, hb, phi, view);
            return;
        }
    }
    if (int s = SBarCheck(name); s >= 0) StoreEllipse(sbarList[s], ha, hb, phi, view);
}

} // namespace kivo
