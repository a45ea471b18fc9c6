#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "qx/xml/xml_document.h"
#include "qx/xml/xml_string.h"
#include "sample_documents.h"
#include "scratch_dir.h"

namespace {

// Records every event as one line; stops the parse at the event numbered StopAt.
struct Recorder {
    std::vector<std::string> Events;
    std::size_t StopAt = SIZE_MAX;

    int Add(std::string event) {
        Events.push_back(std::move(event));
        return Events.size() < StopAt;
    }
    static int Start(void* user, const char* name) { return Self(user).Add(std::string("S ") + name); }
    static int End(void* user, const char* name) { return Self(user).Add(std::string("E ") + name); }
    static int Attribute(void* user, const char* name, const char* value) {
        return Self(user).Add(std::string("A ") + name + "=" + value);
    }
    static int Content(void* user, const char* text, unsigned int length) {
        return Self(user).Add("C " + std::string(text, length));
    }
    static Recorder& Self(void* user) { return *static_cast<Recorder*>(user); }

    void Attach(CQxXmlString& xml) { xml.SetParseFuncs(Start, End, Attribute, Content, this); }
};

// About a third of a megabyte of scene-like text, written by our writer.
CQxString MakeDocument() {
    CQxXmlDoc doc;
    BuildSample(doc, 450);
    CQxString text;
    doc.WriteString(text);
    return text;
}

// Runs slices until the parse ends; returns the final state and counts the calls.
int RunSlices(CQxXmlString& xml, unsigned int milliseconds, unsigned int bytes, unsigned int& calls) {
    calls = 0;
    int state;
    unsigned int before = xml.GetParsedLength();
    while ((state = xml.ParseOnTime(milliseconds, bytes)) == QX_XML_PARSE_CONTINUE) {
        ++calls;
        unsigned int now = xml.GetParsedLength();
        EXPECT_GT(now, before);
        if (bytes) {
            EXPECT_LE(now - before, bytes);
        }
        before = now;
    }
    ++calls;
    return state;
}

} // namespace

TEST(XmlString, SlicedParseGivesTheSameEventsAsOnePass) {
    CQxString text = MakeDocument();
    ASSERT_GT(text.GetLength(), 300000u);

    CQxXmlString whole;
    whole.SetText(text.GetStr());
    Recorder once;
    once.Attach(whole);
    ASSERT_EQ(whole.ParseOnTime(0, 0), QX_XML_PARSE_FINISHED) << whole.GetErrorText();
    EXPECT_EQ(whole.ParseOnTime(0, 0), QX_XML_PARSE_FINISHED); // stays finished
    ASSERT_GT(once.Events.size(), 400u * 9);
    // Layout between elements arrives as content too; references and escapes are resolved.
    EXPECT_EQ(once.Events[0], "S Scene");
    EXPECT_EQ(once.Events[6], "S Model");
    EXPECT_EQ(once.Events[9], std::string("C ") + kJapanese);
    EXPECT_EQ(once.Events[36], "A Count=8");
    EXPECT_EQ(once.Events[43], "A Path=C:\\テクスチャ\\\"a&b\".png\t<1>\r\n");

    for (unsigned int bytes : {7u, 4096u}) {
        CQxXmlString sliced;
        sliced.SetText(text.GetStr());
        Recorder parts;
        parts.Attach(sliced);
        unsigned int calls = 0;
        ASSERT_EQ(RunSlices(sliced, 0, bytes, calls), QX_XML_PARSE_FINISHED) << sliced.GetErrorText();
        EXPECT_GE(calls, text.GetLength() / bytes);
        EXPECT_EQ(sliced.GetParsedLength(), text.GetLength());
        EXPECT_EQ(parts.Events, once.Events) << bytes;
    }

    // Time slices: however many calls it takes, the events are the same.
    CQxXmlString timed;
    timed.SetText(text.GetStr());
    Recorder byTime;
    byTime.Attach(timed);
    unsigned int calls = 0;
    ASSERT_EQ(RunSlices(timed, 1, 0, calls), QX_XML_PARSE_FINISHED);
    EXPECT_EQ(byTime.Events, once.Events);
}

TEST(XmlString, FailuresAndStopsEndTheParse) {
    CQxString text = MakeDocument();
    Recorder recorder;
    CQxXmlString xml;
    recorder.Attach(xml);

    // Cut short: the parse fails at its last slice and stays failed.
    xml.SetText(CQxString(text.GetStr(), text.GetLength() - 20).GetStr());
    unsigned int calls = 0;
    EXPECT_EQ(RunSlices(xml, 0, 1000, calls), QX_XML_PARSE_FAILED);
    EXPECT_EQ(xml.ParseOnTime(0, 0), QX_XML_PARSE_FAILED);
    EXPECT_STRNE(xml.GetErrorText(), "");

    // Not well-formed in the middle: fails there, and ResetParse runs it again from the start.
    CQxString broken = text;
    broken.SetAt(text.GetLength() / 2, '\x01');
    xml.SetText(broken.GetStr());
    recorder.Events.clear();
    EXPECT_EQ(RunSlices(xml, 0, 1000, calls), QX_XML_PARSE_FAILED);
    EXPECT_LT(calls, text.GetLength() / 1000 + 1);
    EXPECT_GT(xml.GetErrorLine(), 1u);
    std::size_t first = recorder.Events.size();
    xml.ResetParse();
    recorder.Events.clear();
    EXPECT_EQ(xml.ParseOnTime(0, 0), QX_XML_PARSE_FAILED);
    EXPECT_EQ(recorder.Events.size(), first);

    // A handler that says stop: nothing is delivered after it.
    xml.SetText(text.GetStr());
    recorder.Events.clear();
    recorder.StopAt = 5;
    EXPECT_EQ(RunSlices(xml, 0, 7, calls), QX_XML_PARSE_FAILED);
    EXPECT_EQ(recorder.Events.size(), 5u);
    recorder.StopAt = SIZE_MAX;

    for (const char* bad : kBadDocuments) {
        xml.SetText(bad);
        EXPECT_EQ(xml.ParseOnTime(0, 0), QX_XML_PARSE_FAILED) << bad;
    }
    // Without handlers a good text simply finishes.
    xml.SetParseFuncs(nullptr, nullptr, nullptr, nullptr, nullptr);
    xml.SetText(text.GetStr());
    EXPECT_EQ(xml.ParseOnTime(0, 0), QX_XML_PARSE_FINISHED);
}

TEST(XmlString, ReadFileLoadsTheBytes) {
    CQxString text = MakeDocument();
    QxScratchDir dir;
    const std::string path = dir.Write("scene.kel", text.GetStr());
    CQxXmlString xml;
    ASSERT_EQ(xml.ReadFile(path.c_str()), 1);
    EXPECT_EQ(xml.GetText(), text);
    unsigned int calls = 0;
    EXPECT_EQ(RunSlices(xml, 0, 65536, calls), QX_XML_PARSE_FINISHED);

    EXPECT_EQ(xml.ReadFile(dir.File("missing.kel").c_str()), 0);
    EXPECT_TRUE(xml.GetText().IsEmpty());
    EXPECT_EQ(xml.ReadFile(dir.Path().c_str()), 0);
    EXPECT_EQ(xml.ReadFile(nullptr), 0);
}
