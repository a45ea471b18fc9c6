#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "mesh_builders.h"
#include "message_recorder.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "scene_builders.h"
#include "scene_dump.h"
#include "scratch_dir.h"
#include "topology_check.h"
#include "undo_checks.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* BadFile = "MQOファイルが不正です.";
constexpr const char* ImportFailed = "インポート失敗";

// Every test reads in a folder of its own and keeps the message boxes shown.
class MqoFile : public ::testing::Test {
protected:
    QxScratchDir m_Dir;
    QxMessageRecorder m_Messages;

    // A whole document around the chunks given.
    static std::string Doc(const std::string& chunks) {
        return "Metasequoia Document\r\nFormat Text Ver 1.1\r\n\r\n" + chunks + "Eof\r\n";
    }
    // An object chunk holding the entries given.
    static std::string Object(const std::string& name, const std::string& entries) {
        return "Object \"" + name + "\" {\r\n" + entries + "}\r\n";
    }
    // Four vertices of a unit square in the XY plane.
    static std::string Square() {
        return "\tvertex 4 {\r\n\t\t0 0 0\r\n\t\t1 0 0\r\n\t\t1 1 0\r\n\t\t0 1 0\r\n\t}\r\n";
    }

    int ReadMqo(CQxScene& scene, const std::string& bytes, const char* name = "doc.mqo") {
        return scene.ReadMqoFile(m_Dir.Write(name, bytes).c_str());
    }
    unsigned int ReadFolder(const fs::path& folder);
    void ExpectOnlyMessage(const char* text, const char* caption) {
        ASSERT_EQ(m_Messages.Boxes().size(), 1u);
        EXPECT_EQ(m_Messages.Boxes()[0].Text, text);
        EXPECT_EQ(m_Messages.Boxes()[0].Caption, caption);
    }
};

CQxObject* Child(CQxScene& scene, const char* name) {
    CQxObject* o = scene.RootModel().FindName(name);
    EXPECT_NE(o, nullptr) << name;
    return o;
}

using qxtest::CornerIndices;

} // namespace

TEST_F(MqoFile, MaterialsBecomeAttributesWithTheirValuesAndTextures) {
    fs::create_directories(m_Dir.Path() / "tex");
    fs::copy_file(QxSampleTexture("sample_rgba_4x2.png"), m_Dir.Path() / "tex" / "a.png");
    // "ソ" in Shift_JIS ends in the byte of a backslash; the path must keep its meaning.
    fs::copy_file(QxSampleTexture("sample_rgba_4x2.png"), m_Dir.Path() / "ソ.png");
    const std::string doc = Doc("Material 3 {\r\n"
                                "\t\"red]]>\" shader(3) vcol(1) col(1.000 0.5 0.25 0.75) dif(0.9) amb(0.1) "
                                "emi(0.2) spc(0.3) power(7.5) reflect(0.1) proj_pos(0 0 0) "
                                "tex(\"tex\\a.png\") aplane(\"none.png\") bump(\"\x83\x5c.png\")\r\n"
                                "\t\"red\" col(0 0 0 1) bump(\"y.bmp\")\r\n"
                                "\t\"Material1\"\r\n}\r\n");
    CQxScene scene;
    const unsigned int before = scene.RootModel().GetAttributeCount();
    ASSERT_EQ(ReadMqo(scene, doc), 1);
    CQxModel& model = scene.RootModel();
    ASSERT_EQ(model.GetAttributeCount(), before + 3);
    const CQxAttribute* red = model.GetAttribute(before);
    EXPECT_STREQ(red->GetName(), "red");
    EXPECT_STREQ(model.GetAttribute(before + 1)->GetName(), "red1");
    // A name the model already held gets a number too.
    EXPECT_STREQ(model.GetAttribute(before + 2)->GetName(), "Material11");
    const CQxColorMaterial& m = red->ColorMaterial();
    EXPECT_EQ(m.Color(), CQxColor(1.0f, 0.5f, 0.25f, 0.75f));
    EXPECT_EQ(m.Diffuse(), 0.9f);
    EXPECT_EQ(m.Ambient(), 0.1f);
    EXPECT_EQ(m.Emissive(), 0.2f);
    EXPECT_EQ(m.Specular(), 0.3f);
    EXPECT_EQ(m.Power(), 7.5f);

    ASSERT_EQ(red->GetTextureStageCount(), 3u);
    const struct {
        QX_COLOR_OP_TYPE Color;
        QX_ALPHA_OP_TYPE Alpha;
        bool Loaded;
        const char* Path;
    } stages[] = {{QX_COLOR_OP_MODULATE, QX_ALPHA_OP_TEXTURE, true, "tex\\a.png"},
                  {QX_COLOR_OP_CURRENT, QX_ALPHA_OP_TEXTURE, false, "none.png"},
                  {QX_COLOR_OP_BUMP, QX_ALPHA_OP_CURRENT, true, "ソ.png"}};
    for (unsigned int i = 0; i < 3; ++i) {
        const CQxTextureStage* s = red->GetTextureStage(i);
        EXPECT_EQ(s->GetColorOp(), stages[i].Color) << i;
        EXPECT_EQ(s->GetAlphaOp(), stages[i].Alpha) << i;
        EXPECT_EQ(s->GetMinFilter(), QX_FILTER_LINEAR) << i;
        EXPECT_EQ(s->GetMagFilter(), QX_FILTER_LINEAR) << i;
        EXPECT_EQ(s->IsLoaded() != 0, stages[i].Loaded) << i;
        EXPECT_STREQ(s->GetPath().GetStr(), stages[i].Path) << i;
    }
    // Textures that cannot be loaded are listed together once; the import goes on.
    ExpectOnlyMessage("\"none.png\",\n\"y.bmp\"\nの読み込みに失敗しました.",
                      "テクスチャーファイルの読み込み");
}

TEST_F(MqoFile, ObjectsCarryTheirTransformMirrorAndShading) {
    const std::string doc =
        Doc(Object("obj", "\tscale 2 3 4\r\n\trotation 90 -45 10\r\n\ttranslation 1 2 3\r\n\tvisible 0\r\n"
                          "\tlocking 1\r\n\tshading 1\r\n\tmirror 2\r\n\tmirror_axis 5\r\n" +
                              Square() + "\tface 1 {\r\n\t\t4 V(0 1 2 3)\r\n\t}\r\n") +
            Object("obj", "\tmirror 1\r\n\tmirror_axis 2\r\n" + Square() +
                              "\tface 1 {\r\n\t\t3 V(0 1 2)\r\n\t}\r\n") +
            Object("empty", "\tvertex 0 {\r\n\t}\r\n\tface 0 {\r\n\t}\r\n"));
    CQxScene scene;
    ASSERT_EQ(ReadMqo(scene, doc), 1);
    EXPECT_TRUE(m_Messages.Boxes().empty());
    CQxObject* first = Child(scene, "obj");
    CQxObject* second = Child(scene, "obj1");
    ASSERT_TRUE(first && second && Child(scene, "empty"));
    EXPECT_EQ(first->Scale(), CQxVector(2, 3, 4));
    EXPECT_EQ(first->Angle(), CQxVector(90, -45, 10));
    EXPECT_EQ(first->Translate(), CQxVector(1, 2, 3));
    EXPECT_EQ(first->IsVisible(), 0);
    EXPECT_EQ(first->MirrorFlags(), static_cast<unsigned int>(QX_AXIS_X | QX_AXIS_Z));
    EXPECT_EQ(first->IsMirrorConnect(), 1);
    EXPECT_EQ(first->Mesh().Faces().GetAt(0)->IsShade(), 0); // "shading 1"
    EXPECT_EQ(second->IsVisible(), 1);
    EXPECT_EQ(second->MirrorFlags(), static_cast<unsigned int>(QX_AXIS_Y));
    EXPECT_EQ(second->IsMirrorConnect(), 0);
    EXPECT_EQ(second->Mesh().Faces().GetAt(0)->IsShade(), 1); // no "shading" line
    EXPECT_EQ(second->GetParent(), &scene.RootModel());
}

TEST_F(MqoFile, FacesKeepTheirCornersMaterialsAndUVs) {
    const std::string doc =
        Doc("Material 2 {\r\n\"a\"\r\n\"b\"\r\n}\r\n" +
            Object("poly", "\tvertex 7 {\r\n0 0 0\r\n1 0 0\r\n1 1 0\r\n0 1 0\r\n2 0 0\r\n2 1 0\r\n"
                           "1.5 1.5 0\r\n}\r\n"
                           "\tface 9 {\r\n"
                           "\t\t3 V(0 1 2) M(1) UV(0 0 0.5 0 0.5 1)\r\n"
                           "\t\t4 V(0 2 3 3) M(0) UID(7)\r\n" // a padded triangle
                           "\t\t5 V(1 4 5 6 2) M(9)\r\n"      // a pentagon, no such material
                           "\t\t2 V(4 5)\r\n"                 // a line
                           "\t\t2 V(5 5)\r\n"                 // a point
                           "\t\t3 V(0 0 1)\r\n"               // no area
                           "\t\t4 V(0 1 0 2)\r\n"             // a vertex twice
                           "\t\t1 V(3)\r\n"
                           "\t\t4 v(3 2 5 4) m(0) uv(0 0 1 0 1 1 0 1) col(1 2 3 4)\r\n"
                           "\t}\r\n"));
    CQxScene scene;
    const unsigned int before = scene.RootModel().GetAttributeCount();
    ASSERT_EQ(ReadMqo(scene, doc), 1);
    CQxObject* poly = Child(scene, "poly");
    ASSERT_NE(poly, nullptr);
    CQxMesh& mesh = poly->Mesh();
    EXPECT_TRUE(QxTopologyIsSound(mesh));
    ASSERT_EQ(mesh.Faces().GetCount(), 4u);
    const CQxAttribute* a = scene.RootModel().GetAttribute(before);
    const CQxAttribute* b = scene.RootModel().GetAttribute(before + 1);

    const CQxFace* tri = mesh.Faces().GetAt(0);
    EXPECT_EQ(CornerIndices(mesh, *tri), (std::vector<unsigned int>{2, 1, 0}));
    EXPECT_EQ(tri->Attribute(), b);
    // Each corner keeps the coordinate given with its vertex.
    tri->ForEachHalfEdge([](const CQxHalfEdge& h) {
        ASSERT_TRUE(h.HasUV());
        const CQxVector& p = h.GetVertex()->Position();
        EXPECT_EQ(h.UV(), CQxVector2D(p.x * 0.5f, p.y));
    });
    const CQxFace* padded = mesh.Faces().GetAt(1);
    EXPECT_EQ(CornerIndices(mesh, *padded), (std::vector<unsigned int>{3, 2, 0}));
    EXPECT_EQ(padded->Attribute(), a);
    EXPECT_FALSE(padded->GetHalfEdge()->HasUV());
    const CQxFace* pentagon = mesh.Faces().GetAt(2);
    EXPECT_EQ(CornerIndices(mesh, *pentagon), (std::vector<unsigned int>{2, 6, 5, 4, 1}));
    EXPECT_EQ(pentagon->Attribute(), nullptr);
    const CQxFace* lower = mesh.Faces().GetAt(3);
    EXPECT_EQ(CornerIndices(mesh, *lower), (std::vector<unsigned int>{4, 5, 2, 3}));
    EXPECT_EQ(lower->Attribute(), a);
    EXPECT_EQ(lower->GetHalfEdge()->UV(), CQxVector2D(0, 1));

    ASSERT_EQ(mesh.Edges().GetCount(), 1u);
    EXPECT_EQ(mesh.Vertices().Find(mesh.Edges().GetAt(0)->Vertex(0)), 4u);
    EXPECT_EQ(mesh.Vertices().Find(mesh.Edges().GetAt(0)->Vertex(1)), 5u);
    EXPECT_EQ(poly->HasUV(), 1);
    // Neighbours are linked: the triangle's side 2-1 runs the other way round the pentagon.
    ASSERT_NE(tri->GetHalfEdge()->Mate(), nullptr);
    EXPECT_EQ(tri->GetHalfEdge()->Mate()->GetFace(), pentagon);
}

TEST_F(MqoFile, ShiftJisNamesBecomeUtf8) {
    // ボックス and 木 in Shift_JIS; an object already in UTF-8; bytes that are neither.
    const std::string doc =
        Doc("Material 1 {\r\n\"\x96\xd8\"\r\n}\r\n" + Object("\x83\x7b\x83\x62\x83\x4e\x83\x58", "") +
            Object("椅子", "") + Object("a\x80z\x83", ""));
    CQxScene scene;
    const unsigned int before = scene.RootModel().GetAttributeCount();
    ASSERT_EQ(ReadMqo(scene, doc), 1);
    EXPECT_STREQ(scene.RootModel().GetAttribute(before)->GetName(), "木");
    EXPECT_NE(scene.RootModel().FindName("ボックス"), nullptr);
    EXPECT_NE(scene.RootModel().FindName("椅子"), nullptr);
    EXPECT_NE(scene.RootModel().FindName("a\xEF\xBF\xBDz\xEF\xBF\xBD"), nullptr);
}

TEST_F(MqoFile, UnknownKeywordsAreSkippedWithTheirValues) {
    const std::string doc =
        Doc("Thumbnail 2 2 24 rgb raw {\r\n\tFFFFFF000000\r\n}\r\n"
            "IncludeXml \"x.mqx\"\r\n"
            "Scene {\r\n\tdirlights 1 {\r\n\t\tlight {\r\n\t\t\tdir 0 0 1\r\n\t\t}\r\n\t}\r\n}\r\n"
            "Future { \"}\" { } ( ) }\r\n"
            "Material2 2 {\r\n}\r\n"
            "Material 1 {\r\n\"m\" newparam(\"a(b)\" (1 2)) col(1 0 0 1)\r\n}\r\n"
            "MaterialEx2 1 {\r\n\tmaterial 0 {\r\n\t\tshaderparam 1 {\r\n\t\t\tA float 1\r\n"
            "\t\t}\r\n\t}\r\n}\r\n" +
            Object("o", "\tuid 3\r\n\tdepth 0\r\n\tpatch 3\r\n\tsegment 2\r\n\tcolor 1 0 0\r\n" + Square() +
                            "\tvertexattr {\r\n\t\tuid {\r\n\t\t\t1\r\n\t\t}\r\n\t}\r\n"
                            "\tface 1 {\r\n\t\t4 V(0 1 2 3) M(0) CRS(0 0)\r\n\t}\r\n"));
    CQxScene scene;
    ASSERT_EQ(ReadMqo(scene, doc), 1);
    EXPECT_TRUE(m_Messages.Boxes().empty());
    CQxObject* o = Child(scene, "o");
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->Mesh().Faces().GetCount(), 1u);
    EXPECT_EQ(o->SubdivisionLevel(), 0u);
    EXPECT_EQ(o->Mesh().Faces().GetAt(0)->Attribute()->ColorMaterial().Color(), CQxColor(1, 0, 0, 1));
}

TEST_F(MqoFile, BinaryVerticesAreLittleEndianFloats) {
    // 1.0f is 00 00 80 3F, 2.0f 00 00 00 40, -1.0f 00 00 80 BF.
    const std::string floats = std::string("\0\0\x80\x3F\0\0\0\x40\0\0\x80\xBF", 12) +
                               std::string("\0\0\0\0\0\0\0\0\0\0\0\0", 12) +
                               std::string("\0\0\x80\x3F\0\0\x80\x3F\0\0\x80\x3F", 12);
    auto doc = [&](const std::string& size, const std::string& data) {
        return Doc(Object("b", "\tBVertex 3 {\r\n\t\tVector 3 " + size + "\r\n" + data +
                                   "\r\n\t\tweit 0 [0]\r\n\t}\r\n\tface 1 {\r\n\t\t3 V(0 1 2)\r\n\t}\r\n"));
    };
    CQxScene scene;
    ASSERT_EQ(ReadMqo(scene, doc("[36]", floats)), 1);
    CQxObject* b = Child(scene, "b");
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->Mesh().Vertices().GetCount(), 3u);
    EXPECT_EQ(b->Mesh().Vertices().GetAt(0)->Position(), CQxVector(1, 2, -1));
    EXPECT_EQ(b->Mesh().Vertices().GetAt(2)->Position(), CQxVector(1, 1, 1));
    EXPECT_EQ(b->Mesh().Faces().GetCount(), 1u);

    // A size that does not match the count, data cut short by the end of the file, and a NaN
    // are refused.
    const std::string good = doc("[36]", floats);
    const std::string cut = good.substr(0, good.find("[36]") + 6 + 20);
    const std::string nan = std::string("\0\0\xC0\x7F", 4) + floats.substr(4);
    for (const std::string& bad : {doc("[24]", floats), cut, doc("36", floats), doc("[36]", nan)}) {
        m_Messages.Clear();
        CQxScene fresh;
        EXPECT_EQ(ReadMqo(fresh, bad), 0);
        ExpectOnlyMessage(BadFile, ImportFailed);
        EXPECT_EQ(fresh.RootModel().GetChildCount(), 0u);
    }
}

TEST_F(MqoFile, StructureFaultsFailWithTheMessageAndLeaveTheSceneAsItWas) {
    const std::string square = Square();
    const std::string faults[] = {
        "Metasequoia Document\r\nFormat Text Ver 1.0\r\nEof",            // fine: the control case
        "Metasequoia Documents\r\nFormat Text Ver 1.0\r\nEof",           // header words
        "metasequoia Document\r\nFormat Text Ver 1.0\r\nEof",            // the header is case-sensitive
        "Metasequoia Document\r\nFormat Binary Ver 1.0\r\nEof",          //
        "Metasequoia Document\r\nFormat Text Ver x\r\nEof",              // the version is a number
        "Metasequoia Document\r\nFormat Text Ver 1.0\r\n",               // no Eof
        "Metasequoia Document\r\nFormat Text Ver 1.0\r\nScene {\r\n",    // unbalanced
        Doc("}\r\n"),                                                    // a stray brace
        Doc("Material 2 {\r\n\"a\"\r\n}\r\n"),                           // fewer materials than counted
        Doc("Material 1 {\r\n\"a\"\r\n\"b\"\r\n}\r\n"),                  // more
        Doc("Material 1 {\r\na\r\n}\r\n"),                               // a name without quotes
        Doc("Material 1 {\r\n\"a\" col(1 1 1)\r\n}\r\n"),                // three values for four
        Doc("Material 1 {\r\n\"a\" dif(1e39)\r\n}\r\n"),                 // beyond float range
        Doc("Material 1 {\r\n\"a\" power(nan)\r\n}\r\n"),                //
        Doc("Material 1 {\r\n\"a\" tex(a.png)\r\n}\r\n"),                // a file name without quotes
        Doc("Material 1 {\r\n\"a\r\n}\r\n"),                             // an unterminated name
        Doc(Object("o", "\tvertex 5 {\r\n0 0 0\r\n}\r\n")),              // fewer vertices than counted
        Doc(Object("o", "\tvertex 1 {\r\n0 0 0\r\n1 1 1\r\n}\r\n")),     // more
        Doc(Object("o", "\tvertex 1 {\r\n0 inf 0\r\n}\r\n")),            //
        Doc(Object("o", "\tvertex 1 {\r\n0 0x10 0\r\n}\r\n")),           //
        Doc(Object("o", "\tvertex 99999999999999999999 {\r\n}\r\n")),    // a count beyond range
        Doc(Object("o", square + "\tface 1 {\r\n3 V(0 1 4)\r\n}\r\n")),  // a vertex outside
        Doc(Object("o", square + "\tface 1 {\r\n3 V(0 1 -1)\r\n}\r\n")), //
        Doc(Object("o", square + "\tface 1 {\r\n3 V(0 1)\r\n}\r\n")),    // fewer corners
        Doc(Object("o", square + "\tface 1 {\r\n3 V(0 1 2) UV(0 0)\r\n}\r\n")),  // fewer UVs
        Doc(Object("o", square + "\tface 1 {\r\n3 V(0 1 2) M(a)\r\n}\r\n")),     //
        Doc(Object("o", square + "\tface 1 {\r\n3 V(0 1 2) M\r\n}\r\n")),        //
        Doc(Object("o", square + "\tface 2 {\r\n3 V(0 1 2)\r\n}\r\n")),          // fewer faces
        Doc(Object("o", square + "\tface 4000000000 {\r\n3 V(0 1 2)\r\n}\r\n")), //
        Doc(Object("o", square + "\tface 1 {\r\n4294967296 V(0 1 2)\r\n}\r\n")), // a huge corner count
        Doc(Object("o", "\tscale 1 1\r\n")),                                     //
        Doc(Object("o", "\tvisible yes\r\n")),                                   //
        Doc("Object o {\r\n}\r\n"),                                              // a name without quotes
        Doc("Object \"o\" {\r\n\t1 2 3\r\n}\r\n"),                               // a number for a keyword
    };
    CQxScene scene;
    QxAdd(scene.RootModel(), QxNewCube(1.0f), "Existing");
    const std::string before = QxDumpScene(scene);
    for (const std::string& text : faults) {
        SCOPED_TRACE(text);
        m_Messages.Clear();
        const bool control = &text == &faults[0];
        EXPECT_EQ(ReadMqo(scene, text), control ? 1 : 0);
        if (control) {
            EXPECT_TRUE(m_Messages.Boxes().empty());
            continue;
        }
        ExpectOnlyMessage(BadFile, ImportFailed);
        QX_EXPECT_SAME_DUMP(before, QxDumpScene(scene));
    }
}

TEST_F(MqoFile, EveryCutOfADocumentFailsCleanly) {
    const std::string doc = Doc("Material 1 {\r\n\"m\" col(1 0 0 1) tex(\"none.png\")\r\n}\r\n" +
                                Object("o", Square() + "\tface 2 {\r\n\t\t3 V(0 1 2) M(0) UV(0 0 1 0 1 1)\r\n"
                                                       "\t\t3 V(0 2 3)\r\n\t}\r\n"));
    CQxScene scene;
    const std::string before = QxDumpScene(scene);
    for (std::size_t cut = 0; cut + 4 < doc.size(); ++cut) {
        m_Messages.Clear();
        const std::string text = doc.substr(0, cut);
        const int result = ReadMqo(scene, text);
        ASSERT_EQ(result, 0) << cut;
        ASSERT_EQ(m_Messages.Boxes().size(), 1u) << cut;
        ASSERT_EQ(m_Messages.Boxes()[0].Text, cut == 0 ? "ファイルが空です." : BadFile) << cut;
        ASSERT_EQ(QxDumpScene(scene), before) << cut;
    }
}

TEST_F(MqoFile, FilesThatCannotBeReadAreReported) {
    CQxScene scene;
    const std::string missing = m_Dir.File("missing.mqo"), empty = m_Dir.Write("empty.mqo", "");
    const std::pair<std::string, std::string> cases[] = {
        {missing, "\"" + missing + "\"\nの読み込みに失敗しました."},
        {m_Dir.Path().string(), "\"" + m_Dir.Path().string() + "\"\nの読み込みに失敗しました."}, // a folder
        {empty, "ファイルが空です."}};
    for (const auto& [path, message] : cases) {
        m_Messages.Clear();
        EXPECT_EQ(scene.ReadMqoFile(path.c_str()), 0) << path;
        ExpectOnlyMessage(message.c_str(), "読み込み失敗");
    }
}

TEST_F(MqoFile, ReadFileReplacesTheSceneAndFitsTheGrid) {
    CQxScene scene;
    QxAdd(scene.RootModel(), QxNewCube(1.0f), "Old");
    const std::string wide = Doc(Object("wide", "\tvertex 3 {\r\n-175 0 0\r\n175 0 0\r\n0 10 0\r\n}\r\n"
                                                "\tface 1 {\r\n3 V(0 1 2)\r\n}\r\n"));
    ASSERT_EQ(scene.ReadFile(m_Dir.Write("WIDE.MQO", wide).c_str(), 0), 1);
    EXPECT_EQ(scene.RootModel().FindName("Old"), nullptr);
    EXPECT_NE(scene.RootModel().FindName("wide"), nullptr);
    EXPECT_EQ(scene.Grid().Length(), 200.0f);
    EXPECT_EQ(scene.Grid().Interval(), 20.0f);
}

TEST_F(MqoFile, TextCanBeReadBelowAnyObject) {
    CQxScene scene;
    CQxModel* sub = QxAdd(scene.RootModel(), new CQxModel(1), "Sub");
    sub->ClearAttributes();
    CQxObject* holder = QxAdd(*sub, new CQxObject(1), "m");
    const std::string doc = Doc("Material 1 {\r\n\"mat\"\r\n}\r\n" +
                                Object("m", Square() + "\tface 1 {\r\n4 V(0 1 2 3) M(0)\r\n}\r\n"));
    ASSERT_EQ(scene.ReadMqoText(doc, holder, m_Dir.Path().c_str()), 1);
    ASSERT_EQ(sub->GetAttributeCount(), 1u);
    ASSERT_EQ(holder->GetChildCount(), 1u);
    CQxObject* read = holder->GetChild(0);
    EXPECT_STREQ(read->GetName(), "m1"); // the model already held an "m"
    EXPECT_EQ(read->Mesh().Faces().GetAt(0)->Attribute(), sub->GetAttribute(0));
}

// Reads every file of the folder: each loads with sound meshes (missing textures may be
// reported), but a zipped document is refused. Returns the number of files.
unsigned int MqoFile::ReadFolder(const fs::path& folder) {
    unsigned int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        m_Messages.Clear();
        CQxScene scene;
        ++files;
        if (entry.path().extension() == ".mqoz") {
            // A zip archive: no reader takes the extension, and the MQO reader refuses the bytes.
            EXPECT_EQ(scene.ReadFile(path.c_str(), 0), 0);
            ExpectOnlyMessage("対応してないファイルです.", "");
            m_Messages.Clear();
            EXPECT_EQ(scene.ReadMqoFile(path.c_str()), 0);
            ExpectOnlyMessage(BadFile, ImportFailed);
            continue;
        }
        EXPECT_EQ(scene.ReadFile(path.c_str(), 0), 1);
        for (const auto& box : m_Messages.Boxes())
            EXPECT_EQ(box.Caption, "テクスチャーファイルの読み込み") << box.Text;
        for (auto it = scene.RootModel().Begin(); !it.IsEnd(); ++it)
            EXPECT_TRUE(QxTopologyIsSound(it->Mesh())) << it->GetName();
    }
    return files;
}

TEST_F(MqoFile, TheFuzzSeedsLoad) {
    const char* data = std::getenv("QX_TEST_DATA");
    EXPECT_EQ(ReadFolder(fs::path(data ? data : "assets") / "mqo"), 3u);
}

TEST_F(MqoFile, EveryCorpusFileLoadsOrIsRefused) {
    const fs::path corpus = QX_MQO_CORPUS;
    if (!fs::exists(corpus)) GTEST_SKIP() << "no corpus on this machine";
    EXPECT_EQ(ReadFolder(corpus), 10u);
    // Spot checks on two of them.
    CQxScene ninja;
    ASSERT_EQ(ninja.ReadFile((corpus / "glmetaseq_ninja.mqo").c_str(), 0), 1);
    EXPECT_EQ(ninja.RootModel().GetChildCount(), 17u);
    EXPECT_EQ(ninja.RootModel().GetAttributeCount(), 8u);
    CQxScene chair;
    ASSERT_EQ(chair.ReadFile((corpus / "webgl-metasequoia_isu.mqo").c_str(), 0), 1);
    EXPECT_STREQ(chair.RootModel().GetAttribute(0)->GetName(), "木");
    EXPECT_NE(chair.RootModel().FindName("イス"), nullptr);
}

TEST_F(MqoFile, ImportGoesBelowTheParentWithItsMaterialsAndUndoGivesBackTheScene) {
    CQxScene scene;
    CQxObject* group = QxAdd(scene.RootModel(), new CQxGroup(1), "Group");
    const std::string doc = Doc("Material 1 {\r\n\t\"Red\" col(1 0 0 1)\r\n}\r\n" +
                                Object("Plate", Square() + "\tface 1 {\r\n\t\t4 V(0 1 2 3) M(0)\r\n\t}\r\n"));
    const std::string path = m_Dir.Write("plate.mqo", doc);
    qxtest::ExpectUndoable(scene, [&] { return scene.ImportFileCmd(path.c_str(), group, 1) == 1; });
    ASSERT_EQ(group->GetChildCount(), 1u);
    EXPECT_EQ(group->GetChild(0)->Mesh().Faces().GetCount(), 1u);
    EXPECT_NE(scene.RootModel().FindAttribute("Red"), nullptr);
}
