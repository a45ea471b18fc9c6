#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

#include "qx/xml/xml_document.h"
#include "sample_documents.h"
#include "scratch_dir.h"

namespace fs = std::filesystem;

namespace {

// The names in a folder, sorted.
std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Compares two trees node by node without recursion; reports the first difference.
::testing::AssertionResult SameTree(const CQxXmlElement* a, const CQxXmlElement* b) {
    std::vector<std::pair<const CQxXmlElement*, const CQxXmlElement*>> stack{{a, b}};
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        std::string where = std::string("at <") + x->GetName() + ">";
        if (x->GetNodeType() != y->GetNodeType() || std::strcmp(x->GetName(), y->GetName()) != 0)
            return ::testing::AssertionFailure() << where << " node differs from <" << y->GetName() << ">";
        if (x->GetContent() != y->GetContent())
            return ::testing::AssertionFailure() << where << " content \"" << x->GetContentStr() << "\" != \""
                                                 << y->GetContentStr() << "\"";
        if (x->GetAttributeCount() != y->GetAttributeCount() || x->GetChildCount() != y->GetChildCount())
            return ::testing::AssertionFailure() << where << " attribute or child counts differ";
        for (unsigned int i = 0; i < x->GetAttributeCount(); ++i) {
            const CQxXmlAttribute* p = x->GetAttribute(i);
            const CQxXmlAttribute* q = y->GetAttribute(i);
            if (std::strcmp(p->GetName(), q->GetName()) != 0 || p->GetContent() != q->GetContent())
                return ::testing::AssertionFailure() << where << " attribute " << p->GetName() << " differs";
        }
        for (unsigned int i = 0; i < x->GetChildCount(); ++i)
            stack.push_back({x->GetChild(i), y->GetChild(i)});
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(XmlDocument, WriteThenReadGivesTheSameTree) {
    CQxXmlDoc doc;
    BuildSample(doc);
    CQxString text;
    ASSERT_EQ(doc.WriteString(text), 1);
    // Markup characters are escaped and CR survives as a reference; the layout uses LF only.
    EXPECT_NE(text.Find("&amp;"), CQxString::NotFound);
    EXPECT_NE(text.Find("&lt;タグ&gt;"), CQxString::NotFound);
    EXPECT_NE(text.Find("&quot;a&amp;b&quot;.png&#9;&lt;1&gt;&#13;&#10;\""), CQxString::NotFound);
    EXPECT_EQ(text.Find("\r"), CQxString::NotFound);

    CQxXmlDoc memory;
    ASSERT_EQ(memory.ReadString(text.GetStr(), text.GetLength()), 1) << memory.GetErrorText();
    EXPECT_TRUE(SameTree(doc.GetRootElement(), memory.GetRootElement()));

    QxScratchDir dir;
    ASSERT_EQ(doc.WriteFile(dir.File("a.kel").c_str()), 1) << doc.GetErrorText();
    EXPECT_EQ(QxScratchDir::Read(dir.File("a.kel")), std::string(text.GetStr()));
    CQxXmlDoc file;
    ASSERT_EQ(file.ReadFile(dir.File("a.kel").c_str()), 1) << file.GetErrorText();
    EXPECT_TRUE(SameTree(doc.GetRootElement(), file.GetRootElement()));
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a.kel"});

    // The values read back exactly, through the typed readers.
    CQxXmlElement* model = file.GetDocumentElement()->GetFirstChildElementByName("Model");
    ASSERT_NE(model, nullptr);
    auto child = [&](const char* name) { return model->GetFirstChildElementByName(name); };
    EXPECT_EQ(child("Vertices")->GetType(), 1);
    CQxArray<float> floats;
    ASSERT_EQ(child("Vertices")->GetContentAsFloats(floats), 8u);
    EXPECT_EQ(std::memcmp(floats.GetData(), kFloats, sizeof kFloats), 0);
    unsigned int count = 0, mask = 0;
    EXPECT_EQ(child("Vertices")->GetAttributeByName("Count")->GetContentAsUint(count), 1);
    EXPECT_EQ(count, 8u);
    CQxArray<int> ints;
    EXPECT_EQ(child("Ints")->GetContentAsInts(ints, ";, \t\r\n"), 4u);
    EXPECT_EQ(ints[3], -2147483647 - 1);
    EXPECT_EQ(child("Mask")->GetContentAsUint(mask), 1);
    EXPECT_EQ(mask, 4000000000u);
    float color[4];
    EXPECT_EQ(child("Textures")->GetChild(0)->GetAttributeByName("Color")->GetContentAsFloats(color, 4), 4u);
    EXPECT_EQ(std::memcmp(color, kFloats, sizeof color), 0);
}

TEST(XmlDocument, TypedReadersAndLookups) {
    CQxXmlDoc doc;
    ASSERT_EQ(
        doc.ReadString("<?xml version='1.0' encoding='ISO-8859-1'?><R a='True' b=' false ' c='1' d='yes'>"
                       "<N>12abc</N><N>-3</N><U>-1</U><F> 2.5 , 7 </F><L>1,2, x ,4</L><B>\xe9</B></R>"),
        1);
    CQxXmlElement* r = doc.GetDocumentElement();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(doc.GetRootElement()->GetChild(0)->GetNodeType(), QX_XML_NODE_DECLARE);
    // "yes" is no boolean: the value is left as it was.
    int flag = 7;
    for (auto [name, read, value] : {std::tuple{"a", 1, 1}, {"b", 1, 0}, {"c", 1, 1}, {"d", 0, 1}}) {
        EXPECT_EQ(r->GetAttributeByName(name)->GetContentAsBool(flag), read) << name;
        EXPECT_EQ(flag, value) << name;
    }
    EXPECT_EQ(r->GetAttributeByName("missing"), nullptr);

    int value = 99;
    EXPECT_EQ(r->GetFirstChildElementByName("N")->GetContentAsInt(value), 0); // first of two, not a number
    EXPECT_EQ(value, 99);
    EXPECT_EQ(r->GetChild(1)->GetContentAsInt(value), 1);
    EXPECT_EQ(value, -3);
    unsigned int u = 5;
    EXPECT_EQ(r->GetFirstChildElementByName("U")->GetContentAsUint(u), 0);
    float f[2] = {};
    EXPECT_EQ(r->GetFirstChildElementByName("F")->GetContentAsFloats(f, 2), 2u);
    EXPECT_EQ(f[1], 7.0f);
    CQxArray<int> list{9, 9};
    EXPECT_EQ(r->GetFirstChildElementByName("L")->GetContentAsInts(list), 2u); // stops at "x"
    EXPECT_EQ(list, (CQxArray<int>{1, 2}));
    EXPECT_STREQ(r->GetFirstChildElementByName("B")->GetContentStr(), "\xc3\xa9"); // converted to UTF-8
    EXPECT_EQ(r->GetChild(99), nullptr);
    EXPECT_EQ(r->GetFirstChildElementByName("Nothing"), nullptr);
    EXPECT_EQ(doc.GetRootElement()->GetFirstChildElementByName("xml"), nullptr); // not an element
}

TEST(XmlDocument, MixedAndLayoutTextRoundTrip) {
    CQxXmlDoc doc;
    ASSERT_EQ(doc.ReadString("<R>\n  <A>text<B>\n <C/>\n</B>more</A>\n  <W>   </W>\n</R>"), 1);
    CQxXmlElement* a = doc.GetDocumentElement()->GetChild(0);
    EXPECT_STREQ(doc.GetDocumentElement()->GetContentStr(), ""); // layout only
    EXPECT_STREQ(a->GetContentStr(), "textmore");
    EXPECT_STREQ(a->GetChild(0)->GetContentStr(), "");
    EXPECT_STREQ(doc.GetDocumentElement()->GetChild(1)->GetContentStr(), "   ");
    CQxString text;
    ASSERT_EQ(doc.WriteString(text), 1);
    CQxXmlDoc again;
    ASSERT_EQ(again.ReadString(text), 1);
    EXPECT_TRUE(SameTree(doc.GetRootElement(), again.GetRootElement()));
}

TEST(XmlDocument, ContentCheckAndUnrepresentableCharacters) {
    EXPECT_EQ(QxCheckXmlContent("日本語 & <> \"' \t\r\n"), 1);
    EXPECT_EQ(QxCheckXmlContent(""), 1);
    EXPECT_EQ(QxCheckXmlContent(nullptr), 0);
    for (const char* bad : {"a\x01", "\x1f", "\xc3\x28", "\xc0\xaf", "\xed\xa0\x80", "\xef\xbf\xbe",
                            "\xf4\x90\x80\x80", "\xe6\x97"})
        EXPECT_EQ(QxCheckXmlContent(bad), 0) << bad;

    // The writer replaces what XML cannot hold, so the document still reads.
    CQxXmlDoc doc;
    doc.GetRootElement()->AppendChild("R", "a\x01z\xff!", 1)->AppendAttribute("v", "\x02");
    CQxString text;
    ASSERT_EQ(doc.WriteString(text), 1);
    CQxXmlDoc again;
    ASSERT_EQ(again.ReadString(text), 1);
    EXPECT_STREQ(again.GetDocumentElement()->GetContentStr(), "a\xef\xbf\xbdz\xef\xbf\xbd!");
    EXPECT_STREQ(again.GetDocumentElement()->GetAttribute(0)->GetContentStr(), "\xef\xbf\xbd");

    // Trees that could not be read back are not written.
    for (const char* name : {"", "1x", "a b", "a<", "\xff"}) {
        CQxXmlDoc bad;
        bad.GetRootElement()->AppendChild(name);
        EXPECT_EQ(bad.WriteString(text), 0) << name;
        EXPECT_TRUE(text.IsEmpty());
    }
    CQxXmlDoc twice;
    CQxXmlElement* e = twice.GetRootElement()->AppendChild("R");
    e->AppendAttribute("a", 1);
    e->AppendAttribute("a", 2);
    EXPECT_EQ(twice.WriteString(text), 0);
    CQxXmlDoc twoTops;
    twoTops.GetRootElement()->AppendChild("A");
    twoTops.GetRootElement()->AppendChild("B");
    EXPECT_EQ(twoTops.WriteString(text), 0);
    EXPECT_EQ(CQxXmlDoc().WriteString(text), 0);
}

TEST(XmlDocument, BadDocumentsFailAndLeaveNothing) {
    for (const char* text : kBadDocuments) {
        CQxXmlDoc doc;
        ASSERT_EQ(doc.ReadString("<old/>"), 1);
        EXPECT_EQ(doc.ReadString(text), 0) << text;
        EXPECT_TRUE(doc.IsEmpty()) << text;
        EXPECT_STRNE(doc.GetErrorText(), "") << text;
    }

    // Every cut of a good document fails unless the top element is already complete.
    CQxXmlDoc sample;
    BuildSample(sample);
    CQxString text;
    ASSERT_EQ(sample.WriteString(text), 1);
    unsigned int complete = text.Find("</Scene>") + 8;
    CQxXmlDoc doc;
    for (unsigned int cut = 0; cut < text.GetLength(); cut += 3) {
        int expected = cut >= complete ? 1 : 0;
        ASSERT_EQ(doc.ReadString(text.GetStr(), cut), expected) << cut;
        EXPECT_EQ(doc.IsEmpty(), !expected);
    }

    QxScratchDir dir;
    EXPECT_EQ(doc.ReadFile(dir.File("missing.kel").c_str()), 0);
    EXPECT_EQ(doc.ReadFile(dir.Path().c_str()), 0);
    EXPECT_EQ(doc.ReadFile(nullptr), 0);
    EXPECT_TRUE(doc.IsEmpty());
    EXPECT_EQ(doc.ReadFile(dir.Write("cut.kel", std::string(text.GetStr(), complete - 1)).c_str()), 0);
    EXPECT_TRUE(doc.IsEmpty());
    EXPECT_GT(doc.GetErrorLine(), 1u);
}

TEST(XmlDocument, VeryDeepAndWideTreesReadWriteAndFree) {
    constexpr unsigned int kDepth = 100000;
    std::string text;
    for (unsigned int i = 0; i < kDepth; ++i) text += "<a>";
    text += "x";
    for (unsigned int i = 0; i < kDepth; ++i) text += "</a>";
    CQxString written;
    {
        CQxXmlDoc doc;
        ASSERT_EQ(doc.ReadString(text.c_str(), static_cast<unsigned int>(text.size())), 1)
            << doc.GetErrorText();
        ASSERT_EQ(doc.WriteString(written), 1);
    }
    CQxXmlDoc doc;
    ASSERT_EQ(doc.ReadString(written), 1);
    unsigned int depth = 0;
    const CQxXmlElement* e = doc.GetDocumentElement();
    for (; e->GetChildCount() == 1; e = e->GetChild(0)) ++depth;
    EXPECT_EQ(depth, kDepth - 1);
    EXPECT_STREQ(e->GetContentStr(), "x");
    // Indentation is capped, so the text stays linear in the depth.
    EXPECT_LT(written.GetLength(), 100u * kDepth);

    // Wide: many children and many attributes on one element.
    CQxXmlDoc wide;
    CQxXmlElement* top = wide.GetRootElement()->AppendChild("W");
    for (unsigned int i = 0; i < kDepth; ++i) top->AppendChild("c", i);
    for (unsigned int i = 0; i < 20000; ++i) top->AppendAttribute(("a" + std::to_string(i)).c_str(), i);
    ASSERT_EQ(wide.WriteString(written), 1);
    ASSERT_EQ(doc.ReadString(written), 1);
    EXPECT_TRUE(SameTree(wide.GetRootElement(), doc.GetRootElement()));
    top->AppendAttribute("a19999", 0u);
    EXPECT_EQ(wide.WriteString(written), 0); // a name twice among many
}

TEST(XmlDocument, FailedSaveLeavesTheOldFile) {
    QxScratchDir dir;
    const std::string path = dir.File("scene.kel");
    CQxXmlDoc doc;
    BuildSample(doc);
    ASSERT_EQ(doc.WriteFile(path.c_str()), 1);
    const std::string old = QxScratchDir::Read(path);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);

    // A tree that cannot be written touches nothing.
    CQxXmlDoc bad;
    bad.GetRootElement()->AppendChild("not a name");
    EXPECT_EQ(bad.WriteFile(path.c_str()), 0);

    // The disk fills up halfway: the file size limit makes a write fail.
    CQxXmlDoc big;
    CQxXmlElement* list = big.GetRootElement()->AppendChild("Big");
    for (int i = 0; i < 200000; ++i) list->GetContent().AddFloat(i * 0.37f).Append(",\r\n", 3);
    EXPECT_EQ(QxWithFileSizeLimit(64 * 1024, [&] { return big.WriteFile(path.c_str()); }), 0);
    EXPECT_STRNE(big.GetErrorText(), "");

    // A folder in the way, a folder that does not exist, a folder we may not write to.
    fs::create_directory(dir.Path() / "folder");
    EXPECT_EQ(doc.WriteFile(dir.File("folder").c_str()), 0);
    EXPECT_EQ(doc.WriteFile(dir.File("none/x.kel").c_str()), 0);
    if (geteuid() != 0) {
        fs::permissions(dir.Path(), fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_EQ(doc.WriteFile(path.c_str()), 0);
        fs::permissions(dir.Path(), fs::perms::owner_write, fs::perm_options::add);
    }

    EXPECT_EQ(QxScratchDir::Read(path), old);
    EXPECT_EQ(Names(dir.Path()), (std::vector<std::string>{"folder", "scene.kel"}));

    // A good save replaces the file through a link, keeping the link and the file's mode.
    fs::create_symlink(path, dir.Path() / "link.kel");
    ASSERT_EQ(big.WriteFile(dir.File("link.kel").c_str()), 1);
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.kel"));
    EXPECT_GT(fs::file_size(path), 1000000u);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

namespace {

// Takes the text of elements named "L" and records what arrives, piece by piece.
class RecordingSink : public CQxXmlTextSink {
public:
    int BeginText(CQxXmlElement& element) override {
        if (!element.IsName("L")) return 0;
        Events += "<";
        Events += element.GetAttributeByName("n") ? element.GetAttributeByName("n")->GetContentStr() : "";
        Events += ">";
        return 1;
    }
    void Text(CQxXmlElement&, const char* text, unsigned int length) override {
        Events.append(text, length);
        ++Pieces;
    }
    void EndText(CQxXmlElement&) override { Events += "|"; }

    std::string Events;
    int Pieces = 0;
};

} // namespace

TEST(XmlDocument, SinkTakesTheTextOfChosenElements) {
    const char* text = "<R><L n=\"a\">1,2,\n3&amp;4&#48;5</L><K>kept</K>"
                       "<L n=\"b\">x<C>child</C>y</L></R>";
    CQxXmlDoc doc;
    RecordingSink sink;
    ASSERT_EQ(doc.ReadString(text, static_cast<unsigned int>(std::strlen(text)), &sink), 1);
    // The sink sees every character of the text, with references resolved, in order.
    EXPECT_EQ(sink.Events, "<a>1,2,\n3&405|<b>xy|");
    EXPECT_GT(sink.Pieces, 2); // line breaks and references arrive as pieces of their own
    const CQxXmlElement* root = doc.GetDocumentElement();
    const CQxXmlElement* first = root->GetFirstChildElementByName("L");
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->GetContentStr(), "");
    EXPECT_STREQ(first->GetAttributeByName("n")->GetContentStr(), "a");
    EXPECT_STREQ(root->GetFirstChildElementByName("K")->GetContentStr(), "kept");
    const CQxXmlElement* second = root->GetChild(2);
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(second->GetChildCount(), 1u);
    EXPECT_STREQ(second->GetChild(0)->GetContentStr(), "child");

    // A document cut short still fails as a whole, with the sink told nothing more.
    RecordingSink cut;
    const char* cutText = "<R><L n=\"c\">1,2";
    EXPECT_EQ(doc.ReadString(cutText, static_cast<unsigned int>(std::strlen(cutText)), &cut), 0);
    EXPECT_TRUE(doc.IsEmpty());
    EXPECT_EQ(cut.Events.find('|'), std::string::npos);
}
