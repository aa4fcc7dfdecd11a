#include "adjustment/precision.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <Eigen/Dense>

#include "adjustment/ellipsoid.h"
#include "adjustment/live_session.h"
#include "engine/ellipse.h"
#include "model/element_names.h"
#include "model/precision_text.h"

namespace kivo {

Judgement Judge(const kivoMDIClient& doc, const COMMON& e) {
    if (!doc.precision.isSet() || !doc.bValEllip) return Judgement::None;
    const double axis = LargestEllipsoidAxis(e);
    if (!(axis > 0.0)) return Judgement::None;
    return doc.precision.within(axis, doc.convTab[UNITS_METERS][doc.units]) ? Judgement::Within
                                                                            : Judgement::Outside;
}

std::string RelativePrecisionText(const kivoMDIClient& doc) {
    if (!doc.bValEllip) return {};
    std::vector<std::pair<int, int>> marked;
    for (int i : doc.theoList.Marked())
        if (i < doc.nMaxTheos && (doc.theoList[i].flags & ELEM_INUSE)) marked.emplace_back(SEL_THEO, i);
    for (int i : doc.pointList.Marked())
        if (i < doc.nMaxPoints && (doc.pointList[i].flags & ELEM_INUSE)) marked.emplace_back(SEL_POINT, i);
    if (marked.size() != 2) return {};
    // The tables as the observations stand: reading them changes nothing in the document.
    auto s = LivePrecisionSession::Take(doc, SEL_NONE, -1);
    double distance = 0.0, sd = 0.0;
    if (!s->Setup() ||
        !s->Relative(marked[0].first, marked[0].second, marked[1].first, marked[1].second, distance, sd))
        return {};
    // A distance is one-dimensional: its 95 % interval is 1.96 standard deviations.
    constexpr double k95Line = 1.96;
    const bool p95 = doc.precision.confidence95;
    auto name = [&](const std::pair<int, int>& m) {
        return ShownName(m.first == SEL_THEO ? static_cast<const COMMON&>(doc.theoList[m.second])
                                             : static_cast<const COMMON&>(doc.pointList[m.second]));
    };
    static const char* const lengthUnit[] = {"m", "mm", "feet", "in"};
    char text[64];
    std::snprintf(text, sizeof text, ": distance %.4f %s, %s ", distance, lengthUnit[doc.units & 3],
                  p95 ? "95 %" : "sd");
    return name(marked[0]) + " - " + name(marked[1]) + text +
           FormatPrecision(sd * (p95 ? k95Line : 1.0), doc.units);
}

} // namespace kivo
