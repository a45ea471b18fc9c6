#include "qx/play/scene_simulator.h"

#include <unistd.h>

#include <filesystem>
#include <string>

#include "qx/play/sim_manager.h"
#include "qx/play/widget.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"
#include "qx/tools/tool_manager.h"
#include "qx/views/camera.h"

namespace {

constexpr const char* kSceneFile = "../Fps.kel";
constexpr unsigned int kEscape = 27;
// Faces: the click picks what is drawn.
constexpr unsigned int kFaceMask = 16;

} // namespace

int CQxSceneSimulator::Create(QX_SIM_TYPE type, CQxScene* scene) {
    Clear();
    SetSimType(type);
    m_Scene = scene;
    if (type != QX_SIM_SCENE || !scene) return 0;
    auto* state = new CQxSceneState(this, scene);
    AddState(QX_SIM_STATE_INITIAL, state);
    state->OnEnter();
    scene->ToolManager().SetCurTool(QX_TOOL_PLAY);
    return 1;
}

CQxSceneState* CQxSceneSimulator::GetSceneState() const {
    // The only state a scene simulator makes.
    return static_cast<CQxSceneState*>(GetStateObject(QX_SIM_STATE_INITIAL));
}

void CQxCameraTask::Execute(const float& time) {
    m_Camera->Invalidate(nullptr, 0);
    CQxTask::Execute(time);
}

CQxSceneState::~CQxSceneState() {
    // A state destroyed without leaving (a replaced one) still lets go of what it made.
    OnExit();
}

void CQxSceneState::OnEnter() {
    if (!m_Scene->ReadFile(kSceneFile, 0)) return;
    CQxSimManager* manager = GetSimulator()->GetSimManager();
    CQxModel& root = m_Scene->RootModel();
    m_Menu = root.RootWidget().FindByName("MainMenu");
    // A piece missing from the file leaves its simulator without states: it takes nothing.
    m_MenuSim = std::make_unique<CQxWidgetSimulator>(manager);
    m_MenuSim->Create(QX_SIM_WIDGET, m_Menu);
    m_FirstPersonSim = std::make_unique<CQxObjectSimulator>(manager);
    m_FirstPersonSim->Create(QX_SIM_FIRST_PERSON, root.FindName("FirstPerson"));
    m_SpinningSim = std::make_unique<CQxObjectSimulator>(manager);
    m_SpinningSim->Create(QX_SIM_SPINNING, root.FindName("Tower"));
    if (m_Menu) m_Menu->SetVisible(1, 0);
    m_Camera = m_Scene->GetActiveCamera();
    if (m_Camera) {
        m_CameraTask = new CQxCameraTask(m_Camera);
        m_Scene->TaskManager().PushTask(m_CameraTask);
    }
    InvalidateView();
}

void CQxSceneState::OnExit() {
    m_Scene->TaskManager().Stop();
    if (m_CameraTask) m_Scene->TaskManager().PopTask(m_CameraTask);
    m_CameraTask = nullptr;
    m_MenuSim.reset();
    m_FirstPersonSim.reset();
    m_SpinningSim.reset();
    m_Menu = nullptr;
    m_Camera = nullptr;
}

int CQxSceneState::OnMessage(const CQxMsg& msg) {
    if (m_Menu && m_Menu->IsVisible() && m_MenuSim) {
        // The host may tear the program, and this state, down while it handles a button.
        const std::weak_ptr<char> alive = m_Alive;
        if (m_MenuSim->OnMessage(msg)) return 1;
        if (alive.expired()) return 0;
    }
    switch (msg.m_Type) {
    case QX_MSG_START:
        if (m_Menu) m_Menu->SetVisible(0, 0);
        m_Scene->TaskManager().Run();
        return 1;
    case QX_MSG_FOCUS_CHANGED: InvalidateView(); return 1;
    case QX_MSG_KEY_DOWN:
        if (msg.m_Data[0] == kEscape) return Pause();
        return m_FirstPersonSim ? m_FirstPersonSim->OnMessage(msg) : 0;
    case QX_MSG_PAUSE: return Pause();
    case QX_MSG_LBUTTON_DOWN: return OnClick(msg);
    default: return 0;
    }
}

int CQxSceneState::Pause() {
    m_Scene->TaskManager().Stop();
    if (m_Menu) m_Menu->SetVisible(1, 0);
    InvalidateView();
    return 1;
}

int CQxSceneState::OnClick(const CQxMsg& msg) {
    CQxObject* tower = m_SpinningSim ? m_SpinningSim->GetObject() : nullptr;
    if (!m_Camera || !tower) return 0;
    CQxVector pos;
    CQxSelect select;
    if (!m_Scene->IsObjectTreePointHit(kFaceMask, 0, msg.GetPoint(), *m_Camera, pos, select)) return 0;
    if (select.Object() != tower) return 0;
    // The object is named by its child position: a pointer does not fit the 32-bit word.
    const unsigned int position = tower->GetParent() ? tower->GetParent()->GetChildIndex(tower) : 0;
    CQxMsg hit(QX_MSG_OBJECT_HIT, pos, position);
    hit.m_Sender = GetSimulator()->GetSimID();
    hit.m_Receiver = m_SpinningSim->GetSimID();
    m_SpinningSim->OnMessage(hit);
    return 0;
}

void CQxSceneState::InvalidateView() {
    if (m_Camera) m_Camera->Invalidate(nullptr, 0);
}

int QxStartSceneProgram(CQxScene& scene, CQxMsgHandler* handler, const char* path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path scenePath = fs::absolute(path ? path : "", error);
    std::string pattern = (fs::temp_directory_path(error) / "qx-play-XXXXXX").string();
    if (error || !path || !fs::is_regular_file(scenePath, error) || !mkdtemp(pattern.data())) return 0;
    const fs::path temporary = pattern;
    const fs::path previous = fs::current_path(error);
    int created = 0;
    if (!error) fs::create_directory(temporary / "run", error);
    if (!error) fs::create_symlink(scenePath, temporary / "Fps.kel", error);
    if (!error) fs::current_path(temporary / "run", error);
    if (!error) {
        created = scene.SimManager().Create(QX_SIM_SCENE, &scene, handler);
        fs::current_path(previous, error);
    }
    fs::remove_all(temporary, error);
    return created;
}
