#include <gtest/gtest.h>

#include <string>

#include "qx/scene/model.h"
#include "scene_builders.h"

namespace {

CQxAction* MakeAction(const char* name, QX_ACTION_TYPE type) {
    auto* action = new CQxAction;
    action->SetName(name);
    action->Type() = type;
    return action;
}

// What a model holds besides its own fields, in one line a failure prints whole.
std::string Holdings(const CQxModel& model) {
    return "attributes " + std::to_string(model.GetAttributeCount()) +
           (model.CurAttribute() ? " (one current)" : " (none current)") + ", actions " +
           std::to_string(model.GetActionCount()) +
           (model.CurAction() ? " (one current)" : " (none current)") +
           (model.Anim().IsEmpty() ? ", no animation" : ", animation") + ", children " +
           std::to_string(model.GetChildCount()) + ", widgets " +
           std::to_string(model.RootWidget().GetChildCount());
}

} // namespace

TEST(KindsModel, NewModelHasOneCurrentMaterialAndDeleteClearsEverything) {
    CQxModel model(1);
    ASSERT_EQ(model.GetAttributeCount(), 1u);
    CQxAttribute* first = model.GetAttribute(0);
    EXPECT_STREQ(first->GetName(), "Material1");
    EXPECT_EQ(model.CurAttribute(), first);
    EXPECT_EQ(first->ColorMaterial(), CQxColorMaterial(0xFFFFFFFF, 0.8f, 0.3f, 0.0f, 0.3f, 5.0f));
    EXPECT_NE(model.RootWidget().GetFont(), nullptr);

    model.PushChild(new CQxObject(1));
    model.RootWidget().PushChild(new CQxWidget(QX_WDG_STATIC));
    model.AddAction(MakeAction("Walk", QX_ACTION_ANIM));
    model.CurAction() = model.GetAction(0);

    model.Delete();
    EXPECT_EQ(Holdings(model),
              "attributes 0 (none current), actions 0 (none current), no animation, children 0, widgets 0");
    // The root widget itself survives.
    EXPECT_STREQ(model.RootWidget().GetName(), "Root");
}

TEST(KindsModel, AttributeNamesStayUniqueAndListEditsKeepCurrentValid) {
    CQxModel model;
    CQxAttribute* second = model.CreateAttribute();
    EXPECT_STREQ(second->GetName(), "Material2");
    // A name taken by hand is skipped, and a freed one is used again.
    model.GetAttribute(0)->SetName("Material3");
    EXPECT_STREQ(model.GetUniqueAttributeName("Material"), "Material1");
    model.GetAttribute(0)->SetName("Material1");
    EXPECT_STREQ(model.GetUniqueAttributeName("Material"), "Material3");
    EXPECT_STREQ(model.GetUniqueAttributeName("Mat"), "Mat1");

    EXPECT_EQ(model.FindAttribute("Material2"), second);
    EXPECT_EQ(model.FindAttribute("material2"), nullptr);
    EXPECT_EQ(model.FindAttribute(second), 1u);
    CQxAttribute foreign;
    EXPECT_EQ(model.FindAttribute(&foreign), 0xFFFFFFFFu);
    EXPECT_EQ(model.RemoveAttribute(&foreign), 0);

    // Insert at the front, then renumber: indices follow list order.
    auto* front = new CQxAttribute("Front");
    EXPECT_EQ(model.InsertAttribute(0, front), 1);
    EXPECT_EQ(model.InsertAttribute(0, front), 0); // already listed
    CQxAttribute lost("Lost");
    EXPECT_EQ(model.InsertAttribute(9, &lost), 0);
    model.UpdateModelIndices(0);
    for (unsigned int i = 0; i < model.GetAttributeCount(); ++i)
        EXPECT_EQ(model.GetAttribute(i)->Index(), i) << "attribute " << i;
    EXPECT_STREQ(model.GetAttribute(0)->GetName(), "Front");

    // Removing the current attribute leaves no current one; the caller owns what it removed.
    CQxAttribute* current = model.CurAttribute();
    ASSERT_EQ(model.RemoveAttribute(current), 1);
    EXPECT_EQ(model.CurAttribute(), nullptr);
    EXPECT_EQ(model.GetAttributeCount(), 2u);
    EXPECT_EQ(model.AddAttribute(current), 1);
    EXPECT_EQ(model.GetAttribute(2), current);
    EXPECT_EQ(model.DeleteAttribute(front), 1);
    EXPECT_EQ(model.GetAttributeCount(), 2u);
    EXPECT_EQ(model.AddAttribute(nullptr), 0);
}

TEST(KindsModel, CopyKeepsGroupPartAndWidgetsButNoAttributesOrActions) {
    CQxModel model(1);
    model.SetName("Hero");
    model.Translate() = CQxVector(1.0f, 2.0f, 3.0f);
    model.CreateAttribute();
    model.AddAction(MakeAction("Run", QX_ACTION_ANIM));
    model.CurAction() = model.GetAction(0);
    auto* label = QxAdd(model.RootWidget(), new CQxWidget(QX_WDG_STATIC), "Start");
    label->SetText("Press");
    model.PushChild(new CQxObject(1));

    CQxModel copy(model);
    EXPECT_STREQ(copy.GetName(), "Hero");
    EXPECT_EQ(copy.IsUser(), 1);
    EXPECT_FLOAT_EQ(copy.Translate().y, 2.0f);
    EXPECT_EQ(Holdings(copy),
              "attributes 0 (none current), actions 0 (none current), no animation, children 0, widgets 1");

    // The widget tree is copied and belongs to the copy.
    CQxWidget* copied = copy.RootWidget().FindByName("Start");
    ASSERT_NE(copied, nullptr);
    EXPECT_NE(copied, label);
    EXPECT_STREQ(copied->GetText(), "Press");
    EXPECT_EQ(copied->GetParent(), &copy.RootWidget());
    EXPECT_NE(copy.RootWidget().GetFont(), nullptr);
    EXPECT_NE(copy.RootWidget().GetFont(), model.RootWidget().GetFont());
}
