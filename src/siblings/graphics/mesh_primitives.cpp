// The primitive builders of CQxMesh: boxes, spheres, cylinders, cones, tori, planes, grids,
// axes and the joint and bone shapes.
//
// Every builder first checks its arguments, then builds the new elements in a mesh of their
// own, runs the upkeep there (mates, vertex half-edges, normals), and only then moves them into
// this mesh. A refusal or a failed allocation therefore leaves the mesh exactly as it was, and
// appending never walks the elements the mesh already held.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <utility>
#include <vector>

#include "qx/graphics/mesh.h"

namespace {

// Half-edges made by the builders carry all flag bits, as corners added by the editing tools do.
constexpr unsigned int kCornerFlags = 0xFFFFFFFF;
constexpr unsigned int kEdgeFlags = 0xFFFFFFFF;
constexpr double kPi = 3.14159265358979323846;

int IsSize(float v) {
    return std::isfinite(v) && v > 0.0f;
}

int IsDivision(unsigned int n, unsigned int minimum) {
    return n >= minimum && n <= CQxMesh::MaxDivisions;
}

int IsFaceCount(std::uint64_t faces) {
    return faces <= CQxMesh::MaxPrimitiveFaces;
}

std::uint32_t ToArgb(unsigned long color) {
    return static_cast<std::uint32_t>(color & 0xFFFFFFFFul);
}

// One corner of a face under construction: its vertex and texture coordinate.
struct Corner {
    CQxVertex* Vertex;
    float U;
    float V;
};

// Collects the elements of one primitive in a mesh of its own.
class CPrimitiveBuilder {
public:
    CPrimitiveBuilder(CQxAttribute* attribute, int select, int withUV, std::uint32_t color = 0xFFFFFFFF)
        : m_Attribute(attribute), m_Select(select ? 1 : 0), m_WithUV(withUV), m_Color(color) {}

    CQxVertex* AddVertex(double x, double y, double z) {
        CQxVertex* v =
            new CQxVertex(CQxVector(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)));
        m_Part.Vertices().PushBack(v);
        v->IsSelect() = m_Select;
        return v;
    }

    void AddEdge(CQxVertex* a, CQxVertex* b, std::uint32_t color) {
        CQxEdge* e = new CQxEdge(a, b, kEdgeFlags);
        m_Part.Edges().PushBack(e);
        e->Color() = color;
        e->IsSelect() = m_Select;
    }

    // The corners in ring order: counter-clockwise seen from the side the face looks at.
    void AddFace(std::initializer_list<Corner> corners) {
        CQxFace* f = new CQxFace(m_Attribute, CQxFace::ShadeBit);
        m_Part.Faces().PushBack(f); // owned by the part before its corners are allocated
        f->IsSelect() = m_Select;
        for (const Corner& c : corners) {
            CQxHalfEdge* h = new CQxHalfEdge(f, c.Vertex, kCornerFlags);
            f->PushHalfEdge(h);
            h->Color() = m_Color;
            h->IsSelect() = m_Select;
            if (m_WithUV) {
                h->AllocUV();
                h->UV().Set(c.U, c.V);
            }
        }
    }

    // Finishes the part and moves it into the mesh, replacing or following what it held.
    // Returns the first new vertex (null when the part has none).
    CQxVertex* MoveInto(CQxMesh& mesh, int append) {
        m_Part.UpdateHalfEdgeMates();
        m_Part.UpdateVertexHalfEdges();
        m_Part.UpdateNormals();
        if (append) {
            mesh.ClearSubdivisionMeshes(); // their topology no longer matches
            if (m_Select) mesh.Select(0);
        } else {
            mesh.Clear();
        }
        CQxVertex* first = m_Part.Vertices().Front();
        Splice(m_Part.Vertices(), mesh.Vertices());
        Splice(m_Part.Edges(), mesh.Edges());
        Splice(m_Part.Faces(), mesh.Faces());
        return first;
    }

private:
    // Relinks every element; PushBack numbers them by their new list positions.
    template <class T>
    static void Splice(CQxList<T>& from, CQxList<T>& to) {
        while (T* e = from.Front()) {
            from.Remove(e);
            to.PushBack(e);
        }
    }

    CQxMesh m_Part;
    CQxAttribute* m_Attribute;
    unsigned char m_Select;
    int m_WithUV;
    std::uint32_t m_Color;
};

// Runs a fill step into a builder and moves the result into the mesh; returns the first new
// vertex, or null when memory ran out (the mesh is then untouched, the part freed with the builder).
template <class F>
CQxVertex* Build(CQxMesh& mesh, int append, CPrimitiveBuilder& builder, F&& fill) {
    try {
        fill(builder);
        return builder.MoveInto(mesh, append);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

template <class F>
int BuildFaces(CQxMesh& mesh, int append, CPrimitiveBuilder& builder, F&& fill) {
    return Build(mesh, append, builder, std::forward<F>(fill)) != nullptr;
}

// A ring position around the Y axis: angle 0 at +Z, growing toward +X, so that walking a ring
// forward and a meridian downward makes counter-clockwise quads seen from outside.
struct RingPoint {
    double Sin;
    double Cos;
};

std::vector<RingPoint> MakeRing(unsigned int n) {
    std::vector<RingPoint> ring(n);
    for (unsigned int s = 0; s < n; ++s) {
        double a = 2.0 * kPi * s / n;
        ring[s] = {std::sin(a), std::cos(a)};
    }
    return ring;
}

// A sphere about the origin: poles on Y, `along` bands from the top down, poles as fans.
// UVs: u around (seam at angle 0 with u 0 and 1), v from the top (0) to the bottom (1).
void FillSphere(CPrimitiveBuilder& b, double radius, unsigned int around, unsigned int along) {
    const std::vector<RingPoint> ring = MakeRing(around);
    std::vector<CQxVertex*> v;
    v.reserve(static_cast<std::size_t>(around) * (along - 1) + 2);
    CQxVertex* top = b.AddVertex(0.0, radius, 0.0);
    for (unsigned int t = 1; t < along; ++t) {
        double phi = kPi * t / along;
        double rr = radius * std::sin(phi);
        double y = radius * std::cos(phi);
        for (const RingPoint& p : ring) v.push_back(b.AddVertex(rr * p.Sin, y, rr * p.Cos));
    }
    CQxVertex* bottom = b.AddVertex(0.0, -radius, 0.0);

    auto at = [&](unsigned int t, unsigned int s) { return v[(t - 1) * around + s % around]; };
    const float du = 1.0f / static_cast<float>(around);
    const float dv = 1.0f / static_cast<float>(along);
    for (unsigned int s = 0; s < around; ++s) {
        float u0 = s * du, u1 = (s + 1) * du, um = (s + 0.5f) * du;
        b.AddFace({{top, um, 0.0f}, {at(1, s), u0, dv}, {at(1, s + 1), u1, dv}});
        for (unsigned int t = 1; t + 1 < along; ++t) {
            float v0 = t * dv, v1 = (t + 1) * dv;
            b.AddFace({{at(t, s), u0, v0},
                       {at(t + 1, s), u0, v1},
                       {at(t + 1, s + 1), u1, v1},
                       {at(t, s + 1), u1, v0}});
        }
        float vb = (along - 1) * dv;
        b.AddFace({{at(along - 1, s), u0, vb}, {bottom, um, 1.0f}, {at(along - 1, s + 1), u1, vb}});
    }
}

// The flat cap of a cylinder or cone as a fan around a centre vertex; `up` faces +Y. The cap's
// UVs fill a disc of radius 0.25 about (cu, cv), as the cap is seen from outside.
void FillCap(CPrimitiveBuilder& b, const std::vector<RingPoint>& ring, CQxVertex* const* rim,
             CQxVertex* centre, int up, float cu, float cv) {
    const unsigned int n = static_cast<unsigned int>(ring.size());
    auto uv = [&](unsigned int s, float& u, float& v) {
        const RingPoint& p = ring[s % n];
        u = cu + 0.25f * static_cast<float>(p.Sin);
        v = up ? cv + 0.25f * static_cast<float>(p.Cos) : cv - 0.25f * static_cast<float>(p.Cos);
    };
    for (unsigned int s = 0; s < n; ++s) {
        Corner a{rim[s], 0, 0}, c{rim[(s + 1) % n], 0, 0};
        uv(s, a.U, a.V);
        uv(s + 1, c.U, c.V);
        if (up)
            b.AddFace({{centre, cu, cv}, a, c});
        else
            b.AddFace({{centre, cu, cv}, c, a});
    }
}

} // namespace

int CQxMesh::CreateCube(int append, float width, float height, float depth, unsigned int divX,
                        unsigned int divY, unsigned int divZ, CQxAttribute* attribute, int select) {
    if (!IsSize(width) || !IsSize(height) || !IsSize(depth)) return 0;
    if (!IsDivision(divX, 1) || !IsDivision(divY, 1) || !IsDivision(divZ, 1)) return 0;
    const std::uint64_t nx = divX, ny = divY, nz = divZ;
    if (!IsFaceCount(2 * (nx * ny + ny * nz + nz * nx))) return 0;

    CPrimitiveBuilder builder(attribute, select, 1);
    return BuildFaces(*this, append, builder, [&](CPrimitiveBuilder& b) {
        // Lattice points (i, j, k) on the surface, numbered: the whole back plane (k = 0), the
        // whole front plane (k = divZ), then the rings of the planes between, each ring walked
        // around the rectangle's border.
        const std::size_t plane = (nx + 1) * (ny + 1);
        const std::size_t ringSize = 2 * (nx + ny);
        auto index = [&](unsigned int i, unsigned int j, unsigned int k) -> std::size_t {
            if (k == 0) return i + j * (nx + 1);
            if (k == divZ) return plane + i + j * (nx + 1);
            std::size_t r;
            if (j == 0)
                r = i;
            else if (i == divX)
                r = nx + j;
            else if (j == divY)
                r = nx + ny + (nx - i);
            else
                r = 2 * nx + ny + (ny - j);
            return 2 * plane + (k - 1) * ringSize + r;
        };
        std::vector<CQxVertex*> v(2 * plane + (nz - 1) * ringSize, nullptr);
        auto add = [&](unsigned int i, unsigned int j, unsigned int k) {
            v[index(i, j, k)] = b.AddVertex(width * (static_cast<double>(i) / nx - 0.5),
                                            height * (static_cast<double>(j) / ny - 0.5),
                                            depth * (static_cast<double>(k) / nz - 0.5));
        };
        for (unsigned int k : {0u, divZ})
            for (unsigned int j = 0; j <= divY; ++j)
                for (unsigned int i = 0; i <= divX; ++i) add(i, j, k);
        for (unsigned int k = 1; k < divZ; ++k) {
            for (unsigned int i = 0; i < divX; ++i) add(i, 0, k);
            for (unsigned int j = 0; j < divY; ++j) add(divX, j, k);
            for (unsigned int i = divX; i > 0; --i) add(i, divY, k);
            for (unsigned int j = divY; j > 0; --j) add(0, j, k);
        }

        // Each side is a grid of cells (a, b): a runs to the right and b upward as the side is
        // seen from outside, so the cell corners (a, b), (a+1, b), (a+1, b+1), (a, b+1) wind
        // counter-clockwise there. UVs cover 0..1 on every side, v downward.
        auto side = [&](unsigned int na, unsigned int nb, auto point) {
            const float fa = static_cast<float>(na), fb = static_cast<float>(nb);
            for (unsigned int cb = 0; cb < nb; ++cb)
                for (unsigned int ca = 0; ca < na; ++ca) {
                    float u0 = ca / fa, u1 = (ca + 1) / fa, v0 = 1.0f - cb / fb, v1 = 1.0f - (cb + 1) / fb;
                    b.AddFace({{point(ca, cb), u0, v0},
                               {point(ca + 1, cb), u1, v0},
                               {point(ca + 1, cb + 1), u1, v1},
                               {point(ca, cb + 1), u0, v1}});
                }
        };
        // +Z (front): right +X, up +Y.
        side(divX, divY, [&](unsigned int a, unsigned int c) { return v[index(a, c, divZ)]; });
        // +X: right -Z, up +Y.
        side(divZ, divY, [&](unsigned int a, unsigned int c) { return v[index(divX, c, divZ - a)]; });
        // -Z (back): right -X, up +Y.
        side(divX, divY, [&](unsigned int a, unsigned int c) { return v[index(divX - a, c, 0)]; });
        // -X: right +Z, up +Y.
        side(divZ, divY, [&](unsigned int a, unsigned int c) { return v[index(0, c, a)]; });
        // +Y (top): right +X, up -Z.
        side(divX, divZ, [&](unsigned int a, unsigned int c) { return v[index(a, divY, divZ - c)]; });
        // -Y (bottom): right +X, up +Z.
        side(divX, divZ, [&](unsigned int a, unsigned int c) { return v[index(a, 0, c)]; });
    });
}

int CQxMesh::CreateSphere(int append, float diameter, unsigned int divAround, unsigned int divAlong,
                          CQxAttribute* attribute, int select) {
    if (!IsSize(diameter) || !IsDivision(divAround, 3) || !IsDivision(divAlong, 2)) return 0;
    if (!IsFaceCount(static_cast<std::uint64_t>(divAround) * divAlong)) return 0;
    CPrimitiveBuilder builder(attribute, select, 1);
    return BuildFaces(*this, append, builder,
                      [&](CPrimitiveBuilder& b) { FillSphere(b, 0.5 * diameter, divAround, divAlong); });
}

int CQxMesh::CreateCylinder(int append, float diameter, float height, unsigned int divAround,
                            unsigned int divAlong, CQxAttribute* attribute, int select) {
    if (!IsSize(diameter) || !IsSize(height) || !IsDivision(divAround, 3) || !IsDivision(divAlong, 1))
        return 0;
    if (!IsFaceCount(static_cast<std::uint64_t>(divAround) * (divAlong + 2))) return 0;

    CPrimitiveBuilder builder(attribute, select, 1);
    return BuildFaces(*this, append, builder, [&](CPrimitiveBuilder& b) {
        const unsigned int n = divAround, m = divAlong;
        const double r = 0.5 * diameter;
        const std::vector<RingPoint> ring = MakeRing(n);
        std::vector<CQxVertex*> v;
        v.reserve(static_cast<std::size_t>(n) * (m + 1));
        for (unsigned int t = 0; t <= m; ++t) {
            double y = height * (0.5 - static_cast<double>(t) / m);
            for (const RingPoint& p : ring) v.push_back(b.AddVertex(r * p.Sin, y, r * p.Cos));
        }
        CQxVertex* top = b.AddVertex(0.0, 0.5 * height, 0.0);
        CQxVertex* bottom = b.AddVertex(0.0, -0.5 * height, 0.0);

        // The side fills the lower half of the texture; the caps sit side by side above it.
        auto at = [&](unsigned int t, unsigned int s) { return v[static_cast<std::size_t>(t) * n + s % n]; };
        for (unsigned int t = 0; t < m; ++t)
            for (unsigned int s = 0; s < n; ++s) {
                float u0 = static_cast<float>(s) / n, u1 = static_cast<float>(s + 1) / n;
                float v0 = 0.5f + 0.5f * t / m, v1 = 0.5f + 0.5f * (t + 1) / m;
                b.AddFace({{at(t, s), u0, v0},
                           {at(t + 1, s), u0, v1},
                           {at(t + 1, s + 1), u1, v1},
                           {at(t, s + 1), u1, v0}});
            }
        FillCap(b, ring, &v[0], top, 1, 0.25f, 0.25f);
        FillCap(b, ring, &v[static_cast<std::size_t>(m) * n], bottom, 0, 0.75f, 0.25f);
    });
}

int CQxMesh::CreateCone(int append, float diameter, float height, unsigned int divAround,
                        unsigned int divAlong, CQxAttribute* attribute, int select) {
    if (!IsSize(diameter) || !IsSize(height) || !IsDivision(divAround, 3) || !IsDivision(divAlong, 1))
        return 0;
    if (!IsFaceCount(static_cast<std::uint64_t>(divAround) * (divAlong + 1))) return 0;

    CPrimitiveBuilder builder(attribute, select, 1);
    return BuildFaces(*this, append, builder, [&](CPrimitiveBuilder& b) {
        const unsigned int n = divAround, m = divAlong;
        const double r = 0.5 * diameter;
        const std::vector<RingPoint> ring = MakeRing(n);
        CQxVertex* apex = b.AddVertex(0.0, 0.5 * height, 0.0);
        std::vector<CQxVertex*> v;
        v.reserve(static_cast<std::size_t>(n) * m);
        for (unsigned int t = 1; t <= m; ++t) {
            double f = static_cast<double>(t) / m;
            double y = height * (0.5 - f);
            for (const RingPoint& p : ring) v.push_back(b.AddVertex(r * f * p.Sin, y, r * f * p.Cos));
        }
        CQxVertex* base = b.AddVertex(0.0, -0.5 * height, 0.0);

        // The side fills the lower half of the texture, the base the upper left quarter.
        auto at = [&](unsigned int t, unsigned int s) {
            return v[static_cast<std::size_t>(t - 1) * n + s % n];
        };
        for (unsigned int s = 0; s < n; ++s) {
            float u0 = static_cast<float>(s) / n, u1 = static_cast<float>(s + 1) / n;
            float v1 = 0.5f + 0.5f / m;
            b.AddFace({{apex, (u0 + u1) * 0.5f, 0.5f}, {at(1, s), u0, v1}, {at(1, s + 1), u1, v1}});
            for (unsigned int t = 1; t < m; ++t) {
                float va = 0.5f + 0.5f * t / m, vb = 0.5f + 0.5f * (t + 1) / m;
                b.AddFace({{at(t, s), u0, va},
                           {at(t + 1, s), u0, vb},
                           {at(t + 1, s + 1), u1, vb},
                           {at(t, s + 1), u1, va}});
            }
        }
        FillCap(b, ring, &v[static_cast<std::size_t>(m - 1) * n], base, 0, 0.25f, 0.25f);
    });
}

int CQxMesh::CreateTorus(int append, float diameter, float tubeDiameter, unsigned int divAround,
                         unsigned int divTube, CQxAttribute* attribute, int select) {
    if (!IsSize(diameter) || !IsSize(tubeDiameter) || !(tubeDiameter < diameter)) return 0;
    if (!IsDivision(divAround, 3) || !IsDivision(divTube, 3)) return 0;
    if (!IsFaceCount(static_cast<std::uint64_t>(divAround) * divTube)) return 0;

    CPrimitiveBuilder builder(attribute, select, 1);
    return BuildFaces(*this, append, builder, [&](CPrimitiveBuilder& b) {
        const unsigned int n = divAround, k = divTube;
        const double tube = 0.5 * tubeDiameter;
        const double centre = 0.5 * diameter - tube; // radius of the tube's centre line
        const std::vector<RingPoint> ring = MakeRing(n);
        std::vector<CQxVertex*> v;
        v.reserve(static_cast<std::size_t>(n) * k);
        // The tube angle starts at the outer equator and turns upward.
        for (const RingPoint& p : ring)
            for (unsigned int t = 0; t < k; ++t) {
                double phi = 2.0 * kPi * t / k;
                double d = centre + tube * std::cos(phi);
                v.push_back(b.AddVertex(d * p.Sin, tube * std::sin(phi), d * p.Cos));
            }
        auto at = [&](unsigned int s, unsigned int t) {
            return v[static_cast<std::size_t>(s % n) * k + t % k];
        };
        for (unsigned int s = 0; s < n; ++s)
            for (unsigned int t = 0; t < k; ++t) {
                float u0 = static_cast<float>(s) / n, u1 = static_cast<float>(s + 1) / n;
                float v0 = 1.0f - static_cast<float>(t) / k, v1 = 1.0f - static_cast<float>(t + 1) / k;
                b.AddFace({{at(s, t), u0, v0},
                           {at(s + 1, t), u1, v0},
                           {at(s + 1, t + 1), u1, v1},
                           {at(s, t + 1), u0, v1}});
            }
    });
}

int CQxMesh::CreatePlane(int append, float width, float depth, unsigned int divX, unsigned int divZ,
                         CQxAttribute* attribute, int select) {
    if (!IsSize(width) || !IsSize(depth) || !IsDivision(divX, 1) || !IsDivision(divZ, 1)) return 0;
    if (!IsFaceCount(static_cast<std::uint64_t>(divX) * divZ)) return 0;

    CPrimitiveBuilder builder(attribute, select, 1);
    return BuildFaces(*this, append, builder, [&](CPrimitiveBuilder& b) {
        const std::size_t row = static_cast<std::size_t>(divX) + 1;
        std::vector<CQxVertex*> v;
        v.reserve(row * (divZ + 1));
        // Rows run from +Z to -Z, so seen from above a row's next row lies "up".
        for (unsigned int j = 0; j <= divZ; ++j)
            for (unsigned int i = 0; i <= divX; ++i)
                v.push_back(b.AddVertex(width * (static_cast<double>(i) / divX - 0.5), 0.0,
                                        depth * (0.5 - static_cast<double>(j) / divZ)));
        for (unsigned int j = 0; j < divZ; ++j)
            for (unsigned int i = 0; i < divX; ++i) {
                float u0 = static_cast<float>(i) / divX, u1 = static_cast<float>(i + 1) / divX;
                float v0 = 1.0f - static_cast<float>(j) / divZ, v1 = 1.0f - static_cast<float>(j + 1) / divZ;
                CQxVertex* a = v[j * row + i];
                CQxVertex* c = v[(j + 1) * row + i];
                b.AddFace({{a, u0, v0},
                           {v[j * row + i + 1], u1, v0},
                           {v[(j + 1) * row + i + 1], u1, v1},
                           {c, u0, v1}});
            }
    });
}

int CQxMesh::CreateGrid(float length, float interval, QX_AXIS_TYPE axis, unsigned long color) {
    if (!IsSize(length) || !IsSize(interval)) return 0;
    if (axis != QX_AXIS_X && axis != QX_AXIS_Y && axis != QX_AXIS_Z) return 0;
    // Lines every interval from -length to length on both axes of the plane; a length that is not
    // a whole number of intervals (within rounding) ends at the last line inside it.
    const double steps = std::floor(static_cast<double>(length) / interval + 1e-6);
    if (steps > CQxMesh::MaxDivisions) return 0;
    const int n = static_cast<int>(steps);

    CPrimitiveBuilder builder(nullptr, 0, 0);
    return BuildFaces(*this, 0, builder, [&](CPrimitiveBuilder& b) {
        // (p, q) are the plane's two coordinates, mapped to space so the grid lies normal to the axis.
        auto point = [&](double p, double q) {
            if (axis == QX_AXIS_X) return b.AddVertex(0.0, p, q);
            if (axis == QX_AXIS_Y) return b.AddVertex(p, 0.0, q);
            return b.AddVertex(p, q, 0.0);
        };
        const std::uint32_t argb = ToArgb(color);
        const double l = length;
        for (int i = -n; i <= n; ++i) {
            double c = static_cast<double>(interval) * i;
            CQxVertex* a = point(-l, c);
            b.AddEdge(a, point(l, c), argb);
            CQxVertex* d = point(c, -l);
            b.AddEdge(d, point(c, l), argb);
        }
    });
}

int CQxMesh::CreateAxes(int append, float length, unsigned int axisFlags, unsigned long colorX,
                        unsigned long colorY, unsigned long colorZ) {
    if (!IsSize(length) || (axisFlags & 7u) == 0) return 0;
    CPrimitiveBuilder builder(nullptr, 0, 0);
    return BuildFaces(*this, append, builder, [&](CPrimitiveBuilder& b) {
        CQxVertex* origin = b.AddVertex(0.0, 0.0, 0.0);
        if (axisFlags & QX_AXIS_X) b.AddEdge(origin, b.AddVertex(length, 0.0, 0.0), ToArgb(colorX));
        if (axisFlags & QX_AXIS_Y) b.AddEdge(origin, b.AddVertex(0.0, length, 0.0), ToArgb(colorY));
        if (axisFlags & QX_AXIS_Z) b.AddEdge(origin, b.AddVertex(0.0, 0.0, length), ToArgb(colorZ));
    });
}

int CQxMesh::CreateJoint(float radius, unsigned int divisions, unsigned long color) {
    if (!IsSize(radius) || !IsDivision(divisions, 3)) return 0;
    const unsigned int along = divisions < 4 ? 2 : (divisions + 1) / 2;
    CPrimitiveBuilder builder(nullptr, 0, 0, ToArgb(color));
    return BuildFaces(*this, 0, builder,
                      [&](CPrimitiveBuilder& b) { FillSphere(b, radius, divisions, along); });
}

CQxVector CQxMesh::GetBoneTemplateVertex(unsigned int i) {
    // Root, a ring of three a fifth of the way along, and the tip at unit length.
    switch (i) {
    case 0:
        return CQxVector(0.0f, 0.0f, 0.0f);
    case 1:
        return CQxVector(0.2f, 0.1f, 0.0f);
    case 2:
        return CQxVector(0.2f, -0.05f, 0.0866025404f);
    case 3:
        return CQxVector(0.2f, -0.05f, -0.0866025404f);
    case 4:
        return CQxVector(1.0f, 0.0f, 0.0f);
    default:
        return CQxVector();
    }
}

CQxVertex* CQxMesh::CreateBone(unsigned long color) {
    CPrimitiveBuilder builder(nullptr, 0, 0, ToArgb(color));
    return Build(*this, 1, builder, [&](CPrimitiveBuilder& b) {
        CQxVertex* v[5];
        for (unsigned int i = 0; i < 5; ++i) {
            CQxVector p = GetBoneTemplateVertex(i);
            v[i] = b.AddVertex(p.x, p.y, p.z);
        }
        // The ring turns right-handed about +X: the root's faces wind against it, the tip's with it.
        for (unsigned int j = 0; j < 3; ++j) {
            CQxVertex* a = v[1 + j];
            CQxVertex* c = v[1 + (j + 1) % 3];
            b.AddFace({{v[0], 0, 0}, {c, 0, 0}, {a, 0, 0}});
            b.AddFace({{v[4], 0, 0}, {a, 0, 0}, {c, 0, 0}});
        }
    });
}
