#pragma once

#include <string>

class CQxMatrix;
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
// A mesh object's geometry as it travels through the clipboard, element for element: vertex
// positions (local, or through the transform; to 1e-4), free edges and face rings by vertex
// position with their flags, faces' material positions and flags.
std::string QxDumpGeometry(const CQxObject& object, const CQxMatrix* transform = nullptr);
