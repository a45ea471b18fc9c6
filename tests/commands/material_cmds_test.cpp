#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "message_recorder.h"
#include "object_cmds_scene.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/material_cmds.h"
#include "qx/selection/select.h"
#include "scratch_dir.h"

using namespace qxtest;

namespace {

constexpr const char* kLoadCaption = "テクスチャーファイルの読み込み";

// A 1x1 uncompressed 32-bit TGA.
std::string TinyTga() {
    std::string bytes("\0\0\2\0\0\0\0\0\0\0\0\0", 12);
    bytes += std::string("\1\0\1\0\x20\x28", 6);
    bytes += std::string("\x10\x20\x30\xFF", 4);
    return bytes;
}

// Every test edits the scene of object_cmds_scene.h: Model1 holds Material1 (current) and Red,
// MeshA's odd faces use Red and its even faces Material1.
class MaterialCmds : public ::testing::Test {
protected:
    template <class Run>
    void Undoable(const char* name, Run&& run) {
        ExpectUndoable(scene, run);
        EXPECT_EQ(std::string("元に戻す ") + name + "\tCtrl+Z(&U)", scene.CmdManager().GetUndoText());
    }
    template <class Run>
    void Refused(Run&& run) {
        ExpectRefused(scene, run);
    }
    CQxAttribute* Attr(unsigned int i) const { return model.GetAttribute(i); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const CQxAttribute& a : model.Attributes()) names.emplace_back(a.GetName());
        return names;
    }
    // A texture file in the scratch folder, and one stage on Red loaded from it.
    std::string Texture(const char* name = "tiny.tga") const { return dir.Write(name, TinyTga()); }
    int AddTexture(CQxModel* m, CQxAttribute* a, const char* path, int undo = 1) {
        return scene.AddTextureCmd(m, a, path, QX_COLOR_OP_MODULATE, QX_ALPHA_OP_CURRENT, undo);
    }
    CQxTextureStage* AddStage(const std::string& path) {
        EXPECT_TRUE(AddTexture(&model, Attr(1), path.c_str(), 0));
        return Attr(1)->GetTextureStage(Attr(1)->GetTextureStageCount() - 1);
    }
    int Modify(QX_MODIFY_TYPE kind, void* value, CQxModel* m = nullptr, CQxAttribute* a = nullptr) {
        return scene.ModifyAttributeCmd(kind, m ? m : &model, a ? a : Attr(1), value, 1);
    }
    int ModifyTexture(CQxTextureStage* stage, const std::string& path,
                      QX_COLOR_OP_TYPE op = QX_COLOR_OP_MODULATE) {
        return scene.ModifyTextureCmd(&model, Attr(1), stage, path.c_str(), op, QX_ALPHA_OP_CURRENT, 1);
    }
    void ExpectLoadMessage(const std::string& text) {
        ASSERT_EQ(1u, messages.Boxes().size());
        EXPECT_EQ(text, messages.Boxes()[0].Text);
        EXPECT_EQ(kLoadCaption, messages.Boxes()[0].Caption);
    }

    TestScene t;
    CQxScene& scene = t.scene;
    CQxModel& model = *t.model1;
    QxMessageRecorder messages;
    QxScratchDir dir;
};

// --- Creating and deleting -----------------------------------------------------------------------

TEST_F(MaterialCmds, CreateAppendsADefaultMaterialAndMakesItCurrent) {
    CQxAttribute* created = nullptr;
    // Undo makes Material1 current again (the dump holds the current attribute).
    Undoable("マテリアル作成", [&] { return (created = scene.CreateAttributeCmd(&model, 1)) != nullptr; });
    created = Attr(2);
    EXPECT_STREQ("Material2", created->GetName());
    EXPECT_EQ(created, model.CurAttribute());
    EXPECT_EQ(CQxColorMaterial(0xFFFFFFFF, 0.8f, 0.3f, 0.0f, 0.3f, 5.0f), created->ColorMaterial());
    Refused([&] { return scene.CreateAttributeCmd(nullptr, 1) != nullptr; });
}

// A mesh merged into another model keeps its faces' materials: MeshD's first face uses Red too.
TEST_F(MaterialCmds, DeleteClearsTheFacesThatUsedTheMaterialInEveryModel) {
    CQxFace* merged = t.meshD->Mesh().Faces().GetAt(0);
    merged->Attribute() = Attr(1);
    Undoable("マテリアル削除", [&] { return scene.DeleteAttributeCmd(&model, Attr(1), 1); });
    EXPECT_EQ(std::vector<std::string>{"Material1"}, Names());
    for (const CQxFace& f : t.meshA->Mesh().Faces())
        EXPECT_EQ(f.Index() % 2 ? nullptr : Attr(0), f.Attribute()) << "face " << f.Index();
    EXPECT_EQ(nullptr, merged->Attribute());
}

TEST_F(MaterialCmds, DeleteAllLeavesNoCurrentMaterial) {
    Undoable("マテリアル削除", [&] { return scene.DeleteAttributesAllCmd(&model, 1); });
    EXPECT_EQ(0u, model.GetAttributeCount());
    EXPECT_EQ(nullptr, model.CurAttribute());
    Refused([&] { return scene.DeleteAttributesAllCmd(&model, 1); });
}

TEST_F(MaterialCmds, DeleteGivesTheMaterialsAnimationBackOnUndo) {
    CQxAttributeAnimItem& item = model.Anim().AttributeItems()[Attr(1)][QX_ANIM_ITEM_MATERIAL_DIFFUSE];
    item.Init(QX_ANIM_ITEM_MATERIAL_DIFFUSE, &model, Attr(1));
    item.Spline().InsertNode(1.0f, 0.5f);
    item.Spline().InsertNode(9.0f, 0.9f);
    item.UpdateSpline();
    Undoable("マテリアル削除", [&] { return scene.DeleteAttributeCmd(&model, Attr(1), 1); });
    EXPECT_TRUE(model.Anim().AttributeItems().IsEmpty());
}

TEST_F(MaterialCmds, DeleteRefusesWhatIsNotTheModelsMaterial) {
    Refused([&] { return scene.DeleteAttributeCmd(nullptr, Attr(0), 1); });
    Refused([&] { return scene.DeleteAttributeCmd(&model, nullptr, 1); });
    Refused([&] { return scene.DeleteAttributeCmd(&model, t.model2->GetAttribute(0), 1); });
    CQxModel outside;
    Refused([&] { return scene.DeleteAttributeCmd(&outside, outside.GetAttribute(0), 1); });
}

// --- Changing values -----------------------------------------------------------------------------

TEST_F(MaterialCmds, ModifyChangesEachValueUndoably) {
    struct Case {
        QX_MODIFY_TYPE Kind;
        float Value;
        float (*Read)(const CQxColorMaterial&);
    };
    const Case cases[] = {
        {QX_MODIFY_MATERIAL_ALPHA, 0.5f, [](const CQxColorMaterial& m) { return m.Color().a; }},
        {QX_MODIFY_MATERIAL_DIFFUSE, 0.1f, [](const CQxColorMaterial& m) { return m.Diffuse(); }},
        {QX_MODIFY_MATERIAL_AMBIENT, 0.2f, [](const CQxColorMaterial& m) { return m.Ambient(); }},
        {QX_MODIFY_MATERIAL_EMISSIVE, 0.7f, [](const CQxColorMaterial& m) { return m.Emissive(); }},
        {QX_MODIFY_MATERIAL_SPECULAR, 0.9f, [](const CQxColorMaterial& m) { return m.Specular(); }},
        {QX_MODIFY_MATERIAL_POWER, 12.0f, [](const CQxColorMaterial& m) { return m.Power(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Kind);
        float value = c.Value;
        Undoable("マテリアル属性", [&] { return Modify(c.Kind, &value); });
        EXPECT_EQ(c.Value, c.Read(Attr(1)->ColorMaterial()));
    }
}

TEST_F(MaterialCmds, ModifyColourKeepsAlphaAndUndoesToTheExactFloats) {
    Attr(1)->ColorMaterial().Color().Set(0.501f, 0.25f, 0.125f, 0.75f);
    unsigned long rgb = 0x123456;
    Undoable("マテリアル属性", [&] { return Modify(QX_MODIFY_MATERIAL_COLOR, &rgb); });
    EXPECT_EQ(0x123456ul, Attr(1)->ColorMaterial().Color().GetRgb());
    EXPECT_EQ(0.75f, Attr(1)->ColorMaterial().Color().a);
}

TEST_F(MaterialCmds, ModifyRenamesToAFreeValidName) {
    char name[] = "Blue";
    Undoable("マテリアル属性", [&] { return Modify(QX_MODIFY_MATERIAL_NAME, name); });
    EXPECT_STREQ("Blue", Attr(1)->GetName());
    for (const char* taken : {"Material1", "Blue", "", "bad\x01name"}) {
        SCOPED_TRACE(taken);
        Refused([&] { return Modify(QX_MODIFY_MATERIAL_NAME, const_cast<char*>(taken)); });
    }
}

TEST_F(MaterialCmds, ModifyRefusesBadInput) {
    float diffuse = 0.5f;
    const QX_MODIFY_TYPE kind = QX_MODIFY_MATERIAL_DIFFUSE;
    Refused([&] { return scene.ModifyAttributeCmd(kind, nullptr, Attr(1), &diffuse, 1); });
    Refused([&] { return scene.ModifyAttributeCmd(kind, &model, nullptr, &diffuse, 1); });
    Refused([&] { return Modify(kind, nullptr); });
    // Texture changes and unknown kinds are not values.
    Refused([&] { return Modify(QX_MODIFY_MATERIAL_TEXTURE, &diffuse); });
    Refused([&] { return Modify(QX_MODIFY_TYPE(3), &diffuse); });
    float same = Attr(1)->ColorMaterial().Diffuse();
    Refused([&] { return Modify(kind, &same); });
}

// --- Moving --------------------------------------------------------------------------------------

// Moved forward a material ends in front of the target; moved backward it takes its place. The
// current one (Material3, made last) moves along.
TEST_F(MaterialCmds, MoveEndsInFrontOfTheTargetOrTakesItsPlace) {
    scene.CreateAttributeCmd(&model, 0);
    scene.CreateAttributeCmd(&model, 0);
    Undoable("マテリアル移動", [&] { return scene.MoveAttributeCmd(&model, 0, 3, 1); });
    EXPECT_EQ((std::vector<std::string>{"Red", "Material2", "Material1", "Material3"}), Names());
    Undoable("マテリアル移動", [&] { return scene.MoveAttributeCmd(&model, 3, 0, 1); });
    EXPECT_EQ((std::vector<std::string>{"Material3", "Red", "Material2", "Material1"}), Names());
    EXPECT_EQ(Attr(0), model.CurAttribute()) << "the current attribute moves along";
}

TEST_F(MaterialCmds, MoveRefusesNoChangeAndPositionsOutOfRange) {
    Refused([&] { return scene.MoveAttributeCmd(nullptr, 0, 1, 1); });
    Refused([&] { return scene.MoveAttributeCmd(&model, 1, 1, 1); });
    Refused([&] { return scene.MoveAttributeCmd(&model, 2, 0, 1); });
    Refused([&] { return scene.MoveAttributeCmd(&model, 0, 2, 1); });
    // In front of the next one is where it stands already.
    Refused([&] { return scene.MoveAttributeCmd(&model, 0, 1, 1); });
}

// --- Textures ------------------------------------------------------------------------------------

TEST_F(MaterialCmds, AddTextureLoadsTheFileIntoANewStage) {
    const std::string path = Texture();
    Undoable("マテリアル属性", [&] { return AddTexture(&model, Attr(1), path.c_str()); });
    const CQxTextureStage* stage = Attr(1)->GetTextureStage(0);
    ASSERT_NE(nullptr, stage);
    EXPECT_TRUE(stage->IsLoaded());
    EXPECT_EQ(QX_COLOR_OP_MODULATE, stage->GetColorOp());
    EXPECT_EQ(QX_ALPHA_OP_CURRENT, stage->GetAlphaOp());
    EXPECT_EQ(QX_FILTER_LINEAR, stage->GetMinFilter());
    EXPECT_EQ(QX_FILTER_LINEAR, stage->GetMagFilter());
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(MaterialCmds, AddTextureFromAMissingOrDamagedFileShowsTheMessageAndPushesNothing) {
    for (const std::string& path :
         {dir.File("missing.png"), dir.Write("damaged.png", "\x89PNG\r\n\x1a\nnot really")}) {
        SCOPED_TRACE(path);
        messages.Clear();
        Refused([&] { return AddTexture(&model, Attr(1), path.c_str()); });
        ExpectLoadMessage("読み込みに失敗しました.");
    }
}

TEST_F(MaterialCmds, RedoOfAnAddedTextureWhoseFileIsGoneNamesTheFile) {
    const std::string path = Texture();
    AddStage(path);
    ASSERT_TRUE(scene.CmdManager().Undo());
    std::filesystem::remove(path);
    ASSERT_TRUE(scene.CmdManager().Redo());
    ExpectLoadMessage("\"" + path + "\"の読み込みに失敗しました.");
    ASSERT_EQ(1u, Attr(1)->GetTextureStageCount());
    EXPECT_FALSE(Attr(1)->GetTextureStage(0)->IsLoaded());
    EXPECT_EQ(path, Attr(1)->GetTextureStage(0)->GetPath().GetStr());
}

TEST_F(MaterialCmds, AddTextureRefusesMissingInput) {
    const std::string path = Texture();
    Refused([&] { return AddTexture(nullptr, Attr(1), path.c_str()); });
    Refused([&] { return AddTexture(&model, nullptr, path.c_str()); });
    Refused([&] { return AddTexture(&model, Attr(1), nullptr); });
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(MaterialCmds, ModifyTextureSwapsFileAndOperations) {
    CQxTextureStage* stage = AddStage(Texture());
    const std::string other = Texture("other.tga");
    Undoable("マテリアル属性", [&] { return ModifyTexture(stage, other, QX_COLOR_OP_ADD); });
    EXPECT_EQ(other, stage->GetPath().GetStr());
    EXPECT_EQ(QX_COLOR_OP_ADD, stage->GetColorOp());
    EXPECT_TRUE(stage->IsLoaded());
}

TEST_F(MaterialCmds, ModifyTextureRefusesNoChangeAndUnreadableFiles) {
    const std::string path = Texture();
    CQxTextureStage* stage = AddStage(path);
    Refused([&] { return ModifyTexture(stage, path); });
    EXPECT_TRUE(messages.Boxes().empty());
    Refused([&] { return ModifyTexture(stage, dir.File("missing.bmp")); });
    ExpectLoadMessage("読み込みに失敗しました.");
}

TEST_F(MaterialCmds, DeleteTextureTakesOneStage) {
    AddStage(Texture());
    CQxTextureStage* second = AddStage(Texture("other.tga"));
    Undoable("マテリアル属性",
             [&] { return scene.DeleteTextureCmd(&model, Attr(1), Attr(1)->GetTextureStage(0), 1); });
    ASSERT_EQ(1u, Attr(1)->GetTextureStageCount());
    EXPECT_EQ(second, Attr(1)->GetTextureStage(0));
    Refused([&] { return scene.DeleteTextureCmd(&model, Attr(0), second, 1); });
}

TEST_F(MaterialCmds, DeleteTexturesAllEmptiesTheStages) {
    AddStage(Texture());
    AddStage(Texture("other.tga"));
    Undoable("マテリアル属性", [&] { return scene.DeleteTexturesAllCmd(&model, Attr(1), 1); });
    EXPECT_EQ(0u, Attr(1)->GetTextureStageCount());
    Refused([&] { return scene.DeleteTexturesAllCmd(&model, Attr(1), 1); });
}

// --- Faces and the current material --------------------------------------------------------------

TEST_F(MaterialCmds, SetOnSelectedMeshesGivesEveryFaceTheCurrentMaterial) {
    scene.SetCurAttribute(&model, Attr(1), 0);
    t.Select({t.meshA, t.meshB});
    Undoable("マテリアル設定", [&] { return scene.SetAttributeSelectsCmd(1); });
    for (CQxObject* mesh : {t.meshA, t.meshB})
        for (const CQxFace& f : mesh->Mesh().Faces())
            EXPECT_EQ(Attr(1), f.Attribute()) << mesh->GetName() << " face " << f.Index();
    // Every face has it now.
    Refused([&] { return scene.SetAttributeSelectsCmd(1); });
}

TEST_F(MaterialCmds, SetOnSelectedFacesTouchesOnlyThoseFaces) {
    scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
    t.Select({t.meshA});
    CQxFace* face = t.meshA->Mesh().Faces().GetAt(1); // Red
    face->IsSelect() = 1;
    Undoable("マテリアル設定", [&] { return scene.SetAttributeSelectsCmd(1); });
    for (const CQxFace& f : t.meshA->Mesh().Faces())
        EXPECT_EQ(f.Index() % 2 && &f != face ? Attr(1) : Attr(0), f.Attribute()) << "face " << f.Index();
}

TEST_F(MaterialCmds, SetGivesFacesBackAnotherModelsMaterialOnUndo) {
    CQxFace* face = t.meshD->Mesh().Faces().GetAt(0);
    face->Attribute() = Attr(1);
    t.Select({t.meshD});
    Undoable("マテリアル設定", [&] { return scene.SetAttributeSelectsCmd(1); });
    EXPECT_EQ(t.model2->GetAttribute(0), face->Attribute());
}

TEST_F(MaterialCmds, SetRefusesSelectionsOfTwoModels) {
    t.Select({t.meshA, t.meshD});
    Refused([&] { return scene.SetAttributeSelectsCmd(1); });
}

TEST_F(MaterialCmds, SetOnOneFace) {
    CQxFace* face = t.meshA->Mesh().Faces().GetAt(0);
    auto setFace = [&](CQxModel* m, CQxAttribute* a, CQxObject* object) {
        return QxRunCmd<CQxSetAttributeCmd>(scene, [&](CQxSetAttributeCmd& cmd) {
            return cmd.CreateFace(m, a, object, object->Mesh().Faces().GetAt(0), 1);
        });
    };
    Undoable("マテリアル設定", [&] { return setFace(&model, Attr(1), t.meshA); });
    EXPECT_EQ(Attr(1), face->Attribute());
    Refused([&] { return setFace(&model, Attr(1), t.meshA); });
    Refused([&] { return setFace(&model, Attr(1), t.meshD); });
}

TEST_F(MaterialCmds, SetCurAttributeTakesOnlyTheModelsOwn) {
    QxUpdateRecorder notes(scene);
    scene.SetCurAttribute(&model, Attr(1), 1);
    EXPECT_EQ(Attr(1), model.CurAttribute());
    EXPECT_EQ((std::vector<unsigned int>{QX_UPDATE_CUR_ATTRIBUTE, QX_UPDATE_REDRAW}), notes.TakeTypes());
    scene.SetCurAttribute(&model, t.model2->GetAttribute(0), 1);
    EXPECT_EQ(Attr(1), model.CurAttribute());
    EXPECT_TRUE(notes.TakeTypes().empty());
    EXPECT_EQ(0u, scene.CmdManager().GetCount()) << "not undoable";
}

} // namespace
