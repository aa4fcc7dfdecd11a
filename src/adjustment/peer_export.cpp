#include "adjustment/peer_export.h"

#include <charconv>
#include <cmath>
#include <map>

#include "adjustment/engine_tables.h"

namespace kivo {

namespace {

constexpr const char* kNamespace = "http://www.gnu.org/software/gama/gama-local";
constexpr double kCcPerGon = 10000.0; // centesimal seconds

std::string Number(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Escaped(const std::string& s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string Attr(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + Escaped(value) + "\"";
}

// A component's status as the peer knows it: fixed, adjusted, or adjusted and observed (our
// approximate coordinates, a pseudo-observation of the given value).
enum class Status { Fixed, Adjusted, Observed };
Status StatusOf(int code) {
    return code == kStatusUnknown  ? Status::Adjusted
           : code == kStatusPseudo ? Status::Observed
                                   : Status::Fixed;
}

struct PeerPoint {
    std::string id;
    double x[3];
    int d[3];
    double sx[3];
};

} // namespace

PeerNetwork LocalNetworkXml(kivoMDIClient& doc) {
    PeerNetwork out;
    doc.RunSimulation();
    const EngineTables t = BuildEngineTables(doc);
    const double toMeters = doc.convTab[doc.units][UNITS_METERS];

    std::vector<PeerPoint> points;
    for (const edit_sta& s : t.sta) {
        const std::string shown = s.label[0] ? s.label : s.nam;
        // Levelled: the rotations about x and y fixed at zero. Gama has no tilt and no observed rotation.
        for (int k = 3; k < 5; ++k) {
            const char* axis = k == 3 ? "x" : "y";
            if (StatusOf(s.d[k]) == Status::Observed) {
                out.reason = "station " + shown + " has its rotation about " + axis +
                             " pseudo-observed (approximate); GNU Gama's local network has no observed tilts";
                return out;
            }
            if (StatusOf(s.d[k]) == Status::Adjusted || s.x[k] != 0.0) {
                out.reason = "station " + shown + " is tilted (its rotation about " + axis +
                             " is not fixed at 0); GNU Gama's local network has levelled stations only";
                return out;
            }
        }
        if (StatusOf(s.d[5]) == Status::Observed) {
            out.reason =
                "station " + shown +
                " has its orientation (rotation about z) pseudo-observed; GNU Gama estimates it freely";
            return out;
        }
        if (StatusOf(s.d[5]) == Status::Fixed)
            out.notes.push_back("station " + shown + ": its fixed orientation is estimated by GNU Gama");
        points.push_back(
            {s.nam, {s.x[0], s.x[1], s.x[2]}, {s.d[0], s.d[1], s.d[2]}, {s.sx[0], s.sx[1], s.sx[2]}});
    }
    for (const edit_tar& p : t.tar)
        points.push_back(
            {p.nam, {p.x[0], p.x[1], p.x[2]}, {p.d[0], p.d[1], p.d[2]}, {p.sx[0], p.sx[1], p.sx[2]}});

    bool anyConstraint = false;
    for (const PeerPoint& p : points) {
        if (StatusOf(p.d[0]) != StatusOf(p.d[1])) {
            out.reason = "x and y of " + p.id +
                         " differ in status (fixed, free or approximate); GNU Gama treats them together";
            return out;
        }
        for (int k = 0; k < 3; ++k)
            anyConstraint = anyConstraint || StatusOf(p.d[k]) != Status::Adjusted;
    }
    // Nothing fixed and nothing observed: the datum is free, as our engine takes it by minimum
    // trace. Gama does the same over its constrained points (upper-case adj).
    const bool freeDatum = !anyConstraint;

    std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    x += std::string("<gama-local xmlns=\"") + kNamespace + "\">\n";
    x += "<network axes-xy=\"ne\" angles=\"left-handed\">\n";
    x += "<description>" + Escaped(std::string(doc.Project) + (doc.Project[0] ? " - " : "") + doc.OpenName) +
         "</description>\n";
    x += "<parameters sigma-apr=\"1\" conf-pr=\"0.95\" tol-abs=\"1000\" sigma-act=\"apriori\"/>\n";
    x += "<points-observations>\n";

    // Our y runs the other way round: Gama's bearings turn from x toward y, our horizontal angles
    // from x away from y.
    auto coords = [&](const PeerPoint& p) {
        return Attr("x", Number(p.x[0] * toMeters)) + Attr("y", Number(-p.x[1] * toMeters)) +
               Attr("z", Number(p.x[2] * toMeters));
    };
    for (const PeerPoint& p : points) {
        const bool xyFixed = StatusOf(p.d[0]) == Status::Fixed, zFixed = StatusOf(p.d[2]) == Status::Fixed;
        std::string fix = std::string(xyFixed ? "xy" : "") + (zFixed ? "z" : "");
        std::string adj = std::string(xyFixed     ? ""
                                      : freeDatum ? "XY"
                                                  : "xy") +
                          (zFixed      ? ""
                           : freeDatum ? "Z"
                                       : "z");
        x += "<point" + Attr("id", p.id) + coords(p);
        if (!fix.empty()) x += Attr("fix", fix);
        if (!adj.empty()) x += Attr("adj", adj);
        x += "/>\n";
    }

    // Per station (or first point of a point-to-point distance): directions with their zenith
    // angles, then slope distances.
    std::vector<std::string> order;
    std::map<std::string, std::string> clusters;
    auto cluster = [&](const std::string& from) -> std::string& {
        if (clusters.find(from) == clusters.end()) order.push_back(from);
        return clusters[from];
    };
    auto obs = [](const char* tag, const edit_mes& m, double val, double stdev) {
        return std::string("  <") + tag + Attr("to", m.nam2) + Attr("val", Number(val)) +
               Attr("stdev", Number(stdev)) + "/>\n";
    };
    for (std::size_t i = 0; i < t.dir1.size(); ++i) {
        std::string& c = cluster(t.dir1[i].nam1);
        c += obs("direction", t.dir1[i], t.dir1[i].val, t.dir1[i].sval * kCcPerGon);
        if (i < t.dir2.size()) c += obs("z-angle", t.dir2[i], t.dir2[i].val, t.dir2[i].sval * kCcPerGon);
    }
    for (const edit_mes& m : t.dist)
        cluster(m.nam1) += obs("s-distance", m, m.val * toMeters, m.sval * toMeters * 1000.0);
    for (const std::string& from : order)
        x += "<obs" + Attr("from", from) + ">\n" + clusters[from] + "</obs>\n";

    if (!t.difh.empty()) {
        // Ours is z(from) - z(to); Gama's is z(to) - z(from).
        x += "<height-differences>\n";
        for (const edit_mes& m : t.difh)
            x += "  <dh" + Attr("from", m.nam1) + Attr("to", m.nam2) +
                 Attr("val", Number(-m.val * toMeters)) + Attr("stdev", Number(m.sval * toMeters * 1000.0)) +
                 "/>\n";
        x += "</height-differences>\n";
    }

    // Approximate coordinates: observed with their standard deviations (variances in mm^2).
    for (const PeerPoint& p : points) {
        const bool xy = StatusOf(p.d[0]) == Status::Observed, z = StatusOf(p.d[2]) == Status::Observed;
        if (!xy && !z) continue;
        x += "<coordinates>\n  <point" + Attr("id", p.id);
        std::string variances;
        auto variance = [&](int k) { variances += Number(std::pow(p.sx[k] * toMeters * 1000.0, 2)) + " "; };
        if (xy) {
            x += Attr("x", Number(p.x[0] * toMeters)) + Attr("y", Number(-p.x[1] * toMeters));
            variance(0);
            variance(1);
        }
        if (z) {
            x += Attr("z", Number(p.x[2] * toMeters));
            variance(2);
        }
        variances.pop_back();
        x += "/>\n  <cov-mat" + Attr("dim", std::to_string((xy ? 2 : 0) + (z ? 1 : 0))) + Attr("band", "0") +
             ">" + variances + "</cov-mat>\n</coordinates>\n";
    }
    x += "</points-observations>\n</network>\n</gama-local>\n";
    out.ok = true;
    out.xml = std::move(x);
    return out;
}

} // namespace kivo
