#pragma once

#include "qx/basis/string.h"
#include "qx/export.h"
#include "qx/graphics/graphics_device.h"
#include "qx/input/input.h"
#include "qx/platform/types.h"

class CQxScene;
struct MSG;
enum QX_UPDATE_TYPE : unsigned int;

// The process-wide application object: the product identity and data directory the host gives,
// the frame timer that drives every scene's task manager, the user settings in the registry,
// and recovery of the graphics device. It reaches the scenes through the scene list.
class QX_API CQxApp {
public:
    // Made on the first call, destroyed at process exit.
    static CQxApp& Instance();

    CQxApp(const CQxApp& other) = default;
    CQxApp& operator=(const CQxApp& other) = default;
    // Stops the frame timer, then saves the registry settings.
    virtual ~CQxApp();

    void SetAppInfo(const char* company, const char* product, unsigned int major, unsigned int minor);
    const CQxString& CompanyName() const { return m_CompanyName; }
    const CQxString& ProductName() const { return m_ProductName; }
    const unsigned int& MajorVersion() const { return m_MajorVersion; }
    const unsigned int& MinorVersion() const { return m_MinorVersion; }
    // Where data files, textures among them, are searched.
    CQxString& DataDir() { return m_DataDir; }
    const CQxString& DataDir() const { return m_DataDir; }
    // Milliseconds the last frame's work took, and the period the timer was re-armed with.
    const unsigned int& FrameElapse() const { return m_FrameElapse; }
    const unsigned int& TimerElapse() const { return m_TimerElapse; }
    QX_MOUSE_STATE& MouseState() { return m_MouseState; }
    QX_KEY_STATE& KeyState() { return m_KeyState; }

    // The five settings under "Software\<company>\<product>": 0 without company or product.
    int ReadReg();
    int WriteReg();

    // Starts the frame timer: a window timer with the identifier on the window (the host routes
    // its timer messages to OnTimer), or without a window a thread timer that calls OnTimer
    // itself. Returns the timer's identifier, 0 on failure.
    unsigned int SetTimer(HWND window, unsigned int id);
    // 0 when no timer runs.
    int KillTimer();
    // One frame of every live scene, then the timer is re-armed so that frames start about
    // every FramePeriod milliseconds.
    void OnTimer();

    void OnActive(int active);
    // Messages are never consumed here.
    int PreTranslateMessage(MSG* message);

    CQxScene* GetActiveScene() const;
    void UpdateActiveSceneGui(QX_UPDATE_TYPE type, void* arg1, void* arg2, void* arg3);

    // Change a setting and bring every live scene up to date with it.
    void SetUndoSize(unsigned int size);
    void SetPickSize(unsigned int size);
    void SetColors(unsigned long normal, unsigned long select);

    // Release and rebuild the device objects of the device and of every scene.
    void ClearGraphics();
    void RecreateGraphics();
    // Waits for a lost device to come back and rebuilds the graphics: QX_GRAPHICS_OK, or
    // QX_GRAPHICS_FAILED (with a message) when it does not come back.
    QX_GRAPHICS_RESULT OnGraphicsLost();

    static constexpr unsigned int FramePeriod = 17;
    // Tries of the device recovery, each after a wait of RecoveryWait milliseconds.
    static constexpr unsigned int RecoveryPasses = 30;
    static constexpr unsigned int RecoveryWait = 100;

protected:
    // Kills the running timer and starts it again with the period TimerElapse.
    void ResetTimer();

private:
    CQxApp() = default;
    // Starts the timer with the stored window and identifier; 0 on failure.
    unsigned int StartTimer(unsigned int elapse);
    void StopTimer();

    unsigned int m_TimerId = 0;
    HWND m_TimerWindow = nullptr;
    unsigned int m_TimerElapse = 0;
    unsigned int m_FrameElapse = 0;
    CQxString m_CompanyName;
    CQxString m_ProductName;
    unsigned int m_MajorVersion = 1;
    unsigned int m_MinorVersion = 0;
    CQxString m_DataDir;
    int m_IsActive = 0;
    QX_MOUSE_STATE m_MouseState = {};
    QX_KEY_STATE m_KeyState = {};
};
