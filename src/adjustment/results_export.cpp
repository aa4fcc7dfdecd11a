#include "adjustment/results_export.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include <Eigen/Dense>
#include <nlohmann/json.hpp>

#include "engine/functional_model.h"
#include "engine/project.h"
#include "engine/summary.h"
#include "model/byte_stream.h"
#include "model/command_ids.h"

namespace kivo {

namespace {

constexpr const char* RESULTS_FILTER = "Results as JSON (*.json)|*.json|Results as CSV (*.csv)|*.csv|";
const char* const kUnitNames[] = {"m", "mm", "ft", "in"};
const char* const kPlaneNames[] = {"xy", "xz", "yz"};

const char* UnitName(int units) {
    return units >= UNITS_METERS && units <= UNITS_INCHES ? kUnitNames[units] : "";
}

// The reasons the engine gives for the elements it left out, by element index: those its defect
// analysis named, then the elements only listed by name as not determined (as the listing has them).
std::vector<std::string> LeftOutReasons(const eng::Summary& s, const project& tables) {
    std::vector<std::string> reasons(s.elements.size());
    auto nameOf = [&](std::size_t e) -> std::string {
        const auto nsta = static_cast<std::size_t>(tables.maxsta);
        if (e < nsta) return tables.sta[e].nam;
        return e - nsta < static_cast<std::size_t>(tables.maxtar) ? tables.tar[e - nsta].nam : "";
    };
    for (const eng::LeftOut& lo : s.leftOut) {
        if (lo.element < 0 || static_cast<std::size_t>(lo.element) >= reasons.size()) continue;
        reasons[static_cast<std::size_t>(lo.element)] =
            !lo.reason.empty() ? lo.reason
            : lo.connected     ? "not determined by its observations"
                               : "no observation links it to the part holding the datum";
    }
    if (!s.undetermined.empty()) {
        // Looked up by name once each (a network may list a hundred thousand of them).
        std::unordered_map<std::string, std::vector<std::size_t>> byName;
        for (std::size_t e = 0; e < reasons.size(); ++e)
            byName[nameOf(e)].push_back(e);
        for (const std::string& name : s.undetermined)
            if (const auto it = byName.find(name); it != byName.end())
                for (const std::size_t e : it->second)
                    if (reasons[e].empty()) reasons[e] = "not determined by its observations";
    }
    for (std::size_t e = 0; e < reasons.size(); ++e)
        if (reasons[e].empty() && (!s.elements[e].determined || !s.elements[e].connected))
            reasons[e] = s.elements[e].connected ? "not determined by its observations"
                                                 : "no observation links it to the part holding the datum";
    return reasons;
}

// The 3x3 covariance of x, y, z from the three plane ellipses (semi-axes a, b, the major axis at phi
// radians from the plane's first axis toward its second): each ellipse is the covariance seen in
// its plane, c11 = a^2 cos^2 phi + b^2 sin^2 phi, c22 = a^2 sin^2 phi + b^2 cos^2 phi,
// c12 = (a^2 - b^2) sin phi cos phi; the planes xy, xz and yz give every entry (the diagonal twice).
void PositionCovariance(const double major[3], const double minor[3], const double phi[3], double cov[3][3]) {
    static const int axes[3][2] = {{0, 1}, {0, 2}, {1, 2}};
    for (int p = 0; p < 3; ++p) {
        const double a2 = major[p] * major[p], b2 = minor[p] * minor[p];
        const double c = std::cos(phi[p]), s = std::sin(phi[p]);
        const int u = axes[p][0], v = axes[p][1];
        // Each variance comes from the first plane that holds it: x from xy, y from xy, z from xz.
        if (p == 0) cov[u][u] = a2 * c * c + b2 * s * s;
        if (p != 2) cov[v][v] = a2 * s * s + b2 * c * c;
        cov[u][v] = cov[v][u] = (a2 - b2) * s * c;
    }
}

// Eigenvectors of the covariance in the order of the semi-axes (largest first), each turned so
// that its largest component is positive.
void AxisDirections(const double cov[3][3], double dir[3][3]) {
    Eigen::Matrix3d c;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            c(a, b) = cov[a][b];
    const Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> solver(c);
    if (solver.info() != Eigen::Success) return;
    for (int k = 0; k < 3; ++k) {
        Eigen::Vector3d v = solver.eigenvectors().col(2 - k); // eigenvalues ascend
        Eigen::Index big = 0;
        v.cwiseAbs().maxCoeff(&big);
        if (v(big) < 0) v = -v;
        for (int i = 0; i < 3; ++i)
            dir[k][i] = v(i);
    }
}

// A number as C's "%.17g" gives it in the C locale: the shortest text that reads back the same.
std::string Number(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// A CSV field: quoted when it holds a separator, a quote or a line break.
std::string CsvText(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

} // namespace

std::vector<ResultElement> CollectResults(const kivoMDIClient& doc) {
    std::vector<ResultElement> out;
    if (!doc.bValEllip || !doc.lastSummary || !doc.lastRunTables || doc.lastCalculateResult != 0) return out;
    const eng::Summary& s = *doc.lastSummary;
    const project& t = *doc.lastRunTables;
    const auto nsta = static_cast<std::size_t>(t.maxsta);
    if (s.elements.size() != nsta + static_cast<std::size_t>(t.maxtar)) return out;
    const std::vector<std::string> reasons = LeftOutReasons(s, t);
    const std::vector<int>& stationSlots = doc.RunStationSlots();
    const std::vector<int>& targetSlots = doc.RunTargetSlots();
    const double unitsPerMeter = doc.convTab[UNITS_METERS][doc.units];

    for (std::size_t e = 0; e < s.elements.size(); ++e) {
        const eng::ElementResult& r = s.elements[e];
        ResultElement x;
        if (e < nsta) {
            x.kind = "theodolite";
            x.engineName = t.sta[e].nam;
            x.slot = e < stationSlots.size() ? stationSlots[e] : -1;
            x.name = x.slot >= 0 ? doc.theoList[x.slot].name : x.engineName;
            x.hasRotations = true;
            for (int k = 0; k < 3; ++k) {
                x.rotation[k] = r.value[3 + k];
                x.rotationSd[k] = r.sd[3 + k];
            }
        } else {
            const std::size_t j = e - nsta;
            x.engineName = t.tar[j].nam;
            const int slot = j < targetSlots.size() ? targetSlots[j] : -1;
            if (slot >= 0) {
                x.kind = "point";
                x.slot = slot;
                x.name = doc.pointList[slot].name;
            } else {
                x.kind = "scalebar-end";
                x.name = x.engineName;
                const std::string bar =
                    x.engineName.substr(0, x.engineName.empty() ? 0 : x.engineName.size() - 1);
                x.slot = doc.SBarCheck(bar.c_str());
            }
        }
        for (int k = 0; k < 3; ++k) {
            x.value[k] = r.value[k];
            x.sd[k] = r.sd[k];
            x.estimated[k] = r.estimated[k];
            x.axes[k] = r.axes[k];
            x.major[k] = r.major[k];
            x.minor[k] = r.minor[k];
            x.phiGon[k] = eng::radToGon(r.phi[k]); // as the listing prints it
        }
        PositionCovariance(r.major, r.minor, r.phi, x.cov);
        x.leftOut = !reasons[e].empty();
        x.leftOutReason = reasons[e];
        if (x.leftOut) {
            // Nothing of a left-out element was estimated: its figures are zero, as its ellipses are.
            for (auto& row : x.cov)
                for (double& v : row)
                    v = 0.0;
            for (int k = 0; k < 3; ++k)
                x.sd[k] = x.axes[k] = x.major[k] = x.minor[k] = x.phiGon[k] = 0.0;
        } else if (x.axes[0] > 0) {
            AxisDirections(x.cov, x.axisDir); // a fixed position has no ellipsoid: no directions
        }
        if (doc.precision.isSet() && x.kind != "scalebar-end")
            x.verdict = x.leftOut                                        ? "left-out"
                        : doc.precision.within(x.axes[0], unitsPerMeter) ? "within"
                                                                         : "outside";
        out.push_back(std::move(x));
    }
    return out;
}

std::string ResultsJson(const kivoMDIClient& doc) {
    const std::vector<ResultElement> elements = CollectResults(doc);
    if (elements.empty()) return {};
    const eng::Summary& s = *doc.lastSummary;
    using Json = nlohmann::ordered_json;
    Json root;
    root["schema"] = "kivo-results";
    root["version"] = RESULTS_SCHEMA_VERSION;
    root["project"] = doc.OpenName;
    root["units"] = {{"length", UnitName(doc.units)}, {"angle", "gon"}};
    Json summary;
    summary["stations"] = s.stations;
    summary["targets"] = s.targets;
    summary["observations"] = {{"distances", s.count[0]},
                               {"heightDifferences", s.count[1]},
                               {"directions", s.count[2]},
                               {"zenithAngles", s.count[3]},
                               {"pseudo", s.pseudo}};
    summary["unknowns"] = s.unknowns;
    summary["datumDefect"] = s.defect;
    summary["datum"] = s.datum;
    summary["redundancy"] = s.redundancy;
    summary["iterations"] = s.iterations;
    summary["converged"] = s.converged;
    summary["varianceFactor"] = s.varianceFactor;
    summary["globalTestPassed"] = s.globalTestPassed;
    root["summary"] = summary;
    if (doc.precision.isSet())
        root["tolerance"] = {{"value", doc.precision.toleranceIn(doc.convTab[UNITS_METERS][doc.units])},
                             {"confidence", doc.precision.confidence95 ? 95 : 68},
                             {"factor", doc.precision.ellipsoidFactor()}};
    else
        root["tolerance"] = nullptr;

    Json list = Json::array();
    Json leftOut = Json::array();
    for (const ResultElement& x : elements) {
        Json e;
        e["kind"] = x.kind;
        e["name"] = x.name;
        e["engineName"] = x.engineName;
        e["slot"] = x.slot;
        e["coordinates"] = {x.value[0], x.value[1], x.value[2]};
        e["sd"] = {x.sd[0], x.sd[1], x.sd[2]};
        e["estimated"] = {x.estimated[0], x.estimated[1], x.estimated[2]};
        if (x.hasRotations) {
            e["rotations"] = {x.rotation[0], x.rotation[1], x.rotation[2]};
            e["rotationsSd"] = {x.rotationSd[0], x.rotationSd[1], x.rotationSd[2]};
        }
        Json cov = Json::array();
        for (const auto& row : x.cov)
            cov.push_back({row[0], row[1], row[2]});
        e["covariance"] = cov;
        Json dirs = Json::array();
        for (const auto& d : x.axisDir)
            dirs.push_back({d[0], d[1], d[2]});
        e["ellipsoid"] = {{"semiAxes", {x.axes[0], x.axes[1], x.axes[2]}}, {"directions", dirs}};
        Json planes;
        for (int k = 0; k < 3; ++k)
            planes[kPlaneNames[k]] = {{"a", x.major[k]}, {"b", x.minor[k]}, {"phi", x.phiGon[k]}};
        e["ellipses"] = planes;
        e["leftOut"] = x.leftOut;
        if (x.leftOut) {
            e["leftOutReason"] = x.leftOutReason;
            leftOut.push_back({{"name", x.name}, {"kind", x.kind}, {"reason", x.leftOutReason}});
        }
        e["verdict"] = x.verdict.empty() ? Json(nullptr) : Json(x.verdict);
        list.push_back(std::move(e));
    }
    root["elements"] = std::move(list);
    root["leftOut"] = std::move(leftOut);
    return root.dump(2) + "\n";
}

std::string ResultsCsv(const kivoMDIClient& doc) {
    const std::vector<ResultElement> elements = CollectResults(doc);
    if (elements.empty()) return {};
    std::string text = "kind,name,engine_name,x,y,z,sd_x,sd_y,sd_z,cov_xx,cov_xy,cov_xz,cov_yy,cov_yz,cov_zz,"
                       "axis_a,axis_b,axis_c,dir_a_x,dir_a_y,dir_a_z,dir_b_x,dir_b_y,dir_b_z,dir_c_x,dir_c_y,"
                       "dir_c_z,A_xy,B_xy,phi_xy,A_xz,B_xz,phi_xz,A_yz,B_yz,phi_yz,verdict,left_out\r\n";
    for (const ResultElement& x : elements) {
        std::string row = x.kind + "," + CsvText(x.name) + "," + CsvText(x.engineName);
        auto add = [&row](double v) { row += "," + Number(v); };
        for (double v : x.value)
            add(v);
        for (double v : x.sd)
            add(v);
        static const int upper[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};
        for (const auto& ab : upper)
            add(x.cov[ab[0]][ab[1]]);
        for (double v : x.axes)
            add(v);
        for (const auto& d : x.axisDir)
            for (double v : d)
                add(v);
        for (int k = 0; k < 3; ++k) {
            add(x.major[k]);
            add(x.minor[k]);
            add(x.phiGon[k]);
        }
        row += "," + x.verdict + "," + CsvText(x.leftOutReason) + "\r\n";
        text += row;
    }
    return text;
}

ExportStatus WriteResults(const kivoMDIClient& doc, const std::string& path, ResultsFormat format) {
    const std::string text = format == ResultsFormat::Json ? ResultsJson(doc) : ResultsCsv(doc);
    if (text.empty()) return ExportStatus::NoResults;
    const bool ok =
        AtomicWriteStream(path, [&text](std::FILE* f) { std::fwrite(text.data(), 1, text.size(), f); });
    return ok ? ExportStatus::Written : ExportStatus::CannotWrite;
}

bool CmExportResults(kivoMDIClient& doc) {
    if (!doc.bFileOpen) return false;
    // The project file keeps the ellipses but not the engine's findings: a project just opened
    // calculates first, as one edited (or undone) since its last Calculate does.
    if (!doc.bValEllip || !doc.lastSummary || !doc.ResultsCurrent()) doc.CmCalculate();
    if (CollectResults(doc).empty()) {
        doc.host().MessageBox("There are no results to export: the adjustment failed (see the listing).",
                              "KIVO", MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    std::string path = ChangeFileExt(doc.OpenName, ".json"); // proposed beside the project
    if (!doc.host().SaveFileDialog(RESULTS_FILTER, path)) return false;
    std::string ext = path.size() >= 4 ? path.substr(path.size() - 4) : "";
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const ResultsFormat format = ext == ".csv" ? ResultsFormat::Csv : ResultsFormat::Json;
    if (WriteResults(doc, path, format) != ExportStatus::Written) {
        doc.host().MessageBox("The results could not be written to " + path + ": " + std::strerror(errno) +
                                  ".",
                              "KIVO", MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    doc.StatBarMessage("Results written to " + path);
    return true;
}

} // namespace kivo
