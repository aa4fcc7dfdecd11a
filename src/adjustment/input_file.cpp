// The adjustment input file (".INP"): the network in the section format of the engine's
// stand-alone reader. Sections in this order: title, stations, object points, distances, height
// differences (only with point-to-point heights), directions, control information.
// Only declared entries (OBS_IDEAL) holding a value (OBS_VALID) are written; the global lists also
// need OBS_INUSE. Element loops take every live slot in slot order. File > Export writes it.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "adjustment/kivoMDIClient.h"
#include "model/byte_stream.h"
#include "simulation/angles.h"
#include "simulation/scale_bar.h"

namespace kivo {

namespace {

// Standard deviation of a datum component of unknown status; such components do not count.
constexpr double SD_UNKNOWN = 9.99999;

constexpr std::int32_t WRITTEN = OBS_IDEAL | OBS_VALID;
constexpr std::int32_t WRITTEN_GLOBAL = OBS_INUSE | OBS_IDEAL | OBS_VALID;

std::string Text(const char* field, std::size_t n) {
    return std::string(field, strnlen(field, n));
}

// Station label: pos and theo, "%1d %1d     " (8 characters for one-digit numbers).
std::string StationLabel(const THEODOLITE& t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%1d %1d     ", t.pos, t.theo);
    return buf;
}

std::string Name(const COMMON& e) {
    return Text(e.name, sizeof e.name);
}

class InputWriter {
public:
    InputWriter(const kivoMDIClient& doc, std::FILE* f) : d(doc), f(f) {}

    void title() {
        std::fputs("DRAL    Z E N K   -   ORIENTATION DATA CAPTURE (SIMULATION)\n\n", f);
        std::fprintf(f, "  PROJECT = %s\n", Text(d.Project, sizeof d.Project).c_str());
        std::fprintf(f, "     TASK = %s\n", Text(d.Task, sizeof d.Task).c_str());
        std::fprintf(f, "     DATE = %s\n", Text(d.Date, sizeof d.Date).c_str());
        std::fprintf(f, "Dimension    %d\n", d.dimension);
        std::fputs("LISTING   = STATS\n\n", f);
    }

    void input1A() {
        writeth();
        writept();
        writedist();
        writeheight();
    }

    // Stations: coordinates, rotations in radians.
    void writeth() {
        std::fputs("Theodolite Stations\n", f);
        for (int i = 0; i < d.nMaxTheos; ++i) {
            const THEODOLITE& t = d.theoList[i];
            if (!(t.flags & ELEM_INUSE)) continue;
            std::fprintf(f, "%1d %1d     %14.5lf%14.5lf%14.5lf   %9.5lf%9.5lf%9.5lf\n", t.pos, t.theo,
                         t.xReal, t.yReal, t.zReal, GonToRad(t.xRotation), GonToRad(t.yRotation),
                         GonToRad(t.zRotation));
            std::fputs("               1.00E+04      1.00E+04      1.00E+04", f);
            std::fputs("    1.0E-01  1.0E-01  1.0E-01\n", f);
        }
        std::fputs("END\n", f);
    }

    void PointLine(const std::string& label, double x, double y, double z) {
        std::fprintf(f, "%-8s%15.5lf%15.5lf%15.5lf\n", label.c_str(), x, y, z);
        std::fputs("                1.00E+03       1.00E+03       1.00E+03\n", f);
    }

    // Object points: both ends of every scale bar first, then the points.
    void writept() {
        std::fputs("Object Points\n", f);
        for (int i = 0; i < d.nMaxSBars; ++i) {
            const SCALEBAR& s = d.sbarList[i];
            if (!(s.flags & ELEM_INUSE)) continue;
            Vec3 l, r;
            ScaleBarEnds(s, l, r);
            PointLine(Name(s) + "L", l.x, l.y, l.z);
            PointLine(Name(s) + "R", r.x, r.y, r.z);
        }
        for (int i = 0; i < d.nMaxPoints; ++i) {
            const OBJECTPOINT& p = d.pointList[i];
            if (!(p.flags & ELEM_INUSE)) continue;
            PointLine(Name(p), p.xReal, p.yReal, p.zReal);
        }
        std::fputs("END\n", f);
    }

    void PairLine(const std::string& from, const std::string& to, double value, double sd) {
        std::fprintf(f, "%-8s  %-8s%15.5lf %9.5lf\n", from.c_str(), to.c_str(), value, sd);
    }

    // Distances: scale-bar lengths, point to point, theodolite to point. Written even when empty.
    void writedist() {
        std::fputs("Distances\n", f);
        for (int i = 0; i < d.nMaxSBars; ++i) {
            const SCALEBAR& s = d.sbarList[i];
            if (!(s.flags & ELEM_INUSE)) continue;
            PairLine(Name(s) + "L", Name(s) + "R", s.length, d.SDSBarLength);
        }
        for (int i = 0; i < d.nMaxDists; ++i) {
            const CONNECT4& e = d.distList[i];
            if ((e.flags & WRITTEN_GLOBAL) != WRITTEN_GLOBAL) continue;
            PairLine(Name(d.pointList[e.source]), Name(d.pointList[e.target]), e.distance, d.SDDistance);
        }
        for (int i = 0; i < d.nMaxTheos; ++i) {
            const THEODOLITE& t = d.theoList[i];
            if (!(t.flags & ELEM_INUSE) || t.dsCount <= 0) continue;
            const std::string label = StationLabel(t);
            for (const CONNECT3& e : t.dsList.items())
                if ((e.flags & WRITTEN) == WRITTEN)
                    PairLine(label, Name(d.pointList[e.target]), e.distance, d.SDDistance);
        }
        std::fputs("END\n", f);
    }

    // Height differences: only when the global height list has a live entry; then point to point
    // first, theodolite to point after.
    void writeheight() {
        if (d.nNumHeights <= 0) return;
        std::fputs("Height Differences\n", f);
        for (int i = 0; i < d.nMaxHeights; ++i) {
            const CONNECT5& e = d.heightList[i];
            if ((e.flags & WRITTEN_GLOBAL) != WRITTEN_GLOBAL) continue;
            PairLine(Name(d.pointList[e.source]), Name(d.pointList[e.target]), e.height, d.SDHeight);
        }
        for (int i = 0; i < d.nMaxTheos; ++i) {
            const THEODOLITE& t = d.theoList[i];
            if (!(t.flags & ELEM_INUSE) || t.hdCount <= 0) continue;
            const std::string label = StationLabel(t);
            for (const CONNECT6& e : t.hdList.items())
                if ((e.flags & WRITTEN) == WRITTEN)
                    PairLine(label, Name(d.pointList[e.target]), e.height, d.SDHeight);
        }
        std::fputs("END\n", f);
    }

    void Observation(const THEODOLITE& t, const char* label, double h, double v) {
        std::fprintf(f, "%1d %1d       %-8s%11.5lf%11.5lf", t.pos, t.theo, label, h, v);
        std::fprintf(f, "%7.4lf%7.4lf\n", d.hSDAngle, d.vSDAngle);
    }

    // Directions in gon: collimations, scale-bar ends (L then R), point directions.
    void input2A() {
        std::fputs("Observations\n", f);
        for (int i = 0; i < d.nMaxTheos; ++i) {
            const THEODOLITE& t = d.theoList[i];
            if (!(t.flags & ELEM_INUSE) || t.thCount <= 0) continue;
            for (const CONNECT1& e : t.thList.items())
                if ((e.flags & WRITTEN) == WRITTEN)
                    Observation(t, StationLabel(d.theoList[e.target]).c_str(), e.hAngle, e.vAngle);
        }
        for (int i = 0; i < d.nMaxTheos; ++i) {
            const THEODOLITE& t = d.theoList[i];
            if (!(t.flags & ELEM_INUSE) || t.sbCount <= 0) continue;
            for (const CONNECT2& e : t.sbList.items()) {
                if ((e.flags & WRITTEN) != WRITTEN) continue;
                const std::string name = Name(d.sbarList[e.target]);
                Observation(t, (name + "L").c_str(), e.hLAngle, e.vLAngle);
                Observation(t, (name + "R").c_str(), e.hRAngle, e.vRAngle);
            }
        }
        for (int i = 0; i < d.nMaxTheos; ++i) {
            const THEODOLITE& t = d.theoList[i];
            if (!(t.flags & ELEM_INUSE) || t.ptCount <= 0) continue;
            for (const CONNECT1& e : t.ptList.items())
                if ((e.flags & WRITTEN) == WRITTEN)
                    Observation(t, Name(d.pointList[e.target]).c_str(), e.hAngle, e.vAngle);
        }
        std::fputs("END\n", f);
    }

    // Datum standard deviation of component k of a status word: 0 when fixed, `apx` when
    // approximate, SD_UNKNOWN otherwise.
    static double DatumSD(std::int32_t coordStat, int k, double apx) {
        switch (CoordStatOf(coordStat, k)) {
        case COORD_FIX:
        case COORD_FIX | COORD_APX:
            return 0.0;
        case COORD_APX:
            return apx;
        default:
            return SD_UNKNOWN;
        }
    }

    // Control information: the datum of every theodolite and point with at least one component
    // not unknown (after the dimension overrides: 1 = heights only fixes x, y and the rotations;
    // 2 = plan fixes z and the x and y rotations). Rotations in gon here.
    void listct() {
        std::fputs("Control Information\n", f);
        std::fputs("Fixed Coordinates\n", f);
        for (int i = 0; i < d.nMaxTheos; ++i) {
            const THEODOLITE& t = d.theoList[i];
            if (!(t.flags & ELEM_INUSE)) continue;
            double sd[6];
            for (int k = 0; k < 6; ++k)
                sd[k] = DatumSD(t.coordStat, k, k < 3 ? d.SDTheoLocApx : d.SDTheoRotApx);
            if (d.dimension == 1) sd[0] = sd[1] = sd[3] = sd[4] = sd[5] = 0.0;
            if (d.dimension == 2) sd[2] = sd[3] = sd[4] = 0.0;
            bool any = false;
            for (double v : sd)
                any = any || v != SD_UNKNOWN;
            if (!any) continue;
            std::fprintf(f, "%1d %1d      %11.5lf %11.5lf %11.5lf %7.5lf %7.5lf %7.5lf\n", t.pos, t.theo,
                         t.xReal, t.yReal, t.zReal, sd[0], sd[1], sd[2]);
            std::fprintf(f, "%1d %1d      %11.5lf %11.5lf %11.5lf %7.5lf %7.5lf %7.5lf\n", t.pos, t.theo,
                         t.xRotation, t.yRotation, t.zRotation, sd[3], sd[4], sd[5]);
        }
        for (int i = 0; i < d.nMaxPoints; ++i) {
            const OBJECTPOINT& p = d.pointList[i];
            if (!(p.flags & ELEM_INUSE)) continue;
            double sd[3];
            for (int k = 0; k < 3; ++k)
                sd[k] = DatumSD(p.coordStat, k, d.SDPointLocApx);
            if (d.dimension == 1) sd[0] = sd[1] = 0.0;
            if (d.dimension == 2) sd[2] = 0.0;
            if (sd[0] == SD_UNKNOWN && sd[1] == SD_UNKNOWN && sd[2] == SD_UNKNOWN) continue;
            std::fprintf(f, "%-8s %11.5lf %11.5lf %11.5lf %7.5lf %7.5lf %7.5lf\n", Name(p).c_str(), p.xReal,
                         p.yReal, p.zReal, sd[0], sd[1], sd[2]);
        }
        std::fputs("END\n", f);
        std::fputs("Relative error point pairs\n", f);
        std::fputs("END\n", f);
    }

private:
    const kivoMDIClient& d;
    std::FILE* f;
};

} // namespace

// Writes ExportName, replacing an existing file only when the whole new file was written; false
// (with errno telling why) when it could not be, the previous file then being as it was.
bool kivoMDIClient::WriteInputFile() {
    return AtomicWriteStream(ExportName, [this](std::FILE* f) {
        InputWriter w(*this, f);
        w.title();
        w.input1A();
        w.input2A();
        w.listct();
    });
}

// The adjustment input beside the project: every observation computed (ideal or mean, as the
// project is set), then written to the project's name with ".INP". No dirty flag; a file that
// cannot be written is reported, and an earlier file of that name stays as it was.
bool kivoMDIClient::CmExportFile() {
    ExportName = ChangeFileExt(OpenName, ".INP");
    host_->SetCursor(CursorKind::HourGlass);
    RunSimulation();
    const bool written = WriteInputFile();
    const int err = errno;
    host_->SetCursor(CursorKind::Arrow);
    if (!written)
        host_->MessageBox("The adjustment input could not be written to " + ExportName + ":\n" +
                              std::strerror(err) + ".",
                          "KIVO", MsgButtons::Ok, MsgIcon::Exclamation);
    return written;
}

} // namespace kivo
