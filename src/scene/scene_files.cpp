#include <cstdint>

#include "qx/basis/msg_box.h"
#include "qx/platform/message.h"
#include "qx/scene/app.h"
#include "qx/scene/scene.h"

namespace {

// The extension of the path's file name with its dot (".kel"), or "" when it has none.
CQxString GetExtension(const char* path) {
    const CQxString text(path);
    const unsigned int dot = text.FindLast('.');
    if (dot == CQxString::NotFound) return CQxString();
    if (text.FindFirstOf("/\\", dot) != CQxString::NotFound) return CQxString();
    return text.GetSubStr(dot);
}

CQxString GetDirectory(const char* path) {
    CQxString dir(path);
    dir.RemoveFileName();
    return dir;
}

} // namespace

int CQxScene::ReadFile(const char* path, int update) {
    if (CQxString::IsStrEmpty(path)) return 0;
    m_FileDir = GetDirectory(path);
    const CQxString ext = GetExtension(path);
    int result = 0;
    if (ext.CompareNoCase(".kel") == 0) {
        ClearData();
        result = ReadXmlFile(path);
    } else if (ext.CompareNoCase(".mqo") == 0) {
        ClearData();
        result = ReadMqoFile(path);
        if (result) FitGrid(0);
    } else if (ext.CompareNoCase(".dxf") == 0) {
        ClearData();
        result = ReadDxfFile(path);
        if (result) FitGrid(0);
    } else {
        QxMsgBox("対応してないファイルです.", "", MB_OK, nullptr);
        return 0;
    }
    if (update) UpdateGui(QX_UPDATE_FILE_READ);
    return result;
}

int CQxScene::WriteFile(const char* path) {
    if (CQxString::IsStrEmpty(path)) return 0;
    m_FileDir = GetDirectory(path);
    EndOperation();
    const CQxString ext = GetExtension(path);
    if (ext.CompareNoCase(".kel") == 0) return WriteXmlFile(path);
    if (ext.CompareNoCase(".dxf") == 0) return WriteDxfFile(path);
    if (ext.CompareNoCase(".x") == 0) return WriteXFile(path);
    QxMsgBox("この形式には対応していません．", "ファイルの保存", MB_OK, nullptr);
    return 0;
}

// Only writing is supported for .x files.
int CQxScene::ReadXFile(const char* /*path*/) {
    return 0;
}

int CQxScene::ExportFile(const char* /*path*/, CQxObject* /*object*/) {
    return 1;
}

int CQxScene::ReloadTextures(CQxModel* model, CQxAttribute* attribute, int update) {
    if (!attribute || attribute->GetTextureStageCount() == 0) return 0;
    const char* const dirs[] = {CQxApp::Instance().DataDir().GetStr(), m_FileDir.GetStr()};
    CQxString failed;
    for (CQxTextureStage* stage : attribute->TextureStages()) {
        if (stage->Reload(dirs)) continue;
        failed.AppendFormat(failed.IsEmpty() ? "\"%s\"" : ",\n\"%s\"", stage->GetPath().GetStr());
    }
    if (!failed.IsEmpty()) {
        failed += "\nの読み込みに失敗しました.";
        QxMsgBox(failed, "テクスチャーファイルの読み込み", MB_OK, nullptr);
    }
    if (update) {
        UpdateGui(QX_UPDATE_ATTRIBUTE, model, attribute, reinterpret_cast<void*>(std::uintptr_t{256}));
        UpdateGui(QX_UPDATE_REDRAW);
    }
    return 1;
}
