// Writing the scene file: the scene settings, then each object's element through its virtual
// Write, the model adding its materials.
#include "kel_format.h"

#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/skeleton/joint.h"
#include "qx/xml/xml_document.h"

namespace {

void AppendVector(CQxXmlElement* parent, const char* name, const CQxVector& v) {
    const float values[3] = {v.x, v.y, v.z};
    parent->AppendChild(name, values, 3);
}

void AppendBool(CQxXmlElement* parent, const char* name, int value) {
    parent->AppendChild(name, QxKelBoolText(value), 0);
}

void AppendTransform(CQxXmlElement* parent, const CQxTransformParam& param) {
    AppendVector(parent, "Scale", param.Scale());
    AppendVector(parent, "Angle", param.Angle());
    AppendVector(parent, "Translate", param.Translate());
    AppendVector(parent, "Pivot", param.Pivot());
}

// Four rows of four floats, the rows separated by ",\r\n".
void AppendMatrix(CQxXmlElement* parent, const char* name, const CQxMatrix& m) {
    CQxXmlElement* e = parent->AppendChild(name);
    e->SetType(1);
    CQxString& text = e->GetContent();
    for (unsigned int row = 0; row < 4; ++row) {
        if (row) text += QxKelRecordSeparator;
        const float values[4] = {m.m[row][0], m.m[row][1], m.m[row][2], m.m[row][3]};
        text.AddFloats(values, 4);
    }
}

void WriteBoneInfo(CQxObject& object, CQxXmlElement* e) {
    CQxXmlElement* info = e->AppendChild("BoneInfo");
    info->AppendChild("RootBone", object.RootBone()->GetName(), 1);
    if (!object.BindParams().IsEmpty()) {
        CQxXmlElement* params = info->AppendChild("BindParams");
        for (const CQxTransformParam& param : object.BindParams()) {
            CQxXmlElement* p = params->AppendChild("BindParam");
            AppendTransform(p, param);
        }
    }
    AppendMatrix(info, "OffsetTransform", object.OffsetTransform());
    AppendMatrix(info, "OffsetTransformLH", object.OffsetTransformLH());
}

void WriteVertices(CQxMesh& mesh, CQxXmlElement* e) {
    CQxXmlElement* v = e->AppendChild("Vertices");
    v->SetType(1);
    v->AppendAttribute("Count", mesh.Vertices().GetCount());
    CQxString& text = v->GetContent();
    text.Reserve(mesh.Vertices().GetCount() * 40);
    CQxKelListWriter out(text);
    unsigned int index = 0;
    for (CQxVertex& vertex : mesh.Vertices()) {
        if (index) out.Text(QxKelRecordSeparator);
        vertex.Index() = index++;
        const CQxVector& p = vertex.Position();
        const float values[3] = {p.x, p.y, p.z};
        out.Numbers(values, 3);
    }
}

void WriteBoneWeights(CQxMesh& mesh, CQxXmlElement* e) {
    CQxXmlElement* w = e->AppendChild("BoneWeights");
    w->SetType(1);
    w->AppendAttribute("Count", mesh.Vertices().GetCount());
    w->AppendAttribute("BlendCount", 4u);
    CQxString& text = w->GetContent();
    text.Reserve(mesh.Vertices().GetCount() * 48);
    CQxKelListWriter out(text);
    int first = 1;
    for (CQxVertex& vertex : mesh.Vertices()) {
        if (!vertex.HasBones()) vertex.AllocBones();
        if (!first) out.Text(QxKelRecordSeparator);
        first = 0;
        const CQxVertexBones& bones = *vertex.Bones();
        const unsigned int indices[4] = {bones.Indices[0], bones.Indices[1], bones.Indices[2],
                                         bones.Indices[3]};
        out.Numbers(indices, 4).Text(QxKelRecordSeparator).Numbers(bones.Weights, 4);
    }
}

// One record per face with corners: n;\r\n indices [,\r\n uvs] ,\r\n colours ,\r\n attribute ,\r\n flag.
// Vertex and attribute indices are the Index fields numbered just before.
void WriteFaces(const CQxMesh& mesh, int hasUV, CQxXmlElement* e) {
    CQxXmlElement* f = e->AppendChild("Faces");
    f->SetType(1);
    f->AppendAttribute("Count", mesh.Faces().GetCount());
    f->AppendAttribute("UV", QxKelBoolText(hasUV));
    CQxString& text = f->GetContent();
    text.Reserve(mesh.Faces().GetCount() * (hasUV ? 110 : 70));
    CQxKelListWriter out(text);
    // Visits the corners with a comma between two.
    auto corners = [&out](const CQxFace& face, auto&& write) {
        unsigned int k = 0;
        face.ForEachHalfEdge([&](const CQxHalfEdge& h) {
            if (k++) out.Char(',');
            write(h);
        });
    };
    int first = 1;
    for (const CQxFace& face : mesh.Faces()) {
        const unsigned int n = face.GetHalfEdgeCount();
        if (!n) continue;
        if (!first) out.Text(QxKelRecordSeparator);
        first = 0;
        out.Number(n).Text(";\r\n");
        corners(face, [&](const CQxHalfEdge& h) { out.Number(h.GetVertex() ? h.GetVertex()->Index() : 0u); });
        if (hasUV) {
            out.Text(QxKelRecordSeparator);
            corners(face, [&](const CQxHalfEdge& h) {
                const float uv[2] = {h.UV().x, h.UV().y};
                out.Numbers(uv, 2);
            });
        }
        out.Text(QxKelRecordSeparator);
        corners(face, [&](const CQxHalfEdge& h) {
            const std::uint32_t argb = h.Color();
            const unsigned int rgba[4] = {CQxColor::GetRed(argb), CQxColor::GetGreen(argb), CQxColor::GetBlue(argb),
                                          CQxColor::GetAlpha(argb)};
            out.Numbers(rgba, 4);
        });
        out.Text(QxKelRecordSeparator).Number(face.Attribute() ? static_cast<int>(face.Attribute()->Index()) : -1);
        out.Text(QxKelRecordSeparator).Number(static_cast<unsigned int>(face.Flag()));
    }
}

} // namespace

int CQxObject::Write(CQxXmlElement* parent) {
    if (!parent) return 0;
    CQxXmlElement* e = parent->AppendChild(GetTypeName());
    e->AppendChild("Name", GetName(), 1);
    WriteAttributes(e);
    AppendTransform(e, TFParam());
    CQxXmlElement* mirror = e->AppendChild("Mirror");
    AppendBool(mirror, "X", MirrorFlags() & QX_AXIS_X);
    AppendBool(mirror, "Y", MirrorFlags() & QX_AXIS_Y);
    AppendBool(mirror, "Z", MirrorFlags() & QX_AXIS_Z);
    AppendBool(mirror, "Connect", IsMirrorConnect());
    e->AppendChild("SubdivLevel", SubdivisionLevel());
    AppendBool(e, "Visible", IsVisible());
    if (IKRoot()) e->AppendChild("IKRoot", IKRoot()->GetName(), 1);
    if (GetType() == QX_OBJ_MESH) {
        CQxMesh& mesh = Mesh();
        if (IsSkinned()) WriteBoneInfo(*this, e);
        if (!mesh.Vertices().IsEmpty()) {
            WriteVertices(mesh, e);
            if (IsSkinned()) WriteBoneWeights(mesh, e);
        }
        if (!mesh.Faces().IsEmpty()) WriteFaces(mesh, HasUV(), e);
    }
    if (GetChildCount()) {
        CQxXmlElement* objects = e->AppendChild("Objects");
        for (CQxObject* child : GetChildren()) child->Write(objects);
    }
    WriteWidgets(e);
    WriteAnim(e);
    return 1;
}

int CQxModel::WriteAttributes(CQxXmlElement* element) {
    if (!element || Attributes().IsEmpty()) return 1;
    UpdateModelIndices(0);
    CQxXmlElement* attribs = element->AppendChild("Attribs");
    for (CQxAttribute& attribute : Attributes()) {
        CQxXmlElement* a = attribs->AppendChild("Attrib");
        a->AppendChild("Name", attribute.GetName(), 1);
        CQxXmlElement* m = a->AppendChild("Material");
        const CQxColorMaterial& material = attribute.ColorMaterial();
        const CQxColor& c = material.Color();
        const float color[4] = {c[0], c[1], c[2], c[3]};
        m->AppendAttribute("Color", color, 4);
        m->AppendAttribute("Diffuse", material.Diffuse());
        m->AppendAttribute("Ambient", material.Ambient());
        m->AppendAttribute("Emissive", material.Emissive());
        m->AppendAttribute("Specular", material.Specular());
        m->AppendAttribute("Power", material.Power());
        if (attribute.GetTextureStageCount()) {
            CQxXmlElement* textures = a->AppendChild("Textures");
            for (const CQxTextureStage* stage : attribute.TextureStages()) {
                CQxXmlElement* t = textures->AppendChild("Texture");
                t->AppendAttribute("Path", stage->GetPath().GetStr());
                t->AppendAttribute("ColorOp", stage->GetColorOpName());
                t->AppendAttribute("AlphaOp", stage->GetAlphaOpName());
            }
        }
    }
    if (CurAttribute()) element->AppendChild("CurAttrib", CurAttribute()->Index());
    return 1;
}

int CQxScene::WriteXmlFile(const char* path) {
    if (!path) return 0;
    CQxXmlDoc doc;
    CQxXmlElement* root = doc.GetRootElement();
    root->AppendXmlDeclare();
    CQxXmlElement* scene = root->AppendChild("Scene");
    scene->AppendChild("Version", "1.00", 0);
    CQxXmlElement* grid = scene->AppendChild("Grid");
    grid->AppendChild("Length", Grid().Length());
    grid->AppendChild("Interval", Grid().Interval());
    if (const char* axis = QxKelAxisText(Grid().Axis())) grid->AppendChild("Axis", axis, 0);
    const unsigned long gridColor = Grid().Color();
    const unsigned int rgb[3] = {CQxColor::GetRed(gridColor), CQxColor::GetGreen(gridColor),
                                 CQxColor::GetBlue(gridColor)};
    grid->AppendChild("Color", rgb, 3);
    scene->AppendChild("JointRadius", JointRadius());
    scene->AppendChild("FirstFrame", FirstFrame());
    scene->AppendChild("LastFrame", LastFrame());
    scene->AppendChild("CurFrame", CurFrame());
    scene->AppendChild("Fps", Fps());
    if (!RootModel().Write(scene)) return 0;
    return doc.WriteFile(path);
}
