"""Reads a DXF file with ezdxf and prints what it found as JSON, for tst_dxffile and
tst_dxflayers.

Exit status 77 when ezdxf is missing, so that the test can skip with a message.
"""
import json
import sys

try:
    import ezdxf
    from ezdxf import recover
except ImportError:
    print("python3-ezdxf is not installed")
    sys.exit(77)


def xy(v):
    return [v[0], v[1]]


def main(path):
    doc = ezdxf.readfile(path)
    msp = doc.modelspace()
    audit = doc.audit()
    # Recovery mode is where duplicate handles used to cost circles.
    rdoc, raudit = recover.readfile(path)
    out = {
        "version": doc.dxfversion,
        "encoding": doc.encoding,
        "codepage": doc.header.get("$DWGCODEPAGE", ""),
        "extmin": xy(doc.header.get("$EXTMIN", (0, 0))),
        "extmax": xy(doc.header.get("$EXTMAX", (0, 0))),
        "polylines": [[xy(v.dxf.location) for v in p.vertices] for p in msp.query("POLYLINE")],
        "circles": [xy(c.dxf.center) + [c.dxf.radius] for c in msp.query("CIRCLE")],
        "texts": [xy(t.dxf.insert) + [t.dxf.text] for t in msp.query("TEXT")],
        "layers": sorted(set(e.dxf.layer for e in msp)),
        "layer_table": [[l.dxf.name, l.dxf.color] for l in doc.layers if l.dxf.name != "Defpoints"],
        "units": doc.header.get("$INSUNITS", 0),
        "points": [[p.dxf.layer] + list(p.dxf.location) for p in msp.query("POINT")],
        "lwpolylines": [[p.dxf.layer, p.closed, [xy(v) for v in p.get_points("xy")]]
                        for p in msp.query("LWPOLYLINE")],
        "labels": [[t.dxf.layer, t.dxf.text, t.dxf.height, t.dxf.style] for t in msp.query("TEXT")],
        "styles": {s.dxf.name: s.dxf.font for s in doc.styles},
        "entities": len(msp),
        "recover_entities": len(rdoc.modelspace()),
        "audit_errors": len(audit.errors),
        "recover_circles": len(rdoc.modelspace().query("CIRCLE")),
        "recover_texts": [t.dxf.text for t in rdoc.modelspace().query("TEXT")],
        "recover_errors": len(raudit.errors),
        "recover_fixes": len(raudit.fixes),
        "ezdxf": ezdxf.__version__,
    }
    json.dump(out, sys.stdout, ensure_ascii=True)


if __name__ == "__main__":
    main(sys.argv[1])
