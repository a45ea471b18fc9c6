#include "scene_dump.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <sstream>
#include <tuple>
#include <type_traits>
#include <vector>

#include "qx/animation/anim.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/skeleton/joint.h"

namespace {

// A quoted name, and an object written as its index path.
struct Name {
    const char* Text;
};
struct Ref {
    const CQxObject* Object;
};

class Dumper {
public:
    std::string Text;

    // Writes each value followed by a space: bare words as keys, numbers in their shortest exact
    // form, vectors, quaternions and matrices component by component.
    template <class... T>
    void Put(const T&... values) {
        (One(values), ...);
    }
    void End() { Text += '\n'; }

    void Param(const CQxTransformParam& p) {
        Put("pivot", p.Pivot(), "scale", p.Scale(), "rotate", p.Rotate(), "angle", p.Angle(), "translate",
            p.Translate());
    }

    void Model(const CQxModel& model) {
        const long long cur =
            model.CurAttribute() ? static_cast<long long>(model.FindAttribute(model.CurAttribute())) : -1;
        Put("  attributes", model.GetAttributeCount(), "cur", cur, "actions", model.GetActionCount());
        End();
        for (const CQxAttribute& a : model.Attributes()) {
            const CQxColorMaterial& m = a.ColorMaterial();
            Put("  attribute", Name{a.GetName()});
            for (unsigned int k = 0; k < 4; ++k) Put(m.Color()[k]);
            Put(m.Diffuse(), m.Ambient(), m.Emissive(), m.Specular(), m.Power());
            End();
            for (const CQxTextureStage* t : a.TextureStages()) {
                Put("    stage", Name{t->GetPath().GetStr()}, t->GetColorOp(), t->GetAlphaOp(),
                    t->GetMinFilter(), t->GetMagFilter());
                End();
            }
        }
    }

    // A list position, or -1 when the element is not in the list (an item left pointing at it).
    template <class List, class T>
    static long long PositionIn(const List& list, const T* element) {
        long long i = 0;
        for (const T& e : list) {
            if (&e == element) return i;
            ++i;
        }
        return -1;
    }

    // Every item of the model's animation by target (path, element, corner) and channel, with
    // all that its keys hold.
    void Anim(const CQxModel& model) {
        using Line = std::tuple<unsigned int, std::vector<unsigned int>, long long, long long, unsigned int,
                                std::string>;
        std::vector<Line> lines;
        model.Anim().ForEachItem([&](const CQxAnimItem& item) {
            std::vector<unsigned int> path;
            long long element = -1, corner = -1;
            const QX_ANIM_TYPE kind = item.GetAnimType();
            if (kind == QX_ANIM_ATTRIBUTE) {
                const auto& a = static_cast<const CQxAttributeAnimItem&>(item);
                element = static_cast<long long>(model.FindAttribute(a.GetAttribute()));
            } else if (const CQxObject* object = static_cast<const CQxObjectAnimItem&>(item).GetObject()) {
                CQxArray<unsigned int> indices;
                object->GetIndices(indices);
                path.assign(indices.begin(), indices.end());
                const CQxMesh& mesh = object->Mesh();
                if (kind == QX_ANIM_VERTEX)
                    element =
                        PositionIn(mesh.Vertices(), static_cast<const CQxVertexAnimItem&>(item).GetVertex());
                if (kind == QX_ANIM_EDGE)
                    element = PositionIn(mesh.Edges(), static_cast<const CQxEdgeAnimItem&>(item).GetEdge());
                if (kind == QX_ANIM_HALFEDGE) {
                    const auto& h = static_cast<const CQxHalfEdgeAnimItem&>(item);
                    element = PositionIn(mesh.Faces(), h.GetFace());
                    if (element >= 0) corner = h.GetFace()->GetHalfEdgePosition(h.GetHalfEdge());
                }
            }
            Dumper d;
            d.Put(item.IsSelect(), item.Spline().GetNodeCount());
            for (const CQxSplineNode* n : item.Spline().Nodes())
                d.Put("|", n->X, n->Y, n->PrevTan, n->NextTan, n->IsSeparated, n->PrevTanType, n->NextTanType,
                      n->IsSelect, n->IsPrevTanSelect, n->IsNextTanSelect);
            lines.emplace_back(kind, std::move(path), element, corner, item.Type(), std::move(d.Text));
        });
        std::sort(lines.begin(), lines.end());
        for (const auto& [kind, path, element, corner, channel, text] : lines) {
            Put("  anim", kind);
            Text += '[';
            for (unsigned int i : path) Text += std::to_string(i) + '.';
            Text += "] ";
            Put(element, corner, channel);
            Text += text;
            End();
        }
    }

    void Mesh(const CQxObject& object) {
        const CQxMesh& mesh = object.Mesh();
        const CQxModel* model = object.GetModel();
        std::map<const CQxVertex*, long long> vertexIndex;
        std::map<const CQxHalfEdge*, std::pair<long long, long long>> corner;
        long long i = 0;
        for (const CQxVertex& v : mesh.Vertices()) vertexIndex[&v] = i++;
        i = 0;
        for (const CQxFace& f : mesh.Faces()) {
            long long k = 0;
            f.ForEachHalfEdge([&](const CQxHalfEdge& h) { corner[&h] = {i, k++}; });
            ++i;
        }
        auto vi = [&](const CQxVertex* v) {
            auto it = vertexIndex.find(v);
            return it == vertexIndex.end() ? -1LL : it->second;
        };
        Put("  mesh", mesh.Vertices().GetCount(), mesh.Edges().GetCount(), mesh.Faces().GetCount());
        End();
        for (const CQxVertex& v : mesh.Vertices()) {
            Put("  v", v.Position(), v.IsSelect());
            if (const CQxVertexBones* b = v.Bones()) {
                Put("bones");
                for (unsigned int k = 0; k < 4; ++k) Put(b->Indices[k]);
                for (unsigned int k = 0; k < 4; ++k) Put(b->Weights[k]);
            }
            End();
        }
        for (const CQxEdge& e : mesh.Edges()) {
            Put("  e", vi(e.Vertex(0)), vi(e.Vertex(1)), e.Flags(), e.Color(), e.IsSelect());
            End();
        }
        for (const CQxFace& f : mesh.Faces()) {
            long long attribute = -1;
            if (f.Attribute()) {
                attribute = model ? static_cast<long long>(model->FindAttribute(f.Attribute())) : -2;
                if (attribute == 0xFFFFFFFFLL) attribute = -2; // not a material of the model
            }
            Put("  f", attribute, f.Flag(), f.IsSelect());
            End();
            f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
                Put("    h", vi(h.GetVertex()), h.Color(), h.Flags(), h.IsSelect());
                if (h.HasUV()) Put("uv", h.UV().x, h.UV().y, h.IsUVSelect());
                if (h.Mate()) {
                    auto it = corner.find(h.Mate());
                    Put("mate", it == corner.end() ? -1 : it->second.first,
                        it == corner.end() ? -1 : it->second.second);
                }
                End();
            });
        }
    }

    void Object(const CQxObject& o, unsigned int depth) {
        Text.append(depth * 2, ' ');
        Put(o.GetTypeName());
        if (o.IsClone()) Put("clone-of", Ref{o.GetOriginal()});
        Put(Name{o.GetName()}, "user", o.IsUser(), "visible", o.IsVisible(), "locked", o.IsLocked(), "select",
            o.IsSelect(), o.IsHandleSelect(), "component", o.IsComponentMode(), "mode", o.Mode(), "curbone",
            o.CurBone(), "mirror", o.MirrorFlags(), o.IsMirrorConnect(), "subdiv", o.SubdivisionLevel(), "uv",
            o.HasUV());
        End();
        Put("  tf");
        Param(o.TFParam());
        End();
        Put("  skin", Ref{o.RootBone()}, "ik", Ref{o.IKRoot()}, "constraints", o.IKConstraints().GetSize());
        End();
        for (const CQxRotateConstraint& c : o.IKConstraints()) {
            Put("  hinge", c.PlaneDir(), c.MinAngle(), c.MaxAngle());
            End();
        }
        if (o.IsSkinned()) {
            for (const CQxTransformParam& p : o.BindParams()) {
                Put("  bind");
                Param(p);
                End();
            }
            Put("  offset", o.OffsetTransform(), o.OffsetTransformLH());
            End();
        }
        // Clones report their source's type, so the kind is told by the class itself.
        if (const auto* model = dynamic_cast<const CQxModel*>(&o)) {
            Model(*model);
            Anim(*model);
        }
        if (const auto* joint = dynamic_cast<const CQxJoint*>(&o)) {
            Put("  joint", joint->Radius(), joint->Divisions());
            End();
        } else if (!o.Mesh().IsEmpty()) {
            Mesh(o);
        }
        for (const CQxObject* child : o.GetChildren()) Object(*child, depth + 1);
    }

private:
    void One(const char* key) {
        Text += key;
        Text += ' ';
    }
    void One(Name name) {
        Text += '"';
        Text += name.Text ? name.Text : "";
        Text += "\" ";
    }
    void One(Ref ref) {
        if (!ref.Object) return One("none");
        CQxArray<unsigned int> path;
        ref.Object->GetIndices(path);
        Text += '[';
        for (unsigned int i : path) Text += std::to_string(i) + '.';
        Text += "] ";
    }
    void One(float v) {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        Text.append(buf, r.ptr);
        Text += ' ';
    }
    void One(const CQxVector& v) { Put(v.x, v.y, v.z); }
    void One(const CQxQuat& q) { Put(q.x, q.y, q.z, q.w); }
    void One(const CQxMatrix& m) {
        for (auto& row : m.m)
            for (float x : row) One(x);
    }
    // Whole numbers and enumerations; signed ones keep their sign.
    template <class T>
    void One(const T& v) requires(std::is_integral_v<T> || std::is_enum_v<T>) {
        if constexpr (std::is_enum_v<T>)
            Text += std::to_string(static_cast<unsigned long long>(v)) + ' ';
        else if constexpr (std::is_signed_v<T>)
            Text += std::to_string(static_cast<long long>(v)) + ' ';
        else
            Text += std::to_string(static_cast<unsigned long long>(v)) + ' ';
    }
};

} // namespace

std::string QxDumpObject(const CQxObject& object) {
    Dumper d;
    d.Object(object, 0);
    return d.Text;
}

std::string QxDumpScene(const CQxScene& scene) {
    Dumper d;
    const CQxGrid& grid = scene.Grid();
    d.Put("grid", grid.Length(), grid.Interval(), grid.Axis(), grid.Color(), "axes", scene.Axes().Length(),
          "joint", scene.JointRadius(), "frames", scene.FirstFrame(), scene.LastFrame(), scene.CurFrame(),
          scene.Fps());
    d.End();
    d.Object(scene.RootModel(), 0);
    return d.Text;
}

std::string QxDumpGeometry(const CQxObject& object, const CQxMatrix* transform) {
    const CQxMesh& mesh = object.Mesh();
    const CQxModel* model = object.GetModel();
    std::ostringstream out;
    auto position = [&](const CQxVertex* v) { return mesh.Vertices().Find(v); };
    auto fixed = [](float x) { return std::lround(x * 1e4f); };
    for (const CQxVertex& v : mesh.Vertices()) {
        const CQxVector p = transform ? transform->Transform(v.Position()) : v.Position();
        out << "v " << fixed(p.x) << ' ' << fixed(p.y) << ' ' << fixed(p.z) << '\n';
    }
    for (const CQxEdge& e : mesh.Edges())
        out << "e " << position(e.Vertex(0)) << ' ' << position(e.Vertex(1)) << ' ' << e.Flags() << '\n';
    for (const CQxFace& f : mesh.Faces()) {
        const unsigned int material = model && f.Attribute() ? model->FindAttribute(f.Attribute()) : ~0u;
        out << "f " << static_cast<int>(material) << ' ' << int(f.Flag());
        f.ForEachHalfEdge([&](const CQxHalfEdge& h) { out << ' ' << position(h.GetVertex()) << ':' << h.Flags(); });
        out << '\n';
    }
    return out.str();
}
