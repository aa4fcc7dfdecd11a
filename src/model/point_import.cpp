#include "model/point_import.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <map>

#include "files/atomic_file.h"
#include "model/command_ids.h"
#include "model/element_names.h"

namespace kivo {

namespace {

constexpr const char* POINT_LIST_FILTER = "Coordinate Lists (*.csv *.txt *.xyz)|*.csv;*.txt;*.xyz|";
constexpr int STATUS_FIXED = 0x2A;       // x, y and z fixed
constexpr int STATUS_APPROX = 0x15;      // x, y and z approximate
constexpr std::size_t DETECT_LINES = 20; // data lines looked at to choose the separator

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A field as written, without surrounding blanks and one pair of double quotes.
std::string_view Unquote(std::string_view s) {
    s = TrimBlanks(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = TrimBlanks(s.substr(1, s.size() - 2));
    return s;
}

std::vector<std::string_view> SplitFields(std::string_view line, char sep) {
    std::vector<std::string_view> fields;
    if (sep == ' ') {
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            const std::size_t start = i;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                ++i;
            if (i > start) fields.push_back(Unquote(line.substr(start, i - start)));
        }
        return fields;
    }
    // Separators inside double quotes belong to the field.
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] == '"') quoted = !quoted;
        if (i == line.size() || (line[i] == sep && !quoted)) {
            fields.push_back(Unquote(line.substr(start, i - start)));
            start = i + 1;
        }
    }
    return fields;
}

// A finite real, the whole field, in any locale. A decimal comma counts only between fields
// separated by semicolons or tabs.
bool ParseNumber(std::string_view text, char sep, double& out) {
    std::string s(text);
    if ((sep == ';' || sep == '\t') && s.find(',') != std::string::npos && s.find('.') == std::string::npos &&
        std::count(s.begin(), s.end(), ',') == 1)
        std::replace(s.begin(), s.end(), ',', '.');
    std::string_view v(s);
    if (!v.empty() && v.front() == '+') {
        v.remove_prefix(1);
        if (!v.empty() && (v.front() == '+' || v.front() == '-')) return false;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
    if (ec != std::errc() || end != v.data() + v.size() || !std::isfinite(value)) return false;
    out = value;
    return true;
}

// The status word of x, y and z from the status column; false for a word it does not know.
bool ParseStatus(std::string_view text, int& stat) {
    const std::string s = Lower(text);
    if (s == "fixed" || s == "fix" || s == "f") {
        stat = STATUS_FIXED;
    } else if (s == "approximate" || s == "apx" || s == "approx" || s == "a") {
        stat = STATUS_APPROX;
    } else if (s == "unknown" || s == "unk" || s == "free" || s == "u") {
        stat = 0;
    } else {
        return false;
    }
    return true;
}

enum Column { COL_NAME, COL_X, COL_Y, COL_Z, COL_STATUS, COL_COUNT };

// The column a header word names, or -1.
int HeaderColumn(std::string_view word) {
    static const std::map<std::string, int> names = {
        {"name", COL_NAME},   {"id", COL_NAME},     {"point", COL_NAME},    {"pt", COL_NAME},
        {"label", COL_NAME},  {"x", COL_X},         {"e", COL_X},           {"east", COL_X},
        {"easting", COL_X},   {"y", COL_Y},         {"n", COL_Y},           {"north", COL_Y},
        {"northing", COL_Y},  {"z", COL_Z},         {"h", COL_Z},           {"height", COL_Z},
        {"elevation", COL_Z}, {"elev", COL_Z},      {"status", COL_STATUS}, {"stat", COL_STATUS},
        {"fix", COL_STATUS},  {"type", COL_STATUS},
    };
    const auto it = names.find(Lower(word));
    return it == names.end() ? -1 : it->second;
}

struct DataLine {
    int number;
    std::string_view text;
};

// The separator the data lines share: a tab, semicolon or comma present in every one of the first
// lines (in that order of preference), otherwise white space.
char DetectSeparator(const std::vector<DataLine>& lines) {
    for (char sep : {'\t', ';', ','}) {
        std::size_t looked = 0;
        bool everyLine = !lines.empty();
        for (const DataLine& l : lines) {
            if (looked++ == DETECT_LINES) break;
            everyLine = everyLine && l.text.find(sep) != std::string_view::npos;
        }
        if (everyLine) return sep;
    }
    return ' ';
}

std::string Quoted(std::string_view s) {
    return "\"" + std::string(s) + "\"";
}

} // namespace

PointList ParsePointList(std::string_view text, double toProjectUnits) {
    PointList list;
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3); // UTF-8 mark

    std::vector<DataLine> lines;
    int number = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::string_view trimmed = TrimBlanks(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        lines.push_back({number, line});
    }
    list.separator = DetectSeparator(lines);

    int columns[COL_COUNT] = {COL_NAME, COL_X, COL_Y, COL_Z, COL_STATUS}; // field index of each column
    std::size_t first = 0;
    if (!lines.empty()) {
        const auto fields = SplitFields(lines[0].text, list.separator);
        // A header has no number where the coordinates stand; a first line with some numbers there
        // is data (and reported when it cannot be read).
        double dummy;
        bool anyNumber = false;
        for (std::size_t i = 1; i < 4 && i < fields.size(); ++i)
            anyNumber = anyNumber || ParseNumber(fields[i], list.separator, dummy);
        if (!anyNumber) {
            // A header: it names the columns, or the order stays name, x, y, z, status.
            list.header = true;
            first = 1;
            int named[COL_COUNT] = {-1, -1, -1, -1, -1};
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (const int c = HeaderColumn(fields[i]); c >= 0 && named[c] < 0)
                    named[c] = static_cast<int>(i);
            if (named[COL_NAME] >= 0 && named[COL_X] >= 0 && named[COL_Y] >= 0 && named[COL_Z] >= 0)
                std::copy(std::begin(named), std::end(named), std::begin(columns));
            else if (fields.size() < 5)
                columns[COL_STATUS] = -1;
        }
    }

    std::map<std::string, int> seen; // upper-case name -> line of its first appearance
    for (std::size_t k = first; k < lines.size(); ++k) {
        const DataLine& l = lines[k];
        const auto fields = SplitFields(l.text, list.separator);
        auto problem = [&](const std::string& reason) { list.problems.push_back({l.number, reason}); };
        int needed = 0;
        for (int c : columns)
            needed = std::max(needed, c + 1);
        const bool statusColumn =
            columns[COL_STATUS] >= 0 && static_cast<int>(fields.size()) > columns[COL_STATUS];
        const int least = std::max({columns[COL_NAME], columns[COL_X], columns[COL_Y], columns[COL_Z]}) + 1;
        if (static_cast<int>(fields.size()) < least) {
            problem("expected name, x, y, z" + std::string(columns[COL_STATUS] >= 0 ? " and a status" : "") +
                    ", found " + std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields"));
            continue;
        }
        if (!list.header && static_cast<int>(fields.size()) > needed) {
            problem("expected at most 5 fields (name, x, y, z, status), found " +
                    std::to_string(fields.size()));
            continue;
        }
        ListedPoint p;
        p.line = l.number;
        const std::string_view name = fields[static_cast<std::size_t>(columns[COL_NAME])];
        if (name.empty()) {
            problem("the name is empty");
            continue;
        }
        if (name.size() > static_cast<std::size_t>(NAME_LEN)) {
            problem("the name " + Quoted(name) + " is longer than " + std::to_string(NAME_LEN) +
                    " characters");
            continue;
        }
        if (std::any_of(name.begin(), name.end(), [](char c) {
                return std::isspace(static_cast<unsigned char>(c)) ||
                       std::iscntrl(static_cast<unsigned char>(c));
            })) {
            problem("the name " + Quoted(name) + " contains blanks");
            continue;
        }
        static const char* const axis[] = {"x", "y", "z"};
        double xyz[3];
        bool numbers = true;
        for (int c = 0; c < 3 && numbers; ++c) {
            const std::string_view f = fields[static_cast<std::size_t>(columns[COL_X + c])];
            numbers = ParseNumber(f, list.separator, xyz[c]);
            if (!numbers) problem(std::string(axis[c]) + " is not a number: " + Quoted(f));
        }
        if (!numbers) continue;
        if (statusColumn) {
            const std::string_view s = fields[static_cast<std::size_t>(columns[COL_STATUS])];
            if (!s.empty()) {
                if (!ParseStatus(s, p.coordStat)) {
                    problem("unknown status " + Quoted(s) + " (fixed, approximate or unknown)");
                    continue;
                }
                p.hasStatus = true;
            }
        }
        if (const auto [it, fresh] = seen.emplace(UpperName(std::string(name).c_str()), l.number); !fresh) {
            problem("the name " + Quoted(name) + " is listed already on line " + std::to_string(it->second));
            continue;
        }
        p.name = std::string(name);
        p.x = xyz[0] * toProjectUnits;
        p.y = xyz[1] * toProjectUnits;
        p.z = xyz[2] * toProjectUnits;
        list.points.push_back(std::move(p));
    }
    return list;
}

void CheckPointNames(const NetworkDocument& doc, PointList& list) {
    // Every name the adjustment knows besides the points', upper case, with what carries it.
    std::map<std::string, std::string> taken;
    auto take = [&taken](const std::string& name, const std::string& owner) {
        taken.emplace(UpperName(name.c_str()), owner);
    };
    for (int i = 0; i < doc.nMaxTheos; ++i) {
        const THEODOLITE& t = doc.theoList[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        take(t.name, std::string("theodolite ") + t.name);
        take(StationEngineName(t), std::string("theodolite ") + t.name);
    }
    for (int i = 0; i < doc.nMaxSBars; ++i) {
        const SCALEBAR& b = doc.sbarList[i];
        if (!(b.flags & ELEM_INUSE)) continue;
        for (const char* end : {"", "R", "L"})
            take(std::string(b.name) + end, std::string("scale bar ") + b.name);
    }
    std::vector<ListedPoint> kept;
    for (ListedPoint& p : list.points) {
        if (const auto it = taken.find(UpperName(p.name.c_str())); it != taken.end())
            list.problems.push_back({p.line, "the name " + Quoted(p.name) + " is taken by " + it->second});
        else
            kept.push_back(std::move(p));
    }
    list.points = std::move(kept);
    std::stable_sort(list.problems.begin(), list.problems.end(),
                     [](const ListProblem& a, const ListProblem& b) { return a.line < b.line; });
}

PointImportCounts ApplyPointList(NetworkDocument& doc, const PointList& list) {
    PointImportCounts counts;
    if (list.points.empty()) return counts;
    NamedChange change(doc, "Import Points");

    // One question for every point outside the limits; the limits grow to take them all.
    auto inside = [&doc](const ListedPoint& p) {
        return doc.xMin <= p.x && p.x <= doc.xMax && doc.yMin <= p.y && p.y <= doc.yMax && doc.zMin <= p.z &&
               p.z <= doc.zMax;
    };
    const auto outside = std::count_if(list.points.begin(), list.points.end(),
                                       [&](const ListedPoint& p) { return !inside(p); });
    bool widen = false;
    if (outside > 0) {
        const std::string text =
            outside == 1 ? "1 point is outside limits, expand limits ?"
                         : std::to_string(outside) + " points are outside limits, expand limits ?";
        widen = doc.host().MessageBox(text, "Import Error", MsgButtons::YesNo, MsgIcon::Question) == IDYES;
    }

    bool limitsChanged = false;
    for (const ListedPoint& p : list.points) {
        if (!inside(p)) {
            if (!widen) {
                ++counts.outside;
                continue;
            }
            doc.xMin = std::min(doc.xMin, p.x), doc.xMax = std::max(doc.xMax, p.x);
            doc.yMin = std::min(doc.yMin, p.y), doc.yMax = std::max(doc.yMax, p.y);
            doc.zMin = std::min(doc.zMin, p.z), doc.zMax = std::max(doc.zMax, p.z);
            limitsChanged = true;
        }
        const int slot = doc.PointCheck(p.name.c_str());
        if (slot >= 0) {
            OBJECTPOINT& e = doc.pointList[slot];
            e.xReal = p.x;
            e.yReal = p.y;
            e.zReal = p.z;
            if (p.hasStatus) e.coordStat = p.coordStat;
            ++counts.updated;
        } else {
            doc.NewPoint(p.name.c_str(), "", p.x, p.y, p.z, p.hasStatus ? p.coordStat : 0);
            if (doc.lastNewSlot < 0)
                ++counts.failed;
            else
                ++counts.added;
        }
    }
    if (counts.added + counts.updated == 0) return counts;
    if (limitsChanged) {
        doc.SetWindowParms();
        doc.CheckViewItems();
    }
    // Every pixel position follows the coordinates (and the limits, when they grew).
    doc.ProcessSimData();
    doc.UpdateScrollBars();
    if (doc.bValEllip) {
        doc.bValEllip = false;
        doc.host().EnableMenuItem(cmd::Ellipse, false);
    }
    doc.bFileDirty = true;
    return counts;
}

std::string DescribeProblems(const std::vector<ListProblem>& problems, std::size_t maxLines) {
    std::string text;
    for (std::size_t i = 0; i < problems.size() && i < maxLines; ++i)
        text += "line " + std::to_string(problems[i].line) + ": " + problems[i].reason + "\n";
    if (problems.size() > maxLines)
        text += "... and " + std::to_string(problems.size() - maxLines) + " more\n";
    return text;
}

bool CmImportPoints(NetworkDocument& doc, int fileUnits) {
    std::string path;
    if (!doc.host().OpenFileDialog(POINT_LIST_FILTER, path)) return false;
    std::string bytes;
    if (!ReadRegularFile(path, bytes)) {
        doc.host().MessageBox("Cannot open " + path, "Import Error", MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    const int from = fileUnits >= UNITS_METERS && fileUnits <= UNITS_INCHES ? fileUnits : doc.units;
    PointList list = ParsePointList(bytes, doc.convTab[from][doc.units]);
    CheckPointNames(doc, list);
    if (!list.problems.empty()) {
        const std::string text = std::to_string(list.problems.size()) +
                                 (list.problems.size() == 1 ? " line" : " lines") + " cannot be read:\n" +
                                 DescribeProblems(list.problems) + "\nImport the " +
                                 std::to_string(list.points.size()) + " points that can be read?";
        if (list.points.empty()) {
            doc.host().MessageBox(DescribeProblems(list.problems) + "\nNo point can be read.", "Import Error",
                                  MsgButtons::Ok, MsgIcon::Exclamation);
            return false;
        }
        if (doc.host().MessageBox(text, "Import Error", MsgButtons::YesNo, MsgIcon::Question) != IDYES)
            return false;
    }
    if (list.points.empty()) {
        doc.host().MessageBox("No point found in " + path, "Import Error", MsgButtons::Ok,
                              MsgIcon::Exclamation);
        return false;
    }
    const PointImportCounts counts = ApplyPointList(doc, list);
    std::string status =
        std::to_string(counts.added) + " points added, " + std::to_string(counts.updated) + " updated";
    if (counts.outside > 0) status += ", " + std::to_string(counts.outside) + " outside limits left out";
    doc.StatBarMessage(status);
    doc.UpdateViews(true);
    return counts.added + counts.updated > 0;
}

} // namespace kivo
