#include "qx/basis/string.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

TEST(String, StorageFormatAndCompare) {
    EXPECT_STREQ(CQxString(nullptr).GetStr(), "");
    EXPECT_STREQ(CQxString("abcdef", 3).GetStr(), "abc");
    CQxString s("hello");
    EXPECT_EQ(s.GetAt(5), 0);
    EXPECT_EQ(s.SetAt(5, 'x'), 0);
    EXPECT_EQ(s.SetAt(0, 'j'), 1);
    CQxString moved(std::move(s));
    EXPECT_STREQ(s.GetStr(), ""); // a moved-from string is a valid empty one
    s = moved;
    s += s; // appending itself
    EXPECT_EQ(s, "jellojello");
    s = s.GetStr() + 5; // assigning from its own tail
    EXPECT_EQ(s, "jello");

    // Filling from a file: the length is set first, the bytes written after.
    CQxString file;
    ASSERT_EQ(file.SetLength(4), 1);
    EXPECT_EQ(file.GetData()[4], 0);
    std::memcpy(file.GetData(), "1 2 ", 4);
    EXPECT_EQ(file, "1 2 ");
    EXPECT_EQ(file.SetLength(0xFFFFFFFF), 0);
    EXPECT_EQ(file, "1 2 ");

    EXPECT_EQ(s.Format("%s%d", "Model", 12), 1);
    s.AppendFormat("-%04.1f", 2.5);
    EXPECT_EQ(s, "Model12-02.5");
    std::string big(1000, 'x'); // longer than any stack buffer the formatter might use
    s.Format("[%s]", big.c_str());
    EXPECT_EQ(s.GetLength(), 1002u);
    EXPECT_EQ(s.GetAt(1001), ']');
    s = "ab";
    s.Format("%s%s", s.GetStr(), s.GetStr()); // an argument that is the string itself
    EXPECT_EQ(s, "abab");
    s += 'c';
    s.Append("def", 2);
    EXPECT_EQ(s + "!" + CQxString("?"), "ababcde!?");

    EXPECT_LT(CQxString("abc"), CQxString("abd"));
    EXPECT_GT(CQxString("b"), "abc");
    EXPECT_EQ(CQxString("").Compare(nullptr), 0);
    EXPECT_EQ(CQxString("ReadFile.KEL").CompareNoCase("readfile.kel"), 0);
    EXPECT_NE(CQxString("a").CompareNoCase("b"), 0);
}

TEST(String, SearchAndSubstrings) {
    CQxString s("Object { Name \"box\" } Object");
    EXPECT_EQ(s.Find("Object", 1), 22u);
    EXPECT_EQ(s.FindEnd("Name"), 13u);
    EXPECT_EQ(s.FindEnd("none"), CQxString::NotFound);
    EXPECT_EQ(s.Find("Object", 100), CQxString::NotFound);
    EXPECT_EQ(s.Find(""), CQxString::NotFound);
    EXPECT_EQ(s.Find('"', 15), 18u);
    EXPECT_EQ(s.FindFirstOf("{}"), 7u);
    EXPECT_EQ(s.FindFirstNot("Objcet "), 7u);
    EXPECT_EQ(s.FindFirstNot("x", 100), CQxString::NotFound);
    EXPECT_EQ(s.FindLast('O'), 22u);
    EXPECT_EQ(s.FindLast('#'), CQxString::NotFound);

    EXPECT_EQ(s.CompareSubStr("Name", 9), 1);
    EXPECT_EQ(s.CompareSubStr("name", 9), 0);
    EXPECT_EQ(s.CompareLCSubStr("NAME", 9), 1);
    EXPECT_EQ(s.CompareSubStr("Objects", 22), 0); // runs past the end
    EXPECT_EQ(s.CompareSubStr("x", 1000), 0);

    EXPECT_EQ(s.GetSubStr(9, 4), "Name");
    EXPECT_EQ(s.GetSubStr(25, 100), "ect");
    EXPECT_TRUE(s.GetSubStr(1000).IsEmpty());
}

TEST(String, Tokens) {
    CQxString s("  Vertex 8 {\r\n\tV(1 2)  ");
    unsigned int pos = 0;
    CQxString token;
    ASSERT_EQ(s.GetToken(token, pos, " \t\r\n"), 1);
    EXPECT_EQ(token, "Vertex");
    EXPECT_EQ(pos, 8u);
    EXPECT_EQ(s.GetTokenPos(pos, " \t\r\n"), 9u);
    EXPECT_EQ(pos, 10u);
    ASSERT_EQ(s.GetToken(token, pos, " {\t\r\n"), 1);
    EXPECT_EQ(token, "V(1");
    ASSERT_EQ(s.GetToken(token, pos, "() \t"), 1);
    EXPECT_EQ(token, "2");
    EXPECT_EQ(s.GetTokenPos(pos, "() \t"), CQxString::NotFound);
    EXPECT_EQ(pos, s.GetLength());
    EXPECT_EQ(s.GetToken(token, pos, " "), 0);
    EXPECT_EQ(token, "2"); // untouched when there is no token

    // A token may be read into the string it comes from.
    CQxString self("first second");
    pos = 6;
    ASSERT_EQ(self.GetToken(self, pos, " "), 1);
    EXPECT_EQ(self, "second");
}

TEST(String, NumberReadersOnVertexLists) {
    CQxString s("1.5, -2,\t+3e2\r\n4,\r\n");
    unsigned int pos = 0;
    float v[8] = {};
    EXPECT_EQ(s.GetFloats(v, 8, pos, ", \t\r\n"), 4u);
    EXPECT_EQ(std::vector<float>(v, v + 4), (std::vector<float>{1.5f, -2.0f, 300.0f, 4.0f}));

    // A list cut short in a file stops cleanly at the end.
    CQxString cut("0;1;2;3");
    pos = 0;
    CQxArray<unsigned int> u;
    u.PushBack(99);
    EXPECT_EQ(cut.GetUints(u, 10, pos, ";, \t\r\n"), 4u);
    EXPECT_EQ(u, (CQxArray<unsigned int>{99, 0, 1, 2, 3}));
    EXPECT_EQ(pos, cut.GetLength());

    // The count limits the read and the position sits after the last number read.
    CQxString ints("-1;+2;3;4;");
    pos = 0;
    int iv[2];
    EXPECT_EQ(ints.GetInts(iv, 2, pos, ";"), 2u);
    EXPECT_TRUE(iv[0] == -1 && iv[1] == 2);
    int next = 0;
    EXPECT_EQ(ints.GetInt(next, pos, ";"), 1);
    EXPECT_EQ(next, 3);

    // Tokens that are not numbers leave the value and the position alone.
    for (const char* text : {"12abc", "abc", "", "   ", "+-1", "++1", "1.5", "-", "+", "99999999999"}) {
        CQxString b(text);
        unsigned int p = 0;
        int i = 7;
        EXPECT_EQ(b.GetInt(i, p, " "), 0) << text;
        EXPECT_EQ(i, 7) << text;
        EXPECT_EQ(p, 0u) << text;
    }
    CQxString negative("-3");
    pos = 0;
    unsigned int uv = 5;
    EXPECT_EQ(negative.GetUint(uv, pos, " "), 0);
    EXPECT_EQ(uv, 5u);
    CQxString badFloat("1.0f");
    float f = 2.0f;
    EXPECT_EQ(badFloat.GetFloat(f, pos, " "), 0);
    EXPECT_EQ(f, 2.0f);

    // The list stops at the first bad token, which is left to read.
    CQxString mixed("1 2 x 4");
    pos = 0;
    CQxArray<int> got;
    EXPECT_EQ(mixed.GetInts(got, 4, pos, " "), 2u);
    EXPECT_EQ(pos, 3u);
    CQxString token;
    mixed.GetToken(token, pos, " ");
    EXPECT_EQ(token, "x");

    // A huge count from an untrusted file does not reserve huge storage.
    CQxArray<float> few;
    pos = 0;
    EXPECT_EQ(CQxString("1 2").GetFloats(few, 0xFFFFFFF0, pos, " "), 2u);
    EXPECT_LT(few.GetCapacity(), 100u);
}

TEST(String, FloatsRoundTripInShortestForm) {
    CQxString s;
    s.AddFloat(0.1f);
    EXPECT_EQ(s, "0.1");
    s.Empty();
    const float list[] = {1.0f, -0.5f, 100.0f};
    s.AddFloats(list, 3, ",");
    EXPECT_EQ(s, "1,-0.5,100");
    s.Empty();
    const int il[] = {-3, 0, 7};
    s.AddInts(il, 3, ";").AddUint(4000000000u);
    EXPECT_EQ(s, "-3;0;74000000000");

    std::mt19937 random(1234);
    std::uniform_int_distribution<std::uint32_t> bits;
    CQxString text;
    CQxArray<float> written;
    while (written.GetSize() < 20000) {
        float value = std::bit_cast<float>(bits(random));
        if (!std::isfinite(value)) continue;
        written.PushBack(value);
    }
    text.AddFloats(written.GetData(), written.GetSize(), ",\r\n");
    CQxArray<float> read;
    unsigned int pos = 0;
    ASSERT_EQ(text.GetFloats(read, written.GetSize(), pos, ", \t\r\n"), written.GetSize());
    for (unsigned int i = 0; i < written.GetSize(); ++i)
        ASSERT_EQ(std::bit_cast<std::uint32_t>(read[i]), std::bit_cast<std::uint32_t>(written[i])) << i;
}

TEST(String, Editing) {
    CQxString s("a.b.c");
    EXPECT_EQ(s.Remove("."), 2u);
    EXPECT_EQ(s.Remove(""), 0u);
    EXPECT_EQ(s.Insert(1, "XY"), 1);
    EXPECT_EQ(s.Insert(5, "!"), 1);
    EXPECT_EQ(s.Insert(7, "?"), 0);
    EXPECT_EQ(s, "aXYbc!");
    EXPECT_EQ(s.RemoveAt(1, 2), 1);
    EXPECT_EQ(s.RemoveAt(2, 100), 1);
    EXPECT_EQ(s.RemoveAt(3, 1), 0);
    EXPECT_EQ(s, "ab");
    EXPECT_EQ(s.PopBackChar(), 1);
    EXPECT_EQ(s.PopBackChar(), 1);
    EXPECT_EQ(s.PopBackChar(), 0);
    EXPECT_TRUE(s.IsEmpty());

    CQxString r("aaa");
    EXPECT_EQ(r.Replace("a", "aa"), 3u); // replacements are not scanned again
    EXPECT_EQ(r.Replace("aa", "b"), 3u);
    EXPECT_EQ(r, "bbb");

    CQxString c(" \t Mixed Case 1 \r\n");
    c.Trim();
    c.MakeLower();
    EXPECT_EQ(c, "mixed case 1");
    c.MakeUpper();
    EXPECT_EQ(c, "MIXED CASE 1");
    CQxString blank(" \r\n ");
    blank.Trim();
    EXPECT_TRUE(blank.IsEmpty());

    for (auto [file, folder] : {std::pair{"/home/user/scene.kel", "/home/user/"},
                                {"C:\\data\\tex.bmp", "C:\\data\\"},
                                {"scene.kel", ""}}) {
        CQxString path(file);
        path.RemoveFileName();
        EXPECT_EQ(path, folder) << file;
    }

    EXPECT_TRUE(CQxString::IsStrEmpty(nullptr));
    EXPECT_TRUE(CQxString::IsStrEmpty(""));
    EXPECT_FALSE(CQxString::IsStrEmpty(" "));
}
