#include <gtest/gtest.h>

#include <cmath>

#include "qx/animation/anim.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"

namespace {

// One selected cube whose translation curve has keys at frames 0, 10 and 20.
class AnimItemSelect : public ::testing::Test {
protected:
    CQxScene scene;
    CQxModel& model = scene.RootModel();
    CQxObject* cube = QxAdd(model, QxNewCube(2.0f), "cube");
    CQxObjectAnimItem& item = MakeItem();

    CQxObjectAnimItem& MakeItem() {
        cube->IsSelect() = 1;
        return QxKeys(*cube, QX_ANIM_ITEM_TRANSLATE_X, {{0, 0}, {10, 5}, {20, 10}});
    }
    CQxSplineNode* Key(unsigned int i) { return item.Spline().Nodes()[i]; }
    void SeparateAll() {
        for (CQxSplineNode* key : item.Spline().Nodes())
            key->IsSeparated = key->PrevTanType = key->NextTanType = QX_TAN_SEPARATED;
    }
};

} // namespace

TEST_F(AnimItemSelect, AnglesGoToTheEnteringTangentsFirstThenTheLeavingOnes) {
    SeparateAll(); // so each side takes its own angle
    CQxAnimItemSelect record(&item);
    record.PrevTans = {Key(1), Key(2)};
    record.NextTans = {Key(0)};
    record.SetTanAngles(CQxArray<float>{0.1f, 0.2f, 0.3f}, 0);
    EXPECT_FLOAT_EQ(Key(1)->PrevTan, std::tan(0.1f));
    EXPECT_FLOAT_EQ(Key(2)->PrevTan, std::tan(0.2f));
    EXPECT_FLOAT_EQ(Key(0)->NextTan, std::tan(0.3f));
    EXPECT_EQ(Key(0)->PrevTanType, QX_TAN_SEPARATED) << "a side not named was retyped";
    EXPECT_EQ(Key(1)->PrevTanType, QX_TAN_FIXED);
}

TEST_F(AnimItemSelect, SelectingARecordOfTangentsOnlyChangesNoKey) {
    CQxAnimItemSelect record(&item);
    record.NextTans = {Key(1)};
    record.Select(1);
    for (unsigned int i = 0; i < 3; ++i) EXPECT_FALSE(Key(i)->IsSelect) << "key " << i;
    EXPECT_FALSE(Key(1)->IsNextTanSelect) << "tangents are selected with SelectTans";
}

TEST_F(AnimItemSelect, ReducingToWhatASeparateWouldChange) {
    CQxAnimItemSelects set;
    set.Add(CQxAnimItemSelect(&item)); // the whole curve
    set.ExtrudeSeparate(1);
    ASSERT_EQ(set.GetSize(), 1u);
    EXPECT_EQ(set[0]->Nodes.GetSize(), 3u) << "every joined key would change";

    SeparateAll();
    set.ExtrudeSeparate(1);
    EXPECT_TRUE(set.IsEmpty()) << "keys already separated with separated types";
}

TEST_F(AnimItemSelect, ReducingToTheTangentsWhoseTypeWouldChange) {
    Key(1)->NextTanType = QX_TAN_FIXED;
    CQxAnimItemSelects set;
    set.Add(CQxAnimItemSelect(&item));
    set.ExtrudeTanTypes(QX_TAN_FIXED);
    ASSERT_EQ(set.GetSize(), 1u);
    EXPECT_EQ(set[0]->PrevTans.GetSize(), 3u);
    EXPECT_EQ(set[0]->NextTans, (CQxArray<CQxSplineNode*>{Key(0), Key(2)}));
}

TEST_F(AnimItemSelect, DroppingKeysKeepsWholeItemsAndRecordsWithTangentsLeft) {
    CQxAnimItemSelect keysOnly(&item), keysAndTangent(&item);
    keysOnly.Nodes = {Key(0)};
    keysAndTangent.Nodes = {Key(1)};
    keysAndTangent.PrevTans = {Key(1)};
    CQxAnimItemSelects set;
    set.Add(CQxAnimItemSelect(&item));
    set.Add(keysOnly);
    set.Add(keysAndTangent);
    set.ClearNodes();
    ASSERT_EQ(set.GetSize(), 2u);
    EXPECT_FALSE(set[0]->HasSubItems()) << "the whole-item record changed";
    EXPECT_FALSE(set[1]->HasNodes());
    EXPECT_EQ(set[1]->PrevTans.GetSize(), 1u);
}
