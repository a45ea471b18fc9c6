#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "qx/commands/clipboard_cmds.h"
#include "qx/platform/clipboard.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "undo_checks.h"

using namespace QxWin;

namespace {

// A block's bytes, read without going through the library's reader.
std::vector<unsigned char> BytesOf(HGLOBAL block) {
    std::vector<unsigned char> bytes(GlobalSize(block));
    if (const void* p = GlobalLock(block)) {
        std::memcpy(bytes.data(), p, bytes.size());
        GlobalUnlock(block);
    }
    return bytes;
}

// Owns a block for the length of a test.
struct Block {
    explicit Block(HGLOBAL h = nullptr) : Handle(h) {}
    explicit Block(const std::vector<unsigned char>& bytes) : Handle(GlobalAlloc(GHND, bytes.size())) {
        if (void* p = GlobalLock(Handle)) {
            std::memcpy(p, bytes.data(), bytes.size());
            GlobalUnlock(Handle);
        }
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    ~Block() { GlobalFree(Handle); }
    HGLOBAL Handle;
};

std::uint32_t Field(const std::vector<unsigned char>& bytes, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}
void SetField(std::vector<unsigned char>& bytes, std::size_t at, std::uint32_t v) {
    std::memcpy(bytes.data() + at, &v, 4);
}

// Source: the 2 x 2 grid (see scene_builders.h) moved and turned, its faces in the first
// material but face (1, 0) in the second, face (0, 1) flat; a free edge between vertices 0 and 8. Target: an empty scene.
class Clipboard : public ::testing::Test {
protected:
    Clipboard() {
        CQxModel& model = m_Source.RootModel();
        CQxAttribute* second = model.CreateAttribute("Second");
        m_Grid = QxAdd(model, QxNewGrid().release(), "Grid");
        m_Grid->Translate() = CQxVector(3.0f, 1.0f, -2.0f);
        m_Grid->AddAngle(CQxVector(0.0f, 30.0f, 0.0f));
        for (CQxFace& f : m_Grid->Mesh().Faces()) f.Attribute() = model.GetAttribute(0);
        Face(1, 0)->Attribute() = second;
        Face(0, 1)->SetShade(0);
        m_Grid->Mesh().Edges().PushBack(new CQxEdge(Vertex(0, 0), Vertex(2, 2), 0x5));
        m_Grid->UpdateGraphics();
    }

    CQxFace* Face(unsigned int i, unsigned int j) { return QxGridFace(*m_Grid, i, j); }
    CQxVertex* Vertex(unsigned int i, unsigned int j) { return QxGridVertex(*m_Grid, i, j); }
    void SelectFaces(std::initializer_list<CQxFace*> faces) {
        CQxSelect record(m_Grid);
        for (CQxFace* f : faces) record.Faces().PushBack(f);
        m_Source.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
        m_Source.SelectObject(record, QX_SELECT_REPLACE, 0);
    }
    void SelectGrid() { m_Source.SelectObject(CQxSelect(m_Grid), QX_SELECT_REPLACE, 0); }
    CQxObject* Pasted(unsigned int i = 0) { return m_Target.RootModel().GetChild(i); }

    CQxScene m_Source;
    CQxScene m_Target;
    CQxObject* m_Grid = nullptr;
};

// --- Copy and paste ---------------------------------------------------------------------------------

TEST_F(Clipboard, AWholeMeshPastesAsANewMeshWithTheSameLocalGeometry) {
    SelectGrid();
    Block block(m_Source.CopySelectObjects());
    ASSERT_TRUE(block.Handle);
    EXPECT_EQ(GlobalSize(block.Handle), 4 + 16 * 9 + 4 + 16 * 1 + 4 + 4 * (16 + 8 * 4)) << "size by the layout";

    m_Target.RootModel().CreateAttribute("Second");
    qxtest::ExpectUndoable(m_Target, [&] { return m_Target.PasteCmd(block.Handle, nullptr, 1); });
    EXPECT_EQ(m_Target.CmdManager().GetCurCmd()->GetType(), QX_CMD_PASTE) << "one undoable step";
    ASSERT_NE(Pasted(), nullptr);
    EXPECT_STREQ(Pasted()->GetName(), "Mesh1");
    EXPECT_EQ(QxDumpGeometry(*Pasted()), QxDumpGeometry(*m_Grid)) << "one record: positions stay in the object's space";
    EXPECT_TRUE(Pasted()->IsSelect()) << "the pasted object comes selected";
}

TEST_F(Clipboard, SeveralObjectsTravelInRootSpaceInOneVertexList) {
    CQxObject* cube = QxAdd(m_Source.RootModel(), QxNewCube(2.0f), "Cube");
    cube->Translate() = CQxVector(0.0f, 5.0f, 0.0f);
    CQxSelects both(m_Grid);
    both.Merge(CQxSelect(cube));
    m_Source.SelectObjects(both, QX_SELECT_REPLACE, 0);
    Block block(m_Source.CopySelectObjects());
    CQxClipRecords records;
    ASSERT_TRUE(QxReadClipBlock(block.Handle, records));

    ASSERT_EQ(records.Vertices.size(), 9u + 8u);
    const CQxMatrix gridToRoot = m_Grid->GetTransformToRoot(QX_TF_ALL, 0);
    EXPECT_TRUE(QxNear(records.Vertices[4].Position, gridToRoot.Transform(Vertex(1, 1)->Position())));
    EXPECT_TRUE(QxNear(records.Vertices[9].Position, cube->Mesh().Vertices().GetAt(0)->Position() + CQxVector(0, 5, 0)));
    for (std::size_t i = 4; i < records.Faces.size(); ++i)
        for (const CQxClipCorner& c : records.Faces[i].Corners)
            EXPECT_GE(c.Vertex, 9u) << "the cube's face " << i - 4 << " refers past the grid's vertices";
}

TEST_F(Clipboard, SelectedFacesCarryTheVerticesTheyUseAndNothingElse) {
    SelectFaces({Face(1, 1)});
    Block block(m_Source.CopySelectObjects());
    CQxClipRecords records;
    ASSERT_TRUE(QxReadClipBlock(block.Handle, records));
    ASSERT_EQ(records.Vertices.size(), 4u);
    EXPECT_EQ(records.Edges.size(), 0u) << "the free edge was not selected";
    ASSERT_EQ(records.Faces.size(), 1u);
    EXPECT_EQ(records.Vertices[0].Index, 4u) << "vertices in mesh order, with their old positions";
    EXPECT_EQ(records.Faces[0].Index, 3u);
}

TEST_F(Clipboard, AVertexSelectionIsNotCopyable) {
    CQxSelect record(m_Grid);
    record.Vertices().PushBack(Vertex(1, 1));
    m_Source.ToolManager().SetCurSelect(QX_SELECT_COMPONENT);
    m_Source.SelectObject(record, QX_SELECT_REPLACE, 0);
    EXPECT_FALSE(m_Source.IsCopyable());
    const int blocks = QxGetGlobalBlockCount();
    EXPECT_EQ(m_Source.CopySelectObjects(), nullptr);
    EXPECT_EQ(QxGetGlobalBlockCount(), blocks) << "no block left behind";
}

TEST_F(Clipboard, PastingIntoAMeshAppendsAndUndoTrimsItBack) {
    SelectFaces({Face(0, 0), Face(1, 0)});
    Block block(m_Source.CopySelectObjects());
    CQxObject* target = QxAdd(m_Target.RootModel(), QxNewGrid().release(), "Target");
    target->UpdateGraphics();
    qxtest::ExpectUndoable(m_Target, [&] { return m_Target.PasteCmd(block.Handle, target, 1); });
    EXPECT_EQ(target->Mesh().Vertices().GetCount(), 9u + 6u);
    EXPECT_EQ(target->Mesh().Faces().GetCount(), 4u + 2u);
    EXPECT_EQ(m_Target.RootModel().GetChildCount(), 1u) << "no new object";
}

TEST_F(Clipboard, FacesKeepTheirMaterialByPositionOrTakeTheCurrentOne) {
    Face(1, 1)->Attribute() = m_Source.RootModel().CreateAttribute("Third");
    SelectGrid();
    Block block(m_Source.CopySelectObjects());
    CQxModel& target = m_Target.RootModel(); // two materials, the first current
    CQxAttribute* first = target.GetAttribute(0);
    CQxAttribute* second = target.CreateAttribute("B");
    target.CurAttribute() = first;
    ASSERT_TRUE(m_Target.PasteCmd(block.Handle, nullptr, 0));
    CQxMesh& mesh = Pasted()->Mesh();
    EXPECT_EQ(mesh.Faces().GetAt(0)->Attribute(), first) << "position 0";
    EXPECT_EQ(mesh.Faces().GetAt(1)->Attribute(), second) << "position 1";
    EXPECT_EQ(mesh.Faces().GetAt(3)->Attribute(), first) << "position 2 is not in the list: the current material";
    EXPECT_EQ(mesh.Faces().GetAt(2)->IsShade(), 0) << "the flat face stays flat";
}

// --- Cut ---------------------------------------------------------------------------------------------

TEST_F(Clipboard, CutCarriesWhatCopyWouldAndDeletesItInOneStep) {
    SelectFaces({Face(1, 0)});
    Block copied(m_Source.CopySelectObjects());
    Block cut;
    qxtest::ExpectUndoable(m_Source,
                           [&] { return (cut.Handle = m_Source.CutSelectObjectsCmd(1)) != nullptr; });
    EXPECT_EQ(BytesOf(cut.Handle), BytesOf(copied.Handle)) << "the shared corners travel too";
    EXPECT_EQ(m_Grid->Mesh().Faces().GetCount(), 3u);
    EXPECT_EQ(m_Grid->Mesh().Vertices().GetCount(), 8u) << "only the corner no other face uses goes";
}

TEST_F(Clipboard, CuttingAModelAndUndoingGivesBackItsActions) {
    auto* model = QxAdd(m_Source.RootModel(), new CQxModel(1), "Robot");
    CQxObject* body = QxAdd(*model, QxNewCube(1.0f), "Body");
    model->AddAction(QxNewAction(QX_ACTION_ANIM, "Walk"));
    model->AddAction(QxNewAction(QX_ACTION_SOUND, "Step"));
    model->CurAction() = model->GetAction(1);
    CQxSelects both(model);
    both.Merge(CQxSelect(body));
    m_Source.SelectObjects(both, QX_SELECT_REPLACE, 0);
    Block cut(m_Source.CutSelectObjectsCmd(1));
    ASSERT_TRUE(cut.Handle);
    ASSERT_EQ(m_Source.RootModel().GetChildCount(), 1u);
    ASSERT_TRUE(m_Source.CmdManager().Undo());

    ASSERT_EQ(m_Source.RootModel().GetChild(1), model);
    ASSERT_EQ(model->GetActionCount(), 2u);
    EXPECT_NE(dynamic_cast<CQxAnimAction*>(model->GetAction(0)), nullptr);
    EXPECT_STREQ(model->GetAction(1)->GetName(), "Step");
    EXPECT_EQ(model->CurAction(), model->GetAction(1)) << "the current action is as it was";
}

// --- Blocks that must be refused ------------------------------------------------------------------

// The grid's block: V at 0, vertices from 4, E at 148, its edge at 152, F at 168, faces from 172
// (each 16 + 4 * 8 = 48 bytes: index, attribute, flag, n, then corners).
class ClipboardRefusal : public Clipboard {
protected:
    ClipboardRefusal() {
        SelectGrid();
        Block block(m_Source.CopySelectObjects());
        m_Bytes = BytesOf(block.Handle);
    }
    void ExpectRefused(const std::vector<unsigned char>& bytes) {
        Block block(bytes);
        CQxClipRecords records;
        EXPECT_FALSE(QxReadClipBlock(block.Handle, records));
        EXPECT_TRUE(records.Vertices.empty() && records.Faces.empty()) << "nothing half read";
        qxtest::ExpectRefused(m_Target, [&] { return m_Target.PasteCmd(block.Handle, nullptr, 1); });
    }
    static constexpr std::size_t kEdge = 152, kFaces = 172, kFirstCorner = kFaces + 16;
    std::vector<unsigned char> m_Bytes;
};

TEST_F(ClipboardRefusal, TheIntactBlockIsRead) {
    Block block(m_Bytes);
    EXPECT_TRUE(m_Target.PasteCmd(block.Handle, nullptr, 1));
}

// Each damage to the grid's block, one row each.
TEST_F(ClipboardRefusal, DamagedBlocksAreRefusedWhole) {
    using Bytes = std::vector<unsigned char>;
    const struct {
        const char* damage;
        std::function<void(Bytes&)> apply;
    } cases[] = {
        {"truncated", [](Bytes& b) { b.pop_back(); }},
        {"trailing bytes", [](Bytes& b) { b.push_back(0); }},
        {"a vertex count that lies", [](Bytes& b) { SetField(b, 0, 0xFFFFFFFF); }},
        {"a corner count that lies", [](Bytes& b) { SetField(b, kFaces + 12, 0x10000000); }},
        {"no vertex", [](Bytes& b) { b = Bytes(12, 0); }},
        {"a corner past the vertices", [](Bytes& b) { SetField(b, kFirstCorner, 9); }},
        {"an edge end past the vertices", [](Bytes& b) { SetField(b, kEdge + 8, 0x7FFFFFFF); }},
        {"an edge from a vertex to itself", [](Bytes& b) { SetField(b, kEdge + 8, Field(b, kEdge + 4)); }},
        {"a vertex twice in a ring", [](Bytes& b) { SetField(b, kFirstCorner + 8, Field(b, kFirstCorner)); }},
        // The next face then starts inside this one: refused either way.
        {"a face of two corners", [](Bytes& b) { SetField(b, kFaces + 12, 2); }},
        {"a position that is not a number",
         [](Bytes& b) {
             const float nan = std::numeric_limits<float>::quiet_NaN();
             std::memcpy(b.data() + 8, &nan, 4);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.damage);
        Bytes bytes = m_Bytes;
        c.apply(bytes);
        ExpectRefused(bytes);
    }
}

TEST_F(ClipboardRefusal, AHandleThatIsNoBlock) {
    int notABlock = 0;
    qxtest::ExpectRefused(m_Target, [&] { return m_Target.PasteCmd(&notABlock, nullptr, 1); });
    qxtest::ExpectRefused(m_Target, [&] { return m_Target.PasteCmd(nullptr, nullptr, 1); });
}

} // namespace
