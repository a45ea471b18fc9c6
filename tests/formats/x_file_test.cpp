#include <gtest/gtest.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <string>

#include "mesh_builders.h"
#include "qx/animation/anim.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/scene/settings.h"
#include "qx/skeleton/joint.h"
#include "scene_builders.h"
#include "scratch_dir.h"

// .x export: the text of small scenes, and every exported file read back by an independent reader.
class XFile : public ::testing::Test {
protected:
    XFile() {
        QxXFileLeftHand() = 0;
        QxXFileKeyStep() = 1.0f;
        model = &scene.RootModel();
    }
    ~XFile() override {
        QxXFileLeftHand() = 1;
        QxXFileKeyStep() = 1.0f;
    }

    // A mesh object below the root model with faces of the given points (one face through all of
    // them when none are given).
    CQxObject* AddFace(const std::vector<CQxVector>& points, qxtest::FaceList faces = {}) {
        auto* object = QxAdd(*model, new CQxObject(1), "Face");
        if (faces.empty()) faces.emplace_back();
        for (unsigned int i = 0; faces.size() == 1 && faces[0].size() < points.size(); ++i)
            faces[0].push_back(i);
        qxtest::AddFaces(object->Mesh(), points, faces);
        object->Mesh().UpdateNormals();
        object->UpdateBoundBox();
        return object;
    }

    std::string Write() {
        const std::string path = dir.File("scene.x");
        EXPECT_EQ(scene.WriteFile(path.c_str()), 1);
        return dir.Read(path);
    }

    // The text between a block's header line and its closing brace.
    static std::string Block(const std::string& text, const std::string& header) {
        const std::size_t at = text.find(header + "\r\n");
        if (at == std::string::npos) return "";
        const std::size_t open = text.find("{\r\n", at) + 3;
        int depth = 1;
        std::size_t i = open;
        for (; i < text.size() && depth; ++i) depth += text[i] == '{' ? 1 : text[i] == '}' ? -1 : 0;
        return text.substr(open, text.rfind("\r\n", i - 1) + 2 - open);
    }

    const aiScene* Import(Assimp::Importer& importer) {
        Write();
        const aiScene* read = importer.ReadFile(dir.File("scene.x"), 0);
        EXPECT_NE(read, nullptr) << importer.GetErrorString();
        return read;
    }

    CQxScene scene;
    CQxModel* model = nullptr;
    QxScratchDir dir;
};

// --- The text --------------------------------------------------------------------------------------

TEST_F(XFile, StartsWithTheHeaderAndEverySectionEvenWhenEmpty) {
    const std::string text = Write();
    EXPECT_EQ(text.rfind("xof 0303txt 0032\r\n\r\n# X File Templates declaration.\r\n\r\ntemplate ", 0), 0u);
    for (const char* section : {"# Global definition.", "# Materials definition.", "# Models definition.",
                                "# Animations definition."})
        EXPECT_NE(text.find(std::string("\r\n") + section + "\r\n\r\n"), std::string::npos) << section;
    EXPECT_NE(text.find(" <A42790E1-7810-11cf-8F52-0040333594A3>\r\n"), std::string::npos);
}

TEST_F(XFile, TicksPerSecondAreFramesPerSecondTimesAHundred) {
    scene.Fps() = 30.0f;
    EXPECT_EQ(Block(Write(), "\nAnimTicksPerSecond"), " 3000;\r\n");
}

//   3 ---- 2
//   |      |     a quad, fanned from corner 0
//   0 ---- 1
TEST_F(XFile, AQuadIsTwoTrianglesFannedFromItsFirstCorner) {
    AddFace({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    const std::string mesh = Block(Write(), "  Mesh");
    EXPECT_EQ(mesh.substr(0, mesh.find("   MeshNormals")),
              "   4;\r\n"
              "   0.000000;0.000000;0.000000;,\r\n"
              "   1.000000;0.000000;0.000000;,\r\n"
              "   1.000000;1.000000;0.000000;,\r\n"
              "   0.000000;1.000000;0.000000;;\r\n"
              "   2;\r\n"
              "   3;0,1,2;,\r\n"
              "   3;0,2,3;;\r\n");
}

TEST_F(XFile, LeftHandedOutputTurnsZAndTheCornerOrder) {
    QxXFileLeftHand() = 1;
    AddFace({{0, 0, 2}, {1, 0, 2}, {1, 1, 2}, {0, 1, 2}});
    const std::string mesh = Block(Write(), "  Mesh");
    EXPECT_NE(mesh.find("   0.000000;0.000000;-2.000000;,\r\n"), std::string::npos);
    EXPECT_NE(mesh.find("   3;2,1,0;,\r\n   3;3,2,0;;\r\n"), std::string::npos);
}

TEST_F(XFile, AFlatFaceSplitsTheMeshIntoOneVertexACorner) {
    // A flat face and a smooth one sharing two corners: shared, they would be four vertices.
    CQxObject* object = AddFace({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}});
    object->Mesh().Faces().Front()->SetShade(0);
    object->Mesh().UpdateNormals();
    const std::string text = Write();
    EXPECT_EQ(Block(text, "  Mesh").rfind("   6;\r\n", 0), 0u) << "six corners, six vertices";
    EXPECT_NE(Block(text, "   VertexDuplicationIndices").find("6;\r\n    4;\r\n    0,\r\n    1,\r\n    2,\r\n    0,\r\n    2,\r\n    3;"),
              std::string::npos);
}

TEST_F(XFile, MaterialsAreNamedByModelAndPositionWithTheirTexture) {
    CQxAttribute* red = model->CreateAttribute("Red");
    red->ColorMaterial().Color() = CQxColor(1.0f, 0.0f, 0.0f, 1.0f);
    red->ColorMaterial().Diffuse() = 0.5f;
    red->AddTextureStage(new CQxTextureStage());
    red->GetTextureStage(0)->Load("brick.png");
    const std::string text = Write();
    const std::string material = Block(text, "Material __Material" + std::to_string(red->Index()));
    EXPECT_EQ(material.substr(0, material.find(" TextureFilename")),
              " 0.500000;0.000000;0.000000;1.000000;;\r\n"
              " 5.000000;\r\n"
              " 0.300000;0.300000;0.300000;;\r\n"
              " 0.000000;0.000000;0.000000;;\r\n");
    EXPECT_NE(material.find("  \"brick.png\";\r\n"), std::string::npos);
}

TEST_F(XFile, KeysAreSampledOverTheRangeAndShiftedToStartAtZero) {
    CQxObject* object = AddFace({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}});
    QxKeys(*object, QX_ANIM_ITEM_TRANSLATE_X, {{-1.0f, 0.0f}, {1.7f, 5.0f}});
    const std::string key = Block(Write(), "  AnimationKey");
    // -1 ... 1.7 every frame: 2.7 frames, rounded up to 3 keys (-1, 0, 1), shifted by 1.
    EXPECT_EQ(key.rfind("   4;\r\n   3;\r\n   0;16;\r\n", 0), 0u) << key.substr(0, 80);
    EXPECT_NE(key.find("   200;16;\r\n"), std::string::npos);
    EXPECT_NE(key.find(";;;\r\n"), std::string::npos) << "the last key closes the list";
    EXPECT_EQ(object->Translate().x, 0.0f) << "sampling leaves the object where it was";
}

TEST_F(XFile, ASkinOfTwentyBonesWritesItsHeaderAndOneWeightListABone) {
    CQxObject* object = AddFace({{0, 0, 0}, {40, 0, 0}, {40, 1, 0}});
    CQxObject* parent = model;
    CQxJoint* root = nullptr;
    for (int i = 0; i < 20; ++i) {
        auto* joint = QxAdd(*parent, new CQxJoint(1));
        joint->Translate() = CQxVector(i ? 2.0f : 0.0f, 0.0f, 0.0f);
        root = root ? root : joint;
        parent = joint;
    }
    ASSERT_EQ(object->SetSkin(root, 1), 1);
    const std::string text = Write();
    EXPECT_EQ(Block(text, "   XSkinMeshHeader"), "    4;\r\n    12;\r\n    20;\r\n");
    std::size_t lists = 0;
    for (std::size_t at = text.find("SkinWeights\r\n"); at != std::string::npos; at = text.find("SkinWeights\r\n", at + 1))
        ++lists;
    EXPECT_EQ(lists, 21u) << "one a bone, after the template";
}

TEST_F(XFile, AFileThatCannotBeCreatedFailsAndLeavesNothing) {
    const std::string path = dir.File("missing/scene.x");
    EXPECT_EQ(scene.WriteXFile(path.c_str()), 0);
    EXPECT_EQ(scene.WriteXFile(nullptr), 0);
}

// --- Read back by another reader -------------------------------------------------------------------

// Files as written by default (left-handed), which the reader turns back.
TEST_F(XFile, AnotherReaderFindsTheFramesMeshesMaterialsAndKeys) {
    QxXFileLeftHand() = 1;
    CQxObject* quad = AddFace({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}});
    quad->Translate() = CQxVector(1.0f, 2.0f, 3.0f);
    QxKeys(*quad, QX_ANIM_ITEM_TRANSLATE_Y, {{0.0f, 2.0f}, {9.0f, 4.0f}});
    Assimp::Importer importer;
    const aiScene* read = Import(importer);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->mNumMeshes, 1u);
    EXPECT_EQ(read->mMeshes[0]->mNumFaces, 2u);
    EXPECT_EQ(read->mNumMaterials, model->Attributes().GetCount());
    ASSERT_EQ(read->mNumAnimations, 1u);
    ASSERT_EQ(read->mAnimations[0]->mNumChannels, 1u);
    EXPECT_EQ(read->mAnimations[0]->mChannels[0]->mNumPositionKeys, 10u);
    const aiNode* frame = read->mRootNode->FindNode("_0_Frame");
    ASSERT_NE(frame, nullptr) << "the quad's frame";
    EXPECT_FLOAT_EQ(frame->mTransformation.a4, 1.0f) << "its translation";
    EXPECT_FLOAT_EQ(frame->mTransformation.c4, 3.0f);
}

TEST_F(XFile, AnotherReaderFindsTheBonesOfASkin) {
    QxXFileLeftHand() = 1;
    CQxObject* object = AddFace({{0, 0, 0}, {20, 0, 0}, {20, 1, 0}});
    auto* hip = QxAdd(*model, new CQxJoint(1));
    auto* knee = QxAdd(*hip, new CQxJoint(1));
    knee->Translate() = CQxVector(10.0f, 0.0f, 0.0f);
    QxAdd(*knee, new CQxJoint(1))->Translate() = CQxVector(10.0f, 0.0f, 0.0f);
    ASSERT_EQ(object->SetSkin(hip, 1), 1);
    Assimp::Importer importer;
    const aiScene* read = Import(importer);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->mNumMeshes, 1u);
    ASSERT_EQ(read->mMeshes[0]->mNumBones, 2u) << "hip and knee; the foot moves nothing";
    EXPECT_STREQ(read->mMeshes[0]->mBones[0]->mName.C_Str(), "_1_Frame");
}
