#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "mesh_builders.h"
#include "message_recorder.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/skeleton/joint.h"
#include "scene_builders.h"
#include "scene_dump.h"
#include "scratch_dir.h"
#include "topology_check.h"

namespace fs = std::filesystem;

namespace {

// Every test reads and writes in a folder of its own and keeps the message boxes shown.
class KelFile : public ::testing::Test {
protected:
    QxScratchDir m_Dir;
    QxMessageRecorder m_Messages;
};

// A quad and a triangle sharing an edge, with UVs and corner colours; the triangle, unshaded,
// in the second material.
CQxObject* AddMesh(CQxObject& parent, const char* name, CQxAttribute* material, CQxAttribute* second) {
    CQxObject* o = QxAdd(parent, new CQxObject(1), name);
    CQxMesh& mesh = o->Mesh();
    CQxFace* quad = qxtest::AddFaces(mesh, {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 0.5f, 0.25f}},
                                     {{0, 1, 2, 3}, {1, 4, 2}}, material);
    quad->Next()->Attribute() = second;
    quad->Next()->SetShade(0);
    for (CQxFace& f : mesh.Faces()) {
        std::uint32_t color = 0xFF102030;
        f.ForEachHalfEdge([&](CQxHalfEdge& h) {
            const CQxVector& p = h.GetVertex()->Position();
            h.Color() = color;
            color += 0x01010101;
            h.AllocUV();
            h.UV() = CQxVector2D(p.x * 0.5f + 0.125f, 1.0f / 3.0f + p.y);
        });
    }
    o->HasUV() = 1;
    mesh.UpdateNormals();
    o->UpdateBoundBox();
    o->UpdateGraphics();
    return o;
}

// Everything a scene file carries: nested models with their own materials, groups, meshes in
// meshes, a skinned mesh, mirror and subdivision, hidden objects, textures, awkward names.
void BuildRichScene(CQxScene& scene) {
    CQxModel& root = scene.RootModel();
    scene.SetFirstFrame(5);
    scene.SetLastFrame(95.5f);
    scene.CurFrame() = 12.25f;
    scene.Fps() = 24;
    scene.SetJointRadius(1.5f, 0);
    scene.SetGrid(200, 20, QX_AXIS_Z, 0xFF336699, 0);

    CQxAttribute* red = root.CreateAttribute("赤 <red> & \"blue\"");
    red->ColorMaterial().Init(0xFFFF0000, 0.7f, 0.2f, 0.1f, 0.4f, 12.0f);
    CQxTextureStage* stage = new CQxTextureStage(QX_COLOR_OP_MODULATE2X, QX_ALPHA_OP_SUBTRACT_TEXTURE);
    stage->Load(QxSampleTexture("sample_rgba_4x2.png").c_str());
    red->AddTextureStage(stage);
    CQxTextureStage* bump = new CQxTextureStage(QX_COLOR_OP_BUMP_LUMINANCE, QX_ALPHA_OP_ADD);
    bump->Load(QxSampleTexture("sample_solid_8x8.jpg").c_str());
    red->AddTextureStage(bump);
    root.CurAttribute() = red;

    CQxGroup* group = QxAdd(root, new CQxGroup(1), "グループ&<1>");
    group->SetAngle(CQxVector(0.1f, -0.2f, 0.3f));
    group->Translate() = CQxVector(1, 2, 3);
    CQxObject* body = AddMesh(*group, "Body", red, nullptr);
    body->Scale() = CQxVector(2, 1, 0.5f);
    body->Pivot() = CQxVector(0.5f, 0, 0);
    body->SetMirror(QX_AXIS_X | QX_AXIS_Z, 1);
    body->SetSubdivision(2);
    CQxObject* inner = AddMesh(*body, "Inner", nullptr, red);
    inner->SetVisible(0);

    CQxModel* sub = QxAdd(root, new CQxModel(1), "Sub model");
    sub->ClearAttributes();
    CQxAttribute* a = sub->CreateAttribute("A");
    CQxAttribute* b = sub->CreateAttribute("B");
    b->ColorMaterial().Init(0x80112233, 0.5f, 0.5f, 0.5f, 0.5f, 1.0f);
    sub->CurAttribute() = b;
    CQxJoint* joint = QxAdd(*sub, new CQxJoint(1), "Hip");
    joint->Create(scene.JointRadius(), 10);
    joint->Translate() = CQxVector(0, 1, 0);
    CQxObject* skin = AddMesh(*sub, "Skin", a, b);
    skin->RootBone() = joint;
    skin->BindParams().Resize(1);
    skin->BindParams()[0].Translate() = CQxVector(0, -1, 0);
    skin->BindParams()[0].SetAngle(CQxVector(0, 0.5f, 0));
    skin->OffsetTransform().SetTranslate(CQxVector(0, -1, 0));
    skin->OffsetTransformLH().SetTranslate(CQxVector(0, -1, 0.5f));
    for (CQxVertex& v : skin->Mesh().Vertices()) {
        v.AllocBones();
        *v.Bones() = CQxVertexBones{{0, 3, 0, 0}, {0.75f, 0.25f, 0, 0}};
    }
    CQxObject* empty = QxAdd(*joint, new CQxObject(1), "Empty");
    empty->HasUV() = 1; // every mesh object read from a file has it
    empty->Translate() = CQxVector(0, 2, 0);
    empty->SetIKRoot(joint);
}

} // namespace

TEST_F(KelFile, RoundTripGivesTheSameSceneAndTheSameBytes) {
    CQxScene source;
    BuildRichScene(source);
    const std::string first = m_Dir.File("scene.kel");
    ASSERT_EQ(source.WriteFile(first.c_str()), 1);
    const std::string expected = QxDumpScene(source);

    CQxScene loaded;
    ASSERT_EQ(loaded.ReadFile(first.c_str(), 0), 1);
    QX_EXPECT_SAME_DUMP(expected, QxDumpScene(loaded));
    // The dump holds skin and IK references and texture paths, but not whether a texture loaded.
    CQxAttribute* red = loaded.RootModel().GetAttribute(1);
    ASSERT_NE(red, nullptr);
    EXPECT_TRUE(red->GetTextureStage(0)->IsLoaded());
    EXPECT_TRUE(m_Messages.Boxes().empty());

    const std::string second = m_Dir.File("again.kel");
    ASSERT_EQ(loaded.WriteFile(second.c_str()), 1);
    EXPECT_EQ(QxScratchDir::Read(second), QxScratchDir::Read(first));
}

// The file names a chain's root only; its hinges come again from the pose read.
TEST_F(KelFile, IKChainsComeBackWithTheirHinges) {
    CQxScene source;
    CQxObject* shoulder = QxAdd(source.RootModel(), new CQxObject(1), "Shoulder");
    CQxObject* elbow = QxAdd(*shoulder, new CQxObject(1), "Elbow");
    elbow->Translate() = CQxVector(10, 0, 0);
    CQxObject* wrist = QxAdd(*elbow, new CQxObject(1), "Wrist");
    wrist->Translate() = CQxVector(0, 10, 2);
    CQxObject* hand = QxAdd(*wrist, new CQxObject(1), "Hand");
    hand->Translate() = CQxVector(5, 5, 0);
    for (CQxObject* o : {shoulder, elbow, wrist, hand}) o->HasUV() = 1;
    ASSERT_EQ(hand->SetIKRoot(shoulder), 1);
    ASSERT_TRUE(hand->IKConstraints()[0].IsValid());
    ASSERT_TRUE(hand->IKConstraints()[1].IsValid());
    const std::string path = m_Dir.File("arm.kel");
    ASSERT_EQ(source.WriteFile(path.c_str()), 1);

    CQxScene loaded;
    ASSERT_EQ(loaded.ReadFile(path.c_str(), 0), 1);
    QX_EXPECT_SAME_DUMP(QxDumpScene(source), QxDumpScene(loaded));
    EXPECT_TRUE(m_Messages.Boxes().empty());
}

TEST_F(KelFile, MissingAndOddValuesReadAsTheRulesSay) {
    CQxScene scene;
    scene.SetFirstFrame(3);
    scene.SetGrid(50, 5, QX_AXIS_Z, 0xFF123456, 0);
    // Nothing but the root: grid and axes fall back to their defaults, frames stay.
    ASSERT_EQ(scene.ReadFile(m_Dir.Write("bare.kel", "<?xml version=\"1.0\"?><Scene/>").c_str(), 0), 1);
    CQxScene fresh;
    fresh.SetFirstFrame(3);
    fresh.RootModel().ClearAttributes();
    QX_EXPECT_SAME_DUMP(QxDumpScene(fresh), QxDumpScene(scene));

    const char* text = R"(<Scene><Grid><Length>50</Length><Axis>W</Axis></Grid><Fps>-5</Fps>
<Model><Name>Root</Name><Objects>
 <Cube><Name>Box</Name><Vertices Count="3">0,0,0,
1,0,0,
0,1,0</Vertices>
  <BoneWeights Count="3" BlendCount="2">1,2,0.5,0.5,
3,4,0.25,0.75,
5,6,1,0</BoneWeights></Cube>
 <Mesh><Name>One</Name><Vertices Count="1">1,2,3</Vertices>
  <BoneWeights Count="1" BlendCount="1">7,1</BoneWeights></Mesh>
</Objects></Model></Scene>)";
    ASSERT_EQ(scene.ReadFile(m_Dir.Write("odd.kel", text).c_str(), 0), 1);
    EXPECT_EQ(scene.Grid().Length(), 50.0f);
    EXPECT_EQ(scene.Grid().Axis(), QX_AXIS_Y);
    EXPECT_EQ(scene.Grid().Color(), 0xFF555555ul);
    EXPECT_EQ(scene.Axes().Length(), 50.0f);
    EXPECT_EQ(scene.Fps(), 30.0f);
    CQxObject* box = scene.RootModel().FindName("Box");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetType(), QX_OBJ_MESH);
    ASSERT_EQ(box->Mesh().Vertices().GetCount(), 3u);
    const CQxVertex* second = box->Mesh().Vertices().GetAt(1);
    ASSERT_TRUE(second->HasBones());
    EXPECT_EQ(second->Bones()->Indices[0], 3);
    EXPECT_EQ(second->Bones()->Indices[1], 4);
    EXPECT_EQ(second->Bones()->Indices[2], 0);
    EXPECT_EQ(second->Bones()->Weights[1], 0.75f);
    CQxObject* one = scene.RootModel().FindName("One");
    ASSERT_NE(one, nullptr);
    EXPECT_FALSE(one->Mesh().Vertices().GetAt(0)->HasBones());
}

// Weights from other writers: NaN, negative and infinite weights and bone indices past what a
// slot holds influence nothing; a root bone name that is no joint leaves the mesh unbound.
TEST_F(KelFile, BadSkinDataInfluencesNothing) {
    const char* text = R"(<Scene><Model><Name>Root</Name><Objects>
 <Joint><Name>Hip</Name></Joint>
 <Mesh><Name>Leg</Name><BoneInfo><RootBone>Hip</RootBone></BoneInfo>
  <Vertices Count="3">0,0,0,1,0,0,0,1,0</Vertices>
  <BoneWeights Count="3" BlendCount="2">0,0,nan,-1,
0,300,inf,0.5,
0,0,1,0</BoneWeights></Mesh>
 <Mesh><Name>Arm</Name><BoneInfo><RootBone>Leg</RootBone></BoneInfo>
  <Vertices Count="1">0,0,0</Vertices></Mesh>
</Objects></Model></Scene>)";
    CQxScene scene;
    ASSERT_EQ(scene.ReadFile(m_Dir.Write("weights.kel", text).c_str(), 0), 1);
    const CQxObject* leg = scene.RootModel().FindName("Leg");
    ASSERT_NE(leg, nullptr);
    EXPECT_EQ(leg->RootBone(), scene.RootModel().FindName("Hip"));
    const CQxVertexBones& first = *leg->Mesh().Vertices().GetAt(0)->Bones();
    EXPECT_EQ(first.Weights[0], 0.0f) << "NaN";
    EXPECT_EQ(first.Weights[1], 0.0f) << "negative";
    const CQxVertexBones& second = *leg->Mesh().Vertices().GetAt(1)->Bones();
    EXPECT_EQ(second.Weights[0], 0.0f) << "infinite";
    EXPECT_EQ(second.Weights[1], 0.0f) << "bone 300";
    EXPECT_EQ(leg->Mesh().Vertices().GetAt(2)->Bones()->Weights[0], 1.0f);
    EXPECT_FALSE(scene.RootModel().FindName("Arm")->IsSkinned()) << "its root bone is a mesh";
}

TEST_F(KelFile, DamagedFilesLoadWhatIsSoundAndNeverCrash) {
    CQxScene scene;
    // Faces naming missing vertices are dropped; an unknown material index gives no material; a
    // truncated record ends the list; a huge count reads what the text holds.
    const char* text = R"(<Scene><Model><Name>Root</Name>
<Attribs><Attrib><Name>M</Name></Attrib></Attribs>
<Objects><Mesh><Name>Damaged</Name><Vertices Count="4000000000">0,0,0,1,0,0,0,1,0,1,1,0</Vertices>
<Faces Count="4000000000" UV="False">3;0,1,2,255,255,255,255,255,255,255,255,255,255,255,255,0,1,
3;0,1,99,255,255,255,255,255,255,255,255,255,255,255,255,0,1,
3;1,3,2,255,255,255,255,255,255,255,255,255,255,255,255,7,0,
3;1,3</Faces></Mesh></Objects></Model></Scene>)";
    ASSERT_EQ(scene.ReadFile(m_Dir.Write("damaged.kel", text).c_str(), 0), 1);
    CQxObject* damaged = scene.RootModel().FindName("Damaged");
    ASSERT_NE(damaged, nullptr);
    const CQxMesh& mesh = damaged->Mesh();
    EXPECT_EQ(mesh.Vertices().GetCount(), 4u);
    ASSERT_EQ(mesh.Faces().GetCount(), 2u);
    EXPECT_EQ(mesh.Faces().GetAt(0)->Attribute(), scene.RootModel().GetAttribute(0));
    EXPECT_EQ(mesh.Faces().GetAt(1)->Attribute(), nullptr);
    EXPECT_TRUE(QxTopologyIsSound(mesh));

    // Nesting far deeper than any scene stops at a fixed depth instead of exhausting the stack.
    std::string deep = "<Scene><Model><Name>Root</Name>";
    for (int i = 0; i < 20000; ++i) deep += "<Objects><Group><Name>g</Name>";
    for (int i = 0; i < 20000; ++i) deep += "</Group></Objects>";
    deep += "</Model></Scene>";
    ASSERT_EQ(scene.ReadFile(m_Dir.Write("deep.kel", deep).c_str(), 0), 1);
    unsigned int depth = 0;
    for (const CQxObject* o = &scene.RootModel(); o->GetChildCount(); o = o->GetChild(0)) ++depth;
    EXPECT_GT(depth, 100u);
    EXPECT_LT(depth, 20000u);

    // Not a scene at all, cut short, or without "Scene": 0 and an empty scene.
    for (const char* bad :
         {"not xml", "<Scene><Model><Name>Root</Name><Objects><Mesh>", "<Other/>",
          "<Scene><Model><Name>Root</Name><Objects><Mesh><Vertices Count=\"3\">0,0,0,1,0,0,0,1",
          "<Scene><Model><Objects><Mesh><Vertices Count=\"1\">0,0,0</Vertices>"
          "<Faces Count=\"1\">3;0,0,0,1,1,1,1</Faces></Mesh></Objects></Model><Scene>"}) {
        EXPECT_EQ(scene.ReadFile(m_Dir.Write("bad.kel", bad).c_str(), 0), 0) << bad;
        EXPECT_EQ(scene.RootModel().GetChildCount(), 0u);
    }
    EXPECT_EQ(scene.ReadFile(m_Dir.File("missing.kel").c_str(), 0), 0);
}

TEST_F(KelFile, FailedSaveLeavesTheOldFile) {
    CQxScene scene;
    BuildRichScene(scene);
    const std::string path = m_Dir.File("keep.kel");
    const std::string old = "<Scene/>";
    m_Dir.Write("keep.kel", old);

    EXPECT_EQ(QxWithFileSizeLimit(256, [&] { return scene.WriteFile(path.c_str()); }), 0);
    EXPECT_EQ(QxScratchDir::Read(path), old);
    EXPECT_EQ(m_Dir.Count(), 1);

    EXPECT_EQ(scene.WriteFile(m_Dir.File("no/such/dir/x.kel").c_str()), 0);
}

TEST_F(KelFile, TimeSlicedCheckParsesWithoutTouchingTheScene) {
    CQxScene scene;
    BuildRichScene(scene);
    const std::string good = m_Dir.File("good.kel");
    ASSERT_EQ(scene.WriteFile(good.c_str()), 1);
    const std::string before = QxDumpScene(scene);
    EXPECT_EQ(scene.ReadXmlFileOnTime(good.c_str()), 1);
    EXPECT_EQ(scene.ReadXmlFileOnTime(m_Dir.Write("cut.kel", "<Scene><Model>").c_str()), 0);
    EXPECT_EQ(scene.ReadXmlFileOnTime(m_Dir.File("missing.kel").c_str()), 0);
    EXPECT_EQ(QxDumpScene(scene), before);
}

TEST_F(KelFile, ListsReadTheSameHoweverTheyArrive) {
    // One object in three spellings: plain; tokens broken by character references (the parser
    // hands them over in pieces); the lists out of their usual order (faces first, weights
    // last), which the reader takes from the element text after the whole file is read.
    const std::string vertices = R"(<Vertices Count="4">0,0,0,
1,0,0,
0,1.5,0,
1,1,-2</Vertices>)";
    const std::string broken = R"(<Vertices Count="4">0,0,0,
1,0,0,
0,1&#46;5,0,
1,1,&#45;2</Vertices>)";
    const std::string weights = R"(<BoneWeights Count="4" BlendCount="2">0,1,0.5,0.5,
1,0,1,0,
0,0,1,0,
1,1,0.25,0.75</BoneWeights>)";
    const std::string faces =
        R"(<Faces Count="2" UV="True">3;0,1,2,0,0,1,0,0,1,255,0,0,255,0,255,0,255,0,0,255,255,0,1,
3;1,3,2,1,0,1,1,0,1,9,9,9,9,8,8,8,8,7,7,7,7,-1,0</Faces>)";
    auto scene = [&](const std::string& lists) {
        return "<Scene><Model><Name>Root</Name><Attribs><Attrib><Name>M</Name></Attrib></Attribs>"
               "<Objects><Mesh><Name>Quad</Name>" +
               lists + "</Mesh></Objects></Model></Scene>";
    };
    const std::string plain = scene(vertices + weights + faces);
    const std::string pieces = scene(broken + weights + faces);
    const std::string shuffled = scene(faces + vertices + weights);

    CQxScene expected;
    ASSERT_EQ(expected.ReadFile(m_Dir.Write("plain.kel", plain).c_str(), 0), 1);
    const CQxObject* quad = expected.RootModel().FindName("Quad");
    ASSERT_NE(quad, nullptr);
    ASSERT_EQ(quad->Mesh().Faces().GetCount(), 2u);
    EXPECT_EQ(quad->Mesh().Vertices().GetAt(2)->Position().y, 1.5f);
    EXPECT_EQ(quad->Mesh().Vertices().GetAt(3)->Bones()->Weights[1], 0.75f);
    const CQxFace* first = quad->Mesh().Faces().Front();
    EXPECT_EQ(first->Attribute(), expected.RootModel().GetAttribute(0));
    EXPECT_EQ(first->GetHalfEdge()->Next()->Color(), 0xFF00FF00u);
    EXPECT_EQ(first->GetHalfEdge()->Next()->UV().x, 1.0f);
    EXPECT_EQ(quad->Mesh().Faces().Back()->Attribute(), nullptr);
    EXPECT_TRUE(QxTopologyIsSound(quad->Mesh()));
    const std::string dump = QxDumpScene(expected);

    for (const std::string* text : {&pieces, &shuffled}) {
        CQxScene loaded;
        ASSERT_EQ(loaded.ReadFile(m_Dir.Write("variant.kel", *text).c_str(), 0), 1);
        EXPECT_EQ(QxDumpScene(loaded), dump) << *text;
    }
}

TEST_F(KelFile, LongListsReadTheSameAsShortOnes) {
    // A mesh whose lists run to megabytes is decoded beside the parse; it must come back exactly,
    // and a file cut inside its faces must fail as a whole.
    CQxScene source;
    CQxObject* plane = QxAdd(source.RootModel(), new CQxObject(1), "Plane");
    ASSERT_TRUE(plane->Mesh().CreatePlane(0, 10.0f, 10.0f, 160, 160, source.RootModel().GetAttribute(0), 0));
    plane->HasUV() = 1;
    plane->Mesh().Faces().Back()->SetShade(0);
    // The file keeps no corner flags; the primitive builder sets them all.
    for (CQxFace& f : plane->Mesh().Faces()) f.ForEachHalfEdge([](CQxHalfEdge& h) { h.Flags() = 0; });
    plane->Mesh().Faces().Front()->GetHalfEdge()->Color() = 0xFF102030u;
    plane->UpdateGraphics();
    const std::string path = m_Dir.File("long.kel");
    ASSERT_EQ(source.WriteFile(path.c_str()), 1);
    ASSERT_GT(fs::file_size(path), 2u * 1024 * 1024);

    CQxScene loaded;
    ASSERT_EQ(loaded.ReadFile(path.c_str(), 0), 1);
    QX_ASSERT_SAME_DUMP(QxDumpScene(source), QxDumpScene(loaded));
    EXPECT_TRUE(QxTopologyIsSound(loaded.RootModel().FindName("Plane")->Mesh()));

    const std::string text = QxScratchDir::Read(path);
    const std::size_t cut = text.find("<Faces");
    ASSERT_NE(cut, std::string::npos);
    const std::string shortened = text.substr(0, cut + (text.size() - cut) / 2);
    EXPECT_EQ(loaded.ReadFile(m_Dir.Write("cut.kel", shortened).c_str(), 0), 0);
    EXPECT_EQ(loaded.RootModel().GetChildCount(), 0u);
}
