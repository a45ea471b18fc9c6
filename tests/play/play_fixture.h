#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "qx/platform/canvas.h"
#include "qx/play/scene_simulator.h"
#include "qx/play/sim_manager.h"
#include "qx/play/widget.h"
#include "qx/scene/model.h"
#include "recording_sim.h"
#include "scene_builders.h"
#include "scratch_dir.h"
#include "view_rig.h"

// A widget of the type, its name also its text, last below the parent.
inline CQxWidget* AddWidget(CQxWidget& parent, QX_WDG_TYPE type, const char* name, const CQxRect& rect) {
    auto* widget = new CQxWidget(type);
    widget->SetName(name);
    widget->SetText(name);
    widget->Rect() = rect;
    parent.PushChild(widget);
    return widget;
}

// The scene program over a small playable scene in a 320 x 240 view. The program reads
// "../Fps.kel", so the test works in "run/" of a scratch folder holding the file:
//
//   MainMenu (group)                    objects: FirstPerson (group, at z = -4)
//   |-- Start       (100, 60)-(220, 80)          Tower (a 2-unit cube at the origin,
//   |-- Quit        (100, 90)-(220, 110)                 in the middle of the view)
//   `-- ToggleDisp  (100, 120)-(220, 140)
//
// The buttons' texts start at the top-left corners of their rectangles.
class PlayFixture : public ::testing::Test {
protected:
    using Log = std::vector<std::string>;

    PlayFixture() : m_OldDir(std::filesystem::current_path()) {
        std::filesystem::create_directories(m_Dir.Path() / "run");
        std::filesystem::current_path(m_Dir.Path() / "run");
        rig.camera.OnActive();
    }
    ~PlayFixture() override { std::filesystem::current_path(m_OldDir); }

    void WriteSample() {
        CQxScene sample;
        CQxWidget* menu = AddWidget(sample.RootModel().RootWidget(), QX_WDG_GROUP, "MainMenu", CQxRect());
        AddWidget(*menu, QX_WDG_BUTTON, "Start", CQxRect(100, 60, 220, 80));
        AddWidget(*menu, QX_WDG_BUTTON, "Quit", CQxRect(100, 90, 220, 110));
        AddWidget(*menu, QX_WDG_BUTTON, "ToggleDisp", CQxRect(100, 120, 220, 140));
        QxAdd(sample.RootModel(), new CQxGroup(1), "FirstPerson")->Translate() = CQxVector(0, 0, -4);
        QxAdd(sample.RootModel(), QxNewCube(2.0f), "Tower");
        ASSERT_EQ(sample.WriteFile(m_Dir.File("Fps.kel").c_str()), 1);
    }
    // Starts the scene program (with the logging host unless given another handler), then lays
    // the widgets out as a paint would.
    int Play(CQxMsgHandler* handler = nullptr) {
        const int created = scene().SimManager().Create(QX_SIM_SCENE, &scene(), handler ? handler : &host);
        HDC dc = QxWin::CreateCompatibleDC(nullptr);
        scene().RootModel().RootWidget().Draw(dc);
        QxWin::DeleteDC(dc);
        return created;
    }
    CQxScene& scene() { return rig.scene; }
    CQxSceneState* State() {
        auto* root = static_cast<CQxSceneSimulator*>(scene().SimManager().GetRootSimulator());
        return root ? root->GetSceneState() : nullptr;
    }
    CQxWidget* Widget(const char* name) { return scene().RootModel().RootWidget().FindByName(name); }
    // A point on a widget's text.
    CQxPoint On(const char* name) {
        const CQxRect& r = Widget(name)->Rect();
        return CQxPoint(r.left + 4, r.top + 6);
    }
    int Send(const CQxMsg& msg) { return scene().SimManager().SendMessageA(msg); }

    Log log;
    HostHandler host{log};
    QxViewRig rig;

private:
    QxScratchDir m_Dir;
    std::filesystem::path m_OldDir;
};
