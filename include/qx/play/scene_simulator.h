#pragma once

#include <memory>

#include "qx/export.h"
#include "qx/play/object_simulator.h"
#include "qx/play/simulator.h"
#include "qx/play/widget_simulator.h"

class CQxCamera;
class CQxScene;
class CQxSceneState;
class CQxWidget;

// The root simulator of the library's scene program: QX_SIM_SCENE reads the playable scene
// "../Fps.kel" (relative to the working folder) and runs its menu "MainMenu", its first-person
// object "FirstPerson" and its spinning object "Tower". Creating it makes the play tool current.
class QX_API CQxSceneSimulator : public CQxSimulator {
public:
    explicit CQxSceneSimulator(CQxSimManager* simManager) : CQxSimulator(simManager) {}

    // Clears, keeps type and scene, then enters the scene state; 0 for another type or without
    // a scene.
    virtual int Create(QX_SIM_TYPE type, CQxScene* scene);

    CQxScene* GetScene() const { return m_Scene; }
    // The program's state (null before Create made it).
    CQxSceneState* GetSceneState() const;

private:
    CQxScene* m_Scene = nullptr;
};

// Redraws a camera view at every frame of play (a task of the second per-frame list).
class QX_API CQxCameraTask : public CQxTask {
public:
    explicit CQxCameraTask(CQxCamera* camera) : CQxTask(TYPE_FRAME_LATE), m_Camera(camera) {}
    void Execute(const float& time) override;

private:
    CQxCamera* m_Camera;
};

// The scene program while it runs. Enter reads the scene and builds the menu, first-person and
// spinning simulators (which it owns), shows the menu and redraws the active camera view every
// frame; a scene that cannot be read leaves the state inert. While the menu is shown it takes
// the mouse; "Start" hides it and runs the play clock, Escape or QX_MSG_PAUSE stop the clock and
// show it again, other keys steer the first-person object, and a click on the spinning object
// sends it QX_MSG_OBJECT_HIT. Exit stops the clock and destroys what enter made.
class QX_API CQxSceneState : public CQxSimState {
public:
    CQxSceneState(CQxSimulator* simulator, CQxScene* scene) : CQxSimState(simulator), m_Scene(scene) {}
    ~CQxSceneState() override;
    int OnMessage(const CQxMsg& msg) override;
    void OnEnter() override;
    void OnExit() override;

    CQxWidget* GetMenu() const { return m_Menu; }
    CQxWidgetSimulator* GetMenuSimulator() const { return m_MenuSim.get(); }
    CQxObjectSimulator* GetFirstPersonSimulator() const { return m_FirstPersonSim.get(); }
    CQxObjectSimulator* GetSpinningSimulator() const { return m_SpinningSim.get(); }
    CQxTask* GetCameraTask() const { return m_CameraTask; }

private:
    int Pause();
    int OnClick(const CQxMsg& msg);
    void InvalidateView();

    CQxScene* m_Scene;
    CQxCamera* m_Camera = nullptr;
    CQxWidget* m_Menu = nullptr;
    std::unique_ptr<CQxWidgetSimulator> m_MenuSim;
    std::unique_ptr<CQxObjectSimulator> m_FirstPersonSim;
    std::unique_ptr<CQxObjectSimulator> m_SpinningSim;
    CQxTask* m_CameraTask = nullptr;
    // Gone with the state: tells a message handler that the state was destroyed under it.
    std::shared_ptr<char> m_Alive = std::make_shared<char>();
};

// Starts the scene program (QX_SIM_SCENE) of the scene's simulation manager on the scene file
// at path, whatever its name and folder: the program reads "../Fps.kel" of the working folder,
// so the file is offered under that name in a temporary folder while the program starts, and
// the working folder is given back afterwards. The working folder is the process's: call it
// while no other thread resolves relative paths. 0 when there is no such file, the folder cannot
// be made or the program does not start.
QX_API int QxStartSceneProgram(CQxScene& scene, CQxMsgHandler* handler, const char* path);
