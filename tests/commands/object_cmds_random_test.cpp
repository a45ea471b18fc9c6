// Random editing sessions: a few hundred object and key commands with undos and redos between
// them, on a scene whose objects and mesh elements start with keys.
// Every undo must give back the scene exactly as it was before its command, every redo exactly
// as it was after it; at the end everything is undone (the initial scene) and redone (the final
// one). QX_RANDOM_STEPS sets the number of steps per seed (300 by default); QX_RANDOM_SEED
// runs one session from that seed instead of the fixed ones.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "message_recorder.h"
#include "object_cmds_scene.h"
#include "qx/animation/anim.h"
#include "qx/commands/cmd_run.h"
#include "qx/commands/ik_cmd.h"
#include "qx/commands/joint_cmds.h"
#include "qx/commands/material_cmds.h"
#include "qx/commands/mesh_edit_cmds.h"
#include "qx/platform/global_memory.h"
#include "qx/selection/select.h"
#include "scratch_dir.h"

using namespace qxtest;

namespace {

unsigned int StepCount() {
    const char* text = std::getenv("QX_RANDOM_STEPS");
    const long steps = text ? std::strtol(text, nullptr, 10) : 0;
    return steps > 0 ? static_cast<unsigned int>(steps) : 300u;
}

std::vector<unsigned int> Seeds(std::initializer_list<unsigned int> fixed) {
    const char* text = std::getenv("QX_RANDOM_SEED");
    if (text && *text) return {static_cast<unsigned int>(std::strtoul(text, nullptr, 10))};
    return fixed;
}

// What the history should give back for one command: its scene before and after, and the
// selections to put back first (selections change between commands without undo).
struct Done {
    std::string Name;
    std::string Before;
    std::string After;
    CQxTreeSelection SelectBefore;
    CQxTreeSelection SelectAfter;
};

class Session {
public:
    Session(unsigned int seed, int components) : m_Rng(seed), m_Components(components) {
        if (components) t.scene.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
        t.scene.CmdManager().SetMaxSize(1000000);
        for (CQxObject* object : {t.group, t.meshA, t.meshC, t.meshD}) TestScene::AddKeys(*object);
        // Corners of their own colour, which edits must carry along and give back.
        std::uint32_t colour = 0xFF102030;
        for (CQxObject* object : {t.meshA, t.meshD})
            for (CQxFace& f : object->Mesh().Faces())
                f.ForEachHalfEdge([&](CQxHalfEdge& h) { h.Color() = colour += 0x010305; });
        ClearKeySelection();
        m_Initial.Capture(t.scene.RootModel());
        // A 1x1 uncompressed TGA.
        m_Texture = m_Dir.Write("t.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x20\x28\1\2\3\4", 22));
    }

    TestScene t;

    void Step(unsigned int step) {
        const unsigned int r = Pick(100);
        if (r < 15 && !m_Done.empty()) return Walk(step, true);
        if (r < 25 && !m_Undone.empty()) return Walk(step, false);
        RandomSelection();
        auto entry = std::make_unique<Done>();
        entry->SelectBefore.Capture(t.scene.RootModel());
        entry->Before = t.Dump();
        const unsigned int count = t.scene.CmdManager().GetCount();
        const CQxCmd* current = t.scene.CmdManager().GetCurCmd();
        const int done = RandomCommand(entry->Name);
        ClearKeySelection();
        m_Succeeded += done ? 1 : 0;
        ASSERT_TRUE(TopologyHolds(t.scene)) << Where(step, entry->Name);
        if (!done) {
            QX_ASSERT_SAME_DUMP(entry->Before, t.Dump())
                << Where(step, entry->Name) << " refused but changed the scene";
            ASSERT_EQ(count, t.scene.CmdManager().GetCount()) << Where(step, entry->Name);
            ASSERT_EQ(current, t.scene.CmdManager().GetCurCmd()) << Where(step, entry->Name);
            return;
        }
        entry->SelectAfter.Capture(t.scene.RootModel());
        entry->After = t.Dump();
        m_Undone.clear(); // the history dropped its redo side
        m_Done.push_back(std::move(entry));
    }

    // Undoes the newest command done (or redoes the newest undone), its selection put back
    // first; the scene must match what the command left on one side and found on the other.
    void Walk(unsigned int step, bool undo) {
        auto& from = undo ? m_Done : m_Undone;
        auto& to = undo ? m_Undone : m_Done;
        Done& entry = *from.back();
        const std::string what = Where(step, entry.Name) + (undo ? " undo" : " redo");
        const std::string& start = undo ? entry.After : entry.Before;
        const std::string& end = undo ? entry.Before : entry.After;
        (undo ? entry.SelectAfter : entry.SelectBefore).Restore(t.scene.RootModel());
        QX_ASSERT_SAME_DUMP(start, t.Dump()) << what << ": before";
        ASSERT_TRUE(undo ? t.scene.CmdManager().Undo() : t.scene.CmdManager().Redo()) << what;
        ClearKeySelection();
        QX_ASSERT_SAME_DUMP(end, t.Dump()) << what << ": after";
        ASSERT_TRUE(TopologyHolds(t.scene)) << what;
        to.push_back(std::move(from.back()));
        from.pop_back();
    }

    // The whole session; then everything is undone (back to the initial scene, selection
    // included) and redone (to the scene the last command left).
    void Run() {
        QxMessageRecorder messages; // freezing nothing freezable shows a message
        const std::string initial = t.Dump();
        const unsigned int steps = StepCount();
        auto failed = [] { return ::testing::Test::HasFatalFailure(); };
        for (unsigned int step = 0; step < steps && !failed(); ++step) Step(step);
        while (!m_Undone.empty() && !failed()) Walk(steps, false);
        if (!m_Done.empty()) m_Done.back()->SelectAfter.Restore(t.scene.RootModel());
        const std::string final = t.Dump();
        EXPECT_GT(m_Succeeded, steps / 4);
        while (!m_Done.empty() && !failed()) Walk(steps, true);
        m_Initial.Restore(t.scene.RootModel());
        QX_EXPECT_SAME_DUMP(initial, t.Dump());
        while (!m_Undone.empty() && !failed()) Walk(steps, false);
        QX_EXPECT_SAME_DUMP(final, t.Dump());
    }

private:
    unsigned int Pick(unsigned int n) { return n ? static_cast<unsigned int>(m_Rng() % n) : 0; }
    float Real(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(m_Rng); }
    CQxVector Vector(float lo, float hi) { return CQxVector(Real(lo, hi), Real(lo, hi), Real(lo, hi)); }
    static std::string Where(unsigned int step, const std::string& name) {
        return "step " + std::to_string(step) + " (" + name + ")";
    }

    // A random one of the items; null, without drawing a number, when there are none.
    template <class T>
    T Any(const std::vector<T>& items) {
        return items.empty() ? nullptr : items[Pick(static_cast<unsigned int>(items.size()))];
    }
    // The objects of the tree in path order, those the test passes when one is given.
    std::vector<CQxObject*> Objects(bool (*test)(const CQxObject&) = nullptr) const {
        std::vector<CQxObject*> out;
        for (CQxObject::Iterator it = t.scene.RootModel().Begin(); !it.IsEnd(); ++it)
            if (!test || test(*it.Get())) out.push_back(it.Get());
        return out;
    }
    CQxObject* AnyObject() { return Any(Objects()); }
    // Mostly mesh objects, which most commands work on.
    CQxObject* AnyMesh() {
        const auto meshes =
            Objects([](const CQxObject& o) { return o.GetType() == QX_OBJ_MESH && !o.IsClone(); });
        return meshes.empty() || Pick(4) == 0 ? AnyObject() : Any(meshes);
    }
    std::size_t FaceTotal() const {
        std::size_t faces = 0;
        for (CQxObject* object : Objects()) faces += object->Mesh().Faces().GetCount();
        return faces;
    }
    std::vector<CQxModel*> Models() const {
        CQxArray<CQxModel*> models;
        t.scene.RootModel().GetModels(models, 1);
        return {models.begin(), models.end()};
    }
    CQxModel* AnyModel() { return Any(Models()); }

    // Key and item selection is the graph view's, made for a key command and dropped after it
    // (undo and redo make items follow their targets' selection): dumps compare keys, tangents
    // and flags with nothing selected.
    void ClearKeySelection() {
        for (CQxModel* model : Models()) {
            model->Anim().ForEachItem([](CQxAnimItem& item) {
                item.Select(0);
                item.Spline().SelectNodes(0);
                for (CQxSplineNode* n : item.Spline().Nodes()) n->IsPrevTanSelect = n->IsNextTanSelect = 0;
            });
        }
    }
    // Some keys of the items whose targets are selected, visited in path order so that a seed
    // gives the same session whatever the addresses.
    void SelectSomeKeys(CQxModel& model) {
        CQxAnim& anim = model.Anim();
        anim.UpdateSortItems(model);
        auto select = [&](CQxAnimItem* item) {
            if (!item->Select(1)) return;
            for (CQxSplineNode* n : item->Spline().Nodes()) n->Select(Pick(2) == 0);
        };
        qx_anim::ForEachLeaf(anim.ObjectSortItems(), select);
        qx_anim::ForEachLeaf(anim.VertexSortItems(), select);
        qx_anim::ForEachLeaf(anim.HalfEdgeSortItems(), select);
        qx_anim::ForEachLeaf(anim.EdgeSortItems(), select);
    }

    void RandomSelection() {
        CQxModel& root = t.scene.RootModel();
        root.Select(0, 1);
        root.SelectHandle(0, 1);
        const unsigned int picks = Pick(4);
        for (unsigned int i = 0; i < picks; ++i) {
            CQxObject* object = AnyMesh();
            if (!m_Components || !object->IsComponentMode() || object->Mesh().IsEmpty() || Pick(3) == 0) {
                object->IsSelect() = 1;
                continue;
            }
            // A few vertices, faces or half-edges of the mesh.
            CQxArray<CQxVertex*> vertices;
            CQxArray<CQxEdge*> edges;
            CQxArray<CQxFace*> faces;
            CQxArray<CQxHalfEdge*> halfEdges;
            CQxMesh& mesh = object->Mesh();
            for (unsigned int k = 1 + Pick(4); k > 0; --k) {
                const unsigned int kind = Pick(3);
                if (kind == 0 && mesh.Vertices().GetCount())
                    vertices.PushBack(mesh.Vertices().GetAt(Pick(mesh.Vertices().GetCount())));
                else if (kind == 1 && mesh.Faces().GetCount())
                    faces.PushBack(mesh.Faces().GetAt(Pick(mesh.Faces().GetCount())));
                else if (mesh.Faces().GetCount())
                    halfEdges.PushBack(mesh.Faces().GetAt(Pick(mesh.Faces().GetCount()))->GetHalfEdge());
            }
            object->Select(1, vertices, edges, faces, halfEdges);
        }
        // Often an animated object too, so that key commands find keys to work on.
        CQxAnim& anim = AnyModel()->Anim();
        anim.UpdateObjectSortItems();
        const CQxAnim::ObjectSortMap& animated = anim.ObjectSortItems();
        if (!animated.IsEmpty() && Pick(2)) {
            auto entry = animated.begin();
            for (unsigned int k = Pick(animated.GetCount()); k > 0; --k) ++entry;
            if (CQxObject* object = root.Find(entry->Key)) object->IsSelect() = 1;
        }
    }

    int RandomCommand(std::string& name) {
        CQxScene& scene = t.scene;
        // Names the command for failure messages and passes its result on.
        auto as = [&](std::string n, int done) {
            name = std::move(n);
            return done;
        };
        // Keep the scene small enough to dump at every step.
        const bool large = FaceTotal() > 6000 || Objects().size() > 120;
        const unsigned int kinds[] = {0,  0,  2,  3,  3,  3,  4,  5,  6,  7,  8,  9,  9,  10, 10, 11, 12, 13,
                                      14, 14, 15, 16, 16, 16, 17, 18, 18, 19, 19, 20, 21, 21, 22, 23, 23, 24,
                                      24, 25, 25, 26, 26, 27, 27, 28, 29, 30, 30, 31, 31, 32, 33, 33};
        switch (kinds[Pick(large ? 3 : sizeof kinds / sizeof kinds[0])]) {
        case 0:
            return as("delete", scene.DeleteSelectObjectsCmd(Pick(2)));
        case 2:
            return as("delete object", scene.DeleteObjectCmd(AnyObject(), 0));
        case 3: {
            static const QX_OBJ_TYPE types[] = {QX_OBJ_MODEL,  QX_OBJ_GROUP,    QX_OBJ_CUBE,
                                                QX_OBJ_SPHERE, QX_OBJ_CYLINDER, QX_OBJ_CONE,
                                                QX_OBJ_TORUS,  QX_OBJ_PLANE,    QX_OBJ_GRID};
            const QX_OBJ_TYPE type = types[Pick(9)];
            CQxObject* parent = Pick(4) ? AnyObject() : nullptr;
            const unsigned int d = Pick(3); // 0 is refused by every primitive
            CQxObject* made = nullptr;
            if (type == QX_OBJ_CUBE)
                made = scene.CreateObjectCmd(parent, 0, type, 0, 1.0, 2.0, 3.0, d, 1u, 2u);
            else if (type == QX_OBJ_SPHERE)
                made = scene.CreateObjectCmd(parent, 0, type, 0, 2.0, d + 3u, d + 1u);
            else if (type == QX_OBJ_TORUS)
                made = scene.CreateObjectCmd(parent, 0, type, 0, 2.0, 0.5, d + 3u, d ? 3u : 0u);
            else
                made = scene.CreateObjectCmd(parent, 0, type, 0, 2.0, 1.0, d + 2u, d);
            return as("create " + std::to_string(type), made != nullptr);
        }
        case 4: {
            // The canonical dump reads a clone by the kind it reports: only meshes are cloned.
            CQxObject* source = AnyMesh();
            return as("clone",
                      source->GetType() == QX_OBJ_MESH && scene.CreateObjectCmd(source, 1, QX_OBJ_NONE, 0));
        }
        case 5:
            return as("duplicate",
                      scene.DuplicateSelectObjectsCmd(1 + Pick(2), CQxVector(1.0f, Real(0.5f, 2.0f), 1.0f),
                                                      Vector(-0.5f, 0.5f), Vector(-3.0f, 3.0f), 0));
        case 6:
            return as("mirror duplicate", scene.DuplicateSelectObjectsCmd(
                                              1 + Pick(2), static_cast<QX_AXIS_TYPE>(1u << Pick(3)), 0));
        case 7:
        case 8:
            return as("move", scene.MoveObjectCmd(AnyObject(), AnyObject(), Pick(2), 1));
        case 9:
            return as("merge", scene.MergeSelectObjectsCmd(1));
        case 10: {
            static const QX_MODIFY_TYPE types[] = {QX_MODIFY_SCALE, QX_MODIFY_ANGLE, QX_MODIFY_TRANSLATE,
                                                   QX_MODIFY_PIVOT, QX_MODIFY_NAME};
            const QX_MODIFY_TYPE type = types[Pick(5)];
            CQxVector v = Vector(-2.0f, 2.0f);
            std::string text = Pick(3) ? "N" + std::to_string(Pick(20)) : "MeshA";
            void* value = type == QX_MODIFY_NAME ? static_cast<void*>(text.data()) : static_cast<void*>(&v);
            return as("modify " + std::to_string(type), scene.ModifyObjectCmd(type, AnyMesh(), value, 1));
        }
        case 11:
            return as("mirror", scene.SetMirrorCmd(AnyMesh(), Pick(8), Pick(2), 1));
        case 12: {
            name = "flags";
            CQxObject* object = AnyMesh();
            const unsigned int which = Pick(3);
            if (which == 0)
                return object->Mesh().Faces().GetCount() < 1500 &&
                       scene.SetSubdivisionCmd(object, Pick(2), 1);
            if (which == 1) return scene.SetObjectVisibleCmd(object, Pick(2), 1);
            return scene.SetObjectLockedCmd(object, Pick(2), 1);
        }
        case 13:
            return as("freeze", scene.FreezeCmd(1));
        case 14:
            name = "faces";
            if (Pick(2)) return scene.SetShadeSelectsCmd(Pick(2), 1);
            return scene.FaceSideSelectsCmd(static_cast<QX_FACE_OP_TYPE>(Pick(3)), 1);
        case 16: {
            // Keys at the current frame, now and then of other channels than the translation.
            if (Pick(4) == 0) {
                int flags[CQxScene::AnimItemCreateFlagCount] = {};
                for (unsigned int c = QX_ANIM_ITEM_SCALE_X; c <= QX_ANIM_ITEM_PIVOT_Z; ++c)
                    flags[c] = Pick(3) == 0;
                return as("key flags", scene.SetAnimItemCreateFlagsCmd(flags, 1));
            }
            return as("key", scene.CreateKeyCmd(AnyModel(), Pick(2)));
        }
        case 17: {
            CQxModel* model = AnyModel();
            SelectSomeKeys(*model);
            return as("delete keys", scene.DeleteSelectKeysCmd(model, 1));
        }
        case 18: {
            CQxModel* model = AnyModel();
            SelectSomeKeys(*model);
            CQxAnimItemSelects keys;
            model->Anim().GetSelectNodes(keys);
            const CQxVector2D offset(static_cast<float>(Pick(7)) - 3.0f, Real(-2.0f, 2.0f));
            return as("move keys", scene.MoveKeysCmd(model, offset, keys, 1));
        }
        case 19:
            return as("frame",
                      scene.SetCurFrameCmd(static_cast<float>(1 + Pick(30)) + (Pick(3) ? 0.0f : 0.5f), 1));
        case 20:
            name = "frame range";
            if (Pick(2)) return scene.SetFirstFrameCmd(static_cast<float>(Pick(10)), 1);
            return scene.SetLastFrameCmd(static_cast<float>(20 + Pick(20)), 1);
        case 21: {
            // An object and one of its ancestors in either order, or now and then two objects
            // that make no chain.
            CQxObject* end = AnyObject();
            CQxObject* other = end->GetParent();
            for (unsigned int up = Pick(3); up > 0 && other && other->GetParent(); --up)
                other = other->GetParent();
            if (!other || Pick(4) == 0) other = AnyObject();
            auto cmd = std::make_unique<CQxIKHandleCmd>(&scene);
            const int made = Pick(2) ? cmd->Create(end, other, 1) : cmd->Create(other, end, 1);
            return as("IK handle", QxCommitCmd(scene, std::move(cmd), made));
        }
        case 22:
            return as("clear IK", scene.ClearIKCmd(1));
        case 23: {
            // A chain of one to three joints at random places below any object.
            auto cmd = std::make_unique<CQxJointCmd>(&scene);
            int made = cmd->Create(Pick(3) ? AnyObject() : nullptr);
            for (unsigned int n = 1 + Pick(3); made && n > 0; --n)
                made = cmd->AddJoint(Vector(-20.0f, 20.0f), 1) != nullptr;
            return as("joint chain", QxCommitCmd(scene, std::move(cmd), made));
        }
        case 24: {
            // Binding a mesh to any joint, or unbinding and the bind pose of what is selected.
            CQxObject* mesh = AnyMesh();
            const auto joints =
                Objects([](const CQxObject& o) { return dynamic_cast<const CQxJoint*>(&o) != nullptr; });
            if (Pick(3) == 0) {
                if (Pick(2)) return as("unbind", scene.ClearSkinCmd(1));
                return as("bind pose", scene.SetBindPoseCmd(1));
            }
            auto* joint = static_cast<CQxJoint*>(Any(joints));
            return as("bind",
                      joint && QxRunCmd<CQxObjectAttributeCmd>(scene, [&](CQxObjectAttributeCmd& cmd) {
                          return cmd.CreateSkin(mesh, joint, Pick(2), 1);
                      }));
        }
        case 25: {
            // A stroke: some vertices of a skinned mesh get a new weight for one bone. Strokes
            // paint what binding gave bone data (vertices added since have none).
            CQxObject* object = Any(
                Objects([](const CQxObject& o) { return o.IsSkinned() && !o.Mesh().Vertices().IsEmpty(); }));
            if (!object) return as("weight paint", 0);
            std::vector<CQxVertexBones> before;
            for (CQxVertex& v : object->Mesh().Vertices()) {
                before.push_back(v.Bones() ? *v.Bones() : CQxVertexBones());
                if (Pick(3) || !v.Bones()) continue;
                v.Bones()->Indices[Pick(4)] = static_cast<unsigned char>(Pick(3));
                v.Bones()->Weights[Pick(4)] = Real(0.0f, 1.0f);
            }
            auto cmd = std::make_unique<CQxWeightPaintCmd>(&scene);
            const int made = cmd->Create(object, before, 1);
            return as("weight paint", QxCommitCmd(scene, std::move(cmd), made));
        }
        case 26: {
            // The material list of a model: a new one, one or all deleted, one moved.
            CQxModel* model = AnyModel();
            const unsigned int count = model->GetAttributeCount();
            const unsigned int which = Pick(8);
            if (which < 3) return as("create material", scene.CreateAttributeCmd(model, 1) != nullptr);
            if (which < 5)
                return as("delete material",
                          scene.DeleteAttributeCmd(model, model->GetAttribute(Pick(count + 1)), 1));
            if (which == 5) return as("delete materials", scene.DeleteAttributesAllCmd(model, 1));
            return as("move material", scene.MoveAttributeCmd(model, Pick(count + 1), Pick(count + 1), 1));
        }
        case 27: {
            static const QX_MODIFY_TYPE kinds[] = {QX_MODIFY_MATERIAL_COLOR,    QX_MODIFY_MATERIAL_ALPHA,
                                                   QX_MODIFY_MATERIAL_DIFFUSE,  QX_MODIFY_MATERIAL_POWER,
                                                   QX_MODIFY_MATERIAL_SPECULAR, QX_MODIFY_MATERIAL_NAME};
            const QX_MODIFY_TYPE kind = kinds[Pick(6)];
            CQxModel* model = AnyModel();
            unsigned long rgb = Pick(0x1000000);
            float value = Real(0.0f, 1.0f);
            std::string text = Pick(2) ? "M" + std::to_string(Pick(5)) : "Material1";
            void* p = kind == QX_MODIFY_MATERIAL_NAME    ? static_cast<void*>(text.data())
                      : kind == QX_MODIFY_MATERIAL_COLOR ? static_cast<void*>(&rgb)
                                                         : static_cast<void*>(&value);
            CQxAttribute* attribute = model->GetAttribute(Pick(model->GetAttributeCount() + 1));
            return as("modify material " + std::to_string(kind),
                      scene.ModifyAttributeCmd(kind, model, attribute, p, 1));
        }
        case 28: {
            // Texture stages of a material, from one small file.
            CQxModel* model = AnyModel();
            CQxAttribute* attribute = model->GetAttribute(Pick(model->GetAttributeCount() + 1));
            CQxTextureStage* stage = attribute ? attribute->GetTextureStage(Pick(2)) : nullptr;
            const unsigned int which = Pick(4);
            name = "texture " + std::to_string(which);
            const auto op = static_cast<QX_COLOR_OP_TYPE>(Pick(QX_COLOR_OP_COUNT));
            const char* file = m_Texture.c_str();
            if (which == 0) return scene.AddTextureCmd(model, attribute, file, op, QX_ALPHA_OP_MODULATE, 1);
            if (which == 1)
                return scene.ModifyTextureCmd(model, attribute, stage, file, op, QX_ALPHA_OP_ADD, 1);
            if (which == 2) return scene.DeleteTextureCmd(model, attribute, stage, 1);
            return scene.DeleteTexturesAllCmd(model, attribute, 1);
        }
        case 29:
            return as("set material", scene.SetAttributeSelectsCmd(1));
        case 30: {
            // The selected faces and sides, out, in or not at all.
            CQxSelects records;
            scene.RootModel().GetSelects(records, 1);
            records.ExtractExtrude();
            records.RemoveNoComponent();
            const float distance = Pick(4) ? Real(-1.0f, 1.0f) : 0.0f;
            return as("extrude", QxRunCmd<CQxExtrudeCmd>(scene, [&](CQxExtrudeCmd& cmd) {
                          return cmd.Create(records, distance, 1);
                      }));
        }
        case 31: {
            // A triangle or a quad in any object (a mesh of its own when it is none), now and
            // then on a vertex the mesh has.
            auto cmd = std::make_unique<CQxCreateFaceCmd>(&scene);
            int made = cmd->Create(AnyMesh());
            const CQxVector view = Vector(-1.0f, 1.0f);
            for (unsigned int n = 3 + Pick(2); made && n > 0; --n) {
                CQxObject* target = cmd->GetObject();
                const unsigned int count = target ? target->Mesh().Vertices().GetCount() : 0;
                made = count && Pick(3) == 0
                           ? cmd->AddVertex(target->Mesh().Vertices().GetAt(Pick(count)), view, 1)
                           : cmd->AddPoint(Vector(-5.0f, 5.0f), view, 1);
            }
            if (!made) cmd->Undo();
            return as("create face", QxCommitCmd(scene, std::move(cmd), made));
        }
        case 32: {
            HGLOBAL block = scene.CutSelectObjectsCmd(1);
            if (block) m_Clip.reset(block);
            return as("cut", block != nullptr);
        }
        case 33:
            // What was cut or copied before, or a copy of the selection now, into any object.
            name = "paste";
            if (!m_Clip || Pick(2))
                if (HGLOBAL block = scene.CopySelectObjects()) m_Clip.reset(block);
            return m_Clip && scene.PasteCmd(m_Clip.get(), Pick(3) ? AnyMesh() : nullptr, 1);
        default:
            name = "scene";
            if (Pick(2)) return scene.SetJointRadiusCmd(static_cast<float>(1 + Pick(3)), 1);
            return scene.SetGridCmd(50.0f * static_cast<float>(1 + Pick(3)), 10.0f,
                                    static_cast<QX_AXIS_TYPE>(1u << Pick(3)), 0xFF000000u | Pick(0xFFFFFF),
                                    1);
        }
    }

    struct FreeBlock {
        void operator()(HGLOBAL block) const { QxWin::GlobalFree(block); }
    };
    std::mt19937 m_Rng;
    int m_Components;
    std::unique_ptr<void, FreeBlock> m_Clip;
    std::vector<std::unique_ptr<Done>> m_Done;
    std::vector<std::unique_ptr<Done>> m_Undone;
    CQxTreeSelection m_Initial;
    unsigned int m_Succeeded = 0;
    QxScratchDir m_Dir;
    std::string m_Texture;
};

} // namespace

TEST(ObjectCmdsRandom, WholeObjectSessionsUndoAndRedoExactly) {
    for (unsigned int seed : Seeds({1u, 2u, 3u})) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Session(seed, 0).Run();
        if (HasFatalFailure()) return;
    }
}

TEST(ObjectCmdsRandom, ComponentSessionsUndoAndRedoExactly) {
    for (unsigned int seed : Seeds({11u, 12u})) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Session(seed, 1).Run();
        if (HasFatalFailure()) return;
    }
}
