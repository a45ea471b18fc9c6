#include "qx/scene/object.h"

#include <array>

#include "qx/graphics/primitive.h"
#include "qx/scene/model.h"
#include "object_internal.h"

namespace {

constexpr std::array<const char*, 19> TypeNames = {
    "-None-", "Model", "Group", "Mesh",   "Cube",   "Sphere", "Cylinder", "Cone",  "Torus",  "Plane",
    "Grid",   "Joint", "Axes",  "Camera", "Static", "Group",  "Edit",     "Check", "Button",
};

} // namespace

const char* QxGetObjTypeName(QX_OBJ_TYPE type) {
    return type < TypeNames.size() ? TypeNames[type] : TypeNames[0];
}

// --- Construction -------------------------------------------------------------------------------

CQxObject::CQxObject(int user) : m_IsUser(user) {}

CQxObject::CQxObject(const CQxObject& other)
    : CQxTreeNode<CQxObject>(), m_IsUser(other.m_IsUser), m_Name(other.m_Name),
      m_IsVisible(other.m_IsVisible), m_IsLocked(other.m_IsLocked), m_TFParam(other.m_TFParam),
      m_MirrorFlags(other.m_MirrorFlags), m_IsMirrorConnect(other.m_IsMirrorConnect), m_HasUV(other.m_HasUV),
      m_IsComponentMode(other.m_IsComponentMode) {
    m_Meshes[MESH_MAIN] = other.m_Meshes[MESH_MAIN];
    UpdateBoundBox();
    UpdateGraphics();
}

CQxObject& CQxObject::operator=(const CQxObject& other) {
    if (this == &other) return *this;
    // The fields come first: `other` may be one of the children the tree part replaces.
    m_IsUser = other.m_IsUser;
    m_Name = other.m_Name;
    m_IsVisible = other.m_IsVisible;
    m_IsLocked = other.m_IsLocked;
    m_TFParam = other.m_TFParam;
    m_Transform = other.m_Transform;
    m_PrivateTransform = other.m_PrivateTransform;
    for (unsigned int i = 0; i < MESH_COUNT; ++i) m_Meshes[i] = other.m_Meshes[i];
    m_BoundBox = other.m_BoundBox;
    m_MirrorFlags = other.m_MirrorFlags;
    m_IsMirrorConnect = other.m_IsMirrorConnect;
    m_SubdivisionLevel = other.m_SubdivisionLevel;
    m_RootBone = other.m_RootBone;
    m_BindParams = other.m_BindParams;
    m_OffsetTransform = other.m_OffsetTransform;
    m_OffsetTransformLH = other.m_OffsetTransformLH;
    m_SkinWork[0] = other.m_SkinWork[0];
    m_SkinWork[1] = other.m_SkinWork[1];
    m_BoneTransforms = other.m_BoneTransforms;
    m_IKRoot = other.m_IKRoot;
    m_IKConstraints = other.m_IKConstraints;
    m_Mode = other.m_Mode;
    m_CurBone = other.m_CurBone;
    m_HasUV = other.m_HasUV;
    m_IsComponentMode = other.m_IsComponentMode;

    // The tree part brings copies of the children; the object stays where it is in its tree.
    CQxObject* parent = GetParent();
    CQxTreeNode<CQxObject>::operator=(other);
    SetParent(parent);
    for (CQxObject* child : GetChildren()) child->SetParent(this);
    // Primitives are never shared: build our own from the copied meshes.
    UpdateGraphics();
    return *this;
}

CQxObject::~CQxObject() {
    DeletePrimitives();
}

void CQxObject::Delete() {
    DeleteGraphics();
    DropSkin();
    m_IKRoot = nullptr;
    m_IKConstraints.Clear();
    for (CQxMesh& mesh : m_Meshes) mesh.Clear();
    m_BoundBox.Reset();
    ClearChildren();
}

// --- Kind queries -------------------------------------------------------------------------------

int CQxObject::IsUserType() const {
    if (IsClone()) return 0;
    const QX_OBJ_TYPE type = GetType();
    return type == QX_OBJ_GROUP || type == QX_OBJ_MESH || type == QX_OBJ_JOINT;
}

int CQxObject::HasShape() const {
    if (IsClone()) return 0;
    const QX_OBJ_TYPE type = GetType();
    return type != QX_OBJ_NONE && type != QX_OBJ_MODEL && type != QX_OBJ_GROUP;
}

int CQxObject::IsFreezable() const {
    return HasShape() && !m_Meshes[MESH_MAIN].IsEmpty() && (m_MirrorFlags || m_SubdivisionLevel);
}

int CQxObject::Freeze() {
    if (!IsFreezable()) return 0;
    DeleteGraphics();
    CQxMesh& mesh = m_Meshes[MESH_MAIN];
    if (m_MirrorFlags) mesh.DuplicateMirrors(m_MirrorFlags, m_IsMirrorConnect, m_HasUV);
    if (m_SubdivisionLevel) mesh.Subdivide(m_SubdivisionLevel, m_HasUV);
    m_MirrorFlags = 0;
    m_SubdivisionLevel = 0;
    mesh.SetSubdivisionLevel(0, m_HasUV);
    UpdateBoundBox();
    UpdateGraphics();
    return 1;
}

// --- Settings -----------------------------------------------------------------------------------

int CQxObject::SetVisible(int visible) {
    visible = visible ? 1 : 0;
    if (!HasShape() || visible == m_IsVisible) return 0;
    m_IsVisible = visible;
    UpdateGraphics();
    return 1;
}

int CQxObject::SetLocked(int locked) {
    locked = locked ? 1 : 0;
    if (!HasShape() || locked == m_IsLocked) return 0;
    m_IsLocked = locked;
    return 1;
}

int CQxObject::SetComponentMode(int on, int deep) {
    on = on ? 1 : 0;
    int changed = 0;
    if (on != m_IsComponentMode) {
        if (HasShape()) {
            // The object and its components are never selected at once.
            if (on)
                IsSelect() = 0;
            else
                m_Meshes[MESH_MAIN].Select(0);
        }
        m_IsComponentMode = on;
        UpdateGraphics();
        changed = 1;
    }
    if (deep)
        for (CQxObject* child : GetChildren()) changed |= child->SetComponentMode(on, deep);
    return changed;
}

int CQxObject::SetMirror(unsigned int flags, int connect) {
    flags &= QX_AXIS_X | QX_AXIS_Y | QX_AXIS_Z;
    connect = connect ? 1 : 0;
    if (!HasShape() || (flags == m_MirrorFlags && connect == m_IsMirrorConnect)) return 0;
    m_MirrorFlags = flags;
    m_IsMirrorConnect = connect;
    UpdateGraphics();
    return 1;
}

int CQxObject::SetSubdivision(unsigned int level) {
    if (!HasShape() || !m_IsVisible || level == m_SubdivisionLevel) return 0;
    m_SubdivisionLevel = level;
    CQxMesh& main = m_Meshes[MESH_MAIN];
    if (!main.Faces().IsEmpty()) {
        if (m_MirrorFlags && m_IsMirrorConnect) {
            m_Meshes[MESH_MIRROR].SetSubdivisionLevel(level, m_HasUV);
            main.SetSubdivisionLevel(0, m_HasUV);
        } else {
            main.SetSubdivisionLevel(level, m_HasUV);
        }
    }
    UpdatePrimitives();
    return 1;
}

int CQxObject::SetMode(QX_OBJ_MODE mode, int deep) {
    int changed = 0;
    if (mode != m_Mode) {
        if (m_Mode == QX_OBJ_MODE_WEIGHT) {
            m_Mode = mode;
            UpdateGraphics();
            changed = 1;
        } else if (mode == QX_OBJ_MODE_WEIGHT) {
            // Only a skinned object has weights to show.
            if (IsSkinned()) {
                m_Mode = mode;
                UpdateGraphics();
                changed = 1;
            } else {
                m_Mode = QX_OBJ_MODE_NORMAL;
            }
        } else {
            m_Mode = mode;
            changed = 1;
        }
    }
    if (deep)
        for (CQxObject* child : GetChildren()) changed |= child->SetMode(mode, deep);
    return changed;
}

void CQxObject::SetName(const char* name) {
    m_Name = name;
}

// --- Tree queries -------------------------------------------------------------------------------

namespace {

// A model by its type; a clone of a model reports the type without being one.
CQxModel* AsModel(const CQxObject* object) {
    if (object->GetType() != QX_OBJ_MODEL) return nullptr;
    return dynamic_cast<CQxModel*>(const_cast<CQxObject*>(object));
}

} // namespace

CQxModel* CQxObject::GetModel() const {
    for (const CQxObject* o = this; o; o = o->GetParent())
        if (CQxModel* model = AsModel(o)) return model;
    return nullptr;
}

void CQxObject::GetModels(CQxArray<CQxModel*>& models, int deep) const {
    if (!deep) {
        if (CQxModel* model = AsModel(this)) models.PushBack(model);
        return;
    }
    for (Iterator it = Begin(); !it.IsEnd(); ++it)
        if (CQxModel* model = AsModel(it.Get())) models.PushBack(model);
}

void CQxObject::GetSelectModels(CQxArray<CQxModel*>& models, int deep) const {
    for (Iterator it = Begin(); !it.IsEnd(); ++it) {
        if (it->IsSelect()) {
            CQxModel* model = it->GetModel();
            if (model && !models.Has(model)) models.PushBack(model);
        }
        if (!deep) break;
    }
}

CQxObject* CQxObject::FindName(const char* name) const {
    if (!name) return nullptr;
    for (Iterator it = Begin(); !it.IsEnd(); ++it)
        if (it->Name() == name) return it.Get();
    return nullptr;
}

CQxObject* CQxObject::FindMode(QX_OBJ_MODE mode) const {
    for (Iterator it = Begin(); !it.IsEnd(); ++it)
        if (it->Mode() == mode) return it.Get();
    return nullptr;
}

unsigned int CQxObject::GetChildJointCount() const {
    unsigned int count = 0;
    for (const CQxObject* child : GetChildren())
        if (child->GetType() == QX_OBJ_JOINT) ++count;
    return count;
}

void CQxObject::GetUniqueName(const CQxArray<unsigned int>& path, CQxString& out) {
    out = "_";
    for (unsigned int index : path) out.AppendFormat("%d", static_cast<int>(index));
    out += "_";
}

// --- Content ------------------------------------------------------------------------------------

void CQxObject::Duplicate(const CQxObject& source, QX_AXIS_TYPE axis) {
    // Everything is taken from the source first: it may be this object or lie below it.
    const int user = source.m_IsUser;
    const CQxString name = source.m_Name;
    CQxTransformParam param;
    param.Set(source.m_TFParam, axis);
    CQxMesh mesh;
    if (!mesh.CreateCopy(source.m_Meshes[MESH_MAIN], 0, nullptr, axis, 1))
        mesh.CreateCopy(source.m_Meshes[MESH_MAIN], 0, nullptr, 0, 1);
    const int visible = source.m_IsVisible;
    const int locked = source.m_IsLocked;
    const int hasUV = source.m_HasUV;
    const int componentMode = source.m_IsComponentMode;

    Delete();
    m_IsUser = user;
    m_Name = name;
    m_TFParam = param;
    m_Meshes[MESH_MAIN] = mesh;
    m_MirrorFlags = 0;
    m_IsMirrorConnect = 0;
    m_SubdivisionLevel = 0;
    m_RootBone = nullptr;
    m_IKRoot = nullptr;
    m_Mode = QX_OBJ_MODE_NORMAL;
    m_CurBone = 0;
    m_IsVisible = visible;
    m_IsLocked = locked;
    m_HasUV = hasUV;
    m_IsComponentMode = componentMode;
    UpdateBoundBox();
    UpdateGraphics();
}

void CQxObject::ClearUV() {
    m_Meshes[MESH_MAIN].FreeHalfEdgeUVs();
    m_HasUV = 0;
    UpdateGraphics();
}

void CQxObject::UpdateModelIndices(int deep) {
    if (!deep) return;
    for (CQxObject* child : GetChildren()) child->UpdateModelIndices(deep);
}

int CQxObject::GetPrivateTransform(CQxMatrix&) const {
    return 0;
}

// --- Files: the scene file's Read and Write and the DXF and .x writers live with the format code

int CQxObject::ReadDxf(const CQxString&, unsigned int&) {
    return 1;
}

int CQxObject::WriteAttributesX(CQxString&, unsigned int) {
    return 1;
}

int CQxObject::WriteAnimX(CQxString&, unsigned int) {
    return 1;
}

int CQxObject::ReadAttributes(CQxScene*, CQxXmlElement*, CQxArray<CQxAttribute*>&) {
    return 1;
}

int CQxObject::ReadWidgets(CQxXmlElement*) {
    return 1;
}

int CQxObject::ReadAnim(CQxXmlElement*) {
    return 1;
}

int CQxObject::WriteAttributes(CQxXmlElement*) {
    return 1;
}

int CQxObject::WriteWidgets(CQxXmlElement*) {
    return 1;
}

int CQxObject::WriteAnim(CQxXmlElement*) {
    return 1;
}
