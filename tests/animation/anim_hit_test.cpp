#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "qx/animation/anim.h"
#include "qx/animation/anim_cmds.h"
#include "qx/commands/cmd_run.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"
#include "scene_builders.h"
#include "undo_checks.h"

namespace {

// Two selected cubes whose translation curves are shown in a 200 x 100 pixel view of frames
// 0..20 and values 0..10: ten pixels per frame and per value, values growing upward.
//
//   y=20   b:  o----------o          (frames 5 and 15, value 8, when keyed so)
//   y=50   a:  o----------o          (frames 5 and 15, value 5)
//          x=50         x=150
//
// Flat keys carry their handles 30 pixels to either side: at x 20 and 80 around the first
// key, at 120 and 180 around the second.
class AnimHit : public ::testing::Test, protected QxTwoCubes {
protected:
    CQxRect view{0, 0, 200, 100};

    void SetUp() override {
        a->IsSelect() = b->IsSelect() = 1;
        QxGraphPickSize() = 3;
        QxGraphTangentSize() = 30;
    }

    // A selected channel with keys (frame, value), slopes made automatic; the sort maps are
    // rebuilt as the host does after items change.
    CQxObjectAnimItem& Key(CQxObject* object, std::initializer_list<std::pair<float, float>> keys,
                           QX_ANIM_ITEM_TYPE type = QX_ANIM_ITEM_TRANSLATE_X) {
        CQxObjectAnimItem& item = QxKeys(*object, type, keys);
        item.Select(1);
        anim.UpdateObjectRefSortItems();
        return item;
    }
    CQxSplineNode* Node(CQxAnimItem& item, float frame) { return item.Spline().GetNode(frame); }

    int Pick(int x, int y, CQxAnimItemSelect& hit) {
        return anim.IsPointHit(CQxPoint(x, y), view, 0, 20, 0, 10, hit);
    }
    int Pick(int x, int y, CQxAnimItemSelects& hits) {
        return anim.IsPointHit(CQxPoint(x, y), view, 0, 20, 0, 10, hits);
    }
};

using Nodes = CQxArray<CQxSplineNode*>;

} // namespace

// --- Pixel placement -------------------------------------------------------------------------------

TEST_F(AnimHit, HandlesRunAlongTheSlopeAsDrawn) {
    CQxObjectAnimItem& item = Key(a, {{5, 5}});
    CQxSplineNode& key = *Node(item, 5);
    key.SetNextTanAngle(std::atan(1.0f)); // joined: both sides rise one value per frame
    CQxPoint at, prev, next;
    ASSERT_TRUE(key.GetPixelPoints(at, prev, next, 30, view, 0, 20, 0, 10));
    // 30 pixels at 45 degrees: 21.2 pixels across and up.
    EXPECT_EQ(at, CQxPoint(50, 50));
    EXPECT_EQ(next, CQxPoint(71, 28));
    EXPECT_EQ(prev, CQxPoint(28, 71));
    // Values squeezed tenfold: the same slope now looks much flatter.
    ASSERT_TRUE(key.GetPixelPoints(at, prev, next, 30, view, 0, 20, 0, 100));
    EXPECT_EQ(at, CQxPoint(50, 95));
    EXPECT_EQ(next, CQxPoint(79, 92)) << "a slope of 1 is 10 pixels across per pixel up here";
}

// --- Point picks -----------------------------------------------------------------------------------

TEST_F(AnimHit, APickNearAKeyNamesTheKey) {
    CQxObjectAnimItem& item = Key(a, {{5, 5}, {15, 5}});
    CQxAnimItemSelect hit;
    ASSERT_TRUE(Pick(151, 49, hit));
    EXPECT_EQ(hit.Item, &item);
    ASSERT_EQ(hit.Nodes.GetSize(), 1u);
    EXPECT_EQ(hit.Nodes[0], Node(item, 15));
    EXPECT_FALSE(hit.HasTans());
}

TEST_F(AnimHit, PicksOnHandleEndsNameTheEnteringOrLeavingTangent) {
    CQxObjectAnimItem& item = Key(a, {{5, 5}, {15, 5}});
    CQxAnimItemSelect hit;
    ASSERT_TRUE(Pick(20, 50, hit));
    EXPECT_FALSE(hit.HasNodes());
    EXPECT_TRUE(hit.NextTans.IsEmpty());
    ASSERT_EQ(hit.PrevTans.GetSize(), 1u);
    EXPECT_EQ(hit.PrevTans[0], Node(item, 5));

    ASSERT_TRUE(Pick(180, 51, hit));
    EXPECT_TRUE(hit.PrevTans.IsEmpty()) << "the earlier pick's tangent stayed in the record";
    ASSERT_EQ(hit.NextTans.GetSize(), 1u);
    EXPECT_EQ(hit.NextTans[0], Node(item, 15));
}

TEST_F(AnimHit, APickJustOutsideThePickDistanceMissesAndLeavesTheRecord) {
    CQxObjectAnimItem& item = Key(a, {{5, 5}});
    CQxAnimItemSelect hit(&item);
    hit.Nodes.PushBack(Node(item, 5));
    const CQxAnimItemSelect before = hit;
    EXPECT_FALSE(Pick(54, 50, hit)) << "4 pixels away with a pick distance of 3";
    EXPECT_FALSE(Pick(53, 53, hit)) << "4.2 pixels away on the diagonal";
    EXPECT_EQ(hit.Item, before.Item);
    EXPECT_EQ(hit.Nodes.GetSize(), 1u);
    EXPECT_TRUE(Pick(53, 50, hit)) << "exactly at the pick distance";
    EXPECT_TRUE(Pick(52, 52, hit));
}

TEST_F(AnimHit, TheClosestKeyWinsOverEarlierItems) {
    Key(a, {{5, 5}});                               // at pixel (50, 50)
    CQxObjectAnimItem& near = Key(b, {{5.25f, 5}}); // at pixel (52, 50)
    CQxAnimItemSelect hit;
    ASSERT_TRUE(Pick(52, 50, hit));
    EXPECT_EQ(hit.Item, &near);
    CQxAnimItemSelects hits;
    ASSERT_TRUE(Pick(52, 50, hits));
    ASSERT_EQ(hits.GetSize(), 1u) << "the farther key met first was not dropped";
    EXPECT_EQ(hits[0]->Item, &near);
}

TEST_F(AnimHit, KeysOnOnePixelArePickedTogetherOneRecordPerItem) {
    CQxObjectAnimItem& ax = Key(a, {{5, 5}});
    CQxObjectAnimItem& bx = Key(b, {{5, 5}});
    CQxObjectAnimItem& ay = Key(a, {{5, 5}}, QX_ANIM_ITEM_TRANSLATE_Y);
    CQxAnimItemSelects hits;
    ASSERT_TRUE(Pick(50, 50, hits));
    ASSERT_EQ(hits.GetSize(), 3u);
    // Sort order: object a's channels, then object b's.
    EXPECT_EQ(hits[0]->Item, &ax);
    EXPECT_EQ(hits[1]->Item, &ay);
    EXPECT_EQ(hits[2]->Item, &bx);
    for (unsigned int i = 0; i < hits.GetSize(); ++i)
        EXPECT_EQ(hits[i]->Nodes.GetSize(), 1u) << "record " << i;
    CQxAnimItemSelect single;
    ASSERT_TRUE(Pick(50, 50, single));
    EXPECT_EQ(single.Item, &ax) << "a tie keeps the first item met";
}

TEST_F(AnimHit, ItemsThatAreNotSelectedAreNeverPicked) {
    Key(a, {{5, 5}});
    CQxObjectAnimItem& hidden = Key(b, {{5, 5}});
    hidden.Select(0);
    CQxAnimItemSelects hits;
    ASSERT_TRUE(Pick(50, 50, hits));
    EXPECT_EQ(hits.GetSize(), 1u);
    hits.Clear();
    ASSERT_TRUE(anim.IsRectHit(CQxRect(0, 0, 200, 100), view, 0, 20, 0, 10, hits));
    for (unsigned int i = 0; i < hits.GetSize(); ++i) EXPECT_NE(hits[i]->Item, &hidden) << "record " << i;
}

// --- Rectangles ------------------------------------------------------------------------------------

TEST_F(AnimHit, ARectangleCatchesTheKeysAndHandleEndsInsideItInEveryItem) {
    CQxObjectAnimItem& ax = Key(a, {{5, 5}, {15, 5}});
    CQxObjectAnimItem& bx = Key(b, {{5, 8}, {15, 8}});
    CQxAnimItemSelects hits;
    ASSERT_TRUE(anim.IsRectHit(CQxRect(40, 10, 60, 60), view, 0, 20, 0, 10, hits));
    ASSERT_EQ(hits.GetSize(), 2u);
    EXPECT_EQ(hits[0]->Item, &ax);
    EXPECT_EQ(hits[0]->Nodes, Nodes{Node(ax, 5)});
    EXPECT_EQ(hits[1]->Item, &bx);
    EXPECT_EQ(hits[1]->Nodes, Nodes{Node(bx, 5)});
    EXPECT_FALSE(hits.HasTans()) << "handle ends at x 20 and 80 lie outside";

    hits.Clear();
    ASSERT_TRUE(anim.IsRectHit(CQxRect(110, 45, 130, 55), view, 0, 20, 0, 10, hits));
    ASSERT_EQ(hits.GetSize(), 1u);
    EXPECT_FALSE(hits[0]->HasNodes());
    EXPECT_EQ(hits[0]->PrevTans, Nodes{Node(ax, 15)});
    EXPECT_FALSE(anim.IsRectHit(CQxRect(90, 60, 110, 90), view, 0, 20, 0, 10, hits)) << "an empty stretch";
}

// --- Selecting, moving and re-angling what was picked --------------------------------------------------

TEST_F(AnimHit, APickedKeyIsSelectedMovedAndUndoneExactly) {
    CQxObjectAnimItem& item = Key(a, {{5, 5}, {10, 8}, {15, 2}});
    CQxAnimItemSelects hits;
    ASSERT_TRUE(Pick(100, 20, hits));
    scene.SelectAnimItems(&model, hits, QX_SELECT_ADD, 0);
    EXPECT_TRUE(Node(item, 10)->IsSelect);
    CQxAnimItemSelects keys;
    ASSERT_TRUE(anim.GetSelectNodes(keys));
    // The dumps compare every key and tangent.
    qxtest::ExpectUndoable(scene, [&] { return scene.MoveKeysCmd(&model, CQxVector2D(1, -2), keys, 0); });
    ASSERT_NE(Node(item, 11), nullptr);
    EXPECT_EQ(Node(item, 11)->Y, 6.0f);
}

TEST_F(AnimHit, APickedHandleIsReAngledAndUndoneExactly) {
    CQxObjectAnimItem& item = Key(a, {{5, 5}, {10, 8}, {15, 2}});
    CQxSplineNode& key = *Node(item, 10); // a peak: level handles at (70, 20) and (130, 20)
    CQxAnimItemSelects hits;
    ASSERT_TRUE(Pick(130, 20, hits));
    hits.SelectTans(1);
    ASSERT_TRUE(key.IsNextTanSelect);
    CQxPtrArray<CQxArray<float>> angles;
    angles.PushBack(new CQxArray<float>);
    angles[0]->PushBack(0.5f);
    qxtest::ExpectUndoable(scene, [&] {
        return QxRunCmd<CQxAnimAttributeCmd>(
            scene, [&](CQxAnimAttributeCmd& cmd) { return cmd.SetTanAngles(&model, hits, angles, 0); });
    });
    EXPECT_FLOAT_EQ(key.NextTan, std::tan(0.5f));
    EXPECT_EQ(key.NextTanType, QX_TAN_FIXED);
}

TEST_F(AnimHit, TheSelectedHandleOfARecordGivesItsPixelEndAndKey) {
    CQxObjectAnimItem& item = Key(a, {{5, 5}, {15, 5}});
    CQxAnimItemSelects hits;
    ASSERT_TRUE(Pick(120, 50, hits));
    CQxPoint tan, key;
    EXPECT_FALSE(hits.GetSelectTanPoint(tan, key, 30, view, 0, 20, 0, 10))
        << "the handle is not selected yet";
    hits.SelectTans(1);
    ASSERT_TRUE(hits.GetSelectTanPoint(tan, key, 30, view, 0, 20, 0, 10));
    EXPECT_EQ(tan, CQxPoint(120, 50));
    EXPECT_EQ(key, CQxPoint(150, 50));
    EXPECT_TRUE(Node(item, 15)->IsPrevTanSelect);
}

TEST_F(AnimHit, AnUnknownSelectModeChangesNothingButIsStillAnnounced) {
    CQxObjectAnimItem& item = Key(a, {{5, 5}});
    CQxAnimItemSelects hits;
    ASSERT_TRUE(Pick(50, 50, hits));
    QxUpdateRecorder host(scene);
    scene.SelectAnimItems(&model, hits, static_cast<QX_SELECT_MODE>(3), 1);
    scene.SelectAnimItems(&model, a, QX_ANIM_SELECT_OBJECT, static_cast<QX_SELECT_MODE>(3), 1);
    EXPECT_FALSE(Node(item, 5)->IsSelect);
    EXPECT_TRUE(item.IsSelect());
    // Each call: the tools are prepared (reset, redraw), then the host hears of the selection.
    const std::vector<unsigned int> once{QX_UPDATE_NUMERICAL_RESET, QX_UPDATE_REDRAW,
                                         QX_UPDATE_ANIM_ITEM_SELECT};
    std::vector<unsigned int> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(host.TakeTypes(), twice);
}

// --- Bad input -------------------------------------------------------------------------------------

TEST_F(AnimHit, NothingIsPickedFromAnAnimationWithoutItems) {
    CQxAnimItemSelects hits;
    CQxAnimItemSelect hit;
    EXPECT_FALSE(Pick(50, 50, hit));
    EXPECT_FALSE(Pick(50, 50, hits));
    EXPECT_FALSE(anim.IsRectHit(view, view, 0, 20, 0, 10, hits));
}

TEST_F(AnimHit, AViewWithoutPixelsOrWithoutARangePicksNothing) {
    CQxObjectAnimItem& item = Key(a, {{5, 5}});
    CQxAnimItemSelect hit;
    const CQxPoint at(50, 50);
    EXPECT_FALSE(anim.IsPointHit(at, CQxRect(0, 0, 0, 100), 0, 20, 0, 10, hit)) << "no width";
    EXPECT_FALSE(anim.IsPointHit(at, view, 5, 5, 0, 10, hit)) << "one frame shown";
    EXPECT_FALSE(anim.IsPointHit(at, view, 0, 20, 10, 0, hit)) << "values upside down";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(anim.IsPointHit(at, view, 0, nan, 0, 10, hit)) << "a NaN range";
    CQxPoint key, prev, next;
    EXPECT_FALSE(Node(item, 5)->GetPixelPoints(key, prev, next, 30, CQxRect(), 0, 20, 0, 10));
}

TEST_F(AnimHit, ExtremeZoomsStayWithinThePixelRange) {
    CQxObjectAnimItem& item = Key(a, {{5, 5}, {6, 3e38f}});
    CQxPoint key, prev, next;
    // A millionth of a frame across the whole view: the keys lie far outside it.
    ASSERT_TRUE(Node(item, 6)->GetPixelPoints(key, prev, next, 30, view, 0, 1e-6f, 0, 1e-6f));
    EXPECT_GT(key.x, view.right);
    EXPECT_LT(key.y, view.top);
    CQxAnimItemSelects hits;
    EXPECT_FALSE(anim.IsPointHit(CQxPoint(100, 50), view, 0, 1e-6f, 0, 1e-6f, hits));
    // The whole float range in one view: every key collapses onto a few pixels and is found.
    const float big = std::numeric_limits<float>::max();
    ASSERT_TRUE(anim.IsPointHit(CQxPoint(100, 50), view, -big, big, -big, big, hits));
    EXPECT_EQ(hits.GetSize(), 1u);
}
