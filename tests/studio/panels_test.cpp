// The properties, actions and timeline panels: each edit is a command of the scene, and what they show
// comes from the scene's notices.
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "actions_panel.h"
#include "properties_panel.h"
#include "qx/animation/action.h"
#include "qx/scene/model.h"
#include "qx/graphics/attribute.h"
#include "qx/scene/scene.h"
#include "studio_fixture.h"
#include "timeline_panel.h"

class PropertiesPanel : public QxStudioTest {
protected:
    static std::string SampleTexture() {
        return SamplePath().substr(0, SamplePath().rfind('/') + 1) + "sample_rgba_4x2.png";
    }
    QxStudioPropertiesPanel& Panel() { return Window().Properties(); }
    CQxObject* SelectBody() {
        OpenSample();
        CQxObject* body = Find("Body");
        Scene().SelectObject(CQxSelect(body), QX_SELECT_REPLACE, 1);
        return body;
    }
};

TEST_F(PropertiesPanel, ShowsTheSelectedObject) {
    EXPECT_EQ(nullptr, Panel().Object()) << "nothing selected, nothing shown";
    CQxObject* body = SelectBody();
    EXPECT_EQ(body, Panel().Object());
    EXPECT_EQ("Body", Panel().NameEdit()->text());
    EXPECT_TRUE(Panel().VisibleBox()->isChecked());
    EXPECT_EQ(2, Panel().Materials()->count()) << "the robot's materials";
}

TEST_F(PropertiesPanel, ATypedTranslationIsACommandAndFollowsUndo) {
    CQxObject* body = SelectBody();
    QDoubleSpinBox* x = Panel().Field(QxStudioPropertiesPanel::Translate, 0);
    x->setValue(12.5);
    EXPECT_FLOAT_EQ(12.5f, body->Translate().x);
    Trigger("edit.undo");
    EXPECT_FLOAT_EQ(0.0f, body->Translate().x);
    EXPECT_DOUBLE_EQ(0.0, x->value()) << "the field shows the value undo restored";
}

TEST_F(PropertiesPanel, VisibilityLockAndSubdivisionAreCommands) {
    CQxObject* body = SelectBody();
    const unsigned int commands = Scene().CmdManager().GetCount();
    Panel().SubdivisionBox()->setValue(1);
    EXPECT_EQ(1u, body->SubdivisionLevel());
    Panel().VisibleBox()->click();
    EXPECT_EQ(0, body->IsVisible());
    Panel().LockedBox()->click();
    EXPECT_EQ(1, body->IsLocked());
    EXPECT_EQ(commands + 3, Scene().CmdManager().GetCount());
}

TEST_F(PropertiesPanel, NumericEntryMovesTheSelectionWithTheCurrentTool) {
    CQxObject* body = SelectBody();
    Settle();
    ASSERT_TRUE(Panel().NumericApply()->isEnabled()) << "the move tool takes typed values";
    Panel().NumericField(1)->setValue(5.0);
    QTest::mouseClick(Panel().NumericApply(), Qt::LeftButton);
    EXPECT_FLOAT_EQ(5.0f, body->Translate().y);
}

TEST_F(PropertiesPanel, MaterialsAreRenamedCreatedAndAssignedByCommands) {
    CQxObject* body = SelectBody();
    CQxModel* model = body->GetModel();
    QListWidget* list = Panel().Materials();
    list->item(0)->setText(QString::fromUtf8("鋼"));
    EXPECT_STREQ("鋼", model->GetAttribute(0)->GetName()) << "a Japanese material name, as typed";
    Trigger("edit.undo");
    EXPECT_STREQ("Steel", model->GetAttribute(0)->GetName());
    EXPECT_EQ("Steel", Panel().Materials()->item(0)->text()) << "the list follows undo";

    QTest::mouseClick(Panel().NewMaterialButton(), Qt::LeftButton);
    EXPECT_EQ(3u, model->GetAttributeCount());
    EXPECT_EQ(3, Panel().Materials()->count());

    // "Face" chosen in the list, then given to every face of the selected Body.
    QListWidget* materials = Panel().Materials();
    QTest::mouseClick(materials->viewport(), Qt::LeftButton, Qt::NoModifier,
                      materials->visualItemRect(materials->item(1)).center());
    ASSERT_EQ(model->GetAttribute(1), model->CurAttribute());
    QTest::mouseClick(Panel().AssignMaterialButton(), Qt::LeftButton);
    for (const CQxFace& face : body->Mesh().Faces())
        EXPECT_EQ(model->GetAttribute(1), face.Attribute()) << "face " << face.Index();
}

class TimelinePanel : public QxStudioTest {
protected:
    QxStudioTimelinePanel& Panel() { return Window().Timeline(); }
};

TEST_F(TimelinePanel, TheSliderSetsTheCurrentFrameUndoably) {
    OpenSample();
    Panel().Slider()->setValue(12);
    EXPECT_FLOAT_EQ(12.0f, Scene().CurFrame());
    Trigger("edit.undo");
    Settle();
    EXPECT_FLOAT_EQ(1.0f, Scene().CurFrame());
    EXPECT_EQ(1, Panel().Slider()->value()) << "the slider follows the scene";
}

TEST_F(TimelinePanel, PlayRunsOnTheFrameTimerAndPauseStopsIt) {
    OpenSample();
    QTest::mouseClick(Panel().PlayButton(), Qt::LeftButton);
    EXPECT_TRUE(Scene().IsPlaying());
    EXPECT_EQ("Pause", Panel().PlayButton()->text());
    Settle(200);
    EXPECT_GT(Scene().CurFrame(), 1.0f) << "frames advance while playing";
    QTest::mouseClick(Panel().PlayButton(), Qt::LeftButton);
    EXPECT_FALSE(Scene().IsPlaying());
    EXPECT_EQ("Play", Panel().PlayButton()->text());
}

TEST_F(PropertiesPanel, TheCurrentMaterialTakesAColourAndATextureUndoably) {
    CQxObject* body = SelectBody();
    CQxAttribute* material = body->GetModel()->CurAttribute();
    ASSERT_NE(nullptr, material);
    const unsigned long before = material->ColorMaterial().Color().GetArgb();
    ASSERT_TRUE(Panel().SetMaterialColour(QColor(255, 0, 0)));
    EXPECT_EQ(0xFF0000u, material->ColorMaterial().Color().GetArgb() & 0xFFFFFFu);
    ASSERT_TRUE(Panel().AddMaterialTexture(QString::fromStdString(SampleTexture())));
    EXPECT_EQ(1u, material->GetTextureStageCount());
    Trigger("edit.undo");
    EXPECT_EQ(0u, material->GetTextureStageCount());
    Trigger("edit.undo");
    EXPECT_EQ(before, material->ColorMaterial().Color().GetArgb());
    EXPECT_FALSE(Panel().AddMaterialTexture("/nonexistent/missing.png")) << "refused, with the library's message";
}

class ActionsPanel : public QxStudioTest {};

TEST_F(ActionsPanel, ListsTheModelsActionsAndAClickMakesOneCurrent) {
    QxStudioActionsPanel& panel = Window().Actions();
    CQxModel* model = panel.Model();
    ASSERT_NE(nullptr, model);
    EXPECT_EQ(0, panel.List()->count()) << "a new model has no actions";
    CQxAction* walk = panel.AddAction(QX_ACTION_ANIM);
    CQxAction* step = panel.AddAction(QX_ACTION_SOUND);
    ASSERT_EQ(2, panel.List()->count());
    EXPECT_EQ(walk, model->CurAction()) << "the first action becomes current";
    EXPECT_NE(nullptr, dynamic_cast<CQxAnimAction*>(walk));

    QListWidget* list = panel.List();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      list->visualItemRect(list->item(1)).center());
    Settle();
    EXPECT_EQ(step, model->CurAction()) << "the click goes through the scene";
    EXPECT_TRUE(list->item(1)->font().bold()) << "the list follows the scene's notice";
    EXPECT_FALSE(list->item(0)->font().bold());
}
