#include <gtest/gtest.h>

#include <string>

#include "qx/commands/cmd_manager.h"
#include "qx/graphics/settings.h"
#include "qx/scene/scene.h"
#include "qx/selection/uv_select.h"
#include "scene_builders.h"
#include "undo_checks.h"

namespace {

// A 2 x 2 grid whose corners carry the plane's UVs (0..1 across it); each test selects corners.
//
//   6---7---8
//   | 2 | 3 |
//   3---4---5
//   | 0 | 1 |
//   0---1---2
class UVCmds : public ::testing::Test {
protected:
    UVCmds() {
        m_Scene.CmdManager().SetMaxSize(100);
        m_Grid = QxAdd(m_Scene.RootModel(), QxNewGrid().release(), "Grid");
        m_Grid->HasUV() = 1;
        m_Grid->UpdateGraphics();
        m_Du = QxPickSize() * 0.5f / 256.0f;
    }
    // The corner of face (i, j) at vertex (vi, vj).
    CQxHalfEdge* Corner(unsigned int i, unsigned int j, unsigned int vi, unsigned int vj) {
        return QxGridFace(*m_Grid, i, j)->FindHalfEdge(QxGridVertex(*m_Grid, vi, vj));
    }
    void Select(std::initializer_list<CQxHalfEdge*> corners) {
        CQxArray<CQxHalfEdge*> list;
        for (CQxHalfEdge* h : corners) list.PushBack(h);
        m_Grid->SelectUVs(1, list);
    }

    CQxScene m_Scene;
    CQxObject* m_Grid = nullptr;
    float m_Du = 0.0f; // the separating step: half a pick size in a 256-pixel UV view
};

TEST_F(UVCmds, SeparatingStepsEachUVTowardItsFacesCentre) {
    CQxHalfEdge* outer = Corner(0, 0, 0, 0);  // the grid's corner, away from face 0's centre
    CQxHalfEdge* centre = Corner(0, 0, 1, 1); // the grid's middle
    const CQxVector2D a = outer->UV(), b = centre->UV(), c = outer->GetFace()->GetUVCenter();
    Select({outer, centre});
    qxtest::ExpectUndoable(m_Scene, [&] { return m_Scene.SeparateUVsCmd(1); });
    for (const auto& [h, from] : {std::pair{outer, a}, std::pair{centre, b}}) {
        EXPECT_NEAR(h->UV().x, from.x + (from.x < c.x ? m_Du : -m_Du), 1e-6f);
        EXPECT_NEAR(h->UV().y, from.y + (from.y < c.y ? m_Du : -m_Du), 1e-6f);
    }
    EXPECT_EQ(Corner(1, 0, 1, 1)->UV(), b) << "an unselected corner at the same vertex stays";
}

TEST_F(UVCmds, SeparatingClampsToTheTexture) {
    CQxHalfEdge* h = Corner(0, 0, 0, 0);
    h->UV() = CQxVector2D(1.0f, -0.5f); // beyond the face's centre on both sides
    Select({h});
    ASSERT_TRUE(m_Scene.SeparateUVsCmd(0));
    EXPECT_EQ(h->UV(), CQxVector2D(1.0f - m_Du, 0.0f));
}

TEST_F(UVCmds, MergingMakesTheSelectedUVsAtEachVertexTheirMean) {
    CQxHalfEdge* left = Corner(0, 0, 1, 1);
    CQxHalfEdge* right = Corner(1, 0, 1, 1);
    left->UV() = CQxVector2D(0.2f, 0.2f);
    right->UV() = CQxVector2D(0.4f, 0.6f);
    const CQxVector2D kept = Corner(1, 1, 1, 1)->UV();
    Select({left, right});
    qxtest::ExpectUndoable(m_Scene, [&] { return m_Scene.MergeUVsCmd(1); });
    for (CQxHalfEdge* h : {left, right}) {
        EXPECT_NEAR(h->UV().x, 0.3f, 1e-6f);
        EXPECT_NEAR(h->UV().y, 0.4f, 1e-6f);
    }
    EXPECT_EQ(Corner(1, 1, 1, 1)->UV(), kept) << "the unselected corner";
}

TEST_F(UVCmds, NothingSelectedOrNothingChangedPushesNothing) {
    qxtest::ExpectRefused(m_Scene, [&] { return m_Scene.SeparateUVsCmd(1); });
    qxtest::ExpectRefused(m_Scene, [&] { return m_Scene.MergeUVsCmd(1); });
    Select({Corner(0, 0, 1, 1), Corner(1, 0, 1, 1)}); // the same UV already
    qxtest::ExpectRefused(m_Scene, [&] { return m_Scene.MergeUVsCmd(1); });
}

TEST_F(UVCmds, ReplacingWithAnEmptySetClearsEveryUVSelection) {
    Select({Corner(0, 0, 0, 0), Corner(1, 1, 2, 2)});
    m_Scene.SelectUVs(CQxUVSelects(), QX_SELECT_REPLACE, 0);
    EXPECT_FALSE(m_Grid->Mesh().HasUVSelect());
}

} // namespace
