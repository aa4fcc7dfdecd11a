#include "engine/listing.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "engine/ellipse.h"
#include "engine/parallel.h"
#include "engine/verification.h"
#include "files/atomic_file.h"

namespace kivo::eng {

namespace {

// The listing text, built in memory or handed to a stream a block at a time (the listing of a
// large network runs to hundreds of megabytes). Fields are written at a cursor into room made for
// them beforehand: the long tables' ten million numbers each cost their digits and little more.
class Lines {
public:
    Lines() = default;
    explicit Lines(std::FILE* sink) : sink_(sink) {}
    void add(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        char buf[512];
        va_list ap;
        va_start(ap, fmt);
        const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
        va_end(ap);
        if (n < 0) {
            put("\r\n", 2);
            return;
        }
        if (n < static_cast<int>(sizeof buf)) {
            put(buf, static_cast<std::size_t>(n));
        } else { // a long project path or name: format again into a buffer of the full length
            std::string big(static_cast<std::size_t>(n) + 1, '\0');
            va_start(ap, fmt);
            std::vsnprintf(big.data(), big.size(), fmt, ap);
            va_end(ap);
            put(big.data(), static_cast<std::size_t>(n));
        }
        end();
    }
    void blank() { end(); }
    // Fast paths for the long tables: a name left-aligned in width, a number right-aligned in
    // fixed notation, the line end.
    void name(std::string_view n, int width) {
        const std::size_t pad =
            static_cast<int>(n.size()) < width ? static_cast<std::size_t>(width) - n.size() : 0;
        char* at = room(n.size() + pad);
        std::memcpy(at, n.data(), n.size());
        std::memset(at + n.size(), ' ', pad);
        size_ += n.size() + pad;
    }
    void fixed(double v, int width, int prec) {
        static const double pow10[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
        const double scaled = std::fabs(v) * pow10[prec];
        if (!std::isfinite(v) || scaled > 9e17) {
            // Beyond the integer fast path: scientific notation keeps the column (a value of 1e300
            // in fixed notation would run to 300 digits); never append more than the buffer holds.
            char buf[64];
            int len = std::snprintf(buf, sizeof buf, "%*.*e", width, prec, v);
            len = std::clamp(len, 0, static_cast<int>(sizeof buf) - 1);
            put(buf, static_cast<std::size_t>(len));
            return;
        }
        // Rounded half away from zero, as llround rounds (the difference to the whole part is exact).
        unsigned long long n = static_cast<unsigned long long>(scaled);
        if (scaled - static_cast<double>(n) >= 0.5) ++n;
        static const unsigned long long whole10[] = {1,      10,      100,      1000,      10000,
                                                     100000, 1000000, 10000000, 100000000, 1000000000};
        const unsigned long long whole = n / whole10[prec], part = n % whole10[prec];
        const bool minus = v < 0 && n != 0; // "-0.000" prints as "0.000"
        char wholeDigits[24], partDigits[16];
        const int wholeLen =
            static_cast<int>(std::to_chars(wholeDigits, wholeDigits + 24, whole).ptr - wholeDigits);
        const int partLen =
            static_cast<int>(std::to_chars(partDigits, partDigits + 16, part).ptr - partDigits);
        const int nd = minus + wholeLen + (prec > 0 ? prec + 1 : 0);
        const int len = std::max(nd, width);
        char* at = room(static_cast<std::size_t>(len));
        char* out = at;
        for (int i = nd; i < width; ++i)
            *out++ = ' ';
        if (minus) *out++ = '-';
        std::memcpy(out, wholeDigits, static_cast<std::size_t>(wholeLen));
        out += wholeLen;
        if (prec > 0) {
            *out++ = '.';
            for (int i = partLen; i < prec; ++i)
                *out++ = '0';
            std::memcpy(out, partDigits, static_cast<std::size_t>(partLen));
            out += partLen;
        }
        size_ += static_cast<std::size_t>(out - at);
    }
    void text(const char* t) { put(t, std::strlen(t)); }
    // Whole lines formatted elsewhere.
    void append(const Lines& lines) {
        if (sink_ && lines.size_ >= kBlock / 4) { // handed on as it stands, not copied
            flush();
            std::fwrite(lines.buf_.get(), 1, lines.size_, sink_);
            return;
        }
        put(lines.buf_.get(), lines.size_);
        if (sink_ && size_ >= kBlock) flush();
    }
    void clear() { size_ = 0; }
    void end() {
        put("\r\n", 2);
        if (sink_ && size_ >= kBlock) flush();
    }
    void reserve(std::size_t n) { room(sink_ ? kBlock + 4096 : n); }
    std::string take() {
        std::string text(buf_.get(), size_);
        size_ = 0;
        return text;
    }
    void flush() {
        if (sink_ && size_ > 0) std::fwrite(buf_.get(), 1, size_, sink_);
        size_ = 0;
    }

private:
    static constexpr std::size_t kBlock = 1 << 20;
    // Room for n more bytes at the end (written there, then counted in size_).
    char* room(std::size_t n) {
        if (size_ + n > capacity_) {
            const std::size_t capacity = std::max({2 * capacity_, size_ + n, std::size_t{4096}});
            std::unique_ptr<char[]> grown(new char[capacity]); // (left unset: written before it is read)
            if (size_ > 0) std::memcpy(grown.get(), buf_.get(), size_);
            buf_ = std::move(grown);
            capacity_ = capacity;
        }
        return buf_.get() + size_;
    }
    void put(const char* p, std::size_t n) {
        std::memcpy(room(n), p, n);
        size_ += n;
    }
    std::FILE* sink_ = nullptr;
    std::unique_ptr<char[]> buf_;
    std::size_t size_ = 0, capacity_ = 0;
};

// Lines for items [0, n) written by line(lines, item), a block of items at a time, the block's
// ranges formatted over the cores into their own text and handed on in order (the long tables of a
// large network run to a million lines). A block is handed on by a thread of its own while the
// next is formatted: the writing no longer holds up the cores.
template <class Line> void tableLines(Lines& out, std::size_t n, Line&& line) {
    struct Block {
        std::vector<std::pair<std::size_t, Lines>> pieces{kMaxRanges};
        std::size_t used = 0;
    };
    Block blocks[2];
    std::thread handing;
    std::exception_ptr failure;
    auto handOn = [&] {
        if (handing.joinable()) handing.join();
        if (failure) std::rethrow_exception(failure);
    };
    constexpr std::size_t kBlockItems = 1 << 15;
    try {
        for (std::size_t first = 0, b = 0; first < n; first += kBlockItems, b ^= 1) {
            const std::size_t last = std::min(first + kBlockItems, n);
            Block& block = blocks[b];
            std::atomic<std::size_t> used{0};
            parallelRanges(
                last - first,
                [&](std::size_t from, std::size_t to) {
                    auto& [at, lines] = block.pieces[used++];
                    at = from;
                    lines.clear();
                    for (std::size_t i = first + from; i < first + to; ++i)
                        line(lines, i);
                },
                2048);
            block.used = used;
            std::sort(block.pieces.begin(), block.pieces.begin() + static_cast<std::ptrdiff_t>(block.used),
                      [](const auto& a, const auto& b) { return a.first < b.first; });
            handOn(); // the block before is out: its text may be written over from here on
            auto write = [&out, &block, &failure] {
                try {
                    for (std::size_t k = 0; k < block.used; ++k)
                        out.append(block.pieces[k].second);
                } catch (...) {
                    failure = std::current_exception();
                }
            };
            try {
                handing = std::thread(write);
            } catch (const std::system_error&) {
                write(); // no thread to be had: handed on here
                handOn();
            }
        }
        handOn();
    } catch (...) {
        if (handing.joinable()) handing.join();
        throw;
    }
}

void right(Lines& out, const char* t, int width) {
    for (int i = static_cast<int>(std::strlen(t)); i < width; ++i)
        out.text(" ");
    out.text(t);
}

// The unit of the small quantities (standard deviations, corrections, residuals, ellipse axes,
// MDBs): a sub-unit of the length unit, with enough decimals for three significant digits at the
// precisions of industrial networks (0.07 mm prints 0.0700). Angles: gon, their small quantities
// in mgon.
struct Units {
    const char* length = "length unit";
    const char* small = "1/1000 unit";
    double factor = 1000.0;
    int decimals = 4;
};

Units unitsOf(int units) {
    switch (units) {
    case 0:
        return {"meters", "mm", 1000.0, 4};
    case 1:
        return {"millimeters", "mm", 1.0, 4};
    case 2:
        return {"feet", "thou", 12000.0, 3};
    case 3:
        return {"inches", "thou", 1000.0, 3};
    default:
        return {};
    }
}

constexpr const char* kSmallAngle = "mgon";
constexpr double kSmallAngleFactor = 1000.0;
constexpr int kSmallAngleDecimals = 4;

// Names of undetermined elements that the run did not list as left out (none with today's runs:
// the list is then the summary's own, not a copy of its million entries).
std::vector<LeftOut> unlistedOf(const Network& net, const Summary& s) {
    std::vector<LeftOut> list;
    // The run lists the names in the order of its left-out elements: a walk along those finds them
    // (a million elements stay linear); a name met out of that order is looked up by name.
    std::size_t at = 0;
    std::unordered_set<std::string_view> known;
    std::unordered_map<std::string_view, int> elementOf; // the last element of a name
    bool byName = false;
    for (const std::string& name : s.undetermined) {
        while (at < s.leftOut.size() && s.leftOut[at].name != name)
            ++at;
        if (at < s.leftOut.size()) {
            ++at;
            continue;
        }
        if (!byName) {
            byName = true;
            for (const LeftOut& lo : s.leftOut)
                known.insert(lo.name);
            for (std::size_t i = 0; i < net.el.size(); ++i)
                elementOf[net.el[i].name] = static_cast<int>(i);
        }
        if (!known.insert(name).second) continue;
        LeftOut lo;
        lo.name = name;
        lo.reason = "not determined by its observations";
        const auto found = elementOf.find(name);
        if (found != elementOf.end()) lo.element = found->second;
        list.push_back(lo);
    }
    return list;
}

std::string shownName(const Network& net, const LeftOut& lo) {
    if (lo.element >= 0 && static_cast<std::size_t>(lo.element) < net.el.size()) return net.shown(lo.element);
    return lo.name;
}

void warnings(Lines& out, const Summary& s, std::size_t leftOut) {
    if (s.duplicates.empty() && s.invalid.empty() && leftOut == 0) return;
    out.add("WARNINGS");
    for (const auto& d : s.duplicates)
        out.add("  Name not unique (ignoring case): %s", d.c_str());
    for (const auto& d : s.invalid)
        out.add("  Invalid observation, left out: %s", d.c_str());
    if (leftOut > 0)
        out.add("  %zu element%s left out of the adjustment with %s observations (zero ellipses): see "
                "ELEMENTS LEFT OUT",
                leftOut, leftOut == 1 ? "" : "s", leftOut == 1 ? "its" : "their");
    out.blank();
}

void leftOutSection(Lines& out, const Network& net, const std::vector<LeftOut>& list) {
    if (list.empty()) return;
    std::vector<int> dropped(net.el.size(), 0); // observations left out with each element
    for (const Observation& o : net.obs) {
        if (o.active) continue;
        if (o.e1 >= 0) ++dropped[o.e1];
        if (o.e2 >= 0 && o.kind != Kind::Pseudo) ++dropped[o.e2];
    }
    out.add("ELEMENTS LEFT OUT (with their observations; zero ellipses)");
    for (int connected = 1; connected >= 0; --connected) {
        bool head = false;
        for (const LeftOut& lo : list) {
            if (lo.connected != (connected == 1)) continue;
            if (!head) out.add(connected ? "  Not determined:" : "  Not connected to the datum:");
            head = true;
            out.text("    ");
            out.name(shownName(net, lo), 24);
            out.text(" ");
            out.text(lo.reason.empty() ? (connected ? "not determined by its observations"
                                                    : "no observation links it to the part holding the datum")
                                       : lo.reason.c_str());
            if (lo.element >= 0 && static_cast<std::size_t>(lo.element) < net.el.size() &&
                dropped[lo.element] > 0) {
                char count[64];
                std::snprintf(count, sizeof count, " (%d observation%s left out)", dropped[lo.element],
                              dropped[lo.element] == 1 ? "" : "s");
                out.text(count);
            }
            out.end();
        }
    }
    out.blank();
}

void format(Lines& out, const std::string& projectFile, const Network& net, const Summary& s) {
    out.reserve(4096 + 110 * net.el.size() * 4 + 160 * s.observations.size());
    const Units u = unitsOf(net.units);
    const std::vector<LeftOut> unlisted = unlistedOf(net, s);
    std::vector<LeftOut> joined;
    if (!unlisted.empty()) {
        joined = s.leftOut;
        joined.insert(joined.end(), unlisted.begin(), unlisted.end());
    }
    const std::vector<LeftOut>& left = unlisted.empty() ? s.leftOut : joined;
    std::size_t notDetermined = 0;
    for (const LeftOut& lo : left)
        notDetermined += lo.connected ? 1 : 0;

    out.add("LEAST-SQUARES ADJUSTMENT");
    out.add("Project: %s", projectFile.c_str());
    out.add("Units: coordinates in %s, angles in gon; standard deviations, corrections, residuals, axes and",
            u.length);
    out.add("  MDBs in %s (for angles in %s)", u.small, kSmallAngle);
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
    out.add("  Elements not determined      %zu", notDetermined);
    out.add("  Elements not connected       %zu", left.size() - notDetermined);
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
        warnings(out, s, left.size());
        leftOutSection(out, net, left);
        return;
    }
    warnings(out, s, left.size());
    leftOutSection(out, net, left);

    std::vector<int> isLeftOut(net.el.size(), 0); // 1 not determined, 2 not connected
    for (const LeftOut& lo : left)
        if (lo.element >= 0 && static_cast<std::size_t>(lo.element) < net.el.size())
            isLeftOut[lo.element] = lo.connected ? 1 : 2;
    static const char* const leftOutText[3] = {"", "not determined", "not connected"};

    static const char* comp[6] = {"x", "y", "z", "rx", "ry", "rz"};
    out.add("ADJUSTED COORDINATES (values in %s, rotations in gon; correction = adjusted - approximate;",
            u.length);
    out.add("  corrections and std devs in %s, for rotations in %s; 95 %% interval: std dev x %.4f)", u.small,
            kSmallAngle, confidenceFactor(1, 0.95));
    out.add("  %-26s %-3s %16s %12s %16s %11s", "Name", "", "Approximate", "Correction", "Adjusted",
            "Std dev");
    tableLines(out, net.el.size(), [&](Lines& lines, std::size_t i) {
        const Element& e = net.el[i];
        const ElementResult& r = s.elements[i];
        for (int k = 0; k < e.ncomp; ++k) {
            const bool angle = k >= 3;
            const double f = angle ? kSmallAngleFactor : u.factor;
            const int dec = angle ? kSmallAngleDecimals : u.decimals;
            lines.text("  ");
            lines.name(k == 0 ? net.shown(static_cast<int>(i)) : std::string(), 27);
            lines.name(comp[k], 3);
            lines.fixed(r.approx[k], 17, 5);
            lines.fixed((r.value[k] - r.approx[k]) * f, 13, dec);
            lines.fixed(r.value[k], 17, 5);
            if (isLeftOut[i])
                right(lines, leftOutText[isLeftOut[i]], 16);
            else if (!r.estimated[k])
                right(lines, "fixed", 12);
            else
                lines.fixed(r.sd[k] * f, 12, dec);
            lines.end();
        }
    });
    out.blank();

    const double k2 = confidenceFactor(2, 0.95), k3 = confidenceFactor(3, 0.95);
    out.add(
        "ERROR ELLIPSES AND ELLIPSOIDS (1 sigma; semi-axes A, B, a, b, c in %s; phi in gon from the first",
        u.small);
    out.add("  axis toward the second; 95 %% confidence: ellipse axes x %.4f, ellipsoid axes x %.4f: column "
            "a 95 %%)",
            k2, k3);
    out.add("  %-26s %9s %9s %8s %9s %9s %8s %9s %9s %8s  %9s %9s %9s %9s", "Name", "A xy", "B xy", "phi xy",
            "A xz", "B xz", "phi xz", "A yz", "B yz", "phi yz", "a", "b", "c", "a 95 %");
    tableLines(out, net.el.size(), [&](Lines& lines, std::size_t i) {
        const Element& e = net.el[i];
        const ElementResult& r = s.elements[i];
        lines.text("  ");
        lines.name(net.shown(static_cast<int>(i)), 26);
        bool any = false;
        for (int k = 0; k < 3; ++k)
            any = any || r.estimated[k];
        if (isLeftOut[i]) {
            lines.text(" left out: ");
            lines.text(leftOutText[isLeftOut[i]]);
        } else if (!any) {
            lines.text(e.station ? " position fixed" : " fixed");
        } else {
            for (int k = 0; k < 3; ++k) {
                lines.fixed(r.major[k] * u.factor, 10, u.decimals);
                lines.fixed(r.minor[k] * u.factor, 10, u.decimals);
                lines.fixed(radToGon(r.phi[k]), 9, 2);
            }
            lines.text(" ");
            for (int k = 0; k < 3; ++k)
                lines.fixed(r.axes[k] * u.factor, 10, u.decimals);
            lines.fixed(r.axes[0] * k3 * u.factor, 10, u.decimals);
        }
        lines.end();
    });
    out.blank();

    if (!s.relative.empty()) {
        out.add(
            "RELATIVE PRECISION (pairs joined by a distance, a height difference or a scale bar; distance in "
            "%s;",
            u.length);
        out.add("  its std dev and the semi-axes a, b, c of the relative ellipsoid in %s, 1 sigma)", u.small);
        out.add("  %-26s %-26s %16s %10s  %9s %9s %9s", "From", "To", "Distance", "Sd", "a", "b", "c");
        for (const RelativePrecision& rp : s.relative) {
            out.text("  ");
            out.name(net.shown(rp.e1), 27);
            out.name(net.shown(rp.e2), 26);
            out.fixed(rp.distance, 17, 5);
            out.fixed(rp.sd * u.factor, 11, u.decimals);
            out.text(" ");
            for (int k = 0; k < 3; ++k)
                out.fixed(rp.axes[k] * u.factor, 10, u.decimals);
            out.end();
        }
        out.blank();
    }

    const double critical = s.criticalNormalized;
    out.add("OBSERVATIONS (observed and adjusted values in %s or gon; std devs, residual and MDB in the unit",
            u.length);
    out.add("  given; residual = adjusted - observed; r redundancy number; MDB minimal detectable bias, "
            "alpha 0.1 %%,");
    out.add("  power 80 %%; w normalised residual, * when |w| > %.2f)", critical);
    out.add("  %-46s %15s %15s %-4s %10s %10s %10s %7s %10s %7s", "Observation", "Observed", "Adjusted",
            "Unit", "Sd obs", "Sd adj", "Residual", "r", "MDB", "w");
    std::atomic<int> flaggedLines{0};
    tableLines(out, s.observations.size(), [&](Lines& lines, std::size_t i) {
        thread_local std::string what;
        const ObservationResult& o = s.observations[i];
        const double f = o.angle ? kSmallAngleFactor : u.factor;
        const int dec = o.angle ? kSmallAngleDecimals : u.decimals;
        lines.text("  ");
        net.describe(o.index, what);
        lines.name(what, 46);
        lines.fixed(o.observed, 16, 6);
        lines.fixed(o.adjusted, 16, 6);
        lines.text(" ");
        lines.name(o.angle ? kSmallAngle : u.small, 4);
        lines.fixed(o.sigma * f, 11, dec);
        lines.fixed(o.sdAdjusted * f, 11, dec);
        lines.fixed(o.residual * f, 11, dec);
        lines.fixed(o.redundancy, 8, 4);
        if (o.redundancy > 1e-6) {
            lines.fixed(o.mdb * f, 11, dec);
            lines.fixed(o.normalized, 8, 2);
            if (critical > 0 && std::fabs(o.normalized) > critical) {
                lines.text(" *");
                ++flaggedLines;
            }
        } else {
            lines.text("  uncontrolled       -");
        }
        lines.end();
    });
    const int flagged = flaggedLines;
    if (s.largestNormalized >= 0 && static_cast<std::size_t>(s.largestNormalized) < s.observations.size()) {
        const ObservationResult& w = s.observations[s.largestNormalized];
        out.add("  Largest normalised residual |w| = %.2f: %s", std::fabs(w.normalized),
                net.describe(w.index).c_str());
        if (flagged == 0)
            out.add("  Critical value %.2f (alpha 0.1 %%, two-sided): no outlier indicated", critical);
        else
            out.add("  Critical value %.2f (alpha 0.1 %%, two-sided): %d observation%s above it, marked *",
                    critical, flagged, flagged == 1 ? "" : "s");
    } else if (!s.observations.empty()) {
        out.add("  No observation is controlled by the others: no outlier test");
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
            out.add(
                "  Global test                        not applicable: the observations fit the coordinates "
                "(simulated ideal values)");
        else
            out.add("  Global test (95 %%, two-sided)      %.4f < %.6f < %.4f: %s", s.chiLow,
                    s.varianceFactor, s.chiHigh, s.globalTestPassed ? "passed" : "FAILED");
    } else {
        out.add("  No redundancy: no variance factor, no global test");
    }
}

} // namespace

std::string formatListing(const std::string& projectFile, const Network& net, const Summary& s) {
    Lines out;
    format(out, projectFile, net, s);
    return out.take();
}

bool writeListing(const std::string& path, const std::string& projectFile, const Network& net,
                  const Summary& s) {
    if (path.empty()) return true;
    return AtomicWriteStream(
        path,
        [&](std::FILE* f) {
            Lines out(f);
            format(out, projectFile, net, s);
            out.flush();
        },
        Sync::Regenerable);
}

bool writeListing(const std::string& path, const std::string& text) {
    if (path.empty()) return true;
    return AtomicWriteFile(path, text, Sync::Regenerable);
}

namespace {

constexpr const char* kVerificationHead = "VERIFICATION BY SIMULATION";

const char* verdict(VerifiedElement::Status s) {
    switch (s) {
    case VerifiedElement::Status::Ok:
        return "ok";
    case VerifiedElement::Status::Flagged:
        return "FLAGGED";
    case VerifiedElement::Status::Fixed:
        return "position fixed";
    case VerifiedElement::Status::LeftOut:
        return "left out";
    case VerifiedElement::Status::Untested:
        break;
    }
    return "not tested";
}

} // namespace

std::string verificationSection(const Verification& v) {
    Lines out;
    const Units u = unitsOf(v.units);
    out.add("%s (%d realisations, seed %llu: every observation and pseudo-observation its simulated value",
            kVerificationHead, v.samples, static_cast<unsigned long long>(v.seed));
    out.add("  plus Gaussian noise of its std dev, each adjusted from the design coordinates in the datum "
            "above;");
    out.add("  axes: largest 1-sigma semi-axis of the ellipsoid in %s; ratio = simulated / predicted)",
            u.small);
    if (!v.ok) {
        out.add("  Not completed: %s", v.why.c_str());
        return out.take();
    }
    out.add(
        "  Test: likelihood-ratio test of the simulated against the predicted covariance of each position,");
    out.add(
        "  (n - 1) rho (tr(C^-1 S) - ln det(C^-1 S) - p) against chi-square with p (p + 1) / 2 degrees of");
    out.add("  freedom (p estimated components, rho Bartlett's correction), at %.4g %% over all %d elements "
            "tested",
            v.familyAlpha * 100.0, v.tested);
    out.add("  (%.4g %% each)", v.elementAlpha * 100.0);
    out.add("  %-26s %11s %11s %8s %11s %10s", "Name", "Predicted", "Simulated", "Ratio", "Statistic",
            "Critical");
    for (const VerifiedElement& e : v.elements) {
        out.text("  ");
        out.name(e.shown, 26);
        if (e.status == VerifiedElement::Status::Ok || e.status == VerifiedElement::Status::Flagged) {
            out.fixed(e.predictedAxis * u.factor, 12, u.decimals);
            out.fixed(e.empiricalAxis * u.factor, 12, u.decimals);
            out.fixed(e.ratio, 9, 4);
            out.fixed(e.statistic, 12, 2);
            out.fixed(e.critical, 11, 2);
            out.text("  ");
        } else {
            out.text(" ");
        }
        out.text(verdict(e.status));
        out.end();
    }
    out.add("  Realisations converged        %d of %d", v.converged, v.samples);
    if (!v.failed.empty()) {
        // By reason, each with its realisations in order, a few to a line.
        out.add("  Not converged (left out of the statistics; realisations numbered from 1):");
        std::vector<char> done(v.failed.size(), 0);
        for (std::size_t i = 0; i < v.failed.size(); ++i) {
            if (done[i]) continue;
            const std::string& reason = v.failed[i].reason;
            out.add("    %s:", reason.c_str());
            std::string line = "     ";
            for (std::size_t j = i; j < v.failed.size(); ++j) {
                if (done[j] || v.failed[j].reason != reason) continue;
                done[j] = 1;
                const std::string number = " " + std::to_string(v.failed[j].index + 1);
                if (line.size() + number.size() > 100) {
                    out.add("%s", line.c_str());
                    line = "     ";
                }
                line += number;
            }
            out.add("%s", line.c_str());
        }
    }
    if (v.tested > 0)
        out.add("  Pooled variance ratio         %.4f (sampling std dev at most %.4f)", v.pooledRatio,
                v.pooledSd);
    out.add("  Elements flagged              %d of %d tested", v.flagged, v.tested);
    return out.take();
}

bool appendVerificationToListing(const std::string& path, const Verification& v) {
    return appendVerificationToListing(path, verificationSection(v));
}

bool appendVerificationToListing(const std::string& path, const std::string& section) {
    std::string text;
    if (!ReadRegularFile(path, text)) return false;
    // A section of an earlier check goes: it follows a blank line.
    const std::string mark = std::string("\r\n") + kVerificationHead;
    const std::size_t at = text.find(mark);
    if (at != std::string::npos && (at == 0 || text.compare(at - 2, 2, "\r\n") == 0)) text.resize(at);
    if (!text.empty() && text.compare(text.size() - 2, 2, "\r\n") != 0) text += "\r\n";
    text += "\r\n";
    text += section;
    return AtomicWriteFile(path, text, Sync::Regenerable);
}

} // namespace kivo::eng
