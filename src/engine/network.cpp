#include "engine/network.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>

#include "engine/parallel.h"
#include "engine/project.h"

namespace kivo::eng {

namespace {

constexpr const char* kSigmaNotPositive = "standard deviation not positive";

std::string fieldName(const char* s) {
    return std::string(s, strnlen(s, 16));
}

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Element names by their upper-case form, for the lookups of a million observations: a name field
// holds at most 16 bytes, so a key is two words. The keys lie in element order; the table holds
// 8-byte slots (part of the hash and the element), probed in place: no string or node is made per
// name or per lookup, and the table of a few hundred thousand names stays small.
class NameTable {
public:
    explicit NameTable(std::size_t count) {
        for (int c = 0; c < 256; ++c)
            upper_[c] = static_cast<unsigned char>(std::toupper(c));
        std::size_t size = 16;
        while (size < 2 * count)
            size *= 2;
        slots_.assign(size, Slot{});
        mask_ = size - 1;
    }
    // Enters the names of elements 0 .. n-1 in order (name(i): a std::string); clash(i, before) for
    // each name entered before under element `before`. The slots are fetched a few names ahead: a
    // hundred thousand names land all over the table.
    template <class Name, class Clash> void insertAll(std::size_t n, Name&& name, Clash&& clash) {
        keys_.resize(n);
        for (std::size_t i = 0; i < n; ++i)
            keys_[i] = keyOf(name(i).data(), name(i).size());
        constexpr std::size_t kAhead = 8;
        for (std::size_t i = 0; i < n; ++i) {
            if (i + kAhead < n) __builtin_prefetch(&slots_[hash(keys_[i + kAhead]) & mask_], 1);
            const int before = insert(static_cast<int>(i));
            if (before >= 0) clash(static_cast<int>(i), before);
        }
    }
    // The element of a 16-byte name field (up to its first NUL), or -1.
    int find(const char* field) const {
        const Key k = keyOf(field, strnlen(field, 16));
        const std::uint64_t h = hash(k);
        for (std::size_t at = h & mask_;; at = (at + 1) & mask_) {
            const Slot& s = slots_[at];
            if (s.element < 0) return -1;
            if (s.tag == tagOf(h) && keys_[static_cast<std::size_t>(s.element)] == k) return s.element;
        }
    }

private:
    struct Key {
        std::uint64_t lo = 0, hi = 0;
        bool operator==(const Key&) const = default;
    };
    struct Slot {
        std::uint32_t tag = 0; // the hash's high bits
        int element = -1;
    };
    // The element already under element i's key, or -1 after entering i.
    int insert(int i) {
        const Key& k = keys_[static_cast<std::size_t>(i)];
        const std::uint64_t h = hash(k);
        for (std::size_t at = h & mask_;; at = (at + 1) & mask_) {
            Slot& s = slots_[at];
            if (s.element < 0) {
                s = {tagOf(h), i};
                return -1;
            }
            if (s.tag == tagOf(h) && keys_[static_cast<std::size_t>(s.element)] == k) return s.element;
        }
    }
    Key keyOf(const char* name, std::size_t length) const {
        unsigned char bytes[16] = {};
        for (std::size_t i = 0; i < length && i < 16; ++i)
            bytes[i] = upper_[static_cast<unsigned char>(name[i])];
        Key k;
        std::memcpy(&k.lo, bytes, 8);
        std::memcpy(&k.hi, bytes + 8, 8);
        return k;
    }
    static std::uint64_t hash(const Key& k) {
        const std::uint64_t h = (k.lo ^ (k.hi * 0x9e3779b97f4a7c15ULL)) * 0xbf58476d1ce4e5b9ULL;
        return h ^ (h >> 31);
    }
    static std::uint32_t tagOf(std::uint64_t h) { return static_cast<std::uint32_t>(h >> 32); }
    unsigned char upper_[256]; // std::toupper of each byte, as the names' upper case is taken elsewhere
    std::vector<Key> keys_;    // per element
    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
};

bool estimated(int status) {
    return status == kStatusUnknown || status == kStatusPseudo;
}

// An element as the user sees it, with the engine name beside it where that differs.
void appendShown(const Element& e, std::string& into) {
    if (e.label.empty() || e.label == e.name) {
        into += e.name;
        return;
    }
    into += e.label;
    into += " (";
    into += e.name;
    into += ')';
}

} // namespace

const char* kindName(Kind k) {
    switch (k) {
    case Kind::Distance:
        return "distance";
    case Kind::HeightDiff:
        return "height difference";
    case Kind::Direction:
        return "direction";
    case Kind::Zenith:
        return "zenith angle";
    case Kind::Pseudo:
        return "pseudo-observation";
    }
    return "?";
}

bool Network::read(const project& p) {
    dim = p.dim;
    units = p.units;
    nsta = std::max(p.maxsta, 0);
    ntar = std::max(p.maxtar, 0);
    // Each element made where it stays, in one pass (a hundred thousand of them are 25 MB); the
    // pseudo-observed components counted on the way.
    std::size_t pseudo = 0;
    el.clear();
    el.reserve(static_cast<std::size_t>(nsta) + static_cast<std::size_t>(ntar));
    for (int i = 0; i < nsta; ++i) {
        Element& e = el.emplace_back();
        const edit_sta& s = p.sta[i];
        e.name = fieldName(s.nam);
        e.label = fieldName(s.label);
        e.station = true;
        e.index = i;
        e.ncomp = 6;
        for (int k = 0; k < 6; ++k) {
            e.x[k] = e.x0[k] = s.x[k];
            e.status[k] = s.d[k];
            pseudo += s.d[k] == kStatusPseudo ? 1 : 0;
        }
    }
    for (int j = 0; j < ntar; ++j) {
        Element& e = el.emplace_back();
        const edit_tar& t = p.tar[j];
        e.name = fieldName(t.nam);
        e.label = fieldName(t.label);
        e.index = j;
        e.ncomp = 3;
        for (int k = 0; k < 3; ++k) {
            e.x[k] = e.x0[k] = t.x[k];
            e.status[k] = t.d[k];
            pseudo += t.d[k] == kStatusPseudo ? 1 : 0;
        }
    }

    // Names link observations to elements: they must be unique ignoring case.
    NameTable byName(el.size());
    std::map<std::string, std::vector<int>> clashes; // sorted for the listing
    byName.insertAll(
        el.size(), [&](std::size_t i) -> const std::string& { return el[i].name; },
        [&](int i, int before) {
            auto& list = clashes[upper(el[i].name)];
            if (list.empty()) list.push_back(before);
            list.push_back(i);
        });
    duplicates.clear();
    for (const auto& [key, list] : clashes) {
        std::string text;
        for (int i : list) {
            if (!text.empty()) text += ", ";
            text += (el[i].station ? "station " : "target ") + shown(i);
        }
        duplicates.push_back(text);
    }
    if (!duplicates.empty()) return false;

    obs.clear();
    invalid.clear();
    std::fill(std::begin(sigmaNotPositive), std::end(sigmaNotPositive), 0);
    struct Table {
        const edit_mes* rows;
        int count;
        Kind kind;
    };
    const Table tables[4] = {{p.alldist, p.maxdist, Kind::Distance},
                             {p.alldifh, p.maxdifh, Kind::HeightDiff},
                             {p.alldir1, p.maxdir1, Kind::Direction},
                             {p.alldir2, p.maxdir2, Kind::Zenith}};
    // Reserved to the count: a million observations must not sit in a vector of twice the capacity.
    std::size_t capacity = 0;
    for (const Table& t : tables)
        capacity += static_cast<std::size_t>(std::max(t.count, 0));
    capacity += pseudo;
    obs.reserve(capacity);
    // A block of a table's rows at a time is looked up and checked over the cores, each row into its
    // own slot, and taken over in row order.
    constexpr int kBlock = 1 << 15;
    std::vector<int> ends(2 * static_cast<std::size_t>(kBlock));
    std::vector<const char*> whyOf(static_cast<std::size_t>(kBlock));
    for (int t = 0; t < 4; ++t)
        for (int first = 0; first < tables[t].count; first += kBlock) {
            const int count = std::min(tables[t].count - first, kBlock);
            const Kind kind = tables[t].kind;
            parallelRanges(static_cast<std::size_t>(count), [&](std::size_t from, std::size_t to) {
                // Rows come grouped (a target's sightings, a station's): the name just looked up
                // at each end is tried first.
                const char* last1 = nullptr;
                const char* last2 = nullptr;
                int found1 = -1, found2 = -1;
                auto cached = [&](const char* nam, const char*& last, int& found) {
                    if (!last || std::strncmp(nam, last, 16) != 0) {
                        found = byName.find(nam);
                        last = nam;
                    }
                    return found;
                };
                for (std::size_t r = from; r < to; ++r) {
                    const edit_mes& m = tables[t].rows[static_cast<std::size_t>(first) + r];
                    const int e1 = cached(m.nam1, last1, found1), e2 = cached(m.nam2, last2, found2);
                    ends[2 * r] = e1;
                    ends[2 * r + 1] = e2;
                    const char* why = nullptr;
                    if (e1 < 0 || e2 < 0)
                        why = "unknown name";
                    else if (e1 == e2)
                        why = "from an element to itself";
                    else if ((kind == Kind::Direction || kind == Kind::Zenith) && !el[e1].station)
                        why = "not observed from a station";
                    else if (!(m.sval > 0.0) || !std::isfinite(m.sval))
                        why = kSigmaNotPositive;
                    else if (!std::isfinite(m.val))
                        why = "value not a number";
                    else if (kind == Kind::Distance && !(m.val > 0.0))
                        why = "zero-length distance";
                    else {
                        double v, d1[6], d2[3];
                        double p1[6];
                        for (int k = 0; k < 6; ++k)
                            p1[k] = k < el[e1].ncomp ? el[e1].x[k] : 0.0;
                        if (!evaluate(kind, p1, el[e2].x, v, d1, d2))
                            why = kind == Kind::Distance ? "zero-length distance"
                                                         : "sighting along the instrument's vertical";
                    }
                    whyOf[r] = why;
                }
            });
            for (int i = 0; i < count; ++i) {
                const int r = first + i;
                const edit_mes& m = tables[t].rows[r];
                Observation o;
                o.kind = kind;
                o.table = static_cast<std::int8_t>(t);
                o.row = r;
                o.e1 = ends[2 * static_cast<std::size_t>(i)];
                o.e2 = ends[2 * static_cast<std::size_t>(i) + 1];
                o.value = m.val;
                o.sigma = m.sval;
                if (const char* why = whyOf[static_cast<std::size_t>(i)]) {
                    if (why == kSigmaNotPositive) ++sigmaNotPositive[t];
                    char head[96];
                    std::snprintf(head, sizeof head, "%s %d (", kindName(o.kind), r + 1);
                    invalid.push_back(head + (o.e1 >= 0 ? shown(o.e1) : fieldName(m.nam1)) + " -> " +
                                      (o.e2 >= 0 ? shown(o.e2) : fieldName(m.nam2)) + "): " + why);
                    continue;
                }
                obs.push_back(o);
            }
        }
    // Pseudo-observations of status-3 components with a positive standard deviation.
    for (int i = 0; i < static_cast<int>(el.size()); ++i) {
        const Element& e = el[i];
        for (int k = 0; k < e.ncomp; ++k) {
            if (e.status[k] != kStatusPseudo) continue;
            double sx = e.station ? p.sta[e.index].sx[k] : p.tar[e.index].sx[k];
            if (!(sx > 0.0) || !std::isfinite(sx)) continue;
            if (k >= 3) sx = gonToRad(sx); // rotation std devs are given in gon
            Observation o;
            o.kind = Kind::Pseudo;
            o.e1 = i;
            o.comp = static_cast<std::int8_t>(k);
            o.value = e.x0[k];
            o.sigma = sx;
            obs.push_back(o);
        }
    }
    return true;
}

void Network::numberUnknowns() {
    nparam = 0;
    paramElement.clear();
    paramComp.clear();
    // (At most three unknowns a target, six a station: no pass over the elements to count them.)
    const std::size_t most = 3 * el.size() + 3 * static_cast<std::size_t>(std::max(nsta, 0));
    paramElement.reserve(most);
    paramComp.reserve(most);
    for (int i = 0; i < static_cast<int>(el.size()); ++i) {
        Element& e = el[i];
        for (int k = 0; k < 6; ++k)
            e.param[k] = -1;
        if (!e.determined) continue;
        for (int k = 0; k < e.ncomp; ++k) {
            if (!estimated(e.status[k])) continue;
            e.param[k] = nparam++;
            paramElement.push_back(i);
            paramComp.push_back(k);
        }
    }
}

bool Network::computed(int i, double& value) const {
    const Observation& o = obs[i];
    if (o.kind == Kind::Pseudo) {
        value = el[o.e1].x[o.comp];
        return true;
    }
    const Element& a = el[o.e1];
    double p1[6] = {};
    for (int k = 0; k < a.ncomp; ++k)
        p1[k] = a.x[k];
    double d1[6], d2[3];
    return evaluate(o.kind, p1, el[o.e2].x, value, d1, d2);
}

bool Network::linearize(int i, Row& row) const {
    const Observation& o = obs[i];
    row.n = 0;
    row.w = 1.0 / (o.sigma * o.sigma);
    if (o.kind == Kind::Pseudo) {
        const Element& e = el[o.e1];
        row.misclosure = o.value - e.x[o.comp];
        if (e.param[o.comp] >= 0) {
            row.idx[0] = e.param[o.comp];
            row.a[0] = 1.0;
            row.n = 1;
        }
        return true;
    }
    const Element& a = el[o.e1];
    const Element& b = el[o.e2];
    double p1[6] = {};
    for (int k = 0; k < a.ncomp; ++k)
        p1[k] = a.x[k];
    double v, d1[6], d2[3];
    if (!evaluate(o.kind, p1, b.x, v, d1, d2, o.kind == Kind::Direction ? o.value : -1.0)) return false;
    double mis = o.value - v;
    if (o.kind == Kind::Direction) mis = reduceGon(mis);
    row.misclosure = mis;
    const int n1 = o.kind == Kind::Direction || o.kind == Kind::Zenith ? a.ncomp : 3;
    for (int k = 0; k < n1; ++k)
        if (a.param[k] >= 0 && d1[k] != 0.0) {
            row.idx[row.n] = a.param[k];
            row.a[row.n++] = d1[k];
        }
    for (int k = 0; k < 3; ++k)
        if (b.param[k] >= 0 && d2[k] != 0.0) {
            row.idx[row.n] = b.param[k];
            row.a[row.n++] = d2[k];
        }
    return true;
}

std::string Network::describe(int i) const {
    std::string text;
    describe(i, text);
    return text;
}

void Network::describe(int i, std::string& into) const {
    const Observation& o = obs[i];
    auto append = [&](int e) { appendShown(el[e], into); };
    into.clear();
    if (o.kind == Kind::Pseudo) {
        static const char* comp[6] = {"x", "y", "z", "rx", "ry", "rz"};
        into += "pseudo-observation ";
        append(o.e1);
        into += ' ';
        into += comp[o.comp];
        return;
    }
    into += kindName(o.kind);
    into += ' ';
    append(o.e1);
    into += " -> ";
    append(o.e2);
}

std::string Network::shown(int i) const {
    std::string text;
    appendShown(el[i], text);
    return text;
}

} // namespace kivo::eng
