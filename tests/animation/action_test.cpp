#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "qx/animation/action.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"

namespace {

// Two models with two actions each: an animation and a sound.
class Actions : public ::testing::Test {
protected:
    Actions() {
        for (CQxModel* model : {&m_Scene.RootModel(), QxAdd(m_Scene.RootModel(), new CQxModel(1), "Other")}) {
            model->AddAction(QxNewAction(QX_ACTION_ANIM, "Walk"));
            model->AddAction(QxNewAction(QX_ACTION_SOUND, "Step"));
            model->CurAction() = model->GetAction(0);
        }
        m_Other = static_cast<CQxModel*>(m_Scene.RootModel().GetChild(0));
    }
    CQxScene m_Scene;
    CQxModel* m_Other = nullptr;
};

TEST_F(Actions, EachTypeMakesItsOwnClass) {
    CQxModel& root = m_Scene.RootModel();
    EXPECT_NE(dynamic_cast<CQxAnimAction*>(root.GetAction(0)), nullptr);
    EXPECT_NE(dynamic_cast<CQxSoundAction*>(root.GetAction(1)), nullptr);
    EXPECT_STREQ(root.GetAction(1)->GetName(), "Step");
    const std::unique_ptr<CQxAction> unknown(QxNewAction(QX_ACTION_TYPE(7), nullptr));
    EXPECT_EQ(unknown->Type(), 7u) << "an unknown type is kept on a plain action";
    EXPECT_STREQ(unknown->GetName(), "");
}

TEST_F(Actions, TheCurrentActionChangesToOneOfTheModelsOwnAndTellsTheHost) {
    CQxModel& root = m_Scene.RootModel();
    QxUpdateRecorder notes(m_Scene);
    m_Scene.SetCurAction(&root, root.GetAction(1), 1);
    EXPECT_EQ(root.CurAction(), root.GetAction(1));
    ASSERT_EQ(notes.Types(), std::vector<unsigned int>{QX_UPDATE_CUR_ACTION});
    EXPECT_EQ(notes.Notices[0].Args[0], reinterpret_cast<std::uintptr_t>(&root));
    EXPECT_EQ(notes.Notices[0].Args[1], reinterpret_cast<std::uintptr_t>(root.GetAction(1)));
}

TEST_F(Actions, AnotherModelsActionNullOrTheCurrentOneChangeNothing) {
    CQxModel& root = m_Scene.RootModel();
    QxUpdateRecorder notes(m_Scene);
    m_Scene.SetCurAction(&root, m_Other->GetAction(1), 1);
    m_Scene.SetCurAction(&root, nullptr, 1);
    m_Scene.SetCurAction(&root, root.GetAction(0), 1);
    m_Scene.SetCurAction(nullptr, root.GetAction(1), 1);
    EXPECT_EQ(root.CurAction(), root.GetAction(0));
    EXPECT_TRUE(notes.Notices.empty()) << "the host hears of no change";
}

} // namespace
