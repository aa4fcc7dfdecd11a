// The project file (".SIM"): a straight little-endian dump of the settings, the element tables and
// the observation lists, told apart by the magic number in front.
//
//   header      655 bytes (current) or 645 bytes (old: no bHeight, bAutosave, SDHeight)
//   theodolite  per slot 0 .. nMaxTheos-1: the 251-byte record, then its non-empty lists
//               (collimations x 28, point directions x 28, scale-bar directions x 44,
//               distances x 20, height differences x 20 (current format only))
//   points      nMaxPoints x 139
//   scale bars  nMaxSBars x 151 (the record without its last int)
//   distances   nMaxDists x 24
//   heights     nMaxHeights x 24
//
// Reading trusts nothing: every count is checked against what the rest of the file can hold
// before anything is allocated, every observation must name a live element, the length unit must
// be one of the four and every header real and every coordinate, rotation and bar length of a
// live element a finite number; the document is changed only when the whole file was read.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/byte_stream.h"
#include "model/network_document.h"

namespace kivo {

namespace {

// Serialises the header fields in file order. The same list drives writing (ByteWriter) and
// reading (ByteReader), so the two cannot drift apart.
struct HeaderWrite {
    ByteWriter& w;
    template <class T> void operator()(T& v) { w.Value(v); }
    void operator()(bool& b) { w.Bool(b); }
    template <class T, std::size_t N> void operator()(T (&a)[N]) { w.Raw(a, sizeof a); }
};

struct HeaderRead {
    ByteReader& r;
    template <class T> void operator()(T& v) { r.Value(v); }
    void operator()(bool& b) { r.Bool(b); }
    template <class T, std::size_t N> void operator()(T (&a)[N]) { r.Raw(a, sizeof a); }
};

// Every stored header field after the magic, in file order.
template <class F> void VisitHeader(NetworkDocument& d, bool current, F&& f) {
    f(d.mdiX);
    f(d.mdiY);
    f(d.mdiWidth);
    f(d.mdiHeight);
    f(d.mdiFlags);
    f(d.Project);
    f(d.Task);
    f(d.Date);
    f(d.bObject);
    f(d.bName);
    f(d.bAbbreviate);
    f(d.bCollimate);
    f(d.bDirect);
    f(d.bDistance);
    if (current) f(d.bHeight);
    f(d.bEllipse);
    f(d.bValEllip);
    f(d.bIdeals);
    f(d.bRecalc);
    if (current) f(d.bAutosave);
    f(d.bBound);
    f(d.bHGrid);
    f(d.bVGrid);
    f(d.hBordSize);
    f(d.vBordSize);
    f(d.hInterval);
    f(d.vInterval);
    f(d.SDTabEntry);
    f(d.SDTheoLocFix);
    f(d.SDTheoLocApx);
    f(d.SDTheoLocUnk);
    f(d.SDTheoRotFix);
    f(d.SDTheoRotApx);
    f(d.SDTheoRotUnk);
    f(d.SDPointLocFix);
    f(d.SDPointLocApx);
    f(d.SDPointLocUnk);
    f(d.SDSBarLength);
    f(d.hSDAngle);
    f(d.vSDAngle);
    f(d.SDDistance);
    if (current) f(d.SDHeight);
    f(d.xMin);
    f(d.xMax);
    f(d.xDef);
    f(d.yMin);
    f(d.yMax);
    f(d.yDef);
    f(d.zMin);
    f(d.zMax);
    f(d.zDef);
    f(d.objScale1);
    f(d.objScale2);
    f(d.objScale3);
    f(d.ellScale);
    f(d.orient);
    f(d.axisType);
    f(d.units);
    f(d.globalPos);
    f(d.globalTheo);
    f(d.globalPoint);
    f(d.nNumTheos);
    f(d.nMaxTheos);
    f(d.nNumPoints);
    f(d.nMaxPoints);
    f(d.nNumSBars);
    f(d.nMaxSBars);
    f(d.nNumDists);
    f(d.nMaxDists);
    f(d.nNumHeights);
    f(d.nMaxHeights);
    f(d.defLength);
}

template <class T> void WriteList(ByteWriter& w, const ObsList<T>& list) {
    if (!list.empty()) w.Raw(list.items().data(), list.items().size() * sizeof(T));
}

// Reads `count` entries of a list; false when the file cannot hold them.
template <class T> bool ReadList(ByteReader& r, std::int32_t count, ObsList<T>& list) {
    if (count == 0) {
        list.Release();
        return true;
    }
    if (!r.CanHold(count, sizeof(T))) return false;
    std::vector<T> entries(static_cast<std::size_t>(count));
    if (!r.Raw(entries.data(), entries.size() * sizeof(T))) return false;
    list.Assign(std::move(entries));
    return true;
}

template <class T, class E>
bool AllTargetsLive(const ObsList<T>& list, const ElementTable<E>& table, int nMax) {
    for (const T& e : list.items())
        if (e.target < 0 || e.target >= nMax || !(table[e.target].flags & ELEM_INUSE)) return false;
    return true;
}

template <class T> int CountLive(const ElementTable<T>& table, int nMax) {
    int n = 0;
    for (int i = 0; i < nMax; ++i)
        if (table[i].flags & ELEM_INUSE) ++n;
    return n;
}

template <class T>
bool GlobalEntriesValid(const GlobalList<T>& list, int nMax, int nNum,
                        const ElementTable<OBJECTPOINT>& points, int nMaxPoints) {
    int live = 0;
    for (int i = 0; i < nMax; ++i) {
        const T& e = list[i];
        if (!(e.flags & OBS_INUSE)) continue;
        ++live;
        for (std::int32_t p : {e.source, e.target})
            if (p < 0 || p >= nMaxPoints || !(points[p].flags & ELEM_INUSE)) return false;
    }
    return live == nNum;
}

// Every real of the header: a non-finite one can only come from a damaged file.
struct HeaderFinite {
    bool ok = true;
    void operator()(double& v) { ok = ok && std::isfinite(v); }
    template <class T> void operator()(T&) {}
};

// The reals of a live element that the views and the adjustment work with: its coordinates, and a
// theodolite's rotations or a scale bar's length.
bool ElementFinite(const COMMON& c) {
    return std::isfinite(c.xReal) && std::isfinite(c.yReal) && std::isfinite(c.zReal);
}
bool ElementFinite(const THEODOLITE& t) {
    return ElementFinite(static_cast<const COMMON&>(t)) && std::isfinite(t.xRotation) &&
           std::isfinite(t.yRotation) && std::isfinite(t.zRotation);
}
bool ElementFinite(const SCALEBAR& s) {
    return ElementFinite(static_cast<const COMMON&>(s)) && std::isfinite(s.length);
}

template <class T> bool LiveElementsFinite(const ElementTable<T>& table, int nMax) {
    for (int i = 0; i < nMax; ++i)
        if ((table[i].flags & ELEM_INUSE) && !ElementFinite(table[i])) return false;
    return true;
}

// Names and abbreviations are terminated inside their fields whatever the file holds.
void TerminateTexts(COMMON& c) {
    c.name[NAME_LEN] = 0;
    c.abbrev[ABBREV_LEN] = 0;
}

} // namespace

void NetworkDocument::WriteProject(ByteWriter& w, std::uint32_t fileMagic, ImageCuts* cuts) const {
    // Selection marks are never stored: each record is written with its mark cleared.
    const bool current = fileMagic != SIM_MAGIC_OLD;
    auto cut = [&](std::uint64_t key) {
        if (cuts) cuts->emplace_back(key, w.bytes().size());
    };
    w.Value(fileMagic);
    VisitHeader(const_cast<NetworkDocument&>(*this), current, HeaderWrite{w});
    cut(0);

    for (int i = 0; i < nMaxTheos; ++i) {
        const THEODOLITE& t = theoList[i];
        THEODOLITE_REC rec = t;
        rec.flags &= static_cast<std::uint8_t>(~ELEM_SELECTED);
        // The older format holds no height differences: its count is stored as 0.
        if (!current) rec.hdCount = 0;
        w.Raw(&rec, THEO_STORED_SIZE);
        const std::uint64_t theo = (std::uint64_t(1) << 40) | (std::uint64_t(i) << 3);
        cut(theo);
        WriteList(w, t.thList);
        cut(theo | 1);
        WriteList(w, t.ptList);
        cut(theo | 2);
        WriteList(w, t.sbList);
        cut(theo | 3);
        WriteList(w, t.dsList);
        cut(theo | 4);
        if (current) WriteList(w, t.hdList);
        cut(theo | 5);
    }
    for (int i = 0; i < nMaxPoints; ++i) {
        OBJECTPOINT p = pointList[i];
        p.flags &= static_cast<std::uint8_t>(~ELEM_SELECTED);
        w.Raw(&p, POINT_SIZE);
    }
    cut(std::uint64_t(2) << 40);
    for (int i = 0; i < nMaxSBars; ++i) {
        SCALEBAR b = sbarList[i];
        b.flags &= static_cast<std::uint8_t>(~ELEM_SELECTED);
        w.Raw(&b, SBAR_STORED_SIZE);
    }
    cut(std::uint64_t(3) << 40);
    if (nMaxDists > 0) w.Raw(distList.data(), static_cast<std::size_t>(nMaxDists) * sizeof(CONNECT4));
    cut(std::uint64_t(4) << 40);
    if (nMaxHeights > 0) w.Raw(heightList.data(), static_cast<std::size_t>(nMaxHeights) * sizeof(CONNECT5));
    cut(std::uint64_t(5) << 40);
}

bool NetworkDocument::WriteSimFile() {
    for (int i = 0; i < nMaxTheos; ++i)
        theoList.Mark(i, false);
    for (int i = 0; i < nMaxPoints; ++i)
        pointList.Mark(i, false);
    for (int i = 0; i < nMaxSBars; ++i)
        sbarList.Mark(i, false);
    ByteWriter w;
    WriteProject(w, magic, nullptr);
    return AtomicWriteFile(OpenName, w.bytes());
}

bool NetworkDocument::ReadSimFile() {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(OpenName, bytes)) {
        ErrorBox(10);
        return false;
    }
    return ReadProject(bytes);
}

bool NetworkDocument::ReadProject(const std::vector<std::uint8_t>& bytes) {
    ByteReader r(bytes.data(), bytes.size());
    std::uint32_t fileMagic = 0;
    if (!r.Value(fileMagic)) {
        ErrorBox(ERR_FILE_DAMAGED);
        return false;
    }
    if (fileMagic != SIM_MAGIC_CURRENT && fileMagic != SIM_MAGIC_OLD) {
        ErrorBox(20);
        return false;
    }
    const bool current = fileMagic == SIM_MAGIC_CURRENT;

    // Keep the header as it is, so that a file that turns out damaged changes nothing.
    ByteWriter backup;
    VisitHeader(*this, true, HeaderWrite{backup});
    const std::uint32_t oldMagic = magic;
    auto fail = [&](int code) {
        ByteReader restore(backup.bytes().data(), backup.bytes().size());
        VisitHeader(*this, true, HeaderRead{restore});
        magic = oldMagic;
        ErrorBox(code);
        return false;
    };

    VisitHeader(*this, current, HeaderRead{r});
    if (!r.ok()) return fail(ERR_FILE_DAMAGED);
    if (!current) {
        bHeight = true;
        bAutosave = false;
        SDHeight = 0.001;
    }
    Project[79] = Task[79] = Date[79] = 0;
    // The length unit indexes the conversion table; every real must be a number.
    HeaderFinite finite;
    VisitHeader(*this, current, finite);
    if (units < UNITS_METERS || units > UNITS_INCHES || !finite.ok) return fail(ERR_FILE_DAMAGED);

    // Counts: not negative, no more live entries than slots, and no more slots than the rest of
    // the file can hold at their smallest size.
    auto countsBad = [](int num, int max) { return num < 0 || max < 0 || num > max; };
    if (countsBad(nNumTheos, nMaxTheos) || countsBad(nNumPoints, nMaxPoints) ||
        countsBad(nNumSBars, nMaxSBars) || countsBad(nNumDists, nMaxDists) ||
        countsBad(nNumHeights, nMaxHeights))
        return fail(ERR_FILE_DAMAGED);
    const std::uint64_t minimum =
        std::uint64_t(nMaxTheos) * THEO_STORED_SIZE + std::uint64_t(nMaxPoints) * POINT_SIZE +
        std::uint64_t(nMaxSBars) * SBAR_STORED_SIZE + std::uint64_t(nMaxDists) * sizeof(CONNECT4) +
        std::uint64_t(nMaxHeights) * sizeof(CONNECT5);
    if (minimum > r.remaining()) return fail(ERR_FILE_DAMAGED);

    ElementTable<THEODOLITE> theos;
    ElementTable<OBJECTPOINT> points;
    ElementTable<SCALEBAR> sbars;
    GlobalList<CONNECT4> dists;
    GlobalList<CONNECT5> heights;
    // The tables keep at least the storage CreateMemory gave them.
    theos.Grow(std::max(nMaxTheos, theoList.storage()));
    points.Grow(std::max(nMaxPoints, pointList.storage()));
    sbars.Grow(std::max(nMaxSBars, sbarList.storage()));
    dists.Grow(std::max(nMaxDists, distList.storage()));
    heights.Grow(std::max(nMaxHeights, heightList.storage()));

    for (int i = 0; i < nMaxTheos; ++i) {
        THEODOLITE& t = theos[i];
        if (!r.Raw(static_cast<THEODOLITE_REC*>(&t), THEO_STORED_SIZE)) return fail(ERR_FILE_DAMAGED);
        TerminateTexts(t);
        if (!current) t.hdCount = 0;
        if (!ReadList(r, t.thCount, t.thList) || !ReadList(r, t.ptCount, t.ptList) ||
            !ReadList(r, t.sbCount, t.sbList) || !ReadList(r, t.dsCount, t.dsList) ||
            !ReadList(r, t.hdCount, t.hdList))
            return fail(ERR_FILE_DAMAGED);
    }
    for (int i = 0; i < nMaxPoints; ++i) {
        if (!r.Raw(&points[i], POINT_SIZE)) return fail(ERR_FILE_DAMAGED);
        TerminateTexts(points[i]);
    }
    for (int i = 0; i < nMaxSBars; ++i) {
        if (!r.Raw(&sbars[i], SBAR_STORED_SIZE)) return fail(ERR_FILE_DAMAGED);
        TerminateTexts(sbars[i]);
    }
    if (!r.Raw(dists.data(), static_cast<std::size_t>(nMaxDists) * sizeof(CONNECT4)) ||
        !r.Raw(heights.data(), static_cast<std::size_t>(nMaxHeights) * sizeof(CONNECT5)))
        return fail(ERR_FILE_DAMAGED);
    if (r.remaining() != 0) return fail(ERR_FILE_DAMAGED);

    // The live counts must agree with the slots, and every observation of a live theodolite and
    // every live point-to-point entry must name a live element.
    if (CountLive(theos, nMaxTheos) != nNumTheos || CountLive(points, nMaxPoints) != nNumPoints ||
        CountLive(sbars, nMaxSBars) != nNumSBars)
        return fail(ERR_FILE_DAMAGED);
    for (int i = 0; i < nMaxTheos; ++i) {
        const THEODOLITE& t = theos[i];
        if (!(t.flags & ELEM_INUSE)) continue;
        if (!AllTargetsLive(t.thList, theos, nMaxTheos) || !AllTargetsLive(t.ptList, points, nMaxPoints) ||
            !AllTargetsLive(t.sbList, sbars, nMaxSBars) || !AllTargetsLive(t.dsList, points, nMaxPoints) ||
            !AllTargetsLive(t.hdList, points, nMaxPoints))
            return fail(ERR_FILE_DAMAGED);
    }
    if (!LiveElementsFinite(theos, nMaxTheos) || !LiveElementsFinite(points, nMaxPoints) ||
        !LiveElementsFinite(sbars, nMaxSBars))
        return fail(ERR_FILE_DAMAGED);
    if (!GlobalEntriesValid(dists, nMaxDists, nNumDists, points, nMaxPoints) ||
        !GlobalEntriesValid(heights, nMaxHeights, nNumHeights, points, nMaxPoints))
        return fail(ERR_FILE_DAMAGED);

    theos.Reindex(nMaxTheos);
    points.Reindex(nMaxPoints);
    sbars.Reindex(nMaxSBars);
    dists.Reindex(nMaxDists);
    heights.Reindex(nMaxHeights);
    theoList = std::move(theos);
    pointList = std::move(points);
    sbarList = std::move(sbars);
    distList = std::move(dists);
    heightList = std::move(heights);
    magic = fileMagic;
    return true;
}

NetworkImage NetworkDocument::CaptureImage(const NetworkImage* like) const {
    ByteWriter w;
    ImageCuts cuts;
    WriteProject(w, SIM_MAGIC_CURRENT, &cuts);
    NetworkImage image = NetworkImage::Build(w.bytes(), cuts, like);
    image.magic = magic;
    image.globalSBar = globalSBar;
    image.leftOutMarks = leftOutMarks;
    image.revision = change_.revision;
    return image;
}

namespace {

// Where each header field lies in the image, and whether it belongs to the tables (a count or a
// naming counter) or to the results (their validity), which always come back with the image.
struct HeaderSpans {
    explicit HeaderSpans(const NetworkDocument& doc) : d(doc) {}
    const NetworkDocument& d;
    std::size_t at = sizeof(std::uint32_t); // after the magic
    struct Span {
        std::size_t at, size;
        bool withTables;
    };
    std::vector<Span> spans;
    void Add(const void* p, std::size_t n) {
        const void* tables[] = {&d.nNumTheos, &d.nMaxTheos,  &d.nNumPoints,  &d.nMaxPoints,  &d.nNumSBars,
                                &d.nMaxSBars, &d.nNumDists,  &d.nMaxDists,   &d.nNumHeights, &d.nMaxHeights,
                                &d.globalPos, &d.globalTheo, &d.globalPoint, &d.bValEllip};
        spans.push_back({at, n, std::find(std::begin(tables), std::end(tables), p) != std::end(tables)});
        at += n;
    }
    template <class T> void operator()(T& v) { Add(&v, sizeof v); }
    void operator()(bool& b) { Add(&b, 1); }
    template <class T, std::size_t N> void operator()(T (&a)[N]) { Add(a, sizeof a); }
};

} // namespace

bool NetworkDocument::RestoreImage(std::shared_ptr<const NetworkImage> target, const NetworkImage& other) {
    std::vector<std::uint8_t> bytes = target->Bytes();
    const std::vector<std::uint8_t> otherBytes = other.PieceBytes(0);
    ByteWriter now;
    now.Value(SIM_MAGIC_CURRENT);
    VisitHeader(*this, true, HeaderWrite{now});
    HeaderSpans spans(*this);
    VisitHeader(*this, true, spans);
    for (const auto& s : spans.spans) {
        if (s.withTables || s.at + s.size > otherBytes.size()) continue;
        if (std::memcmp(bytes.data() + s.at, otherBytes.data() + s.at, s.size) == 0)
            std::memcpy(bytes.data() + s.at, now.bytes().data() + s.at, s.size);
    }
    if (!ReadProject(bytes)) return false;
    magic = target->magic;
    globalSBar = target->globalSBar;
    leftOutMarks = target->leftOutMarks;
    change_.revision = target->revision;
    change_.last = std::move(target);

    selectType = SEL_NONE;
    selection = 0;
    SourcesMarked = false;
    if (gMode != MODE_SELECT) EndTool();
    SetScaleFactors();
    SetWindowParms();
    ProcessSimData();
    host_->EnableMenuItem(cmd::EditCut, false);
    host_->EnableMenuItem(cmd::Ellipse, bValEllip);
    StatBarMessage("");
    CheckViewItems();
    UpdateScrollBars();
    UpdateViews(true);
    host_->UpdateListingMark();
    return true;
}

void NetworkDocument::GetWindowLayout() {
    for (int i = 0; i < 4; ++i) {
        WindowLayout l;
        if (!host_->GetViewLayout(i, l)) continue;
        if (l.showState == 1 || l.showState == 4) {
            mdiFlags[i] = l.showState;
        } else {
            mdiFlags[i] = 2;
            mdiX[i] = l.x;
            mdiY[i] = l.y;
            mdiWidth[i] = l.width;
            mdiHeight[i] = l.height;
        }
    }
    int active = host_->ActiveView();
    if (active >= 0 && active < 4) mdiFlags[active] |= 0x10;
}

} // namespace kivo
