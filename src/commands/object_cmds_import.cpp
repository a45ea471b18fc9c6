// Importing a file below an object. The scene's own readers (the ones ReadFile chooses) build
// their objects, and an MQO file its materials, under the root model; the command then moves
// them below the parent and into the parent's model, and keeps them for undo.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "object_cmds_internal.h"
#include "qx/basis/msg_box.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/object_cmds.h"
#include "qx/platform/message.h"
#include "qx/selection/select.h"

namespace {

constexpr const char* kCaption = "インポート失敗";
constexpr unsigned int kNone = 0xFFFFFFFF;

using CQxReader = int (CQxScene::*)(const char*);

// The scene's reader for the path's extension, or null.
CQxReader ReaderFor(const char* path) {
    const CQxString text(path);
    const unsigned int dot = text.FindLast('.');
    if (dot == CQxString::NotFound || text.FindFirstOf("/\\", dot) != CQxString::NotFound) return nullptr;
    const CQxString ext = text.GetSubStr(dot);
    if (ext.CompareNoCase(".dxf") == 0) return &CQxScene::ReadDxfFile;
    if (ext.CompareNoCase(".mqo") == 0) return &CQxScene::ReadMqoFile;
    return nullptr;
}

// A regular file with content; otherwise the message, under this command's caption.
bool IsReadable(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat info;
    const bool opened = fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (fd >= 0) ::close(fd);
    if (!opened) {
        CQxString text;
        text.Format("\"%s\"\nの読み込みに失敗しました.", path);
        QxMsgBox(text, kCaption, MB_OK, nullptr);
        return false;
    }
    if (info.st_size == 0) {
        QxMsgBox("ファイルが空です.", kCaption, MB_OK, nullptr);
        return false;
    }
    return true;
}

unsigned int CurIndex(const CQxModel& model) {
    return model.CurAttribute() ? model.FindAttribute(model.CurAttribute()) : kNone;
}

void SetCur(CQxModel& model, unsigned int index) {
    model.CurAttribute() = index == kNone ? nullptr : model.GetAttribute(index);
}

// Deletes what a failed read may have left beyond the given counts.
void Discard(CQxModel& root, unsigned int children, unsigned int attributes, unsigned int cur) {
    while (root.GetChildCount() > children) root.PopLastChild();
    while (root.GetAttributeCount() > attributes) root.DeleteAttribute(root.GetAttribute(attributes));
    SetCur(root, cur);
}

} // namespace

// The materials the file brought: their model, their place in its list and, while the import
// is undone, the materials themselves.
struct CQxImportCmd::Materials {
    CQxIndexPath Model;
    unsigned int First = 0;
    unsigned int Count = 0;
    unsigned int CurBefore = kNone;
    unsigned int CurAfter = kNone;
    std::vector<std::unique_ptr<CQxAttribute>> Kept;

    CQxModel* Find(const CQxSnapshotStore& store) const {
        CQxObject* object = store.Find(Model);
        return object && object->GetType() == QX_OBJ_MODEL ? dynamic_cast<CQxModel*>(object) : nullptr;
    }
};

CQxImportCmd::CQxImportCmd(CQxScene* scene) : CQxCmd(scene), m_Store(scene), m_Materials(new Materials) {}

CQxImportCmd::~CQxImportCmd() = default;

int CQxImportCmd::Create(const char* path, CQxObject* parent, int update) {
    CQxModel& root = m_Store.GetRoot();
    if (CQxString::IsStrEmpty(path)) return 0;
    const CQxReader reader = ReaderFor(path);
    if (!reader) {
        QxMsgBox("未対応のファイルです．", kCaption, MB_OK, nullptr);
        return 0;
    }
    if (!parent) parent = &root;
    if (!root.Find(parent) || !IsReadable(path)) return 0;
    CQxModel* model = parent->GetModel();
    if (!model) model = &root;
    const unsigned int children = root.GetChildCount(), attributes = root.GetAttributeCount();
    const unsigned int rootCur = CurIndex(root);
    m_Materials->CurBefore = CurIndex(*model);
    std::vector<CQxObject*> added;
    if (!(m_Scene->*reader)(path) || !Adopt(*parent, children, attributes, added)) {
        Discard(root, children, attributes, rootCur);
        return 0;
    }
    // The root keeps its current material when the new ones went to another model.
    if (model != &root) SetCur(root, rootCur);
    m_Materials->CurAfter = CurIndex(*model);
    if (update) {
        CQxSelects objects;
        for (CQxObject* object : added) objects.Add(CQxSelect(object));
        Notify(QX_UPDATE_OBJECT_INSERT, &objects);
    }
    return 1;
}

int CQxImportCmd::Adopt(CQxObject& parent, unsigned int children, unsigned int attributes,
                        std::vector<CQxObject*>& added) {
    CQxModel& root = m_Store.GetRoot();
    if (root.GetChildCount() <= children) return 0;
    while (root.GetChildCount() > children) {
        CQxObject* object = root.GetChild(children);
        root.RemoveChild(object);
        added.push_back(object);
    }
    for (CQxObject* object : added) parent.PushChild(object);
    CQxModel* model = parent.GetModel();
    if (!model) model = &root;
    Materials& materials = *m_Materials;
    materials.Count = root.GetAttributeCount() - attributes;
    while (model != &root && root.GetAttributeCount() > attributes) {
        CQxAttribute* attribute = root.GetAttribute(attributes);
        root.RemoveAttribute(attribute);
        model->AddAttribute(attribute);
    }
    materials.Model = QxGetIndexPath(*model);
    materials.First = model->GetAttributeCount() - materials.Count;
    for (CQxObject* object : added) m_Store.AddObject(*object);
    return 1;
}

void CQxImportCmd::Notify(QX_UPDATE_TYPE type, CQxSelects* objects) {
    qx_object_cmd::Notify(*m_Scene, type, objects);
    if (m_Materials->Count) {
        if (CQxModel* model = m_Materials->Find(m_Store)) m_Scene->UpdateGui(QX_UPDATE_ATTRIBUTE_LIST, model);
    }
    qx_object_cmd::Notify(*m_Scene, QX_UPDATE_REDRAW);
}

void CQxImportCmd::Undo() {
    CQxSelects objects;
    CQxStoreReport report{&objects, nullptr};
    m_Store.Remove(report);
    Materials& materials = *m_Materials;
    if (CQxModel* model = materials.Find(m_Store); model && materials.Count) {
        materials.Kept.resize(materials.Count);
        for (unsigned int i = materials.Count; i-- > 0;) {
            CQxAttribute* attribute = model->GetAttribute(materials.First + i);
            model->RemoveAttribute(attribute);
            materials.Kept[i].reset(attribute);
        }
        SetCur(*model, materials.CurBefore);
    }
    Notify(QX_UPDATE_OBJECT_REMOVE, &objects);
}

void CQxImportCmd::Redo() {
    Materials& materials = *m_Materials;
    if (CQxModel* model = materials.Find(m_Store); model && !materials.Kept.empty()) {
        for (unsigned int i = 0; i < materials.Count; ++i)
            model->InsertAttribute(materials.First + i, materials.Kept[i].release());
        materials.Kept.clear();
        SetCur(*model, materials.CurAfter);
    }
    CQxSelects objects;
    CQxStoreReport report{&objects, nullptr};
    m_Store.Restore(report);
    Notify(QX_UPDATE_OBJECT_INSERT, &objects);
}

int CQxScene::ImportFileCmd(const char* path, CQxObject* parent, int update) {
    EndOperation();
    return QxRunCmd<CQxImportCmd>(*this, [&](CQxImportCmd& cmd) { return cmd.Create(path, parent, update); });
}
