#pragma once
// ezdxf scripts for the test drawings: every kind the reader draws, in any
// version ezdxf writes.
#include <string>

namespace testing_support {

// Defines every_kind(doc) (what R12 lacks is left out there) and
// save(doc, name) writing "name.dxf" and, binary, "name.bin.dxf".
inline const std::string kEveryKindScript = R"PY(
import math
from ezdxf.math import Vec3

def every_kind(doc, text=True):
    msp = doc.modelspace()
    r12 = doc.dxfversion == 'AC1009'
    msp.add_line((-40, -10, 3), (120, 60, -2))
    msp.add_point((5, 95))
    msp.add_circle((50, 50), 20)
    msp.add_arc((10, 10), 30, 20, 250)
    msp.add_arc((30, 0), 12, 0, 120, dxfattribs={'extrusion': (0, 0, -1)})
    msp.add_circle((20, 30, 4), 9, dxfattribs={'extrusion': (1, 1, 2)})
    msp.add_polyline2d([(0, 0, 0.5), (40, 0, 0), (40, 40, -1), (0, 60, 0)],
                       format='xyb', close=True)
    msp.add_polyline3d([(100, 0, 0), (130, 20, 10), (150, 0, 30)])
    face = msp.add_polyface()
    face.append_face([(200, 0, 0), (230, 0, 0), (230, 30, 5), (200, 30, 0)])
    face.append_face([(230, 0, 0), (250, 10, 0), (230, 30, 5)])
    mesh = msp.add_polymesh((3, 4))
    for m in range(3):
        for n in range(4):
            mesh.set_mesh_vertex((m, n), (260 + 10 * n, 10 * m + n, m * n))
    msp.add_solid([(0, 100), (30, 100), (0, 130), (30, 140)])
    msp.add_trace([(40, 100), (70, 100), (40, 120), (70, 125)])
    msp.add_3dface([(80, 100, 0), (110, 100, 5), (110, 130, 0), (80, 125, 0)])
    inner = doc.blocks.new('INNER', base_point=(5, 5))
    inner.add_circle((5, 5), 4)
    inner.add_line((5, 5), (15, 5))
    outer = doc.blocks.new('OUTER')
    outer.add_blockref('INNER', (0, 0), dxfattribs={'xscale': -1.5, 'yscale': 0.5, 'rotation': 30})
    outer.add_line((0, 0), (0, 20))
    ref = msp.add_blockref('OUTER', (300, 100), dxfattribs={'rotation': 15, 'xscale': 2, 'yscale': 2})
    ref.dxf.column_count = 3
    ref.dxf.row_count = 2
    ref.dxf.column_spacing = 25
    ref.dxf.row_spacing = 30
    msp.add_blockref('OUTER', (200, 200), dxfattribs={'extrusion': (0, 0, -1)})
    if not r12:
        msp.add_lwpolyline([(300, 0, 0, 0, 0.3), (340, 0, 0, 0, -0.7), (360, 30, 0, 0, 0)],
                           format='xyseb', close=True)
        msp.add_ellipse((150, 150), major_axis=(40, 15), ratio=0.4)
        msp.add_ellipse((150, 220), major_axis=(-10, 30), ratio=0.5, start_param=1, end_param=5)
        msp.add_open_spline([(0, 200), (20, 260), (60, 180), (90, 240), (120, 200)])
        msp.add_rational_spline([(0, 300), (40, 360), (80, 300), (120, 350)], [1, 3, 0.5, 1])
        msp.add_leader([(400, 100), (420, 130), (450, 130)]).dxf.has_arrowhead = 0
        dim = msp.add_linear_dim(base=(0, -40), p1=(0, -20), p2=(100, -20), dimstyle='EZDXF')
        dim.render()
    if text:
        msp.add_text('a text', dxfattribs={'insert': (0, 0)})

def save(doc, name):
    doc.saveas(name + '.dxf')
    doc.saveas(name + '.bin.dxf', fmt='bin')
)PY";

}  // namespace testing_support
