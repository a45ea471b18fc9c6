#include "qx/commands/cmd.h"

#include <array>

namespace {

// The menu words of the command kinds, indexed by QX_CMD_TYPE.
constexpr std::array<const char*, CQxCmd::TypeCount> kCmdNames = {
    "None",
    "貼り付け",
    "削除",
    "面の作成",
    "スケーリング",
    "回転",
    "移動",
    "押し出し",
    "オブジェクト作成",
    "インポート",
    "オブジェクト属性",
    "メッシュ修正",
    "オブジェクト移動",
    "オブジェクト複製",
    "オブジェクト結合",
    "マテリアル設定",
    "マテリアル作成",
    "マテリアル属性",
    "マテリアル削除",
    "マテリアル移動",
    "アニメーション作成",
    "アニメーション属性",
    "アニメーション削除",
    "アニメーションアイテム属性",
    "シーン属性",
    "シェード設定",
    "ミラー設定",
    "アクション作成",
    "UV移動",
    "UVマップ",
    "ジョイント",
    "ウェイト ペイント",
    "面の方向",
    "IKハンドル",
};

} // namespace

CQxCmd::~CQxCmd() = default;

QX_CMD_TYPE CQxCmd::GetType() const {
    return QX_CMD_NONE;
}

const char* CQxCmd::GetName() const {
    return GetTypeName(GetType());
}

void CQxCmd::Redo() {
    Exchange(0);
}

void CQxCmd::Undo() {
    Exchange(1);
}

int CQxCmd::ClearAnimated(const CQxAnim& /*anim*/) {
    return 0;
}

void CQxCmd::Exchange(int /*undo*/) {}

const char* CQxCmd::GetTypeName(unsigned int type) {
    return type < kCmdNames.size() ? kCmdNames[type] : "";
}
