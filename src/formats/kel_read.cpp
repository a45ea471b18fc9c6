// Reading the scene file. The file is untrusted: counts only bound what is read, never what is
// allocated ahead; indices are checked; a number list that runs out ends what it feeds and keeps
// what was read. What the reader does with a damaged file:
// - a face whose corner names a vertex that was not read is dropped (the rest of the mesh stays);
// - a face attribute index outside the model's materials leaves the face without a material;
// - a face record that cannot be parsed, or that has no corners, ends the face list;
// - objects nested deeper than QxKelMaxDepth are left out;
// - scene numbers that are not finite are ignored, and so is a frame rate that is not positive.
#include <cmath>

#include "kel_format.h"
#include "kel_stream.h"

#include "qx/scene/app.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/skeleton/joint.h"
#include "qx/xml/xml_document.h"
#include "qx/xml/xml_string.h"

namespace {

CQxXmlElement* Child(const CQxXmlElement* e, const char* name) {
    return e->GetFirstChildElementByName(name);
}

int ReadVector(const CQxXmlElement* e, const char* name, CQxVector& out) {
    const CQxXmlElement* c = Child(e, name);
    float v[3];
    if (!c || c->GetContentAsFloats(v, 3) != 3) return 0;
    out = CQxVector(v[0], v[1], v[2]);
    return 1;
}

void ReadTransform(const CQxXmlElement* e, CQxTransformParam& param) {
    ReadVector(e, "Scale", param.Scale());
    CQxVector angle = param.Angle();
    if (ReadVector(e, "Angle", angle)) param.SetAngle(angle);
    ReadVector(e, "Translate", param.Translate());
    ReadVector(e, "Pivot", param.Pivot());
}

int ReadBool(const CQxXmlElement* e, const char* name, int& out) {
    const CQxXmlElement* c = Child(e, name);
    int value = 0;
    if (!c || !c->GetContentAsBool(value)) return 0;
    out = value;
    return 1;
}

// Up to four rows of four floats; reading stops at the first row that does not parse.
void ReadMatrix(const CQxXmlElement* e, const char* name, CQxMatrix& out) {
    const CQxXmlElement* c = Child(e, name);
    if (!c) return;
    const CQxString& text = c->GetContent();
    unsigned int pos = 0;
    for (unsigned int row = 0; row < 4; ++row) {
        float values[4];
        if (text.GetFloats(values, 4, pos, QxKelNumberSeparators) != 4) break;
        for (unsigned int col = 0; col < 4; ++col) out.m[row][col] = values[col];
    }
}

void ReadBoneInfo(CQxObject& object, CQxBinTree<CQxObject*, CQxString>& bones, const CQxXmlElement* info) {
    if (const CQxXmlElement* root = Child(info, "RootBone"))
        bones.Set(&object, CQxString(root->GetContentStr()));
    if (const CQxXmlElement* params = Child(info, "BindParams")) {
        const unsigned int n = params->GetChildCount();
        CQxArray<CQxTransformParam>& bind = object.BindParams();
        bind.Clear();
        bind.Resize(n);
        for (unsigned int i = 0; i < n; ++i) ReadTransform(params->GetChild(i), bind[i]);
    }
    ReadMatrix(info, "OffsetTransform", object.OffsetTransform());
    ReadMatrix(info, "OffsetTransformLH", object.OffsetTransformLH());
}

// The lists of an object element: decoded while the file streamed in when the stream took them,
// else decoded now from the elements' text.
thread_local const CQxKelStream* t_Stream = nullptr;

void Decode(CQxKelListDecoder& decoder, const CQxXmlElement& e) {
    const CQxString& text = e.GetContent();
    decoder.Feed(text.GetStr(), text.GetLength());
    decoder.Finish();
}

CQxKelMeshData* StreamedData(const CQxXmlElement* object) {
    return t_Stream ? t_Stream->Find(object) : nullptr;
}

// Moves what was decoded into the mesh and gives the faces their materials.
void TakeMeshData(CQxMesh& mesh, CQxKelMeshData& data, CQxAttribute* const* attributes,
                  unsigned int attributeCount) {
    unsigned int i = 0;
    for (CQxFace& face : data.FaceList) {
        const int index = data.FaceAttributes[i++];
        if (index >= 0 && static_cast<unsigned int>(index) < attributeCount)
            face.Attribute() = attributes[index];
    }
    mesh.Vertices().Splice(data.VertexList);
    mesh.Faces().Splice(data.FaceList);
    data.FaceAttributes.clear();
}

unsigned int GetDepth(const CQxObject* object) {
    unsigned int depth = 0;
    for (const CQxObject* p = object->GetParent(); p; p = p->GetParent()) ++depth;
    return depth;
}

CQxObject* NewObjectFor(const CQxXmlElement* e) {
    if (e->IsName("Group")) return new CQxGroup(1);
    if (e->IsName("Model")) return new CQxModel(1);
    if (e->IsName("Joint")) return new CQxJoint(1);
    return new CQxObject(1);
}

void ReadFiniteFloat(const CQxXmlElement* e, const char* name, float& out) {
    const CQxXmlElement* c = Child(e, name);
    float value = 0.0f;
    if (c && c->GetContentAsFloat(value) && std::isfinite(value)) out = value;
}

// Which axes the object is mirrored on, and whether the halves are joined.
void ReadMirror(CQxObject& object, const CQxXmlElement* mirror) {
    object.MirrorFlags() = 0;
    int on = 0;
    if (ReadBool(mirror, "X", on) && on) object.MirrorFlags() |= QX_AXIS_X;
    if (ReadBool(mirror, "Y", on) && on) object.MirrorFlags() |= QX_AXIS_Y;
    if (ReadBool(mirror, "Z", on) && on) object.MirrorFlags() |= QX_AXIS_Z;
    ReadBool(mirror, "Connect", object.IsMirrorConnect());
}

// A mesh object's bone data, vertices, weights and faces, with the materials `attributes` lists.
void ReadMesh(CQxObject& object, CQxBinTree<CQxObject*, CQxString>& bones, CQxXmlElement* element,
              CQxAttribute* const* attributes, unsigned int attributeCount) {
    CQxMesh& mesh = object.Mesh();
    if (const CQxXmlElement* info = Child(element, "BoneInfo")) ReadBoneInfo(object, bones, info);
    object.HasUV() = 1;
    const CQxXmlElement* v = Child(element, "Vertices");
    const CQxXmlElement* w = Child(element, "BoneWeights");
    const CQxXmlElement* f = Child(element, "Faces");
    const CQxKelListHeader faceHeader = f ? QxKelReadListHeader(*f, object.HasUV()) : CQxKelListHeader();
    const bool hasFaces = f && faceHeader.HasCount;
    if (hasFaces) object.HasUV() = faceHeader.HasUV;
    // Lists the stream decoded are taken as they are; the others are decoded from their text.
    CQxKelMeshData local;
    CQxKelMeshData* streamed = StreamedData(element);
    CQxKelMeshData& data = streamed && streamed->VerticesElement == v ? *streamed : local;
    if (v && data.VerticesElement != v) {
        data.VerticesElement = v;
        const unsigned int bound = v->GetContent().GetLength() / 6 + 1;
        Decode(*QxKelVertexDecoder(QxKelReadListHeader(*v, 1), data, bound), *v);
    }
    if (w && data.WeightsElement != w) {
        data.WeightsElement = w;
        Decode(*QxKelWeightDecoder(QxKelReadListHeader(*w, 1), data), *w);
    }
    if (hasFaces && data.FacesElement != f) {
        data.FacesElement = f;
        Decode(*QxKelFaceDecoder(faceHeader, data), *f);
    }
    if (!hasFaces) data.FaceList.Clear();
    TakeMeshData(mesh, data, attributes, attributeCount);
    if (v) object.UpdateBoundBox();
    if (hasFaces) {
        mesh.UpdateIndices();
        mesh.UpdateHalfEdgeMates(); // also gives every vertex its corner
        // The graphics update of a shown shape renews the normals itself.
        if (!object.HasShape() || !object.IsVisible()) mesh.UpdateNormals();
        object.UpdateGraphics();
    }
}

} // namespace

int CQxObject::Read(CQxScene* scene, CQxBinTree<CQxObject*, CQxString>& bones, CQxXmlElement* element,
                    CQxAttribute* const* attributes) {
    if (!scene || !element) return 0;
    // The material list the faces index: a model's own, else the one handed down. Lists end with
    // a null entry, so their length is known.
    CQxArray<CQxAttribute*> own;
    const int isModel = GetType() == QX_OBJ_MODEL;
    ReadAttributes(scene, element, own);
    if (isModel) {
        own.PushBack(nullptr);
        attributes = own.GetData();
    }
    unsigned int attributeCount = 0;
    while (attributes && attributes[attributeCount]) ++attributeCount;

    if (const CQxXmlElement* name = Child(element, "Name")) SetName(name->GetContentStr());
    ReadTransform(element, TFParam());
    if (const CQxXmlElement* mirror = Child(element, "Mirror")) ReadMirror(*this, mirror);
    if (const CQxXmlElement* level = Child(element, "SubdivLevel"))
        level->GetContentAsUint(SubdivisionLevel());
    ReadBool(element, "Visible", IsVisible());
    if (const CQxXmlElement* ik = Child(element, "IKRoot"))
        IKRoot() = scene->RootModel().FindName(ik->GetContentStr());

    if (GetType() == QX_OBJ_MESH) ReadMesh(*this, bones, element, attributes, attributeCount);

    if (const CQxXmlElement* objects = Child(element, "Objects"); objects && GetDepth(this) < QxKelMaxDepth) {
        for (unsigned int i = 0; i < objects->GetChildCount(); ++i) {
            CQxXmlElement* c = objects->GetChild(i);
            if (!c || c->GetNodeType() != QX_XML_NODE_ELEMENT) continue;
            CQxObject* child = NewObjectFor(c);
            PushChild(child);
            child->Read(scene, bones, c, attributes);
            if (child->GetType() == QX_OBJ_JOINT)
                static_cast<CQxJoint*>(child)->Create(scene->JointRadius(), 10);
        }
    }
    ReadWidgets(element);
    ReadAnim(element);
    return 1;
}

int CQxModel::ReadAttributes(CQxScene* scene, CQxXmlElement* element, CQxArray<CQxAttribute*>& attributes) {
    if (!element) return 0;
    // A model read from a file has exactly the materials the file lists.
    ClearAttributes();
    const CQxXmlElement* attribs = Child(element, "Attribs");
    if (!attribs) return 1;
    const char* dirs[2] = {CQxApp::Instance().DataDir().GetStr(),
                           scene ? scene->FileDir().GetStr() : nullptr};
    for (unsigned int i = 0; i < attribs->GetChildCount(); ++i) {
        const CQxXmlElement* a = attribs->GetChild(i);
        if (!a || a->GetNodeType() != QX_XML_NODE_ELEMENT) continue;
        CQxAttribute* attribute = new CQxAttribute();
        AddAttribute(attribute);
        if (!CurAttribute()) CurAttribute() = attribute;
        if (const CQxXmlElement* name = Child(a, "Name")) attribute->SetName(name->GetContentStr());
        if (const CQxXmlElement* m = Child(a, "Material")) {
            CQxColorMaterial& material = attribute->ColorMaterial();
            float color[4];
            const CQxXmlAttribute* c = m->GetAttributeByName("Color");
            if (c && c->GetContentAsFloats(color, 4) == 4)
                for (unsigned int k = 0; k < 4; ++k) material.Color()[k] = color[k];
            const struct {
                const char* Name;
                float& Value;
            } factors[] = {{"Diffuse", material.Diffuse()},
                           {"Ambient", material.Ambient()},
                           {"Emissive", material.Emissive()},
                           {"Specular", material.Specular()},
                           {"Power", material.Power()}};
            for (const auto& f : factors)
                if (const CQxXmlAttribute* x = m->GetAttributeByName(f.Name)) x->GetContentAsFloat(f.Value);
        }
        if (const CQxXmlElement* textures = Child(a, "Textures")) {
            for (unsigned int k = 0; k < textures->GetChildCount(); ++k) {
                const CQxXmlElement* t = textures->GetChild(k);
                if (!t || !t->IsName("Texture")) continue;
                CQxTextureStage* stage = new CQxTextureStage();
                attribute->AddTextureStage(stage);
                if (const CQxXmlAttribute* path = t->GetAttributeByName("Path")) {
                    // A file that cannot be loaded keeps its path; texture reload reports it.
                    stage->Load(path->GetContentStr(), std::span<const char* const>(dirs, 2));
                }
                if (const CQxXmlAttribute* op = t->GetAttributeByName("ColorOp"))
                    stage->SetColorOp(op->GetContentStr());
                if (const CQxXmlAttribute* op = t->GetAttributeByName("AlphaOp"))
                    stage->SetAlphaOp(op->GetContentStr());
            }
        }
    }
    attributes.Empty();
    for (CQxAttribute& attribute : Attributes()) attributes.PushBack(&attribute);
    UpdateModelIndices(0);
    if (const CQxXmlElement* cur = Child(element, "CurAttrib")) {
        int index = -1;
        cur->GetContentAsInt(index);
        CurAttribute() = index >= 0 ? GetAttribute(static_cast<unsigned int>(index)) : nullptr;
    }
    return 1;
}

int CQxScene::ReadXmlFile(const char* path) {
    CQxXmlDoc doc;
    CQxKelStream stream;
    if (!path) return 0;
    const int read = doc.ReadFile(path, &stream);
    if (!stream.Finish() || !read) return 0;
    struct StreamScope {
        explicit StreamScope(const CQxKelStream* s) { t_Stream = s; }
        ~StreamScope() { t_Stream = nullptr; }
    } scope(&stream);
    const CQxXmlElement* scene = doc.GetDocumentElement();
    if (!scene || !scene->IsName("Scene")) return 0;

    float length = 100.0f, interval = 10.0f;
    QX_AXIS_TYPE axis = QX_AXIS_Y;
    unsigned long color = 0xFF555555;
    if (const CQxXmlElement* grid = Child(scene, "Grid")) {
        ReadFiniteFloat(grid, "Length", length);
        ReadFiniteFloat(grid, "Interval", interval);
        if (const CQxXmlElement* a = Child(grid, "Axis")) {
            if (a->GetContent() == "X")
                axis = QX_AXIS_X;
            else if (a->GetContent() == "Z")
                axis = QX_AXIS_Z;
        }
        unsigned int rgb[3];
        if (const CQxXmlElement* c = Child(grid, "Color"); c && c->GetContentAsUints(rgb, 3) == 3)
            color = 0xFF000000 | (rgb[0] & 0xFF) << 16 | (rgb[1] & 0xFF) << 8 | (rgb[2] & 0xFF);
    }
    Grid().Create(length, interval, axis, color);
    Axes().Create(length, 7, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF);

    float radius = JointRadius(), first = FirstFrame(), last = LastFrame(), cur = CurFrame(), fps = Fps();
    ReadFiniteFloat(scene, "JointRadius", radius);
    ReadFiniteFloat(scene, "FirstFrame", first);
    ReadFiniteFloat(scene, "LastFrame", last);
    ReadFiniteFloat(scene, "CurFrame", cur);
    ReadFiniteFloat(scene, "Fps", fps);
    SetJointRadius(radius, 0);
    SetFirstFrame(first);
    SetLastFrame(last);
    CurFrame() = cur;
    if (fps > 0.0f) Fps() = fps;

    CQxBinTree<CQxObject*, CQxString> bones;
    if (CQxXmlElement* model = Child(scene, "Model")) RootModel().Read(this, bones, model, nullptr);
    // Skins name their root joint, which may come later in the file than the skinned mesh.
    for (auto& entry : bones) {
        CQxObject* object = entry.Key;
        CQxObject* joint = RootModel().FindName(entry.Value.GetStr());
        object->RootBone() = dynamic_cast<CQxJoint*>(joint);
        object->UpdateBoneTransforms();
        object->UpdateGraphics();
    }
    return 1;
}

int CQxScene::ReadXmlFileOnTime(const char* path) {
    CQxXmlString xml;
    if (!path || !xml.ReadFile(path)) return 0;
    // A quick check that the file is well-formed: no handlers, so no text is even gathered.
    xml.SetParseFuncs(nullptr, nullptr, nullptr, nullptr, nullptr);
    return xml.ParseOnTime(0);
}
