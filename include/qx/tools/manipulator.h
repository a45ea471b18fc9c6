#pragma once

#include "qx/export.h"
#include "qx/scene/object_kinds.h"

class CQxAttribute;

// Which handles a manipulator shows: one per transform tool.
enum QX_MANIPULATOR_TYPE : unsigned int {
    QX_MANIPULATOR_NONE = 0,
    QX_MANIPULATOR_SCALE = 1,   // cubes on the three axes
    QX_MANIPULATOR_ROTATE = 2,  // short cylinders on the three axes
    QX_MANIPULATOR_MOVE = 4,    // cones on the three axes
    QX_MANIPULATOR_EXTRUDE = 8, // one cone on one axis
};

// The on-screen handles of the transform tools: a screen-size object owned by the scene, at
// most one at a time. Its parts are children: the axes, a centre cube and one handle per axis,
// each drawn in its own material; a pick on it names the part that was hit.
class QX_API CQxManipulator : public CQxScrObject {
public:
    CQxManipulator();
    ~CQxManipulator() override;

    // --- Added virtual operations ---------------------------------------------------------------
    // Builds the parts of the type at the size in pixels per model unit; 0 (and nothing built)
    // when the size is not positive or a part cannot be made.
    virtual int Create(QX_MANIPULATOR_TYPE type, float pixelSize, CQxAttribute* centre, CQxAttribute* x,
                       CQxAttribute* y, CQxAttribute* z);
    virtual CQxObject* GetCenterCube() const { return m_Center; }
    virtual CQxObject* GetXHandle() const { return m_XHandle; }
    virtual CQxObject* GetYHandle() const { return m_YHandle; }
    virtual CQxObject* GetZHandle() const { return m_ZHandle; }

    QX_MANIPULATOR_TYPE GetManipulatorType() const { return m_Type; }
    CQxAxes* GetAxes() const { return m_Axes; }

private:
    QX_MANIPULATOR_TYPE m_Type = QX_MANIPULATOR_NONE;
    CQxAxes* m_Axes = nullptr;
    CQxObject* m_Center = nullptr;
    CQxObject* m_XHandle = nullptr;
    CQxObject* m_YHandle = nullptr;
    CQxObject* m_ZHandle = nullptr;
};
