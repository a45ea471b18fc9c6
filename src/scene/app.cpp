#include "qx/scene/app.h"

#include <algorithm>
#include <cmath>

#include "qx/basis/msg_box.h"
#include "qx/graphics/settings.h"
#include "qx/platform/message.h"
#include "qx/platform/settings.h"
#include "qx/platform/time.h"
#include "qx/platform/timer.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"

using namespace QxWin;

namespace {

constexpr UINT kTimerResolution = 1;

void FrameTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    CQxApp::Instance().OnTimer();
}

// Every live scene, copied first: a frame or an update may create or destroy scenes.
template <class F>
void ForEachScene(F&& f) {
    const CQxArray<CQxScene*> scenes = CQxSceneList::Instance().GetScenes();
    for (CQxScene* scene : scenes)
        if (CQxSceneList::Instance().GetScenes().Has(scene)) f(*scene);
}

// The registry values and the settings behind them, in the order they are written.
struct RegValue {
    const char* Name;
    DWORD (*Get)();
    void (*Set)(DWORD);
};

DWORD PickSizeToDword() {
    const float size = QxPickSize();
    return size > 0.0f ? static_cast<DWORD>(std::lround(std::min(size, 4294967040.0f))) : 0;
}

constexpr RegValue kRegValues[] = {
    {"Normal", [] { return static_cast<DWORD>(QxNormalColor()); }, [](DWORD v) { QxNormalColor() = v; }},
    {"Select", [] { return static_cast<DWORD>(QxSelectColor()); }, [](DWORD v) { QxSelectColor() = v; }},
    {"Pick", PickSizeToDword, [](DWORD v) { QxPickSize() = static_cast<float>(v); }},
    {"Undo", [] { return static_cast<DWORD>(QxUndoSize()); }, [](DWORD v) { QxUndoSize() = v; }},
    {"FloatDecimal", [] { return static_cast<DWORD>(QxFloatDecimal()); },
     [](DWORD v) { QxFloatDecimal() = static_cast<int>(v); }},
};

} // namespace

CQxApp& CQxApp::Instance() {
    static CQxApp app;
    return app;
}

CQxApp::~CQxApp() {
    KillTimer();
    WriteReg();
}

void CQxApp::SetAppInfo(const char* company, const char* product, unsigned int major, unsigned int minor) {
    m_CompanyName = company;
    m_ProductName = product;
    m_MajorVersion = major;
    m_MinorVersion = minor;
}

int CQxApp::ReadReg() {
    if (m_CompanyName.IsEmpty() || m_ProductName.IsEmpty()) return 0;
    CQxString path;
    path.Format("Software\\%s\\%s", m_CompanyName.GetStr(), m_ProductName.GetStr());
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 1;
    for (const RegValue& value : kRegValues) {
        DWORD data = 0, type = 0, size = sizeof data;
        if (RegQueryValueExA(key, value.Name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) ==
                ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof data)
            value.Set(data);
    }
    RegCloseKey(key);
    return 1;
}

int CQxApp::WriteReg() {
    if (m_CompanyName.IsEmpty() || m_ProductName.IsEmpty()) return 0;
    CQxString path;
    path.Format("Software\\%s\\%s", m_CompanyName.GetStr(), m_ProductName.GetStr());
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return 0;
    for (const RegValue& value : kRegValues) {
        const DWORD data = value.Get();
        RegSetValueExA(key, value.Name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
    }
    RegCloseKey(key);
    return 1;
}

unsigned int CQxApp::StartTimer(unsigned int elapse) {
    const UINT_PTR id = m_TimerWindow ? QxWin::SetTimer(m_TimerWindow, m_TimerId, elapse, nullptr)
                                      : QxWin::SetTimer(nullptr, m_TimerId, elapse, FrameTimerProc);
    return static_cast<unsigned int>(id);
}

void CQxApp::StopTimer() {
    m_TimerWindow = nullptr;
    m_TimerId = 0;
    m_TimerElapse = 0;
    m_FrameElapse = 0;
    timeEndPeriod(kTimerResolution);
}

unsigned int CQxApp::SetTimer(HWND window, unsigned int id) {
    KillTimer();
    timeBeginPeriod(kTimerResolution);
    m_TimerWindow = window;
    m_TimerId = id;
    m_TimerElapse = FramePeriod;
    m_TimerId = StartTimer(m_TimerElapse);
    if (!m_TimerId) StopTimer();
    return m_TimerId;
}

int CQxApp::KillTimer() {
    if (!m_TimerId) return 0;
    const int result = QxWin::KillTimer(m_TimerWindow, m_TimerId);
    StopTimer();
    return result;
}

void CQxApp::ResetTimer() {
    if (!m_TimerId) return;
    QxWin::KillTimer(m_TimerWindow, m_TimerId);
    m_TimerId = StartTimer(m_TimerElapse);
    if (!m_TimerId) StopTimer();
}

void CQxApp::OnTimer() {
    const DWORD start = timeGetTime();
    ForEachScene([](CQxScene& scene) { scene.TaskManager().ExecuteFrame(); });
    m_FrameElapse = timeGetTime() - start;
    m_TimerElapse = m_FrameElapse < FramePeriod ? FramePeriod - m_FrameElapse : 0;
    ResetTimer();
}

void CQxApp::OnActive(int active) {
    if (active == m_IsActive) return;
    m_IsActive = active;
    if (active) CQxInput::Instance().Acquire();
}

int CQxApp::PreTranslateMessage(MSG* /*message*/) {
    return 0;
}

CQxScene* CQxApp::GetActiveScene() const {
    return CQxSceneList::Instance().GetActiveScene();
}

void CQxApp::UpdateActiveSceneGui(QX_UPDATE_TYPE type, void* arg1, void* arg2, void* arg3) {
    if (CQxScene* scene = GetActiveScene()) scene->UpdateGui(type, arg1, arg2, arg3);
}

void CQxApp::SetUndoSize(unsigned int size) {
    QxUndoSize() = size;
    ForEachScene([size](CQxScene& scene) { scene.CmdManager().SetMaxSize(size); });
}

void CQxApp::SetPickSize(unsigned int size) {
    QxPickSize() = static_cast<float>(size);
    ForEachScene([](CQxScene& scene) { scene.UpdateObjectGeometry(1); });
}

void CQxApp::SetColors(unsigned long normal, unsigned long select) {
    QxNormalColor() = normal;
    QxSelectColor() = select;
    ForEachScene([](CQxScene& scene) { scene.UpdateObjectGeometry(1); });
}

void CQxApp::ClearGraphics() {
    CQxGraphics::Instance().GetDevice().ClearGraphics();
    ForEachScene([](CQxScene& scene) { scene.ClearGraphics(); });
}

void CQxApp::RecreateGraphics() {
    CQxGraphics::Instance().GetDevice().RecreateGraphics();
    ForEachScene([](CQxScene& scene) { scene.RecreateGraphics(); });
}

QX_GRAPHICS_RESULT CQxApp::OnGraphicsLost() {
    static const char* const kCaption = "デバイスの回復";
    static const char* const kFailed = "回復に失敗しました。";
    CQxGraphicsDevice& device = CQxGraphics::Instance().GetDevice();
    ClearGraphics();
    for (unsigned int pass = 0;; ++pass) {
        if (pass == RecoveryPasses) {
            QxMsgBox(kFailed, kCaption, MB_OK, nullptr);
            return QX_GRAPHICS_FAILED;
        }
        Sleep(RecoveryWait);
        const QX_GRAPHICS_RESULT state = device.GetState();
        if (state == QX_GRAPHICS_FAILED) {
            QxMsgBox("予期せぬエラーです．", kCaption, MB_OK, nullptr);
            QxMsgBox(kFailed, kCaption, MB_OK, nullptr);
            return QX_GRAPHICS_FAILED;
        }
        if (state == QX_GRAPHICS_LOST) continue;
        if (device.Reset() == QX_GRAPHICS_OK) break;
    }
    RecreateGraphics();
    return QX_GRAPHICS_OK;
}
