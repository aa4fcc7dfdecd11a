#!/usr/bin/env python3
"""kivo-cli export-peer on a levelled network: the XML has the structure of GNU Gama's local network
(gama-local) and every observation agrees with the coordinates under Gama's conventions (bearings
from x toward y, zenith angles, slope distances, dh = z(to) - z(from)); a tilted network is refused.

usage: peer_export_check.py KIVO_CLI
"""
import math
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

NS = "{http://www.gnu.org/software/gama/gama-local}"
LEVELLED = """THEO T1 1 0 10 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 0 UNK
THEO T2 2 0 90 FIX 10 FIX 1.5 FIX 0 FIX 0 FIX 25 UNK
THEO T3 3 0 50 UNK 80 UNK 1.6 UNK 0 FIX 0 FIX 310 UNK
SCALE BAR1 50 40 1.2 2.0 50 80
POINT P1 30 UNK 40 UNK 1 UNK
POINT P2 60 UNK 45 UNK 2 UNK
POINT P3 40 APX 60 APX 3 APX
COLL T1 T2
COLL T2 T3
SDIR T1 BAR1
SDIR T2 BAR1
PDIR T1 P1
PDIR T2 P1
PDIR T3 P1
PDIR T1 P2
PDIR T2 P2
PDIR T3 P2
PDIR T1 P3
PDIR T3 P3
DIST T1 P1
HDIF T2 P2
PTDIST P1 P2
PTHDIF P1 P3
"""
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(cli, *args):
    return subprocess.run([cli, *args], capture_output=True, text=True)


def network(cli, tmp, name, targets):
    trg, sim = os.path.join(tmp, name + ".TRG"), os.path.join(tmp, name + ".SIM")
    with open(trg, "w", encoding="ascii") as f:
        f.write(targets)
    for args in (("import", sim, trg), ("simulate", sim)):
        r = run(cli, *args)
        if r.returncode != 0:
            sys.exit("%s failed: %s" % (args[0], r.stderr))
    return sim


def gon(rad):
    return rad * 200.0 / math.pi


def main():
    cli = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        os.environ["KIVO_INI"] = os.path.join(tmp, "none.ini")
        sim = network(cli, tmp, "LEVEL", LEVELLED)
        out = os.path.join(tmp, "net.xml")
        r = run(cli, "export-peer", sim, "-o", out)
        check(r.returncode == 0, "export-peer of a levelled network: exit %d, %s" % (r.returncode, r.stderr))
        root = ET.parse(out).getroot()

        tilted = network(cli, tmp, "TILT", LEVELLED.replace("0.5 UNK", "").replace(
            "THEO T3 3 0 50 UNK 80 UNK 1.6 UNK 0 FIX 0 FIX", "THEO T3 3 0 50 UNK 80 UNK 1.6 UNK 0.5 UNK 0 FIX"))
        refused = os.path.join(tmp, "tilted.xml")
        r = run(cli, "export-peer", tilted, "-o", refused)
        check(r.returncode == 4 and "tilted" in r.stderr and "T3" in r.stderr,
              "a tilted station is refused with its reason: exit %d, %s" % (r.returncode, r.stderr))
        check(not os.path.exists(refused), "nothing written for a refused network")

    check(root.tag == NS + "gama-local", "root element: %s" % root.tag)
    net = root.find(NS + "network")
    check(net is not None and net.get("axes-xy") == "ne" and net.get("angles") == "left-handed", "network element")
    check(net.find(NS + "parameters") is not None, "parameters")
    po = net.find(NS + "points-observations")
    allowed = {"point", "obs", "height-differences", "coordinates"}
    points = {}
    for child in po:
        tag = child.tag.replace(NS, "")
        check(tag in allowed, "unexpected element %s" % tag)
        if tag == "point":
            pid = child.get("id")
            points[pid] = tuple(float(child.get(a)) for a in "xyz")
            check(child.get("fix", "xy") in ("xy", "z", "xyz"), "fix of %s" % pid)
            check(child.get("adj", "xy") in ("xy", "z", "xyz", "XY", "Z", "XYZ", "xyZ", "XYz"), "adj of %s" % pid)
    check(len(points) == 3 + 2 + 3, "points: %s" % sorted(points))
    check(points["1_0"] == (10.0, -10.0, 1.5), "station 1_0 at x, -y, z: %s" % (points["1_0"],))

    counts = {"direction": 0, "z-angle": 0, "s-distance": 0, "dh": 0}
    for o in po.iter(NS + "obs"):
        a = points[o.get("from")]
        offsets = []
        for m in o:
            tag = m.tag.replace(NS, "")
            check(tag in ("direction", "z-angle", "s-distance"), "observation kind %s" % tag)
            b = points[m.get("to")]
            val, stdev = float(m.get("val")), float(m.get("stdev"))
            check(stdev > 0, "stdev of %s %s" % (tag, m.get("to")))
            dx, dy, dz = (b[k] - a[k] for k in range(3))
            counts[tag] += 1
            if tag == "direction":
                offsets.append((val - gon(math.atan2(dy, dx))) % 400.0)
            elif tag == "z-angle":
                check(abs(val - gon(math.atan2(math.hypot(dx, dy), dz))) < 2e-5, "z-angle %s" % m.get("to"))
            else:
                check(abs(val - math.sqrt(dx * dx + dy * dy + dz * dz)) < 1e-9, "s-distance %s" % m.get("to"))
        # One orientation per station: every direction minus its bearing is the same angle.
        for off in offsets:
            diff = abs((off - offsets[0] + 200.0) % 400.0 - 200.0)
            check(diff < 2e-5, "direction set of %s: orientations %s" % (o.get("from"), offsets))
    for dh in po.iter(NS + "dh"):
        a, b = points[dh.get("from")], points[dh.get("to")]
        check(abs(float(dh.get("val")) - (b[2] - a[2])) < 1e-9, "dh %s %s" % (dh.get("from"), dh.get("to")))
        counts["dh"] += 1
    check(counts == {"direction": 14, "z-angle": 14, "s-distance": 3, "dh": 2}, "observations: %s" % counts)
    cov = [c for c in po.iter(NS + "coordinates")]
    check(len(cov) == 1 and cov[0].find(NS + "point").get("id") == "P3", "P3's approximate coordinates observed")

    for f in failures:
        print("FAILED:", f)
    print("%d passed, %d failed" % (1 if not failures else 0, 1 if failures else 0))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
