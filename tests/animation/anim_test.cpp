#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "qx/animation/anim.h"
#include "qx/graphics/mesh.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "scratch_dir.h"

namespace {

// A scene with two cubes under the root model and helpers to key their channels.
class Anim : public ::testing::Test, protected QxTwoCubes {
protected:
    CQxEdge* edge = AddEdge(a->Mesh());

    static CQxEdge* AddEdge(CQxMesh& mesh) {
        auto* e = new CQxEdge(mesh.Vertices().Front(), mesh.Vertices().Back(), 0);
        mesh.Edges().PushBack(e);
        return e;
    }

    CQxEdgeAnimItem& EdgeKey(QX_ANIM_ITEM_TYPE type, float value) {
        CQxEdgeAnimItem& item = anim.EdgeItems()[a][edge][type];
        item.Init(type, a, edge);
        item.Spline().InsertNode(1.0f, value);
        return item;
    }
};

} // namespace

TEST_F(Anim, EvaluatingWritesEachChannelIntoItsObject) {
    QxKeys(*a, QX_ANIM_ITEM_TRANSLATE_X, {{1, 0}, {11, 10}});
    QxKeys(*a, QX_ANIM_ITEM_ROTATE_Y, {{1, 0}, {11, 1.5f}});
    QxKeys(*b, QX_ANIM_ITEM_SCALE_Z, {{5, 3}});
    anim.Animate(11.0f);
    EXPECT_FLOAT_EQ(a->Translate().x, 10.0f);
    EXPECT_FLOAT_EQ(a->Angle().y, 1.5f);
    EXPECT_TRUE(QxNear(CQxVector(0, 0, 1) * a->TFParam().Rotate(), CQxVector(std::sin(1.5f), 0, std::cos(1.5f))))
        << "the rotation did not follow the angle";
    EXPECT_FLOAT_EQ(b->TFParam().Scale().z, 3.0f);
    anim.Animate(6.0f);
    EXPECT_GT(a->Translate().x, 0.0f);
    EXPECT_LT(a->Translate().x, 10.0f);
}

TEST_F(Anim, ColourChannelsWrapToTheirByteAndLeaveTheOthers) {
    edge->Color() = 0x11223344;
    EdgeKey(QX_ANIM_ITEM_EDGE_VERTEX_G, 300.0f);
    EdgeKey(QX_ANIM_ITEM_EDGE_VERTEX_A, -1.0f);
    anim.Animate(1.0f);
    EXPECT_EQ(edge->Color(), 0xFF222C44u) << std::hex << edge->Color();
    float value = 0.0f;
    ASSERT_TRUE(anim.EdgeItems()[a][edge][QX_ANIM_ITEM_EDGE_VERTEX_G].GetValue(value));
    EXPECT_EQ(value, 44.0f);
}

TEST_F(Anim, TextureChannelsMakeCoordinatesAndAreNeverSelected) {
    CQxFace* face = a->Mesh().Faces().Front();
    CQxHalfEdge* corner = face->GetHalfEdge();
    corner->IsSelect() = 1;
    CQxHalfEdgeAnimItem& item = anim.HalfEdgeItems()[a][face][corner][QX_ANIM_ITEM_FACE_VERTEX_V];
    item.Init(QX_ANIM_ITEM_FACE_VERTEX_V, a, face, corner);
    item.Spline().InsertNode(1, 0.25f);
    EXPECT_EQ(item.Select(1), 0);
    anim.Animate(1.0f);
    ASSERT_TRUE(corner->HasUV());
    EXPECT_EQ(corner->UV().y, 0.25f);
}

TEST_F(Anim, AnItemIsSelectedOnlyWithItsTargetAndDeselectingDropsItsKeys) {
    CQxObjectAnimItem& item = QxKeys(*a, QX_ANIM_ITEM_SCALE_X, {{1, 1}});
    EXPECT_EQ(item.Select(1), 0) << "the object is not selected";
    a->IsSelect() = 1;
    EXPECT_EQ(item.UpdateSelect(), 1);
    item.Spline().SelectNodes(1);
    EXPECT_EQ(item.Select(0), 1);
    CQxArray<CQxSplineNode*> selected;
    EXPECT_FALSE(item.Spline().GetSelectNodes(selected));
}

TEST_F(Anim, RangesAndKeyedFramesSpanEveryItem) {
    float range[4] = {-7, -7, -7, -7};
    EXPECT_EQ(anim.GetItemsRange(range[0], range[1], range[2], range[3]), 0);
    EXPECT_EQ(range[0], -7.0f) << "an empty animation touched its outputs";
    QxKeys(*a, QX_ANIM_ITEM_TRANSLATE_X, {{3, 1}, {8, -2}});
    QxKeys(*b, QX_ANIM_ITEM_PIVOT_Y, {{1, 5}, {8, 4}});
    ASSERT_EQ(anim.GetItemsRange(range[0], range[1], range[2], range[3]), 1);
    EXPECT_EQ((std::vector<float>(range, range + 4)), (std::vector<float>{1, 8, -2, 5}));
    CQxKeyTree<float> frames;
    ASSERT_TRUE(anim.GetUniqueKeys(frames));
    EXPECT_EQ(frames.GetCount(), 3u);
}

TEST_F(Anim, CleaningUpLeavesNoItemWithoutKeysAndNoEmptyEntry) {
    QxKeys(*a, QX_ANIM_ITEM_TRANSLATE_X, {});
    QxKeys(*b, QX_ANIM_ITEM_TRANSLATE_X, {{1, 1}});
    QxKeys(*b, QX_ANIM_ITEM_TRANSLATE_Y, {});
    EdgeKey(QX_ANIM_ITEM_EDGE_VERTEX_R, 1.0f).Spline().ClearNodes();
    anim.CleanUpItems();
    EXPECT_FALSE(anim.ObjectItems().Has(a));
    ASSERT_TRUE(anim.ObjectItems().Has(b));
    EXPECT_EQ(anim.ObjectItems().Find(b)->GetCount(), 1u);
    EXPECT_TRUE(anim.EdgeItems().IsEmpty());
}

TEST_F(Anim, SortMapsOrderItemsByTreePosition) {
    CQxObject* child = QxAdd(*b, QxNewCube(1.0f), "child");
    QxKeys(*child, QX_ANIM_ITEM_SCALE_X, {{1, 1}});
    QxKeys(*a, QX_ANIM_ITEM_SCALE_X, {{1, 1}});
    anim.UpdateSortItems(model);
    std::vector<CQxAnim::Path> paths;
    for (const auto& entry : anim.ObjectSortItems()) paths.push_back(entry.Key);
    EXPECT_EQ(paths, (std::vector<CQxAnim::Path>{{0}, {1, 0}}));
    EXPECT_EQ(anim.ObjectSortItems().Find(CQxAnim::Path{1, 0})->Find(QX_ANIM_ITEM_SCALE_X)[0]->GetObject(), child);
}

TEST_F(Anim, ItemsLeaveWithTheirObject) {
    QxKeys(*a, QX_ANIM_ITEM_SCALE_X, {{1, 1}});
    EdgeKey(QX_ANIM_ITEM_EDGE_VERTEX_R, 1.0f);
    QxKeys(*b, QX_ANIM_ITEM_SCALE_X, {{1, 2}});
    CQxAnim other;
    other.ObjectItems()[b][QX_ANIM_ITEM_SCALE_Y].Init(QX_ANIM_ITEM_SCALE_Y, b);
    anim.MoveObjectRefItems(b, other);
    EXPECT_FALSE(anim.HasObjectRefItems(b));
    EXPECT_TRUE(other.ObjectItems().Find(b)->Has(QX_ANIM_ITEM_SCALE_Y)) << "the destination keeps its own entry";
    EXPECT_TRUE(anim.HasObjectRefItems(a));
    EXPECT_EQ(anim.DeleteObjectRefItems(a), 1);
    EXPECT_TRUE(anim.IsEmpty());
}

TEST_F(Anim, BulkSelectionTouchesTheNamedKindOrTarget) {
    a->IsSelect() = b->IsSelect() = 1;
    edge->IsSelect() = 1;
    CQxObjectAnimItem& ax = QxKeys(*a, QX_ANIM_ITEM_SCALE_X, {{1, 1}});
    CQxObjectAnimItem& bx = QxKeys(*b, QX_ANIM_ITEM_SCALE_X, {{1, 1}});
    CQxEdgeAnimItem& red = EdgeKey(QX_ANIM_ITEM_EDGE_VERTEX_R, 1.0f);
    anim.SelectItems(0);
    anim.SelectItems(1, QX_ANIM_SELECT_OBJECT, b);
    EXPECT_EQ((std::vector<int>{ax.IsSelect(), bx.IsSelect(), red.IsSelect()}), (std::vector<int>{0, 1, 0}));
    anim.ToggleSelectItems(QX_ANIM_SELECT_EDGE, edge);
    anim.ToggleSelectItems(QX_ANIM_SELECT_OBJECTS, nullptr);
    EXPECT_EQ((std::vector<int>{ax.IsSelect(), bx.IsSelect(), red.IsSelect()}), (std::vector<int>{1, 0, 1}));
    anim.SelectItems(1, static_cast<QX_ANIM_SELECT_TYPE>(14), a); // beyond the table: nothing
    EXPECT_EQ(bx.IsSelect(), 0);

    // The scene's entry: replace deselects the others first.
    scene.SelectAnimItems(&model, b, QX_ANIM_SELECT_OBJECT, QX_SELECT_REPLACE, 0);
    EXPECT_EQ((std::vector<int>{ax.IsSelect(), bx.IsSelect(), red.IsSelect()}), (std::vector<int>{0, 1, 0}));
}

TEST_F(Anim, KeysAtOnePositionAreGatheredOnlyWhenNoSelectedKeyLiesElsewhere) {
    a->IsSelect() = b->IsSelect() = 1;
    CQxObjectAnimItem& ax = QxKeys(*a, QX_ANIM_ITEM_SCALE_X, {{1, 1}, {5, 2}});
    CQxObjectAnimItem& bx = QxKeys(*b, QX_ANIM_ITEM_SCALE_X, {{1, 1}});
    anim.SelectItems(1);
    ax.Spline().GetNode(1)->Select(1);
    bx.Spline().GetNode(1)->Select(1);
    CQxAnimItemSelects same;
    ASSERT_TRUE(anim.GetSelectSamePosNodes(same));
    EXPECT_EQ(same.GetSize(), 2u);
    ax.Spline().GetNode(5)->Select(1);
    EXPECT_FALSE(anim.GetSelectSamePosNodes(same));
    EXPECT_TRUE(same.IsEmpty());
}

// --- The scene file ----------------------------------------------------------------------------------

class AnimFile : public Anim {
protected:
    QxScratchDir dir;
    std::string Save(CQxScene& s, const char* name) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(s.WriteFile(path.c_str())) << path;
        return QxScratchDir::Read(path);
    }
    // The channels of "a" read back from the text into `loaded` (null when it has none).
    const CQxAnim::Channels<CQxObjectAnimItem>* ItemsOfA(const std::string& text) {
        EXPECT_TRUE(loaded.ReadFile(dir.Write("loaded.kel", text).c_str(), 0));
        return loaded.RootModel().Anim().ObjectItems().Find(loaded.RootModel().FindName("a"));
    }
    CQxScene loaded;
};

TEST_F(AnimFile, ObjectKeysRoundTripExactly) {
    CQxObjectAnimItem& item = QxKeys(*a, QX_ANIM_ITEM_ROTATE_Z, {{1, 0.1f}, {7.5f, -2.25f}, {30, 1e-7f}});
    CQxSplineNode* middle = item.Spline().GetNode(7.5f);
    middle->IsSeparated = 1;
    middle->PrevTanType = middle->NextTanType = QX_TAN_FIXED;
    middle->PrevTan = 0.3f;
    middle->NextTan = -4.0f;
    QxKeys(*b, QX_ANIM_ITEM_PIVOT_Z, {{2, 3}});
    const std::string first = Save(scene, "first.kel");

    CQxScene loaded;
    ASSERT_TRUE(loaded.ReadFile(dir.File("first.kel").c_str(), 0));
    EXPECT_EQ(Save(loaded, "second.kel"), first) << "a second save differs";
    CQxObject* la = loaded.RootModel().FindName("a");
    const CQxSplineNode* read = loaded.RootModel().Anim().ObjectItems().Find(la)->Find(QX_ANIM_ITEM_ROTATE_Z)->Spline().GetNode(7.5f);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Y, -2.25f);
    EXPECT_EQ(read->NextTan, -4.0f);
    EXPECT_EQ(read->IsSeparated, 1);
}

TEST_F(AnimFile, OnlyObjectChannelsAreStored) {
    EdgeKey(QX_ANIM_ITEM_EDGE_VERTEX_R, 1.0f);
    const std::string text = Save(scene, "edges.kel");
    EXPECT_NE(text.find("<Anim"), std::string::npos);
    EXPECT_EQ(text.find("ObjectItems"), std::string::npos);
}

TEST_F(AnimFile, ADamagedKeyListKeepsWhatCameBeforeTheDamage) {
    QxKeys(*a, QX_ANIM_ITEM_TRANSLATE_Y, {{1, 4}, {2, 5}, {3, 6}});
    std::string text = Save(scene, "good.kel");
    const std::size_t at = text.find("3,6");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 3, "3,x");
    const auto* item = ItemsOfA(text);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Find(QX_ANIM_ITEM_TRANSLATE_Y)->Spline().GetNodeCount(), 2u);
}

TEST_F(AnimFile, ATangentNoCurveCanHoldEndsTheKeyList) {
    QxKeys(*a, QX_ANIM_ITEM_TRANSLATE_Y, {{1, 4}, {2, 5}, {3, 6}});
    const std::string good = Save(scene, "good.kel");
    // The second key's leaving tangent type made unknown; its entering slope made infinite.
    const std::size_t types = good.find("0,0,", good.find("2,5,"));
    ASSERT_NE(types, std::string::npos);
    const std::size_t slope = types + std::string("0,0,&#13;\n").size();
    for (int damage = 0; damage < 2; ++damage) {
        std::string text = good;
        if (damage == 0)
            text.replace(types, 3, "0,26");
        else
            text.replace(slope, text.find(',', slope) - slope, "inf");
        const auto* item = ItemsOfA(text);
        ASSERT_NE(item, nullptr) << damage;
        const CQxSpline& curve = item->Find(QX_ANIM_ITEM_TRANSLATE_Y)->Spline();
        EXPECT_EQ(curve.GetNodeCount(), 2u) << damage;
        for (const CQxSplineNode* n : curve.Nodes()) {
            EXPECT_LE(n->NextTanType, QX_TAN_FIXED) << damage;
            EXPECT_TRUE(std::isfinite(n->PrevTan) && std::isfinite(n->NextTan)) << damage;
        }
    }
}

TEST_F(AnimFile, AnUnknownChannelNameReadsAsScaleX) {
    QxKeys(*a, QX_ANIM_ITEM_PIVOT_X, {{1, 4}});
    std::string text = Save(scene, "good.kel");
    const std::size_t at = text.find("\"PivotX\"");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 8, "\"Wobble\"");
    const auto* item = ItemsOfA(text);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->Has(QX_ANIM_ITEM_SCALE_X));
}
