#pragma once

// The scene the object-command tests edit.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qx/animation/anim.h"
#include "qx/commands/object_cmds.h"
#include "qx/scene/scene.h"
#include "qx/skeleton/joint.h"
#include "scene_builders.h"
#include "scene_dump.h"
#include "undo_checks.h"

namespace qxtest {

// Root
//   Model1 (materials Material1, Red)
//     Group1 (moved and turned)
//       MeshA (cube, half of its faces Red)
//       MeshB (sphere)
//     Joint1 > Joint2 > Joint3 (Joint3 ends an IK chain rooted at Joint1)
//     MeshC (plane skinned to Joint1)
//   Model2 (material Material1)
//     MeshD (cube)
//     MeshA-Clone1 (a clone of MeshA)
struct TestScene {
    CQxScene scene;
    CQxModel* model1 = nullptr;
    CQxModel* model2 = nullptr;
    CQxObject* group = nullptr;
    CQxObject* meshA = nullptr;
    CQxObject* meshB = nullptr;
    CQxObject* meshC = nullptr;
    CQxObject* meshD = nullptr;
    CQxObject* clone = nullptr;
    CQxJoint* joints[3] = {};

    TestScene() {
        // The select tool prepares nothing, so the host hears only what the commands tell it.
        scene.ToolManager().SetCurTool(QX_TOOL_SELECT);
        scene.CmdManager().SetMaxSize(1000);
        CQxModel& root = scene.RootModel();
        model1 = QxAdd(root, new CQxModel(1), "Model1");
        CQxAttribute* red = model1->CreateAttribute("Red");
        group = QxAdd(*model1, new CQxGroup(1), "Group1");
        group->Translate() = CQxVector(5.0f, 0.0f, 0.0f);
        group->SetAngle(CQxVector(0.0f, 0.5f, 0.0f));
        meshA = AddMesh(*group, "MeshA", [&](CQxMesh& m) {
            return m.CreateCube(0, 2.0f, 2.0f, 2.0f, 1, 1, 1, model1->GetAttribute(0), 0);
        });
        unsigned int i = 0;
        for (CQxFace& f : meshA->Mesh().Faces())
            if (i++ % 2) f.Attribute() = red;
        meshA->Translate() = CQxVector(1.0f, 2.0f, 3.0f);
        meshA->UpdateGraphics();
        meshB =
            AddMesh(*group, "MeshB", [](CQxMesh& m) { return m.CreateSphere(0, 1.0f, 8, 4, nullptr, 0); });

        for (int j = 0; j < 3; ++j) {
            CQxObject& parent = j ? static_cast<CQxObject&>(*joints[j - 1]) : *model1;
            joints[j] = QxAdd(parent, new CQxJoint(1), ("Joint" + std::to_string(j + 1)).c_str());
            if (j) joints[j]->Translate() = CQxVector(10.0f, 0.0f, 0.0f);
            joints[j]->Create(2.0f, 8);
        }
        joints[0]->Recreate();
        joints[1]->Recreate();
        joints[2]->IKRoot() = joints[0];
        joints[2]->IKConstraints().Resize(2);

        meshC = AddMesh(*model1, "MeshC",
                        [](CQxMesh& m) { return m.CreatePlane(0, 4.0f, 4.0f, 2, 2, nullptr, 0); });
        meshC->RootBone() = joints[0];
        for (int j = 0; j < 3; ++j) meshC->BindParams().PushBack(joints[j]->TFParam());
        meshC->OffsetTransform().SetTranslate(CQxVector(0.0f, 1.0f, 0.0f));
        unsigned int v = 0;
        for (CQxVertex& vertex : meshC->Mesh().Vertices()) {
            vertex.AllocBones();
            vertex.Bones()->Indices[0] = static_cast<unsigned char>(v++ % 3);
            vertex.Bones()->Weights[0] = 1.0f;
        }

        model2 = QxAdd(root, new CQxModel(1), "Model2");
        meshD = AddMesh(*model2, "MeshD", [&](CQxMesh& m) {
            return m.CreateCube(0, 1.0f, 1.0f, 1.0f, 2, 1, 1, model2->GetAttribute(0), 0);
        });
        clone = QxAdd(*model2, new CQxClone(meshA), "MeshA-Clone1");
    }

    template <class Build>
    static CQxObject* AddMesh(CQxObject& parent, const char* name, Build&& build) {
        auto* object = new CQxObject(1);
        object->SetName(name);
        EXPECT_TRUE(build(object->Mesh()));
        object->HasUV() = 1;
        object->UpdateBoundBox();
        object->UpdateGraphics();
        parent.PushChild(object);
        return object;
    }

    // Keys on the object's translation and, for a mesh, on its first vertex, edge and face corner,
    // in the animation of its model: two keys each, the second with a hand-set, selected leaving
    // tangent, the item selected when its target is.
    static void AddKeys(CQxObject& object) {
        CQxAnim& anim = object.GetModel()->Anim();
        auto keys = [](CQxAnimItem& item, float value) {
            item.Spline().InsertNode(1.0f, value);
            CQxSplineNode* last = item.Spline().InsertNode(10.0f, value + 2.0f);
            last->NextTanType = QX_TAN_FIXED;
            last->NextTan = 0.25f;
            last->IsNextTanSelect = 1;
            item.UpdateSpline();
            item.UpdateSelect();
        };
        CQxObjectAnimItem& move = anim.ObjectItems()[&object][QX_ANIM_ITEM_TRANSLATE_Y];
        move.Init(QX_ANIM_ITEM_TRANSLATE_Y, &object);
        keys(move, object.Translate().y);
        CQxMesh& mesh = object.Mesh();
        if (mesh.Faces().IsEmpty()) return;
        CQxVertex* vertex = mesh.Vertices().GetAt(0);
        CQxVertexAnimItem& point = anim.VertexItems()[&object][vertex][QX_ANIM_ITEM_POINT_Z];
        point.Init(QX_ANIM_ITEM_POINT_Z, &object, vertex);
        keys(point, vertex->Position().z);
        if (CQxEdge* edge = mesh.Edges().GetAt(0)) {
            CQxEdgeAnimItem& line = anim.EdgeItems()[&object][edge][QX_ANIM_ITEM_EDGE_VERTEX_G];
            line.Init(QX_ANIM_ITEM_EDGE_VERTEX_G, &object, edge);
            keys(line, 100.0f);
        }
        CQxFace* face = mesh.Faces().GetAt(0);
        CQxHalfEdge* corner = face->GetHalfEdge();
        CQxHalfEdgeAnimItem& colour = anim.HalfEdgeItems()[&object][face][corner][QX_ANIM_ITEM_FACE_VERTEX_R];
        colour.Init(QX_ANIM_ITEM_FACE_VERTEX_R, &object, face, corner);
        keys(colour, 50.0f);
    }

    CQxObject* Find(const char* name) const { return scene.RootModel().FindName(name); }
    std::string Dump() const { return QxDumpScene(scene); }
    // Selects exactly these objects (whole objects, outside component selection).
    void Select(std::initializer_list<CQxObject*> objects) {
        scene.RootModel().Select(0, 1);
        for (CQxObject* object : objects) object->IsSelect() = 1;
    }
};

} // namespace qxtest
