// File > Import of a target file (".TRG").
//
// Target file: one record per line, lines ended by a line feed (a carriage return before it is
// white space). "#" in column 1 starts a comment. Otherwise the first word (at most 6 characters,
// any case, starting in column 1 and followed by a separator) is the keyword, and the fields,
// separated by white space, are read from column 6 after a four-letter keyword, else column 7.
// Lines are read at most 255 characters at a time; the rest of a longer line is read as the next
// line.
//
//   THEO   name pos theo x sx y sy z sz rx srx ry sry rz srz   theodolite, rotations in gon
//   POINT  name x sx y sy z sz                                 object point
//   SCALE  name x y z length azimuth vertangle                 scale bar, whole-gon angles
//   COLL   theo theo      PDIR theo point     SDIR theo sbar    directions
//   DIST   theo point     PTDST/PTDIST point point              distances
//   HDIF   theo point     PTHDIF point point                    height differences
//
// s.. are status words: APX approximate, FIX fixed, anything else unknown.
// A line is taken whole or not at all: a field that does not parse, a missing field or a name
// longer than 8 characters skips the line, and every skipped line is reported with its reason.

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <string>
#include <string_view>
#include <vector>

#include "files/atomic_file.h"
#include "model/target_import.h"

namespace kivo {

namespace {

constexpr std::size_t LINE_CHARS = 255; // characters a line holds before the rest becomes the next line
constexpr const char* TRG_FILTER = "Target Files (*.TRG)|*.TRG|";

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads lines from the whole file's bytes: up to a line feed (dropped) or 255 characters.
// A piece not ended by a line feed or by the 255-character cut is the end of the file: it is not
// returned, but remembered so that it can be reported.
class LineReader {
public:
    explicit LineReader(std::string bytes) : data_(std::move(bytes)) {}

    bool GetLine(std::string_view& line, int& lineNo) {
        const std::size_t start = pos_;
        std::size_t stored = 0;
        lineNo = physical_;
        while (pos_ < data_.size()) {
            const char c = data_[pos_++];
            if (c == '\n') {
                line = Cut(start, stored);
                ++physical_;
                return true;
            }
            if (++stored == LINE_CHARS) {
                line = Cut(start, stored);
                return true;
            }
        }
        unterminated = stored > 0;
        return false;
    }

    bool unterminated = false;

private:
    // The line as a C string would hold it: up to its first NUL byte.
    std::string_view Cut(std::size_t start, std::size_t n) const {
        std::string_view v(data_.data() + start, n);
        std::size_t nul = v.find('\0');
        return nul == std::string_view::npos ? v : v.substr(0, nul);
    }

    std::string data_;
    std::size_t pos_ = 0;
    int physical_ = 1;
};

enum class Keyword { Theo, Point, Scale, Coll, PDir, SDir, Dist, PtDist, HDif, PtHDif, Unknown };

Keyword KeywordOf(const std::string& kw) {
    static const struct {
        const char* text;
        Keyword k;
    } table[] = {{"THEO", Keyword::Theo}, {"POINT", Keyword::Point},  {"SCALE", Keyword::Scale},
                 {"COLL", Keyword::Coll}, {"PDIR", Keyword::PDir},    {"SDIR", Keyword::SDir},
                 {"DIST", Keyword::Dist}, {"PTDST", Keyword::PtDist}, {"PTDIST", Keyword::PtDist},
                 {"HDIF", Keyword::HDif}, {"PTHDIF", Keyword::PtHDif}};
    for (const auto& e : table)
        if (kw == e.text) return e.k;
    return Keyword::Unknown;
}

// The sign of an integer as "%d" reads it: at most one "+" or "-" in front. A second sign
// ("+-1", "-+1", "--1") makes no number.
bool TakeSign(std::string_view& tok, bool& negative) {
    negative = false;
    if (!tok.empty() && (tok[0] == '+' || tok[0] == '-')) {
        negative = tok[0] == '-';
        tok.remove_prefix(1);
    }
    return !tok.empty() && tok[0] != '+' && tok[0] != '-';
}

// A real as "%lf" reads it (the C library's own conversion, in the C locale whatever the
// process's locale is), but only when the whole field is the number and it is finite.
bool ParseReal(std::string_view tok, double& out) {
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", locale_t(0));
    if (tok.empty() || IsSpace(tok[0]) || !cLocale) return false;
    const std::string text(tok);
    char* end = nullptr;
    const double v = ::strtod_l(text.c_str(), &end, cLocale);
    if (end != text.c_str() + text.size() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

// An integer as "%d" reads it, but only when the whole field is the number.
bool ParseInt(std::string_view tok, int& out) {
    bool negative;
    if (!TakeSign(tok, negative)) return false;
    long long v = 0;
    auto [end, ec] = std::from_chars(tok.data(), tok.data() + tok.size(), v);
    if (ec != std::errc() || end != tok.data() + tok.size()) return false;
    if (negative) v = -v;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
    out = static_cast<int>(v);
    return true;
}

std::string Quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

// The fields of one line, with the reason of the first field that failed.
class Fields {
public:
    explicit Fields(std::string_view text) {
        std::size_t i = 0;
        while (i < text.size()) {
            while (i < text.size() && IsSpace(text[i]))
                ++i;
            std::size_t j = i;
            while (j < text.size() && !IsSpace(text[j]))
                ++j;
            if (j > i) tokens_.push_back(text.substr(i, j - i));
            i = j;
        }
    }
    bool Need(std::size_t n) {
        if (tokens_.size() >= n) return true;
        if (error.empty()) error = "too few fields";
        return false;
    }
    std::string_view Word(std::size_t i) const { return tokens_[i]; }
    // A name field: at most 8 characters.
    bool Name(std::size_t i, std::string& out) {
        if (tokens_[i].size() > static_cast<std::size_t>(NAME_LEN)) {
            Fail("name longer than 8 characters: " + Quoted(tokens_[i]));
            return false;
        }
        out = std::string(tokens_[i]);
        return true;
    }
    bool Real(std::size_t i, double& out) {
        if (ParseReal(tokens_[i], out)) return true;
        Fail("field " + std::to_string(i + 1) + " is not a number: " + Quoted(tokens_[i]));
        return false;
    }
    bool Int(std::size_t i, int& out) {
        if (ParseInt(tokens_[i], out)) return true;
        Fail("field " + std::to_string(i + 1) + " is not a whole number: " + Quoted(tokens_[i]));
        return false;
    }
    std::string error;

private:
    void Fail(const std::string& why) {
        if (error.empty()) error = why;
    }
    std::vector<std::string_view> tokens_;
};

} // namespace

int TargetImport::CalcStat(const char* stat1, const char* stat2, const char* stat3, const char* stat4,
                           const char* stat5, const char* stat6) {
    const char* stat[6] = {stat1, stat2, stat3, stat4, stat5, stat6};
    int word = 0;
    for (int k = 0; k < 6; ++k) {
        const std::string s = UpperName(stat[k] ? stat[k] : "");
        if (s == "APX")
            word |= COORD_APX << (2 * k);
        else if (s == "FIX")
            word |= COORD_FIX << (2 * k);
    }
    return word;
}

bool TargetImport::CheckLimits(const char* name, double x, double y, double z) {
    if (project_.xMin <= x && x <= project_.xMax && project_.yMin <= y && y <= project_.yMax &&
        project_.zMin <= z && z <= project_.zMax)
        return true;
    if (host_->MessageBox(std::string(name) + " is outside limits, expand limits ?", "Import Error",
                          MsgButtons::YesNo, MsgIcon::Question) != IDYES)
        return false;
    if (x < project_.xMin) project_.xMin = x;
    if (x > project_.xMax) project_.xMax = x;
    if (y < project_.yMin) project_.yMin = y;
    if (y > project_.yMax) project_.yMax = y;
    if (z < project_.zMin) project_.zMin = z;
    if (z > project_.zMax) project_.zMax = z;
    return true;
}

bool TargetImport::ReadTargetFile() {
    report_ = ImportReport{};
    std::string bytes;
    if (!ReadRegularFile(file_.ImportName, bytes)) return false; // also a FIFO, a device, a folder
    const double limits[6] = {project_.xMin, project_.xMax, project_.yMin,
                              project_.yMax, project_.zMin, project_.zMax};

    LineReader reader(std::move(bytes));
    std::string_view line;
    int lineNo = 0;
    auto skip = [&](const std::string& why) {
        ++report_.skipped;
        report_.skippedLines.emplace_back(lineNo, why);
    };

    while (reader.GetLine(line, lineNo)) {
        if (!line.empty() && line[0] == '#') continue;

        // The keyword: the first word, at most 6 characters, upper-cased, starting in column 1.
        std::size_t k = 0;
        while (k < line.size() && IsSpace(line[k]))
            ++k;
        if (k == line.size()) continue; // blank line
        if (k > 0) {
            skip("the keyword does not start in column 1");
            continue;
        }
        std::string kw;
        while (k < line.size() && !IsSpace(line[k]) && kw.size() < 6)
            kw += static_cast<char>(std::toupper(static_cast<unsigned char>(line[k++])));
        const Keyword key = KeywordOf(kw);
        if (key == Keyword::Unknown) {
            skip("unknown keyword " + Quoted(kw));
            continue;
        }
        // One separator follows the keyword; the fields are read from column 6 for four-letter
        // keywords and from column 7 for five- and six-letter ones (counting from 1), so after a
        // six-letter keyword they start at the separator itself.
        if (k < line.size() && !IsSpace(line[k])) {
            skip("no separator after the keyword " + Quoted(kw));
            continue;
        }
        const std::size_t first = kw.size() == 4 ? 5 : 6;
        if (line.size() <= first) {
            skip("line too short");
            continue;
        }
        Fields fl(line.substr(first));

        switch (key) {
        case Keyword::Theo: {
            std::string name;
            int pos = 0, theo = 0;
            double x = 0, y = 0, z = 0, rx = 0, ry = 0, rz = 0;
            if (!(fl.Need(15) && fl.Name(0, name) && fl.Int(1, pos) && fl.Int(2, theo) && fl.Real(3, x) &&
                  fl.Real(5, y) && fl.Real(7, z) && fl.Real(9, rx) && fl.Real(11, ry) && fl.Real(13, rz))) {
                skip(fl.error);
                continue;
            }
            const int stat = CalcStat(std::string(fl.Word(4)).c_str(), std::string(fl.Word(6)).c_str(),
                                      std::string(fl.Word(8)).c_str(), std::string(fl.Word(10)).c_str(),
                                      std::string(fl.Word(12)).c_str(), std::string(fl.Word(14)).c_str());
            if (!CheckLimits(name.c_str(), x, y, z)) {
                skip("outside limits");
                continue;
            }
            elements_.NewTheo(name.c_str(), "", pos, theo, x, y, z, rx, ry, rz, stat);
            break;
        }
        case Keyword::Point: {
            std::string name;
            double x = 0, y = 0, z = 0;
            if (!(fl.Need(7) && fl.Name(0, name) && fl.Real(1, x) && fl.Real(3, y) && fl.Real(5, z))) {
                skip(fl.error);
                continue;
            }
            const int stat = CalcStat(std::string(fl.Word(2)).c_str(), std::string(fl.Word(4)).c_str(),
                                      std::string(fl.Word(6)).c_str(), "UNK", "UNK", "UNK");
            if (!CheckLimits(name.c_str(), x, y, z)) {
                skip("outside limits");
                continue;
            }
            elements_.NewPoint(name.c_str(), "", x, y, z, stat);
            break;
        }
        case Keyword::Scale: {
            std::string name;
            double x = 0, y = 0, z = 0, length = 0;
            int azimuth = 0, vertangle = 0;
            if (!(fl.Need(7) && fl.Name(0, name) && fl.Real(1, x) && fl.Real(2, y) && fl.Real(3, z) &&
                  fl.Real(4, length) && fl.Int(5, azimuth) && fl.Int(6, vertangle))) {
                skip(fl.error);
                continue;
            }
            if (!CheckLimits(name.c_str(), x, y, z)) {
                skip("outside limits");
                continue;
            }
            elements_.NewSBar(name.c_str(), "", x, y, z, length, azimuth, vertangle);
            break;
        }
        default: {
            // Observation: the first element is marked, so that the add operation (which adds from
            // every marked element) includes it, and unmarked afterwards.
            std::string a, b;
            if (!(fl.Need(2) && fl.Name(0, a) && fl.Name(1, b))) {
                skip(fl.error);
                continue;
            }
            const bool fromPoint = key == Keyword::PtDist || key == Keyword::PtHDif;
            const int source = fromPoint ? net_.pointList.Find(a.c_str()) : net_.theoList.Find(a.c_str());
            if (source < 0) {
                skip((fromPoint ? "unknown point " : "unknown theodolite ") + Quoted(a));
                continue;
            }
            auto mark = [&](bool on) {
                if (fromPoint)
                    net_.pointList.Mark(source, on);
                else
                    net_.theoList.Mark(source, on);
            };
            mark(true);
            int target = -1;
            const char* kind = "unknown point ";
            switch (key) {
            case Keyword::Coll:
                kind = "unknown theodolite ";
                target = net_.theoList.Find(b.c_str());
                if (target >= 0) {
                    observations_.NewCollimate(nullptr, 0, target);
                    project_.bCollimate = true;
                }
                break;
            case Keyword::PDir:
                target = net_.pointList.Find(b.c_str());
                if (target >= 0) {
                    observations_.NewPtDirect(nullptr, 0, target);
                    project_.bDirect = true;
                }
                break;
            case Keyword::SDir:
                kind = "unknown scale bar ";
                target = net_.sbarList.Find(b.c_str());
                if (target >= 0) {
                    observations_.NewSBDirect(nullptr, 0, target);
                    project_.bDirect = true;
                }
                break;
            case Keyword::Dist:
            case Keyword::PtDist:
                target = net_.pointList.Find(b.c_str());
                if (target >= 0) {
                    observations_.NewDistance(nullptr, 0, target);
                    project_.bDistance = true;
                }
                break;
            default: // HDIF, PTHDIF
                target = net_.pointList.Find(b.c_str());
                if (target >= 0) {
                    observations_.NewHeight(nullptr, 0, target);
                    project_.bHeight = true;
                }
                break;
            }
            mark(false);
            if (target < 0) {
                skip(kind + Quoted(b));
                continue;
            }
            break;
        }
        }
        ++report_.imported;
    }
    if (reader.unterminated) skip("no line feed at the end of the file"); // lineNo: the last line

    geometry_.SetWindowParms();
    host_->CheckViewItems();
    // Widened limits move the canvas origin and grow the canvas: the cached pixel positions and
    // the views' scroll ranges follow it.
    const double now[6] = {project_.xMin, project_.xMax, project_.yMin,
                           project_.yMax, project_.zMin, project_.zMax};
    if (std::memcmp(limits, now, sizeof now) != 0) geometry_.ProcessSimData();
    host_->UpdateScrollBars();

    host_->StatusText("Imported " + std::to_string(report_.imported) + " lines, skipped " +
                      std::to_string(report_.skipped));
    host_->StatusImage(7);
    return true;
}

void TargetImport::CmImportFile() {
    std::string path;
    if (!host_->OpenFileDialog(TRG_FILTER, path)) return;
    file_.ImportName = path;
    if (!ReadTargetFile()) {
        // Nothing was imported: the project stays as it was, unchanged.
        host_->MessageBox("Cannot open " + file_.ImportName, "Import Error", MsgButtons::Ok,
                          MsgIcon::Exclamation);
        return;
    }
    host_->UpdateViews(true);
    file_.bFileDirty = true;
}

} // namespace kivo
