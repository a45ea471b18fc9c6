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

#include "qx/scene/app.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/skeleton/joint.h"
#include "qx/xml/xml_document.h"
#include "qx/xml/xml_string.h"

namespace {

CQxXmlElement* Child(const CQxXmlElement* e, const char* name) { return e->GetFirstChildElementByName(name); }

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

int ReadCount(const CQxXmlElement* e, unsigned int& count) {
    const CQxXmlAttribute* a = e->GetAttributeByName("Count");
    return a && a->GetContentAsUint(count);
}

// A rough bound on how many records a text can hold, so that a huge Count never reserves more
// than the text could fill.
unsigned int ReserveFor(unsigned int count, const CQxString& text, unsigned int minBytes) {
    const unsigned int bound = text.GetLength() / minBytes + 1;
    return count < bound ? count : bound;
}

void ReadBoneInfo(CQxObject& object, CQxBinTree<CQxObject*, CQxString>& bones, const CQxXmlElement* info) {
    if (const CQxXmlElement* root = Child(info, "RootBone")) bones.Set(&object, CQxString(root->GetContentStr()));
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

void ReadVertices(CQxMesh& mesh, const CQxXmlElement* e, CQxArray<CQxVertex*>& vertices) {
    unsigned int count = 0;
    if (!ReadCount(e, count)) return;
    const CQxString& text = e->GetContent();
    vertices.Reserve(ReserveFor(count, text, 6));
    unsigned int pos = 0;
    float p[3];
    while (vertices.GetSize() < count && text.GetFloats(p, 3, pos, QxKelNumberSeparators) == 3) {
        CQxVertex* v = new CQxVertex(CQxVector(p[0], p[1], p[2]));
        mesh.Vertices().PushBack(v);
        vertices.PushBack(v);
    }
}

void ReadBoneWeights(const CQxXmlElement* e, const CQxArray<CQxVertex*>& vertices) {
    unsigned int count = 0, blend = 0;
    const CQxXmlAttribute* blendAttr = e->GetAttributeByName("BlendCount");
    if (!ReadCount(e, count) || !blendAttr || !blendAttr->GetContentAsUint(blend)) return;
    if (count != vertices.GetSize() || blend < 2) return;
    for (CQxVertex* v : vertices) v->AllocBones();
    const CQxString& text = e->GetContent();
    unsigned int pos = 0;
    for (CQxVertex* v : vertices) {
        CQxVertexBones& bones = *v->Bones();
        for (unsigned int k = 0; k < blend; ++k) {
            unsigned int index = 0;
            if (!text.GetUint(index, pos, QxKelNumberSeparators)) return;
            if (k < 4) bones.Indices[k] = static_cast<unsigned char>(index);
        }
        for (unsigned int k = 0; k < blend; ++k) {
            float weight = 0.0f;
            if (!text.GetFloat(weight, pos, QxKelNumberSeparators)) return;
            if (k < 4) bones.Weights[k] = weight;
        }
    }
}

// One corner of a face record as read, before the face is built.
struct Corner {
    CQxVertex* Vertex = nullptr;
    float U = 0.0f;
    float V = 0.0f;
    std::uint32_t Color = 0xFFFFFFFF;
};

// Parses one record; 0 when it cannot be parsed (the face list ends there). `valid` is cleared
// when a corner names a vertex that does not exist.
int ReadFaceRecord(const CQxString& text, unsigned int& pos, int hasUV, const CQxArray<CQxVertex*>& vertices,
                   CQxArray<Corner>& corners, int& attribute, unsigned int& flag, int& valid) {
    unsigned int n = 0;
    if (!text.GetUint(n, pos, QxKelIndexSeparators) || n == 0) return 0;
    corners.Empty();
    valid = 1;
    for (unsigned int k = 0; k < n; ++k) {
        unsigned int index = 0;
        if (!text.GetUint(index, pos, QxKelIndexSeparators)) return 0;
        Corner c;
        if (index < vertices.GetSize()) c.Vertex = vertices[index];
        else valid = 0;
        corners.PushBack(c);
    }
    if (hasUV) {
        for (Corner& c : corners) {
            float uv[2];
            if (text.GetFloats(uv, 2, pos, QxKelNumberSeparators) != 2) return 0;
            c.U = uv[0];
            c.V = uv[1];
        }
    }
    for (Corner& c : corners) {
        unsigned int rgba[4];
        if (text.GetUints(rgba, 4, pos, QxKelNumberSeparators) != 4) return 0;
        c.Color = (rgba[3] & 0xFF) << 24 | (rgba[0] & 0xFF) << 16 | (rgba[1] & 0xFF) << 8 | (rgba[2] & 0xFF);
    }
    if (!text.GetInt(attribute, pos, QxKelNumberSeparators)) return 0;
    if (!text.GetUint(flag, pos, QxKelNumberSeparators)) return 0;
    return 1;
}

void ReadFaces(CQxMesh& mesh, const CQxXmlElement* e, int hasUV, const CQxArray<CQxVertex*>& vertices,
               CQxAttribute* const* attributes, unsigned int attributeCount) {
    unsigned int count = 0;
    if (!ReadCount(e, count)) return;
    const CQxString& text = e->GetContent();
    unsigned int pos = 0;
    CQxArray<Corner> corners;
    for (unsigned int read = 0; read < count; ++read) {
        int attribute = -1, valid = 1;
        unsigned int flag = 0;
        if (!ReadFaceRecord(text, pos, hasUV, vertices, corners, attribute, flag, valid)) break;
        if (!valid) continue;
        CQxAttribute* a = nullptr;
        if (attribute >= 0 && static_cast<unsigned int>(attribute) < attributeCount) a = attributes[attribute];
        CQxFace* face = new CQxFace(a, static_cast<unsigned char>(flag));
        mesh.Faces().PushBack(face);
        for (const Corner& c : corners) {
            CQxHalfEdge* h = new CQxHalfEdge(face, c.Vertex, 0);
            h->Color() = c.Color;
            if (hasUV && h->AllocUV()) h->UV() = CQxVector2D(c.U, c.V);
            face->PushHalfEdge(h);
        }
    }
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

// Element parsers with nothing to do: the quick check of ReadXmlFileOnTime.
int IgnoreElement(void*, const char*) { return 1; }
int IgnoreAttribute(void*, const char*, const char*) { return 1; }
int IgnoreContent(void*, const char*, unsigned int) { return 1; }

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
    if (const CQxXmlElement* mirror = Child(element, "Mirror")) {
        MirrorFlags() = 0;
        int on = 0;
        if (ReadBool(mirror, "X", on) && on) MirrorFlags() |= QX_AXIS_X;
        if (ReadBool(mirror, "Y", on) && on) MirrorFlags() |= QX_AXIS_Y;
        if (ReadBool(mirror, "Z", on) && on) MirrorFlags() |= QX_AXIS_Z;
        ReadBool(mirror, "Connect", IsMirrorConnect());
    }
    if (const CQxXmlElement* level = Child(element, "SubdivLevel")) level->GetContentAsUint(SubdivisionLevel());
    ReadBool(element, "Visible", IsVisible());
    if (const CQxXmlElement* ik = Child(element, "IKRoot")) IKRoot() = scene->RootModel().FindName(ik->GetContentStr());

    if (GetType() == QX_OBJ_MESH) {
        CQxMesh& mesh = Mesh();
        if (const CQxXmlElement* info = Child(element, "BoneInfo")) ReadBoneInfo(*this, bones, info);
        HasUV() = 1;
        CQxArray<CQxVertex*> vertices;
        if (const CQxXmlElement* v = Child(element, "Vertices")) {
            ReadVertices(mesh, v, vertices);
            UpdateBoundBox();
        }
        if (const CQxXmlElement* w = Child(element, "BoneWeights")) ReadBoneWeights(w, vertices);
        if (const CQxXmlElement* f = Child(element, "Faces")) {
            unsigned int count = 0;
            if (ReadCount(f, count)) {
                if (const CQxXmlAttribute* uv = f->GetAttributeByName("UV")) uv->GetContentAsBool(HasUV());
                ReadFaces(mesh, f, HasUV(), vertices, attributes, attributeCount);
                mesh.UpdateIndices();
                mesh.UpdateHalfEdgeMates();
                mesh.UpdateVertexHalfEdges();
                mesh.UpdateNormals();
                UpdateGraphics();
            }
        }
    }

    if (const CQxXmlElement* objects = Child(element, "Objects"); objects && GetDepth(this) < QxKelMaxDepth) {
        for (unsigned int i = 0; i < objects->GetChildCount(); ++i) {
            CQxXmlElement* c = objects->GetChild(i);
            if (!c || c->GetNodeType() != QX_XML_NODE_ELEMENT) continue;
            CQxObject* child = NewObjectFor(c);
            PushChild(child);
            child->Read(scene, bones, c, attributes);
            if (child->GetType() == QX_OBJ_JOINT) static_cast<CQxJoint*>(child)->Create(scene->JointRadius(), 10);
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
    const char* dirs[2] = {CQxApp::Instance().DataDir().GetStr(), scene ? scene->FileDir().GetStr() : nullptr};
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
                if (const CQxXmlAttribute* op = t->GetAttributeByName("ColorOp")) stage->SetColorOp(op->GetContentStr());
                if (const CQxXmlAttribute* op = t->GetAttributeByName("AlphaOp")) stage->SetAlphaOp(op->GetContentStr());
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
    if (!path || !doc.ReadFile(path)) return 0;
    const CQxXmlElement* scene = doc.GetDocumentElement();
    if (!scene || !scene->IsName("Scene")) return 0;

    float length = 100.0f, interval = 10.0f;
    QX_AXIS_TYPE axis = QX_AXIS_Y;
    unsigned long color = 0xFF555555;
    if (const CQxXmlElement* grid = Child(scene, "Grid")) {
        ReadFiniteFloat(grid, "Length", length);
        ReadFiniteFloat(grid, "Interval", interval);
        if (const CQxXmlElement* a = Child(grid, "Axis")) {
            if (a->GetContent() == "X") axis = QX_AXIS_X;
            else if (a->GetContent() == "Z") axis = QX_AXIS_Z;
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
        object->RootBone() = joint && joint->GetType() == QX_OBJ_JOINT ? static_cast<CQxJoint*>(joint) : nullptr;
        object->UpdateGraphics();
    }
    return 1;
}

int CQxScene::ReadXmlFileOnTime(const char* path) {
    CQxXmlString xml;
    if (!path || !xml.ReadFile(path)) return 0;
    xml.SetParseFuncs(IgnoreElement, IgnoreElement, IgnoreAttribute, IgnoreContent, nullptr);
    return xml.ParseOnTime(0);
}
