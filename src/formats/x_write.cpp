// The .x text file: templates, materials, the frame hierarchy and the animation sets.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "qx/animation/anim.h"
#include "qx/commands/tree_cmd.h"
#include "qx/scene/model.h"
#include "qx/platform/file_replace.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"
#include "x_text.h"

namespace {

// A template: its name, its identifier and its member lines.
struct XTemplate {
    const char* Name;
    const char* Guid;
    const char* Members;
};

constexpr XTemplate kTemplates[] = {
    {"AnimTicksPerSecond", "9e415a43-7ba6-4a73-8743-b73d47e88476", "DWORD AnimTicksPerSecond;"},
    {"Frame", "3d82ab46-62da-11cf-ab39-0020af71e433", "[...]"},
    {"Matrix4x4", "f6f23f45-7686-11cf-8f52-0040333594a3", "array FLOAT matrix[16];"},
    {"FrameTransformMatrix", "f6f23f41-7686-11cf-8f52-0040333594a3", "Matrix4x4 frameMatrix;"},
    {"Vector", "3d82ab5e-62da-11cf-ab39-0020af71e433", "FLOAT x;|FLOAT y;|FLOAT z;"},
    {"MeshFace", "3d82ab5f-62da-11cf-ab39-0020af71e433",
     "DWORD nFaceVertexIndices;|array DWORD faceVertexIndices[nFaceVertexIndices];"},
    {"Mesh", "3d82ab44-62da-11cf-ab39-0020af71e433",
     "DWORD nVertices;|array Vector vertices[nVertices];|DWORD nFaces;|array MeshFace faces[nFaces];|[...]"},
    {"MeshNormals", "f6f23f43-7686-11cf-8f52-0040333594a3",
     "DWORD nNormals;|array Vector normals[nNormals];|DWORD nFaceNormals;|array MeshFace faceNormals[nFaceNormals];"},
    {"Coords2d", "f6f23f44-7686-11cf-8f52-0040333594a3", "FLOAT u;|FLOAT v;"},
    {"MeshTextureCoords", "f6f23f40-7686-11cf-8f52-0040333594a3",
     "DWORD nTextureCoords;|array Coords2d textureCoords[nTextureCoords];"},
    {"ColorRGBA", "35ff44e0-6c7c-11cf-8f52-0040333594a3", "FLOAT red;|FLOAT green;|FLOAT blue;|FLOAT alpha;"},
    {"ColorRGB", "d3e16e81-7835-11cf-8f52-0040333594a3", "FLOAT red;|FLOAT green;|FLOAT blue;"},
    {"TextureFilename", "A42790E1-7810-11cf-8F52-0040333594A3", "STRING filename;"},
    {"Material", "3d82ab4d-62da-11cf-ab39-0020af71e433",
     "ColorRGBA faceColor;|FLOAT power;|ColorRGB specularColor;|ColorRGB emissiveColor;|[...]"},
    {"MeshMaterialList", "f6f23f42-7686-11cf-8f52-0040333594a3",
     "DWORD nMaterials;|DWORD nFaceIndexes;|array DWORD faceIndexes[nFaceIndexes];|"
     "[Material <3d82ab4d-62da-11cf-ab39-0020af71e433>]"},
    {"VertexDuplicationIndices", "b8d65549-d7c9-4995-89cf-53a9a8b031e3",
     "DWORD nIndices;|DWORD nOriginalVertices;|array DWORD indices[nIndices];"},
    {"XSkinMeshHeader", "3cf169ce-ff7c-44ab-93c0-f78f62d172e2",
     "WORD nMaxSkinWeightsPerVertex;|WORD nMaxSkinWeightsPerFace;|WORD nBones;"},
    {"SkinWeights", "6f0d123b-bad2-4167-a0d0-80224f25fabb",
     "STRING transformNodeName;|DWORD nWeights;|array DWORD vertexIndices[nWeights];|array FLOAT weights[nWeights];|"
     "Matrix4x4 matrixOffset;"},
    {"Animation", "3d82ab4f-62da-11cf-ab39-0020af71e433", "[...]"},
    {"AnimationSet", "3d82ab50-62da-11cf-ab39-0020af71e433", "[Animation <3d82ab4f-62da-11cf-ab39-0020af71e433>]"},
    {"FloatKeys", "10dd46a9-775b-11cf-8f52-0040333594a3", "DWORD nValues;|array FLOAT values[nValues];"},
    {"TimedFloatKeys", "f406b180-7b3b-11cf-8f52-0040333594a3", "DWORD time;|FloatKeys tfkeys;"},
    {"AnimationKey", "10dd46a8-775b-11cf-8f52-0040333594a3",
     "DWORD keyType;|DWORD nKeys;|array TimedFloatKeys keys[nKeys];"},
};

void WriteTemplates(CQxXText& x) {
    for (const XTemplate& t : kTemplates) {
        x.Open("template", t.Name);
        x.Line("<%s>", t.Guid);
        std::string members(t.Members);
        for (std::size_t from = 0; from <= members.size();) {
            const std::size_t bar = std::min(members.find('|', from), members.size());
            x.Line("%s", members.substr(from, bar - from).c_str());
            from = bar + 1;
        }
        x.Close();
    }
}

void Section(CQxXText& x, const char* title) {
    x.Raw("\r\n");
    x.Line("# %s", title);
    x.Raw("\r\n");
}

// The key times of an animation: every `step` frames over the items' range, or every keyed
// frame when the step is not positive.
std::vector<float> KeyTimes(const CQxAnim& anim) {
    std::vector<float> times;
    const float step = QxXFileKeyStep();
    if (step > 0.0f) {
        float first = 0.0f, last = 0.0f, low = 0.0f, high = 0.0f;
        if (!anim.GetItemsRange(first, last, low, high)) return times;
        const float range = last - first;
        const float steps = range / step;
        auto count = static_cast<std::size_t>(std::ceil(steps));
        if (std::floor(steps) == steps) ++count;
        // A range this long is no animation anyone samples; keep the file finite.
        count = std::min<std::size_t>(count, 1u << 20);
        for (std::size_t i = 0; i < count; ++i) times.push_back(first + static_cast<float>(i) * step);
    } else {
        CQxKeyTree<float> frames;
        anim.GetUniqueKeys(frames);
        for (const float& frame : frames) times.push_back(frame);
    }
    return times;
}

} // namespace

CQxString QxXName(const CQxObject& object) {
    CQxString name;
    CQxObject::GetUniqueName(QxGetIndexPath(object), name);
    return name;
}

// --- Objects -------------------------------------------------------------------------------------

int CQxObject::WriteX(CQxString& text, unsigned int indent) {
    CQxXText x(text);
    x.SetDepth(indent);
    const int leftHand = QxXFileLeftHand() ? 1 : 0;
    const CQxString name = QxXName(*this) + "Frame";
    x.Open("Frame", name.GetStr());
    x.Open("FrameTransformMatrix");
    x.Matrix(GetTransform(QX_TF_ALL, leftHand), ";;");
    x.Close();
    if (GetType() == QX_OBJ_MESH && !m_Meshes[MESH_MAIN].Vertices().IsEmpty()) QxWriteXMesh(x, *this, leftHand);
    for (CQxObject* child : GetChildren())
        if (!child->WriteX(text, x.Depth())) return 0;
    x.Close();
    return 1;
}

int CQxModel::WriteAttributesX(CQxString& text, unsigned int indent) {
    CQxXText x(text);
    x.SetDepth(indent);
    const CQxString model = QxXName(*this);
    unsigned int i = 0;
    for (const CQxAttribute& attribute : Attributes()) {
        CQxString name;
        name.Format("%sMaterial%u", model.GetStr(), i++);
        x.Open("Material", name.GetStr());
        const CQxColorMaterial& material = attribute.ColorMaterial();
        const CQxColor diffuse = material.GetDiffuseColor();
        const CQxColor specular = material.GetSpecularColor();
        const CQxColor emissive = material.GetEmissiveColor();
        x.Line("%f;%f;%f;%f;;", diffuse.r, diffuse.g, diffuse.b, diffuse.a);
        x.Line("%f;", material.Power());
        x.Line("%f;%f;%f;;", specular.r, specular.g, specular.b);
        x.Line("%f;%f;%f;;", emissive.r, emissive.g, emissive.b);
        if (const CQxTextureStage* stage = attribute.GetTextureStage(0)) {
            x.Open("TextureFilename");
            x.Line("\"%s\";", stage->GetPath().GetStr());
            x.Close();
        }
        x.Close();
    }
    return 1;
}

int CQxModel::WriteAnimX(CQxString& text, unsigned int indent) {
    CQxAnim& anim = Anim();
    if (anim.ObjectItems().IsEmpty()) return 1;
    const std::vector<float> times = KeyTimes(anim);
    if (times.empty()) return 1;
    const float offset = times.front() < 0.0f ? -times.front() : 0.0f;
    const int leftHand = QxXFileLeftHand() ? 1 : 0;
    anim.UpdateObjectSortItems();
    CQxXText x(text);
    x.SetDepth(indent);
    x.Open("AnimationSet");
    for (auto& entry : anim.ObjectSortItems()) {
        const auto& channels = entry.Value;
        if (channels.IsEmpty()) continue;
        CQxObject* object = channels.begin()->Value->GetObject();
        if (!object) continue;
        x.Open("Animation");
        x.Line("{%sFrame}", QxXName(*object).GetStr());
        x.Open("AnimationKey");
        x.Line("4;");
        x.Line("%u;", static_cast<unsigned int>(times.size()));
        // Sampling moves the object; it gets its own transform back afterwards.
        const CQxTransformParam before = object->TFParam();
        for (std::size_t k = 0; k < times.size(); ++k) {
            for (auto& channel : channels) channel.Value->Animate(times[k]);
            x.Line("%d;16;", static_cast<int>((times[k] + offset) * 100.0f));
            x.Matrix(object->GetTransform(QX_TF_ALL, leftHand), k + 1 < times.size() ? ";;," : ";;;");
        }
        object->TFParam() = before;
        x.Close();
        x.Close();
    }
    x.Close();
    return 1;
}

// --- The file ------------------------------------------------------------------------------------

int CQxScene::WriteXFile(const char* path) {
    if (CQxString::IsStrEmpty(path)) return 0;
    RootModel().UpdateModelIndices(1);
    CQxString text;
    // Room for about what a mesh writes (positions, normals, coordinates and origins by
    // vertex, two triangle lists and a material by face), so the text grows rarely.
    std::size_t estimate = 1u << 16;
    for (CQxObject::Iterator it = RootModel().Begin(); !it.IsEnd(); ++it)
        estimate += 120u * it->Mesh().Vertices().GetCount() + 64u * it->Mesh().Faces().GetCount();
    text.Reserve(static_cast<unsigned int>(std::min<std::size_t>(estimate, 1u << 30)));
    CQxXText x(text);
    x.Line("xof 0303txt 0032");
    Section(x, "X File Templates declaration.");
    WriteTemplates(x);
    Section(x, "Global definition.");
    x.Open("AnimTicksPerSecond");
    x.Line("%d;", static_cast<int>(Fps() * 100.0f));
    x.Close();
    CQxArray<CQxModel*> models;
    RootModel().GetModels(models, 1);
    Section(x, "Materials definition.");
    for (CQxModel* model : models) model->WriteAttributesX(text, 0);
    Section(x, "Models definition.");
    if (!RootModel().WriteX(text, 0)) return 0;
    Section(x, "Animations definition.");
    for (CQxModel* model : models) model->WriteAnimX(text, 0);
    const QX_REPLACE_RESULT result = QxReplaceFileStream(path, [&](std::FILE* file) {
        return std::fwrite(text.GetStr(), 1, text.GetLength(), file) == text.GetLength();
    });
    return result == QX_REPLACE_DONE ? 1 : 0;
}
