#pragma once

#include "qx/export.h"
#include "qx/graphics/graphics_context.h"
#include "qx/math/point_rect.h"
#include "qx/math/vector.h"
#include "qx/scene/object.h"

class CQxScene;

enum QX_PROJ_TYPE : unsigned int {
    QX_PROJ_PERSPECTIVE = 0,
    QX_PROJ_ORTHOGRAPHIC = 1, // any nonzero value is orthographic
};

// A 3D view of a scene that is also a camera object: the eye is the object's translation, the
// view looks at Aim with Up above, and the projection is framed for the view size (the scene's
// grid length). Without a window the view and projection matrices and the viewport can be set
// directly, which is how tests and offscreen callers place a camera.
class QX_API CQxCamera : public CQxGraphicsContext, public CQxObject {
public:
    explicit CQxCamera(QX_WND_MODE mode = QX_WND_NORMAL);
    CQxCamera(const CQxCamera&) = delete;
    CQxCamera& operator=(const CQxCamera&) = delete;
    ~CQxCamera() override;

    // --- Object overrides -----------------------------------------------------------------------
    QX_OBJ_TYPE GetType() const override { return QX_OBJ_CAMERA; }

    // --- Context overrides ----------------------------------------------------------------------
    // Each reports a lost device to the application (which rebuilds the graphics) and returns
    // the context's result. RecreateDevice releases and rebuilds every graphics resource.
    QX_GRAPHICS_RESULT RecreateView(unsigned int width, unsigned int height) override;
    QX_GRAPHICS_RESULT RecreateDevice(QX_WND_MODE mode, unsigned int width, unsigned int height) override;
    // Computes the view and projection for the window's size, then begins the frame.
    QX_GRAPHICS_RESULT BeginScene(unsigned long clearColor) override;
    using CQxGraphicsContext::CreateView;

    // --- Added virtual operations ---------------------------------------------------------------
    // Attaches the camera to the scene (AddCamera) and binds it to the host's window.
    virtual QX_GRAPHICS_RESULT CreateView(CQxScene* scene, HWND window, unsigned int width, unsigned int height);
    // Orbits eye and Aim about the rotate centre: yaw about world Y, pitch about the view's
    // horizontal axis (radians).
    virtual void Rotate(float yaw, float pitch);
    // Looks about from a fixed eye.
    virtual void RotateFps(float yaw, float pitch);
    // Levels the view: Y up, looking horizontally the way it looked (or, looking straight up or
    // down, the way its up vector pointed).
    virtual void ResetRotateFps();
    // Slides the view so the origin's image moves by the pixels given.
    virtual void Pan(int dx, int dy);
    // Steps of the zoom rate; positive steps widen the view.
    virtual void Zoom(int steps);
    // Stores the scene; a scene frames the view for its grid length.
    virtual void SetScene(CQxScene* scene);
    virtual CQxScene* GetScene() const { return m_Scene; }
    // Frames the view for a scene of size s: looking at the origin with Y up, the eye at
    // (s, 0.8 s, s) in perspective or (0, 0, s) orthographic with s visible.
    virtual void SetViewSize(float size);
    // Input from the host's window, handed to the scene's 3D tool manager with this camera;
    // nothing (0) while no scene is set.
    virtual void OnTimer(unsigned int id);
    // Draws the scene into the window (and, printing, copies the frame into the given context).
    virtual QX_GRAPHICS_RESULT OnPaint();
    virtual QX_GRAPHICS_RESULT OnPrint(HDC dc);
    // The view became the one the user works in.
    virtual void OnActive();
    virtual void OnLButtonDown(unsigned int flags, CQxPoint point);
    virtual void OnLButtonUp(unsigned int flags, CQxPoint point);
    virtual void OnRButtonDown(unsigned int flags, CQxPoint point);
    virtual void OnRButtonUp(unsigned int flags, CQxPoint point);
    virtual void OnMButtonDown(unsigned int flags, CQxPoint point);
    virtual void OnMButtonUp(unsigned int flags, CQxPoint point);
    virtual void OnMouseWheel(unsigned int flags, short delta, CQxPoint point);
    virtual void OnMouseMove(unsigned int flags, CQxPoint point);
    virtual void OnMouseHover(unsigned int flags, CQxPoint point);
    virtual void OnKeyDown(unsigned int key, unsigned int repeat, unsigned int flags);
    virtual int OnSetCursor(unsigned int hitTest);
    // 0 when the type is unchanged; otherwise switches keeping the apparent size at the origin
    // plane and asks for a repaint.
    virtual int SetProjectionType(QX_PROJ_TYPE type);
    // Looks at the origin along an axis (X from the side, Y from the top, Z from the front),
    // framed for the view size; 0 does nothing.
    virtual void SetAxisView(QX_AXIS_TYPE axis);

    // --- Fields ---------------------------------------------------------------------------------
    CQxVector& Eye() { return Translate(); }
    const CQxVector& Eye() const { return Translate(); }
    CQxVector& Aim() { return m_Aim; }
    const CQxVector& Aim() const { return m_Aim; }
    CQxVector& Up() { return m_Up; }
    const CQxVector& Up() const { return m_Up; }
    float& FovY() { return m_FovY; }
    const float& FovY() const { return m_FovY; }
    float& ViewY() { return m_ViewY; }
    const float& ViewY() const { return m_ViewY; }
    const float& NearZ() const { return m_NearZ; }
    const float& FarZ() const { return m_FarZ; }
    const QX_PROJ_TYPE& ProjectionType() const { return m_ProjectionType; }
    CQxVector& RotateCenter() { return m_RotateCenter; }
    const CQxVector& RotateCenter() const { return m_RotateCenter; }
    const float& ViewSize() const { return m_ViewSize; }
    int IsPerspective() const { return m_ProjectionType == QX_PROJ_PERSPECTIVE; }

    // Distance from the eye to the plane through the world origin facing the view direction
    // (0 when the eye and Aim coincide).
    float GetOriginDistance() const;
    // The view and projection matrices for a width x height view (no frame is begun); 0 when
    // the size or the camera placement gives no valid matrix (the matrices are then unchanged).
    int UpdateMatrices(unsigned int width, unsigned int height);
    // Invalidates the window and paints at once when it has one.
    void UpdateWindow();

private:
    // Moves eye and Aim together along the view direction.
    void MoveAlongView(float distance);

    CQxScene* m_Scene = nullptr;
    QX_PROJ_TYPE m_ProjectionType = QX_PROJ_PERSPECTIVE;
    float m_FovY = 30.0f;
    float m_ViewY = 1.0f;
    float m_NearZ = 0.0f;
    float m_FarZ = 0.0f;
    CQxVector m_Aim;
    CQxVector m_Up;
    CQxVector m_RotateCenter;
    float m_ViewSize = 1.0f;
};
