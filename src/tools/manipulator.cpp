// Scaffold: the manipulator's parts are being built.
#include "qx/tools/manipulator.h"

#include "qx/scene/scene.h"

CQxManipulator::CQxManipulator() = default;
CQxManipulator::~CQxManipulator() = default;
int CQxManipulator::Create(QX_MANIPULATOR_TYPE, float, CQxAttribute*, CQxAttribute*, CQxAttribute*,
                           CQxAttribute*) {
    return 0;
}
CQxManipulator* CQxScene::CreateManipulator(QX_MANIPULATOR_TYPE, const CQxVector&) { return nullptr; }
int CQxScene::IsManipulatorPointHit(unsigned int, const CQxPoint&, const CQxCamera&, CQxVector&, CQxSelect&) {
    return 0;
}
