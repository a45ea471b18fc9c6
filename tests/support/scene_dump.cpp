#include "scene_dump.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <tuple>
#include <vector>

#include "qx/animation/anim.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/skeleton/joint.h"

namespace {

class Dumper {
public:
    std::string Text;

    void F(float v) {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        Text.append(buf, r.ptr);
        Text += ' ';
    }
    void U(unsigned long long v) { Text += std::to_string(v) + ' '; }
    void I(long long v) { Text += std::to_string(v) + ' '; }
    void S(const char* s) {
        Text += '"';
        Text += s ? s : "";
        Text += "\" ";
    }
    void V(const CQxVector& v) {
        F(v.x);
        F(v.y);
        F(v.z);
    }
    void M(const CQxMatrix& m) {
        for (auto& row : m.m)
            for (float x : row) F(x);
    }
    void Key(const char* k) {
        Text += k;
        Text += ' ';
    }
    void End() { Text += '\n'; }

    void Path(const CQxObject* o) {
        if (!o) {
            Key("none");
            return;
        }
        CQxArray<unsigned int> path;
        o->GetIndices(path);
        Text += '[';
        for (unsigned int i : path) Text += std::to_string(i) + '.';
        Text += "] ";
    }

    void Param(const CQxTransformParam& p) {
        Key("pivot");
        V(p.Pivot());
        Key("scale");
        V(p.Scale());
        Key("rotate");
        F(p.Rotate().x);
        F(p.Rotate().y);
        F(p.Rotate().z);
        F(p.Rotate().w);
        Key("angle");
        V(p.Angle());
        Key("translate");
        V(p.Translate());
    }

    void Model(const CQxModel& model) {
        Key("  attributes");
        U(model.GetAttributeCount());
        Key("cur");
        I(model.CurAttribute() ? static_cast<long long>(model.FindAttribute(model.CurAttribute())) : -1);
        Key("actions");
        U(model.GetActionCount());
        End();
        for (const CQxAttribute& a : model.Attributes()) {
            const CQxColorMaterial& m = a.ColorMaterial();
            Key("  attribute");
            S(a.GetName());
            for (unsigned int k = 0; k < 4; ++k) F(m.Color()[k]);
            F(m.Diffuse());
            F(m.Ambient());
            F(m.Emissive());
            F(m.Specular());
            F(m.Power());
            End();
            for (const CQxTextureStage* t : a.TextureStages()) {
                Key("    stage");
                S(t->GetPath().GetStr());
                U(t->GetColorOp());
                U(t->GetAlphaOp());
                U(t->GetMinFilter());
                U(t->GetMagFilter());
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
            d.U(item.IsSelect());
            d.U(item.Spline().GetNodeCount());
            for (const CQxSplineNode* n : item.Spline().Nodes()) {
                d.Key("|");
                d.F(n->X);
                d.F(n->Y);
                d.F(n->PrevTan);
                d.F(n->NextTan);
                d.U(n->IsSeparated);
                d.U(n->PrevTanType);
                d.U(n->NextTanType);
                d.U(n->IsSelect);
                d.U(n->IsPrevTanSelect);
                d.U(n->IsNextTanSelect);
            }
            lines.emplace_back(kind, std::move(path), element, corner, item.Type(), std::move(d.Text));
        });
        std::sort(lines.begin(), lines.end());
        for (const auto& [kind, path, element, corner, channel, text] : lines) {
            Key("  anim");
            U(kind);
            Text += '[';
            for (unsigned int i : path) Text += std::to_string(i) + '.';
            Text += "] ";
            I(element);
            I(corner);
            U(channel);
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
        Key("  mesh");
        U(mesh.Vertices().GetCount());
        U(mesh.Edges().GetCount());
        U(mesh.Faces().GetCount());
        End();
        for (const CQxVertex& v : mesh.Vertices()) {
            Key("  v");
            V(v.Position());
            U(v.IsSelect());
            if (const CQxVertexBones* b = v.Bones()) {
                Key("bones");
                for (unsigned int k = 0; k < 4; ++k) U(b->Indices[k]);
                for (unsigned int k = 0; k < 4; ++k) F(b->Weights[k]);
            }
            End();
        }
        for (const CQxEdge& e : mesh.Edges()) {
            Key("  e");
            I(vi(e.Vertex(0)));
            I(vi(e.Vertex(1)));
            U(e.Flags());
            U(e.Color());
            U(e.IsSelect());
            End();
        }
        for (const CQxFace& f : mesh.Faces()) {
            Key("  f");
            long long attribute = -1;
            if (f.Attribute()) {
                attribute = model ? static_cast<long long>(model->FindAttribute(f.Attribute())) : -2;
                if (attribute == 0xFFFFFFFFLL) attribute = -2; // not a material of the model
            }
            I(attribute);
            U(f.Flag());
            U(f.IsSelect());
            End();
            f.ForEachHalfEdge([&](const CQxHalfEdge& h) {
                Key("    h");
                I(vi(h.GetVertex()));
                U(h.Color());
                U(h.Flags());
                U(h.IsSelect());
                if (h.HasUV()) {
                    Key("uv");
                    F(h.UV().x);
                    F(h.UV().y);
                    U(h.IsUVSelect());
                }
                if (h.Mate()) {
                    auto it = corner.find(h.Mate());
                    Key("mate");
                    I(it == corner.end() ? -1 : it->second.first);
                    I(it == corner.end() ? -1 : it->second.second);
                }
                End();
            });
        }
    }

    void Object(const CQxObject& o, unsigned int depth) {
        Text.append(depth * 2, ' ');
        Key(o.GetTypeName());
        if (o.IsClone()) {
            Key("clone-of");
            Path(o.GetOriginal());
        }
        S(o.GetName());
        Key("user");
        I(o.IsUser());
        Key("visible");
        I(o.IsVisible());
        Key("locked");
        I(o.IsLocked());
        Key("select");
        U(o.IsSelect());
        U(o.IsHandleSelect());
        Key("component");
        I(o.IsComponentMode());
        Key("mode");
        U(o.Mode());
        Key("curbone");
        U(o.CurBone());
        Key("mirror");
        U(o.MirrorFlags());
        I(o.IsMirrorConnect());
        Key("subdiv");
        U(o.SubdivisionLevel());
        Key("uv");
        I(o.HasUV());
        End();
        Key("  tf");
        Param(o.TFParam());
        End();
        Key("  skin");
        Path(static_cast<const CQxObject*>(o.RootBone()));
        Key("ik");
        Path(o.IKRoot());
        Key("constraints");
        U(o.IKConstraints().GetSize());
        End();
        for (const CQxRotateConstraint& c : o.IKConstraints()) {
            Key("  hinge");
            V(c.PlaneDir());
            F(c.MinAngle());
            F(c.MaxAngle());
            End();
        }
        if (o.IsSkinned()) {
            for (const CQxTransformParam& p : o.BindParams()) {
                Key("  bind");
                Param(p);
                End();
            }
            Key("  offset");
            M(o.OffsetTransform());
            M(o.OffsetTransformLH());
            End();
        }
        // Clones report their source's type, so the kind is told by the class itself.
        if (const auto* model = dynamic_cast<const CQxModel*>(&o)) {
            Model(*model);
            Anim(*model);
        }
        if (const auto* joint = dynamic_cast<const CQxJoint*>(&o)) {
            Key("  joint");
            F(joint->Radius());
            U(joint->Divisions());
            End();
        } else if (!o.Mesh().IsEmpty()) {
            Mesh(o);
        }
        for (const CQxObject* child : o.GetChildren()) Object(*child, depth + 1);
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
    d.Key("grid");
    d.F(scene.Grid().Length());
    d.F(scene.Grid().Interval());
    d.U(scene.Grid().Axis());
    d.U(scene.Grid().Color());
    d.Key("axes");
    d.F(scene.Axes().Length());
    d.Key("joint");
    d.F(scene.JointRadius());
    d.Key("frames");
    d.F(scene.FirstFrame());
    d.F(scene.LastFrame());
    d.F(scene.CurFrame());
    d.F(scene.Fps());
    d.End();
    d.Object(scene.RootModel(), 0);
    return d.Text;
}
