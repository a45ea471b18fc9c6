#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "message_recorder.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "scene_dump.h"
#include "scratch_dir.h"
#include "topology_check.h"
#include "undo_checks.h"

namespace {

constexpr const char* kImport = "インポート失敗";
constexpr const char* kRead = "読み込み失敗";
constexpr const char* kEmpty = "図形データが空です．";
constexpr const char* kNoEof = "DXFファイルが不正です.";

// Files written by another tool (tests/formats/data/make_dxf.py) and files from the field.
std::string Data(const char* name) {
    return std::string(QX_DXF_TEST_DATA) + "/" + name;
}
std::string Corpus(const char* name) {
    return std::string(QX_DXF_CORPUS) + "/" + name;
}

// One pair per line, as DXF files are written.
std::string Pair(int code, const std::string& value) {
    return std::to_string(code) + "\n" + value + "\n";
}

// A 3DFACE entity with the corners' codes in the usual order (10 20 30 11 21 31 ...).
std::string Face(const std::vector<CQxVector>& corners) {
    std::string text = Pair(0, "3DFACE") + Pair(8, "0");
    for (int k = 0; k < 4; ++k) {
        const CQxVector& p = corners[std::min<std::size_t>(k, corners.size() - 1)];
        text += Pair(10 + k, std::to_string(p.x)) + Pair(20 + k, std::to_string(p.y)) +
                Pair(30 + k, std::to_string(p.z));
    }
    return text;
}

std::string Entities(const std::string& body) {
    return Pair(0, "SECTION") + Pair(2, "ENTITIES") + body + Pair(0, "ENDSEC") + Pair(0, "EOF");
}

// Every test reads in a folder of its own into a new scene and keeps the message boxes shown.
class DxfFile : public ::testing::Test {
protected:
    // Reads as a user opens a file; the message boxes shown so far are dropped first.
    int Read(const std::string& path) {
        m_Messages.Clear();
        return m_Scene.ReadFile(path.c_str(), 0);
    }
    int ReadText(const std::string& text) {
        return Read(m_Dir.Write("a.dxf", text));
    }

    // The one object a read added, checked for a sound mesh.
    CQxObject& Imported() {
        EXPECT_EQ(m_Scene.RootModel().GetChildCount(), 1u);
        CQxObject& object = *m_Scene.RootModel().GetLastChild();
        EXPECT_TRUE(QxTopologyIsSound(object.Mesh()));
        return object;
    }
    std::vector<unsigned int> CornerCounts(const CQxObject& object) {
        std::vector<unsigned int> counts;
        for (const CQxFace& f : object.Mesh().Faces()) counts.push_back(f.GetHalfEdgeCount());
        return counts;
    }
    // The read failed with exactly this message and left the scene empty.
    void ExpectRefused(const std::string& text, const char* caption = kImport) {
        ASSERT_EQ(m_Messages.Boxes().size(), 1u);
        EXPECT_EQ(m_Messages.Boxes()[0].Text, text);
        EXPECT_EQ(m_Messages.Boxes()[0].Caption, caption);
        EXPECT_EQ(m_Scene.RootModel().GetChildCount(), 0u);
    }

    QxScratchDir m_Dir;
    QxMessageRecorder m_Messages;
    CQxScene m_Scene;
};

const std::vector<CQxVector> kCube = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                      {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};

// The cube make_dxf.py writes as its first faces: five quads and a top of two triangles, 8
// shared vertices, every side paired with its neighbour's.
void ExpectCube(const CQxObject& object, const std::vector<unsigned int>& corners) {
    std::vector<CQxVector> positions;
    for (const CQxVertex& v : object.Mesh().Vertices()) positions.push_back(v.Position());
    for (const CQxVector& p : kCube)
        EXPECT_EQ(std::count(positions.begin(), positions.end(), p), 1) << p.x << " " << p.y << " " << p.z;
    EXPECT_EQ(corners, (std::vector<unsigned int>{4, 4, 4, 4, 4, 3, 3}));
    unsigned int i = 0;
    for (const CQxFace& f : object.Mesh().Faces())
        if (i++ < corners.size())
            f.ForEachHalfEdge(
                [&](const CQxHalfEdge& h) { EXPECT_NE(h.Mate(), nullptr) << "face " << i - 1; });
}

TEST_F(DxfFile, FacesOfEitherVersionMakeOneClosedMesh) {
    for (const char* name : {"cube_r12.dxf", "cube_r2000.dxf"}) {
        SCOPED_TRACE(name);
        m_Scene.ClearData();
        ASSERT_EQ(Read(Data(name)), 1);
        EXPECT_TRUE(m_Messages.Boxes().empty());
        CQxObject& mesh = Imported();
        EXPECT_STREQ(mesh.GetName(), "Mesh1");
        EXPECT_EQ(mesh.Mesh().Vertices().GetCount(), 8u);
        ExpectCube(mesh, CornerCounts(mesh));
    }
}

TEST_F(DxfFile, FourthCornerRepeatingTheFirstOrThirdMakesATriangle) {
    const CQxVector a(0, 0, 0), b(1, 0, 0), c(1, 1, 0), d(0, 1, 0);
    ASSERT_EQ(
        ReadText(Entities(Face({a, b, c, c}) + Face({a, c, d, a}) + Face({a + CQxVector(0, 0, 1), b, c, d}))),
        1);
    EXPECT_EQ(CornerCounts(Imported()), (std::vector<unsigned int>{3, 3, 4}));
}

//   3---2      two triangles sharing the side 0-2: four vertices, one paired side
//   | / |
//   0---1
TEST_F(DxfFile, FacesSharingASideShareItsVertices) {
    const CQxVector p0(0, 0, 0), p1(1, 0, 0), p2(1, 1, 0), p3(0, 1, 0);
    ASSERT_EQ(ReadText(Entities(Face({p0, p1, p2}) + Face({p0, p2, p3}))), 1);
    CQxMesh& mesh = Imported().Mesh();
    EXPECT_EQ(mesh.Vertices().GetCount(), 4u);
    EXPECT_EQ(mesh.UpdateHalfEdgeMates(), 1u);
}

TEST_F(DxfFile, CornerCodesMayComeInAnyOrderBetweenOtherCodes) {
    // Last corner first, as some writers do, with layer, colour, handle and subclass codes
    // among them and padded codes.
    const std::string face = Pair(0, "3DFACE") + Pair(5, "2A") + Pair(100, "AcDbEntity") +
                             Pair(8, "Layer 1") + "  62\n     1\n" + Pair(13, "0") + Pair(23, "1") +
                             Pair(33, "0") + Pair(12, "1") + Pair(22, "1") + Pair(32, "0") + Pair(11, "1") +
                             Pair(21, "0") + Pair(31, "0") + Pair(10, "0") + Pair(20, "0") + Pair(30, "0") +
                             Pair(70, "0");
    ASSERT_EQ(ReadText(Entities(face)), 1);
    CQxObject& mesh = Imported();
    ASSERT_EQ(CornerCounts(mesh), (std::vector<unsigned int>{4}));
    const CQxHalfEdge* h = mesh.Mesh().Faces().Back()->GetHalfEdge();
    for (unsigned int k = 0; k < 4; ++k, h = h->Next()) EXPECT_EQ(h->GetVertex()->Position(), kCube[k]) << k;
}

TEST_F(DxfFile, OtherEntitiesAndSectionsAreSkipped) {
    const std::string text = Pair(0, "SECTION") + Pair(2, "HEADER") + Pair(9, "$ACADVER") +
                             Pair(1, "AC1009") + Pair(0, "ENDSEC") + Pair(0, "SECTION") +
                             Pair(2, "ENTITIES") + Pair(0, "LINE") + Pair(10, "5") + Pair(20, "5") +
                             Pair(30, "5") + Pair(0, "TEXT") + Pair(1, "a text with spaces") +
                             Face({kCube[0], kCube[1], kCube[2]}) + Pair(0, "CIRCLE") + Pair(40, "2") +
                             Pair(0, "ENDSEC") + Pair(0, "EOF") + "what follows EOF\nis never read\n";
    ASSERT_EQ(ReadText(text), 1);
    EXPECT_EQ(Imported().Mesh().Vertices().GetCount(), 3u);
}

// The same cube as a polyface mesh, and a one-quad block placed by two INSERTs: the block is
// placed once, at the first.
TEST_F(DxfFile, PolyfaceMeshesReadLikeFacesAndBlocksArePlacedOnce) {
    ASSERT_EQ(Read(Data("polyface.dxf")), 1);
    EXPECT_TRUE(m_Messages.Boxes().empty());
    CQxObject& mesh = Imported();
    std::vector<unsigned int> corners = CornerCounts(mesh);
    ASSERT_EQ(corners.size(), 8u);
    EXPECT_EQ(corners.back(), 4u);
    corners.pop_back();
    ExpectCube(mesh, corners);
    const CQxFace& panel = *mesh.Mesh().Faces().Back();
    panel.ForEachHalfEdge([](const CQxHalfEdge& h) {
        const CQxVector& p = h.GetVertex()->Position();
        EXPECT_TRUE(p.x >= 10 && p.x <= 11 && p.z == 0) << p.x << " " << p.y << " " << p.z;
    });
    EXPECT_EQ(mesh.Mesh().Vertices().GetCount(), 12u);
}

// A block with its base point at (1, 0, 0) holding one triangle, placed at (5, 0, 0) twice as
// large and turned a quarter round Z; an INSERT of a block nobody defined adds nothing.
TEST_F(DxfFile, BlocksArePlacedScaledAndTurnedAboutTheirBasePoint) {
    auto vertex = [](const char* x, const char* y) {
        return Pair(0, "VERTEX") + Pair(70, "192") + Pair(10, x) + Pair(20, y) + Pair(30, "0");
    };
    const std::string block = Pair(0, "SECTION") + Pair(2, "BLOCKS") + Pair(0, "BLOCK") + Pair(2, "Tri") +
                              Pair(10, "1") + Pair(20, "0") + Pair(30, "0") + Pair(0, "POLYLINE") +
                              Pair(70, "64") + vertex("1", "0") + vertex("2", "0") + vertex("1", "1") +
                              Pair(0, "VERTEX") + Pair(70, "128") + Pair(71, "1") + Pair(72, "2") +
                              Pair(73, "3") + Pair(0, "SEQEND") + Pair(0, "ENDBLK") + Pair(0, "ENDSEC");
    const std::string inserts = Pair(0, "INSERT") + Pair(2, "Other") + Pair(0, "INSERT") + Pair(2, "Tri") +
                                Pair(10, "5") + Pair(20, "0") + Pair(30, "0") + Pair(41, "2") +
                                Pair(42, "2") + Pair(43, "2") + Pair(50, "90");
    ASSERT_EQ(ReadText(block + Entities(inserts)), 1);
    CQxObject& mesh = Imported();
    ASSERT_EQ(CornerCounts(mesh), (std::vector<unsigned int>{3}));
    const CQxVector expected[] = {{5, 0, 0}, {5, 2, 0}, {3, 0, 0}};
    const CQxHalfEdge* h = mesh.Mesh().Faces().Back()->GetHalfEdge();
    for (unsigned int k = 0; k < 3; ++k, h = h->Next())
        EXPECT_TRUE(QxNear(h->GetVertex()->Position(), expected[k])) << "corner " << k;
}

TEST_F(DxfFile, PolyfaceIndicesAreCheckedAndCountsIgnored) {
    auto vertex = [](float x, float y) {
        return Pair(0, "VERTEX") + Pair(70, "192") + Pair(10, std::to_string(x)) +
               Pair(20, std::to_string(y)) + Pair(30, "0");
    };
    auto face = [](const std::string& a, const std::string& b, const std::string& c, const std::string& d) {
        return Pair(0, "VERTEX") + Pair(70, "128") + Pair(71, a) + Pair(72, b) + Pair(73, c) + Pair(74, d);
    };
    // Counts that promise a million of each; a negative index marks an invisible edge; a face
    // naming vertex 9 of 4 and one naming only two corners are left out.
    const std::string polyface = Pair(0, "POLYLINE") + Pair(66, "1") + Pair(70, "64") + Pair(71, "1000000") +
                                 Pair(72, "1000000") + vertex(0, 0) + vertex(1, 0) + vertex(1, 1) +
                                 vertex(0, 1) + face("1", "-2", "3", "0") + face("1", "3", "9", "0") +
                                 face("1", "2", "0", "0") + face("-1", "3", "4", "4") + Pair(0, "SEQEND");
    ASSERT_EQ(ReadText(Entities(polyface)), 1);
    CQxObject& mesh = Imported();
    EXPECT_EQ(CornerCounts(mesh), (std::vector<unsigned int>{3, 3}));
    EXPECT_EQ(mesh.Mesh().Vertices().GetCount(), 4u);
}

// A copy of the text with its first coordinate 1.000000 written as `value`.
std::string WithFirstOne(std::string text, const char* value) {
    return text.replace(text.find("\n1.000000\n"), 10, std::string("\n") + value + "\n");
}

TEST_F(DxfFile, FacesWithCornersThatAreNoFiniteNumbersAreLeftOut) {
    const std::string face = Face({kCube[0], kCube[1], kCube[2]});
    const std::string bad = WithFirstOne(face, "nan");
    ASSERT_EQ(ReadText(Entities(bad + WithFirstOne(face, "1e300") + WithFirstOne(face, "-inf") + face)), 1);
    EXPECT_EQ(CornerCounts(Imported()), (std::vector<unsigned int>{3}));

    m_Scene.ClearData();
    EXPECT_EQ(ReadText(Entities(bad)), 0);
    ExpectRefused(kEmpty);
}

TEST_F(DxfFile, DamagedFilesAreRefusedAndAddNothing) {
    const std::string face = Face({kCube[0], kCube[1], kCube[2]});
    const std::string whole = Entities(face);
    const std::string block = Pair(0, "SECTION") + Pair(2, "BLOCKS") + Pair(0, "BLOCK") + Pair(2, "B") +
                              face + Pair(0, "ENDBLK") + Pair(0, "ENDSEC");
    const struct {
        const char* What;
        std::string Text;
        std::string Message;
    } cases[] = {
        {"no faces", Pair(0, "SECTION") + Pair(2, "HEADER") + Pair(0, "ENDSEC") + Pair(0, "EOF"), kEmpty},
        {"a 3DFACE in a block", block + whole, "DXF\"3DFACE\"が不正です."},
        {"cut inside the face", whole.substr(0, whole.find("21\n") + 3), kNoEof},
        {"no EOF", whole.substr(0, whole.rfind("EOF")), kNoEof},
        {"a SECTION in a section", Pair(0, "SECTION") + whole, "DXF\"SECTION\"が不正です."},
        {"a face before any section", face + Entities(""), "DXF\"3DFACE\"が不正です."},
        {"a number with two points", WithFirstOne(whole, "1.0.0"), "DXF\"1.0.0\"が不正です."},
        {"ENDSEC outside a section", Pair(0, "ENDSEC") + whole, "DXF\"ENDSEC\"が不正です."},
        {"EOF inside a section", Pair(0, "SECTION") + Pair(2, "ENTITIES") + face + Pair(0, "EOF"),
         "DXF\"EOF\"が不正です."},
        {"binary DXF", std::string("AutoCAD Binary DXF\r\n\x1a\0\0SECTION", 30), kNoEof},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        EXPECT_EQ(ReadText(c.Text), 0);
        ExpectRefused(c.Message);
    }
}

TEST_F(DxfFile, FilesThatCannotBeReadSayWhichFile) {
    const std::string missing = m_Dir.File("missing.dxf");
    EXPECT_EQ(Read(missing), 0);
    ExpectRefused("\"" + missing + "\"\nの読み込みに失敗しました.", kRead);
    EXPECT_EQ(Read(m_Dir.Write("empty.dxf", "")), 0);
    ExpectRefused("ファイルが空です.", kRead);
}

// Every file of the corpus loads with the faces it holds, or is refused with the reader's
// message, and a refused file adds nothing.
TEST_F(DxfFile, FilesFromTheFieldLoadOrAreRefusedCleanly) {
    struct Case {
        const char* Name;
        unsigned int Faces; // 0: refused with the message
        const char* Message;
    };
    const Case cases[] = {
        {"assimp_PinkEggFromLW.dxf", 288, nullptr},
        {"assimp_lineTest.dxf", 2, nullptr},
        {"ezdxf_POLI-ALL210_12.DXF", 1, nullptr},
        {"ezdxf_3dface.dxf", 0, "DXF\"3DFACE\"が不正です."}, // two of its faces are in a block
        {"ezdxf_ASCII_R12.dxf", 0, kEmpty},
        {"ezdxf_Minimal_DXF_AC1009.dxf", 0, kEmpty},
        {"ezdxf_R12_with_trash_beyond_EOF.dxf", 0, kEmpty},
        {"ezdxf_small_r13.dxf", 0, kEmpty},
        {"dxf-parser_polylines.dxf", 0, kEmpty},
        {"ezdxf_bin_dxf_r12.dxf", 0, kNoEof},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        m_Scene.ClearData();
        const int read = Read(Corpus(c.Name));
        if (c.Faces) {
            ASSERT_EQ(read, 1);
            EXPECT_TRUE(m_Messages.Boxes().empty());
            EXPECT_EQ(Imported().Mesh().Faces().GetCount(), c.Faces);
        } else {
            EXPECT_EQ(read, 0);
            ExpectRefused(c.Message);
        }
    }
}

// A written file is read back with every face at its world place.
TEST_F(DxfFile, WrittenFilesReadBackInWorldPlace) {
    CQxObject* cube = QxAdd(m_Scene.RootModel(), QxNewCube(2.0f), "Box");
    cube->Translate() = CQxVector(5, 0, 0);
    const std::string path = m_Dir.File("out.dxf");
    ASSERT_EQ(m_Scene.WriteFile(path.c_str()), 1);
    const std::vector<CQxVector> world = QxWorldVertices(*cube);

    CQxScene again;
    ASSERT_EQ(again.ReadFile(path.c_str(), 0), 1);
    const CQxObject& read = *again.RootModel().GetLastChild();
    EXPECT_EQ(read.Mesh().Faces().GetCount(), cube->Mesh().Faces().GetCount());
    ASSERT_EQ(read.Mesh().Vertices().GetCount(), world.size());
    for (const CQxVertex& v : read.Mesh().Vertices())
        EXPECT_TRUE(std::any_of(world.begin(), world.end(),
                                [&](const CQxVector& p) { return QxNear(v.Position(), p); }));
}

TEST_F(DxfFile, SceneWithoutFacesIsNotWrittenAndTheOldFileStays) {
    const std::string path = m_Dir.Write("old.dxf", "old");
    EXPECT_EQ(m_Scene.WriteFile(path.c_str()), 0);
    EXPECT_EQ(QxScratchDir::Read(path), "old");
    EXPECT_EQ(m_Dir.Count(), 1);
}

// --- The import command -------------------------------------------------------------------------

TEST_F(DxfFile, ImportGoesBelowTheParentAndUndoGivesBackTheScene) {
    CQxObject* group = QxAdd(m_Scene.RootModel(), new CQxGroup(1), "Group");
    QxAdd(m_Scene.RootModel(), QxNewCube(1.0f), "Mesh1");
    qxtest::ExpectUndoable(
        m_Scene, [&] { return m_Scene.ImportFileCmd(Data("cube_r12.dxf").c_str(), group, 1) == 1; });
    ASSERT_EQ(group->GetChildCount(), 1u);
    CQxObject& imported = *group->GetChild(0);
    EXPECT_STREQ(imported.GetName(), "Mesh2");
    ExpectCube(imported, CornerCounts(imported));
    EXPECT_STREQ(m_Scene.CmdManager().GetUndoText(), "元に戻す インポート\tCtrl+Z(&U)");
}

TEST_F(DxfFile, ImportWithoutParentGoesBelowTheRootModel) {
    ASSERT_EQ(m_Scene.ImportFileCmd(Data("polyface.dxf").c_str(), nullptr, 0), 1);
    EXPECT_EQ(Imported().Mesh().Faces().GetCount(), 8u);
}

TEST_F(DxfFile, ImportRefusalsPushNothing) {
    auto expectRefused = [&](const std::string& path, const std::string& message) {
        SCOPED_TRACE(path);
        m_Messages.Clear();
        qxtest::ExpectRefused(m_Scene, [&] { return m_Scene.ImportFileCmd(path.c_str(), nullptr, 1) == 1; });
        ExpectRefused(message);
    };
    expectRefused(m_Dir.Write("scene.x", "xof 0303txt 0032"), "未対応のファイルです．");
    expectRefused(m_Dir.File("missing.dxf"),
                  "\"" + m_Dir.File("missing.dxf") + "\"\nの読み込みに失敗しました.");
    expectRefused(m_Dir.Write("empty.DXF", ""), "ファイルが空です.");
    expectRefused(m_Dir.Write("cut.dxf", Face({kCube[0], kCube[1], kCube[2]})), "DXF\"3DFACE\"が不正です.");
}

} // namespace
