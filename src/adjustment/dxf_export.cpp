#include "adjustment/dxf_export.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

#include <dxflib/dl_dxf.h>

#include "files/atomic_file.h"
#include "model/byte_stream.h"
#include "simulation/scale_bar.h"

namespace kivo {

namespace {

constexpr const char* DXF_FILTER = "Drawings (*.dxf)|*.dxf|";

// AutoCAD colour index of each layer (the views' colours: green collimations, blue directions,
// red distances, yellow height differences).
enum Aci { ACI_RED = 1, ACI_YELLOW = 2, ACI_GREEN = 3, ACI_BLUE = 5, ACI_WHITE = 7, ACI_GREY = 8 };
constexpr int BYLAYER = 256;

// $INSUNITS of the project's length unit: meters 6, millimeters 4, feet 2, inches 1.
int InsUnits(int units) {
    static const int codes[] = {6, 4, 2, 1};
    return units >= UNITS_METERS && units <= UNITS_INCHES ? codes[units] : 0;
}

// The drawing's X and Y of a model point in the view's plane.
struct Plane {
    int view;
    double h(double x, double y, double) const { return view == 2 ? y : x; }
    double v(double, double y, double z) const { return view == 0 ? y : z; }
    double h(const COMMON& c) const { return h(c.xReal, c.yReal, c.zReal); }
    double v(const COMMON& c) const { return v(c.xReal, c.yReal, c.zReal); }
};

class Drawing {
public:
    Drawing(const kivoMDIClient& doc, int view, DL_Dxf& dxf, DL_WriterA& dw)
        : doc_(doc), plane_{view}, dxf_(dxf), dw_(dw) {
        // Pixel sizes of the view in model units: the symbols and labels keep their screen size.
        const double pixels = doc.hObjScale[view] > 0 ? doc.hObjScale[view] : 1.0;
        pixel_ = 1.0 / pixels;
    }

    void Layers() {
        struct Layer {
            const char* name;
            int colour;
            bool shown;
        };
        const Layer layers[] = {
            {"0", ACI_WHITE, true},
            {dxf_layer::Limits, ACI_GREY, doc_.bBound},
            {dxf_layer::Stations, ACI_GREEN, true},
            {dxf_layer::Points, ACI_RED, true},
            {dxf_layer::ScaleBars, ACI_RED, true},
            {dxf_layer::Collimations, ACI_GREEN, doc_.bCollimate},
            {dxf_layer::Directions, ACI_BLUE, doc_.bDirect},
            {dxf_layer::Distances, ACI_RED, doc_.bDistance},
            {dxf_layer::Heights, ACI_YELLOW, doc_.bHeight},
            {dxf_layer::Ellipses, ACI_WHITE, doc_.bEllipse},
            {dxf_layer::Labels, ACI_WHITE, doc_.bName},
        };
        dw_.tableLayers(static_cast<int>(std::size(layers)));
        for (const Layer& l : layers)
            dxf_.writeLayer(dw_, DL_LayerData(l.name, 0, !l.shown),
                            DL_Attributes("", l.colour, 100, "CONTINUOUS", 1.0));
        dw_.tableEnd();
    }

    void Entities() {
        Limits();
        for (int i = 0; i < doc_.nMaxTheos; ++i) {
            const THEODOLITE& t = doc_.theoList[i];
            if (!(t.flags & ELEM_INUSE)) continue;
            for (int k = 0; k < t.thList.size(); ++k)
                Line(dxf_layer::Collimations, t, doc_.theoList[t.thList[k].target]);
            for (int k = 0; k < t.ptList.size(); ++k)
                Line(dxf_layer::Directions, t, doc_.pointList[t.ptList[k].target]);
            for (int k = 0; k < t.sbList.size(); ++k)
                Line(dxf_layer::Directions, t, doc_.sbarList[t.sbList[k].target]);
            for (int k = 0; k < t.dsList.size(); ++k)
                Line(dxf_layer::Distances, t, doc_.pointList[t.dsList[k].target]);
            for (int k = 0; k < t.hdList.size(); ++k)
                Line(dxf_layer::Heights, t, doc_.pointList[t.hdList[k].target]);
        }
        for (int i = 0; i < doc_.nMaxDists; ++i)
            if (doc_.distList[i].flags & OBS_INUSE)
                Line(dxf_layer::Distances, doc_.pointList[doc_.distList[i].source],
                     doc_.pointList[doc_.distList[i].target]);
        for (int i = 0; i < doc_.nMaxHeights; ++i)
            if (doc_.heightList[i].flags & OBS_INUSE)
                Line(dxf_layer::Heights, doc_.pointList[doc_.heightList[i].source],
                     doc_.pointList[doc_.heightList[i].target]);

        if (doc_.bValEllip) {
            for (int i = 0; i < doc_.nMaxTheos; ++i)
                if (doc_.theoList[i].flags & ELEM_INUSE) Ellipse(doc_.theoList[i]);
            for (int i = 0; i < doc_.nMaxPoints; ++i)
                if (doc_.pointList[i].flags & ELEM_INUSE) Ellipse(doc_.pointList[i]);
        }
        for (int i = 0; i < doc_.nMaxTheos; ++i)
            if (doc_.theoList[i].flags & ELEM_INUSE) Element(dxf_layer::Stations, doc_.theoList[i], 6);
        for (int i = 0; i < doc_.nMaxPoints; ++i)
            if (doc_.pointList[i].flags & ELEM_INUSE) Element(dxf_layer::Points, doc_.pointList[i], 4);
        for (int i = 0; i < doc_.nMaxSBars; ++i) {
            const SCALEBAR& b = doc_.sbarList[i];
            if (!(b.flags & ELEM_INUSE)) continue;
            Vec3 left, right;
            ScaleBarEnds(b, left, right);
            dxf_.writeLine(dw_,
                           DL_LineData(plane_.h(left.x, left.y, left.z), plane_.v(left.x, left.y, left.z),
                                       0.0, plane_.h(right.x, right.y, right.z),
                                       plane_.v(right.x, right.y, right.z), 0.0),
                           Attributes(dxf_layer::ScaleBars));
            Element(dxf_layer::ScaleBars, b, 0);
        }
    }

private:
    DL_Attributes Attributes(const char* layer) const {
        return DL_Attributes(layer, BYLAYER, -1, "BYLAYER", 1.0);
    }

    void Limits() {
        const double h0 = plane_.h(doc_.xMin, doc_.yMin, doc_.zMin),
                     h1 = plane_.h(doc_.xMax, doc_.yMax, doc_.zMax);
        const double v0 = plane_.v(doc_.xMin, doc_.yMin, doc_.zMin),
                     v1 = plane_.v(doc_.xMax, doc_.yMax, doc_.zMax);
        const double corners[5][2] = {{h0, v0}, {h1, v0}, {h1, v1}, {h0, v1}, {h0, v0}};
        for (int k = 0; k < 4; ++k)
            dxf_.writeLine(
                dw_,
                DL_LineData(corners[k][0], corners[k][1], 0.0, corners[k + 1][0], corners[k + 1][1], 0.0),
                Attributes(dxf_layer::Limits));
    }

    void Line(const char* layer, const COMMON& a, const COMMON& b) {
        dxf_.writeLine(dw_, DL_LineData(plane_.h(a), plane_.v(a), 0.0, plane_.h(b), plane_.v(b), 0.0),
                       Attributes(layer));
    }

    // The element's position as a POINT, a circle of `radiusPixels` around it (none for 0) and its
    // label where the views write it: 7 pixels right of and above the position (12 for a bar).
    void Element(const char* layer, const COMMON& c, int radiusPixels) {
        const double h = plane_.h(c), v = plane_.v(c);
        dxf_.writePoint(dw_, DL_PointData(h, v, 0.0), Attributes(layer));
        if (radiusPixels > 0)
            dxf_.writeCircle(dw_, DL_CircleData(h, v, 0.0, radiusPixels * pixel_), Attributes(layer));
        const std::string text = doc_.bAbbreviate ? c.abbrev : c.name;
        if (text.empty()) return;
        const double dx = (std::strcmp(layer, dxf_layer::ScaleBars) == 0 ? 12 : 7) * pixel_,
                     height = 8 * pixel_;
        // Left-aligned on its baseline; the text's top sits 7 pixels above the position.
        const double x = h + dx, y = v + 7 * pixel_ - height;
        dxf_.writeText(dw_, DL_TextData(x, y, 0.0, x, y, 0.0, height, 1.0, 0, 0, 0, text, "STANDARD", 0.0),
                       Attributes(dxf_layer::Labels));
    }

    // The ellipse of the view's plane, magnified as the view draws it: semi-axes A and B, the major
    // axis at phi (gon) from the horizontal axis toward the vertical one.
    void Ellipse(const COMMON& c) {
        const int view = plane_.view;
        const double mag = DxfEllipseMagnification(doc_, view);
        // At 95 % the views draw the 1-sigma ellipse scaled by the plane factor; so does the drawing.
        const double f = doc_.precision.ellipseFactor();
        const double a = c.A[view] * mag * f, b = c.B[view] * mag * f;
        if (!(a > 0) || !std::isfinite(a) || !std::isfinite(b)) return;
        const double phi = c.phi[view] * M_PI / 200.0;
        const double ratio = std::max(std::min(b / a, 1.0), 1e-6); // DXF wants 0 < ratio <= 1
        dxf_.writeEllipse(dw_,
                          DL_EllipseData(plane_.h(c), plane_.v(c), 0.0, a * std::cos(phi), a * std::sin(phi),
                                         0.0, ratio, 0.0, 2 * M_PI),
                          Attributes(dxf_layer::Ellipses));
    }

    const kivoMDIClient& doc_;
    Plane plane_;
    DL_Dxf& dxf_;
    DL_WriterA& dw_;
    double pixel_ = 1.0;
};

// The whole drawing into `file` (a private temporary file).
bool WriteDrawing(const kivoMDIClient& doc, int view, const std::string& file) {
    DL_Dxf dxf;
    std::unique_ptr<DL_WriterA> dw(dxf.out(file.c_str(), DL_Codes::AC1015));
    if (!dw || dw->openFailed()) return false;
    Drawing drawing(doc, view, dxf, *dw);

    dxf.writeHeader(*dw);
    dw->dxfString(9, "$INSUNITS");
    dw->dxfInt(70, InsUnits(doc.units));
    dw->sectionEnd();

    dw->sectionTables();
    dxf.writeVPort(*dw);
    dw->tableLinetypes(3);
    dxf.writeLinetype(*dw, DL_LinetypeData("BYBLOCK", "", 0, 0, 0.0));
    dxf.writeLinetype(*dw, DL_LinetypeData("BYLAYER", "", 0, 0, 0.0));
    dxf.writeLinetype(*dw, DL_LinetypeData("CONTINUOUS", "Solid line", 0, 0, 0.0));
    dw->tableEnd();
    drawing.Layers();
    dw->tableStyle(1);
    dxf.writeStyle(*dw, DL_StyleData("STANDARD", 0, 0.0, 1.0, 0.0, 0, 2.5, "txt", ""));
    dw->tableEnd();
    dxf.writeView(*dw);
    dxf.writeUcs(*dw);
    dw->tableAppid(1);
    dxf.writeAppid(*dw, "ACAD");
    dw->tableEnd();
    dxf.writeDimStyle(*dw, 1, 1, 1, 1, 1);
    dxf.writeBlockRecord(*dw);
    dw->tableEnd();
    dw->sectionEnd();

    dw->sectionBlocks();
    dxf.writeBlock(*dw, DL_BlockData("*Model_Space", 0, 0.0, 0.0, 0.0));
    dxf.writeEndBlock(*dw, "*Model_Space");
    dxf.writeBlock(*dw, DL_BlockData("*Paper_Space", 0, 0.0, 0.0, 0.0));
    dxf.writeEndBlock(*dw, "*Paper_Space");
    dxf.writeBlock(*dw, DL_BlockData("*Paper_Space0", 0, 0.0, 0.0, 0.0));
    dxf.writeEndBlock(*dw, "*Paper_Space0");
    dw->sectionEnd();

    dw->sectionEntities();
    drawing.Entities();
    dw->sectionEnd();
    dxf.writeObjects(*dw);
    dxf.writeObjectsEnd(*dw);
    dw->dxfEOF();
    dw->close();
    return true;
}

} // namespace

double DxfEllipseMagnification(const kivoMDIClient& doc, int view) {
    const double obj = doc.hObjScale[view];
    return obj > 0 && doc.hEllScale > 0 ? doc.hEllScale / obj : 1.0;
}

bool WriteViewDxf(const kivoMDIClient& doc, int view, const std::string& path) {
    if (view < 0 || view > 2 || !doc.bTablesCreated) {
        errno = EINVAL;
        return false;
    }
    // The library writes to a file by name: it writes a private temporary file, whose bytes then
    // replace the target in one step.
    std::error_code ec;
    std::string tmp = (std::filesystem::temp_directory_path(ec) / "kivo-dxf-XXXXXX").string();
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    ::close(fd);
    std::string bytes;
    // The library does not report failed writes: a drawing is whole when its end marker made it.
    const bool drawn = WriteDrawing(doc, view, tmp) && ReadRegularFile(tmp, bytes) && bytes.size() >= 4 &&
                       bytes.compare(bytes.size() - 4, 4, "EOF\n") == 0;
    const int err = errno;
    std::filesystem::remove(tmp, ec);
    if (!drawn) {
        errno = err ? err : EIO;
        return false;
    }
    return AtomicWriteFile(path, bytes);
}

bool CmExportDrawing(kivoMDIClient& doc, int view) {
    if (!doc.bFileOpen || view < 0 || view > 2) return false;
    std::string path = ChangeFileExt(doc.OpenName, ".dxf"); // proposed beside the project
    if (!doc.host().SaveFileDialog(DXF_FILTER, path)) return false;
    if (!WriteViewDxf(doc, view, path)) {
        doc.host().MessageBox("The drawing could not be written to " + path + ": " + std::strerror(errno) +
                                  ".",
                              "KIVO", MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    doc.StatBarMessage(std::string(doc.szViewNames[view]) + " written to " + path);
    return true;
}

} // namespace kivo
