// Mean observations: a declared (ideal) entry takes the mean of the measured readings of the same
// observation (same list, same target; for the global lists the same source and target; without
// OBS_IDEAL). Directions are reduced to face one first: a reading without OBS_DIRECT is face two,
// horizontal h -> h + 200 (h < 200) or h - 200, zenith v -> 400 - v.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "simulation/simulation.h"

namespace kivo {

namespace {

// Mean of horizontal readings (gon). Each reading is shifted by 400 where needed to lie within
// 200 gon of the first reading, so that readings either side of 0/400 average to a direction
// near them; the mean is brought back into [0, 400). Readings already within 200 gon of the first
// are summed unchanged, in the order given.
class HorizontalMean {
public:
    void Add(double h) {
        if (n_ == 0)
            first_ = h;
        else if (h - first_ > 200)
            h -= 400;
        else if (h - first_ < -200)
            h += 400;
        sum_ += h;
        ++n_;
    }
    // The sum when nothing was added (0), otherwise the mean in [0, 400).
    double Result() const {
        if (n_ == 0) return sum_;
        double m = sum_ / n_;
        if (m < 0) m += 400;
        if (m >= 400) m -= 400;
        return m;
    }

private:
    double sum_ = 0, first_ = 0;
    int n_ = 0;
};

double FaceOneHorizontal(double h, bool direct) {
    if (direct) return h;
    return h < 200 ? h + 200 : h - 200;
}

double FaceOneZenith(double v, bool direct) {
    return direct ? v : 400 - v;
}

// Means of collimation or point-direction readings.
struct DirectionMean {
    HorizontalMean h;
    double vSum = 0;
    int n = 0;
    void Add(const CONNECT1& e) {
        const bool direct = e.flags & OBS_DIRECT;
        h.Add(FaceOneHorizontal(e.hAngle, direct));
        vSum += FaceOneZenith(e.vAngle, direct);
        ++n;
    }
    bool Result(double& horzAngle, double& vertAngle) const {
        horzAngle = h.Result();
        vertAngle = n > 0 ? vSum / n : vSum;
        return n > 0;
    }
};

// Means of scale-bar readings, both ends.
struct SBarMean {
    HorizontalMean hL, hR;
    double vLSum = 0, vRSum = 0;
    int n = 0;
    void Add(const CONNECT2& e) {
        const bool direct = e.flags & OBS_DIRECT;
        hL.Add(FaceOneHorizontal(e.hLAngle, direct));
        vLSum += FaceOneZenith(e.vLAngle, direct);
        hR.Add(FaceOneHorizontal(e.hRAngle, direct));
        vRSum += FaceOneZenith(e.vRAngle, direct);
        ++n;
    }
    bool Result(double& h1, double& v1, double& h2, double& v2) const {
        h1 = hL.Result();
        v1 = n > 0 ? vLSum / n : vLSum;
        h2 = hR.Result();
        v2 = n > 0 ? vRSum / n : vRSum;
        return n > 0;
    }
};

// Plain mean of distances or heights (faces play no part).
struct ValueMean {
    double sum = 0;
    int n = 0;
    void Add(double x) {
        sum += x;
        ++n;
    }
    bool Result(double& out) const {
        out = n > 0 ? sum / n : 0;
        return n > 0;
    }
};

double ValueOf(const CONNECT3& e) {
    return e.distance;
}
double ValueOf(const CONNECT6& e) {
    return e.height;
}
double ValueOf(const CONNECT4& e) {
    return e.distance;
}
double ValueOf(const CONNECT5& e) {
    return e.height;
}
// The records are packed: their fields are written by value, never through a reference.
void SetValue(CONNECT4& e, double v) {
    e.distance = v;
}
void SetValue(CONNECT5& e, double v) {
    e.height = v;
}

void Feed(DirectionMean& m, const CONNECT1& e) {
    m.Add(e);
}
void Feed(SBarMean& m, const CONNECT2& e) {
    m.Add(e);
}
template <class T> void Feed(ValueMean& m, const T& e) {
    m.Add(ValueOf(e));
}

// The mean over the readings of `list` with this target, in list order.
template <class Mean, class T> Mean MeanOver(const ObsList<T>& list, int target) {
    Mean m;
    for (int k = 0; k < list.size(); ++k) {
        const T& e = list[k];
        if (e.target == target && !(e.flags & OBS_IDEAL)) Feed(m, e);
    }
    return m;
}

// For every declared entry of `list`, the mean of its readings, handed to store(entry, mean).
// The readings are grouped by target once (in list order), so a list of n entries costs O(n)
// instead of a walk of the whole list per declared entry; the sums are formed in the same order
// as MeanOver forms them.
template <class Mean, class T, class Store> void ForEachDeclared(ObsList<T>& list, Store store) {
    std::unordered_map<std::int32_t, std::vector<int>> readings;
    for (int k = 0; k < list.size(); ++k)
        if (!(list[k].flags & OBS_IDEAL)) readings[list[k].target].push_back(k);
    for (int k = 0; k < list.size(); ++k) {
        T& e = list[k];
        if (!(e.flags & OBS_IDEAL)) continue;
        Mean m;
        if (!readings.empty()) {
            auto it = readings.find(e.target);
            if (it != readings.end())
                for (int r : it->second)
                    Feed(m, list[r]);
        }
        if (store(e, m))
            e.flags |= OBS_VALID;
        else
            e.flags &= ~OBS_VALID;
    }
}

// The same over a global point-to-point list: readings are live, not ideal and have the same
// source and target (in that order).
template <class T> void ForEachDeclaredGlobal(GlobalList<T>& list, int nMax) {
    auto key = [](const T& e) {
        return (std::uint64_t(std::uint32_t(e.source)) << 32) | std::uint32_t(e.target);
    };
    std::unordered_map<std::uint64_t, std::vector<int>> readings;
    for (int i = 0; i < nMax; ++i) {
        const T& e = list[i];
        if ((e.flags & OBS_INUSE) && !(e.flags & OBS_IDEAL)) readings[key(e)].push_back(i);
    }
    for (int i = 0; i < nMax; ++i) {
        T& e = list[i];
        if (!(e.flags & OBS_INUSE) || !(e.flags & OBS_IDEAL)) continue;
        ValueMean m;
        auto it = readings.find(key(e));
        if (it != readings.end())
            for (int r : it->second)
                m.Add(ValueOf(list[r]));
        double value;
        const bool found = m.Result(value);
        SetValue(e, value);
        if (found)
            e.flags |= OBS_VALID;
        else
            e.flags &= ~OBS_VALID;
    }
}

template <class T> bool GlobalMean(const GlobalList<T>& list, int nMax, int source, int target, double& out) {
    ValueMean m;
    for (int i = 0; i < nMax; ++i) {
        const T& e = list[i];
        if ((e.flags & OBS_INUSE) && !(e.flags & OBS_IDEAL) && e.source == source && e.target == target)
            m.Add(ValueOf(e));
    }
    return m.Result(out);
}

} // namespace

bool Simulation::CalcMeanTheoAngle(int theo1, int theo2, double& horzAngle, double& vertAngle) const {
    return MeanOver<DirectionMean>(theoList[theo1].thList, theo2).Result(horzAngle, vertAngle);
}

bool Simulation::CalcMeanPointAngle(int theo, int point, double& horzAngle, double& vertAngle) const {
    return MeanOver<DirectionMean>(theoList[theo].ptList, point).Result(horzAngle, vertAngle);
}

bool Simulation::CalcMeanSBarAngle(int theo, int sbar, double& horzAngle1, double& vertAngle1,
                                   double& horzAngle2, double& vertAngle2) const {
    return MeanOver<SBarMean>(theoList[theo].sbList, sbar)
        .Result(horzAngle1, vertAngle1, horzAngle2, vertAngle2);
}

bool Simulation::CalcMeanDistance(int theo, int point, double& dist) const {
    return MeanOver<ValueMean>(theoList[theo].dsList, point).Result(dist);
}

bool Simulation::CalcMeanHeight(int theo, int point, double& height) const {
    return MeanOver<ValueMean>(theoList[theo].hdList, point).Result(height);
}

bool Simulation::CalcMeanPtDistance(int source, int target, double& dist) const {
    return GlobalMean(distList, nMaxDists, source, target, dist);
}

bool Simulation::CalcMeanPtHeight(int source, int target, double& height) const {
    return GlobalMean(heightList, nMaxHeights, source, target, height);
}

void Simulation::CalcAllMeanTheoAngles() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& t = theoList[i];
        if (!(t.flags & ELEM_INUSE) || t.thCount <= 0) continue;
        ForEachDeclared<DirectionMean>(t.thList, [](CONNECT1& e, const DirectionMean& m) {
            double h, v;
            const bool found = m.Result(h, v);
            e.hAngle = h;
            e.vAngle = v;
            return found;
        });
    }
}

void Simulation::CalcAllMeanPointAngles() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& t = theoList[i];
        if (!(t.flags & ELEM_INUSE) || t.ptCount <= 0) continue;
        ForEachDeclared<DirectionMean>(t.ptList, [](CONNECT1& e, const DirectionMean& m) {
            double h, v;
            const bool found = m.Result(h, v);
            e.hAngle = h;
            e.vAngle = v;
            return found;
        });
    }
}

void Simulation::CalcAllMeanSBarAngles() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& t = theoList[i];
        if (!(t.flags & ELEM_INUSE) || t.sbCount <= 0) continue;
        ForEachDeclared<SBarMean>(t.sbList, [](CONNECT2& e, const SBarMean& m) {
            double h1, v1, h2, v2;
            const bool found = m.Result(h1, v1, h2, v2);
            e.hLAngle = h1;
            e.vLAngle = v1;
            e.hRAngle = h2;
            e.vRAngle = v2;
            return found;
        });
    }
}

void Simulation::CalcAllMeanDistances() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& t = theoList[i];
        if (!(t.flags & ELEM_INUSE) || t.dsCount <= 0) continue;
        ForEachDeclared<ValueMean>(t.dsList, [](CONNECT3& e, const ValueMean& m) {
            double d;
            const bool found = m.Result(d);
            e.distance = d;
            return found;
        });
    }
    ForEachDeclaredGlobal(distList, nMaxDists);
}

void Simulation::CalcAllMeanHeights() {
    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& t = theoList[i];
        if (!(t.flags & ELEM_INUSE) || t.hdCount <= 0) continue;
        ForEachDeclared<ValueMean>(t.hdList, [](CONNECT6& e, const ValueMean& m) {
            double d;
            const bool found = m.Result(d);
            e.height = d;
            return found;
        });
    }
    ForEachDeclaredGlobal(heightList, nMaxHeights);
}

} // namespace kivo
