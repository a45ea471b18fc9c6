#!/usr/bin/python3
"""Writes the DXF test files of this folder with Debian's python3-ezdxf (0.18), a writer that is
not ours. Run from this folder: /usr/bin/python3 make_dxf.py

cube_r12.dxf, cube_r2000.dxf: a unit cube as 3DFACE entities, its top as two triangles (fourth
  corner repeating the third) and the other five sides as quads, among a LINE, a CIRCLE and a
  TEXT whose value has spaces, on a layer with a colour.
polyface.dxf (R2000): the same cube as a polyface mesh in the model space, and a block holding a
  one-quad polyface, placed once by INSERT at (10, 0, 0) and a second time at (20, 0, 0).
"""
import ezdxf

CUBE = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0), (0, 0, 1), (1, 0, 1), (1, 1, 1), (0, 1, 1)]
QUADS = [(0, 3, 2, 1), (0, 1, 5, 4), (1, 2, 6, 5), (2, 3, 7, 6), (3, 0, 4, 7)]
TOP = [(4, 5, 6), (4, 6, 7)]


def cube_faces(version, name):
    doc = ezdxf.new(version)
    doc.layers.add("Shell", color=3)
    msp = doc.modelspace()
    msp.add_line((0, 0, 0), (5, 5, 5))
    msp.add_circle((0, 0), 2)
    msp.add_text("a label with spaces")
    for q in QUADS:
        msp.add_3dface([CUBE[i] for i in q], dxfattribs={"layer": "Shell", "color": 1})
    for t in TOP:
        msp.add_3dface([CUBE[i] for i in t])  # ezdxf repeats the third corner
    doc.saveas(name)


def polyface(name):
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    mesh = msp.add_polyface()
    mesh.append_faces([[CUBE[i] for i in q] for q in QUADS] + [[CUBE[i] for i in t] for t in TOP])
    mesh.optimize()
    block = doc.blocks.new(name="PANEL", base_point=(0, 0, 0))
    panel = block.add_polyface()
    panel.append_faces([[(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]])
    msp.add_blockref("PANEL", (10, 0, 0))
    msp.add_blockref("PANEL", (20, 0, 0))
    doc.saveas(name)


cube_faces("R12", "cube_r12.dxf")
cube_faces("R2000", "cube_r2000.dxf")
polyface("polyface.dxf")
