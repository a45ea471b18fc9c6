#include "qx/tools/manipulator.h"

CQxManipulator::CQxManipulator() = default;

CQxManipulator::~CQxManipulator() = default;
