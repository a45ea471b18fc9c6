#pragma once

#include <string>

class CQxObject;
class CQxScene;

// A canonical text of a scene for tests: the scene settings, then every object in tree order with
// its fields, transform, flags, selection states, skin and IK references (as index paths), a
// model's materials and animation items (by target path, element and channel, with every key
// and tangent), and each mesh element by element in list order (positions, selection states,
// bone data, half-edge rings with UVs, colours and mates). Floats are written in their
// shortest exact form, so two scenes are equal exactly when their dumps are.
std::string QxDumpScene(const CQxScene& scene);
std::string QxDumpObject(const CQxObject& object);
