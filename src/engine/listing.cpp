#include "engine/listing.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <fstream>

namespace kivo::eng {

namespace {

class Lines {
public:
    void add(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        char buf[512];
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        text_ += buf;
        text_ += "\r\n";
    }
    void blank() { text_ += "\r\n"; }
    // Fast paths for the long tables: a name left-aligned in width, a number right-aligned in
    // fixed notation, the line end.
    void name(const std::string& n, int width) {
        text_ += n;
        for (int i = static_cast<int>(n.size()); i < width; ++i) text_ += ' ';
    }
    void fixed(double v, int width, int prec) {
        char buf[64];
        int len = 0;
        static const double pow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
        const double scaled = std::fabs(v) * pow10[prec];
        if (!std::isfinite(v) || scaled > 9e17) {
            len = std::snprintf(buf, sizeof buf, "%*.*f", width, prec, v);
        } else {
            unsigned long long n = static_cast<unsigned long long>(std::llround(scaled));
            char digits[32];
            int nd = 0;
            for (int i = 0; i < prec; ++i) {
                digits[nd++] = static_cast<char>('0' + n % 10);
                n /= 10;
            }
            if (prec > 0) digits[nd++] = '.';
            do {
                digits[nd++] = static_cast<char>('0' + n % 10);
                n /= 10;
            } while (n > 0);
            bool zero = true; // "-0.000" prints as "0.000"
            for (int i = 0; i < nd; ++i)
                if (digits[i] > '0') zero = false;
            if (v < 0 && !zero) digits[nd++] = '-';
            for (int i = nd; i < width; ++i) buf[len++] = ' ';
            while (nd > 0) buf[len++] = digits[--nd];
        }
        text_.append(buf, static_cast<std::size_t>(len));
    }
    void text(const char* t) { text_ += t; }
    void end() { text_ += "\r\n"; }
    void reserve(std::size_t n) { text_.reserve(n); }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

void warnings(Lines& out, const Summary& s) {
    if (s.duplicates.empty() && s.invalid.empty() && s.leftOut.empty()) return;
    out.add("WARNINGS");
    for (const auto& d : s.duplicates) out.add("  Name not unique (ignoring case): %s", d.c_str());
    for (const auto& d : s.invalid) out.add("  Invalid observation, left out: %s", d.c_str());
    for (const auto& l : s.leftOut)
        out.add("  %s, left out with its observations (zero ellipses): %s: %s",
                l.connected ? "Not determined" : "Not connected to the datum", l.name.c_str(),
                l.reason.c_str());
    out.blank();
}

} // namespace

std::string formatListing(const std::string& projectFile, const Network& net, const Summary& s) {
    Lines out;
    out.reserve(4096 + 100 * net.el.size() * 4 + 130 * s.observations.size());
    out.add("LEAST-SQUARES ADJUSTMENT");
    out.add("Project: %s", projectFile.c_str());
    out.blank();
    out.add("SUMMARY");
    out.add("  Dimension                    %d", net.dim);
    out.add("  Stations                     %d", s.stations);
    out.add("  Targets                      %d", s.targets);
    out.add("  Distances                    %d", s.count[0]);
    out.add("  Height differences           %d", s.count[1]);
    out.add("  Horizontal directions        %d", s.count[2]);
    out.add("  Zenith angles                %d", s.count[3]);
    out.add("  Pseudo-observations          %d", s.pseudo);
    out.add("  Invalid observations         %zu", s.invalid.size());
    out.add("  Elements not determined      %zu", s.undetermined.size());
    out.add("  Unknowns                     %d", s.unknowns);
    out.add("  Datum defect                 %d", s.defect);
    out.add("  Datum                        %s", s.datum.c_str());
    out.add("  Redundancy                   %d", s.redundancy);
    out.add("  Iterations                   %d%s", s.iterations, s.converged ? " (converged)" : "");
    out.blank();
    if (!s.failure.empty()) {
        out.add("ADJUSTMENT FAILED: %s", s.failure.c_str());
        out.add("No results were computed.");
        out.blank();
        warnings(out, s);
        return out.take();
    }
    warnings(out, s);

    static const char* comp[6] = {"x", "y", "z", "rx", "ry", "rz"};
    out.add("ADJUSTED COORDINATES (length unit; rotations in gon; sd 0 = fixed)");
    out.add("  %-16s %-3s %18s %12s", "Name", "", "Value", "Std dev");
    for (std::size_t i = 0; i < net.el.size(); ++i) {
        const Element& e = net.el[i];
        const ElementResult& r = s.elements[i];
        for (int k = 0; k < e.ncomp; ++k) {
            out.text("  ");
            out.name(k == 0 ? e.name : std::string(), 17);
            out.name(comp[k], 4);
            out.fixed(r.value[k], 18, 5);
            if (!r.determined)
                out.text("  not determ.");
            else if (!r.estimated[k])
                out.text("        fixed");
            else
                out.fixed(r.sd[k], 13, 5);
            out.end();
        }
    }
    out.blank();
    out.add("ERROR ELLIPSES (1 sigma; A, B semi-axes in the length unit, phi in gon from the first axis)");
    out.add("  %-16s %10s %10s %9s %10s %10s %9s %10s %10s %9s   %10s %10s %10s", "Name", "A xy", "B xy", "phi xy",
            "A xz", "B xz", "phi xz", "A yz", "B yz", "phi yz", "Ellipsoid a", "b", "c");
    for (std::size_t i = 0; i < net.el.size(); ++i) {
        const ElementResult& r = s.elements[i];
        double phi[3];
        for (int k = 0; k < 3; ++k) phi[k] = radToGon(r.phi[k]);
        out.text("  ");
        out.name(net.el[i].name, 16);
        for (int k = 0; k < 3; ++k) {
            out.fixed(r.major[k], 11, 5);
            out.fixed(r.minor[k], 11, 5);
            out.fixed(phi[k], 10, 4);
        }
        out.text("  ");
        for (int k = 0; k < 3; ++k) out.fixed(r.axes[k], 11, 5);
        out.end();
    }
    out.blank();
    out.add("OBSERVATIONS (residual = adjusted - observed; r redundancy number; MDB minimal detectable bias,");
    out.add("  alpha 0.1 %%, power 80 %%; w normalised residual)");
    out.add("  %-44s %16s %12s %10s %7s %12s %8s", "Observation", "Observed", "Residual", "Std dev", "r", "MDB", "w");
    for (const ObservationResult& o : s.observations) {
        out.text("  ");
        out.name(o.what, 44);
        out.fixed(o.observed, 17, 6);
        out.fixed(o.residual, 13, 6);
        out.fixed(o.sigma, 11, 6);
        out.fixed(o.redundancy, 8, 4);
        if (o.redundancy > 1e-6) {
            out.fixed(o.mdb, 13, 6);
            out.fixed(o.normalized, 9, 2);
        } else {
            out.text("  uncontrolled        -");
        }
        out.end();
    }
    out.blank();
    out.add("VARIANCE FACTOR");
    out.add("  Sum of weighted squared residuals  %.6f", s.vtpv);
    out.add("  Redundancy                         %d", s.redundancy);
    if (s.redundancy > 0) {
        out.add("  A-posteriori variance factor       %.6f (a priori 1)", s.varianceFactor);
        // Observations simulated from the design coordinates fit exactly (up to the 5-decimal
        // rounding of point directions): the test then says nothing about the network.
        if (s.varianceFactor < 1e-3)
            out.add("  Global test                        not applicable: the observations fit the coordinates "
                    "(simulated ideal values)");
        else
            out.add("  Global test (95 %%, two-sided)      %.4f < %.6f < %.4f: %s", s.chiLow, s.varianceFactor,
                    s.chiHigh, s.globalTestPassed ? "passed" : "FAILED");
    } else {
        out.add("  No redundancy: no variance factor, no global test");
    }
    return out.take();
}

bool writeListing(const std::string& path, const std::string& text) {
    if (path.empty()) return true;
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(f);
}

} // namespace kivo::eng
