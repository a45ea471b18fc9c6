#pragma once

#include "qx/export.h"
#include "qx/play/simulator.h"

class CQxObject;

// A simulator that moves one object of the scene: QX_SIM_FIRST_PERSON steers it with the keys
// every frame, QX_SIM_SPINNING turns it with play time (30 times a second) and switches its
// axis on QX_MSG_OBJECT_HIT.
class QX_API CQxObjectSimulator : public CQxSimulator {
public:
    explicit CQxObjectSimulator(CQxSimManager* simManager) : CQxSimulator(simManager) {}

    // Clears, keeps type and object, then builds the state and the update task of the type;
    // 0 for another type or without an object (there is nothing to move).
    virtual int Create(QX_SIM_TYPE type, CQxObject* object);

    CQxObject* GetObject() const { return m_Object; }

private:
    CQxObject* m_Object = nullptr;
};

// Each update: "A" and "D" turn the object about y by 6 degrees, "W" and "S" move it a third
// of a unit along its own z axis.
class QX_API CQxFirstPersonState : public CQxSimState {
public:
    CQxFirstPersonState(CQxSimulator* simulator, CQxObject* object) : CQxSimState(simulator), m_Object(object) {}
    void OnUpdate(const float& time) override;

private:
    CQxObject* m_Object;
};

// Turns the object half a revolution per play second about y, or about x once a hit message
// has switched it (the next hit switches back).
class QX_API CQxSpinningState : public CQxSimState {
public:
    CQxSpinningState(CQxSimulator* simulator, CQxObject* object) : CQxSimState(simulator), m_Object(object) {}
    int OnMessage(const CQxMsg& msg) override;
    void OnUpdate(const float& time) override;

    int IsAboutX() const { return m_IsAboutX; }

private:
    CQxObject* m_Object;
    int m_IsAboutX = 0;
};
