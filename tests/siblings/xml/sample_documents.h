#pragma once

// Documents shared by the document reader's and the sliced parser's tests.

#include "qx/xml/xml_document.h"

inline const char* const kJapanese = "日本語の名前 \"引用\" & <タグ> 'x'\r\n二行目\r\n";

inline const float kFloats[] = {0.1f,        -0.0f,        1e-45f,      3.4028235e38f,
                                1.0f / 3.0f, -123456.789f, 16777216.0f, 2.5e-7f};

// A document like a scene file: nested elements, attributes, texts that need escaping, numbers;
// `models` copies of the model element make it as long as a test needs.
inline void BuildSample(CQxXmlDoc& doc, unsigned int models = 1) {
    CQxXmlElement* root = doc.GetRootElement();
    root->AppendXmlDeclare();
    CQxXmlElement* scene = root->AppendChild("Scene");
    scene->AppendChild("Version", "1.00", 0);
    for (unsigned int i = 0; i < models; ++i) {
        CQxXmlElement* model = scene->AppendChild("Model");
        model->AppendChild("Name", kJapanese, 1);
        model->AppendChild("Scale", kFloats, 3);
        model->AppendChild("SubdivLevel", -5);
        model->AppendChild("Mask", 4000000000u);
        model->AppendChild("Visible", "True", 0);
        model->AppendChild("Empty");
        model->AppendChild("Spaces", "  \t ", 1);
        CQxXmlElement* vertices = model->AppendChild("Vertices", kFloats, 8, ",\r\n");
        vertices->SetType(1);
        vertices->AppendAttribute("Count", 8u);
        CQxXmlElement* texture = model->AppendChild("Textures")->AppendChild("Texture");
        texture->AppendAttribute("Path", "C:\\テクスチャ\\\"a&b\".png\t<1>\r\n");
        texture->AppendAttribute("ColorOp", "Mod2X");
        texture->AppendAttribute("Color", kFloats, 4);
        const int ints[] = {-1, 0, 2147483647, -2147483647 - 1};
        model->AppendChild("Ints", ints, 4, ";\r\n");
        model->AppendChild("Objects")->AppendChild("Group")->AppendChild("Name", "]]> & ]]&gt;", 1);
    }
}

// Texts both readers refuse: not well-formed, an encoding we do not read, entity declarations.
inline const char* const kBadDocuments[] = {
    "",
    "   ",
    "<a>",
    "<a></b>",
    "<a x='1' x='2'/>",
    "<a>&undefined;</a>",
    "<a/><b/>",
    "<a>\x01</a>",
    "<a>\xc3\x28</a>",
    "<a b=1/>",
    "<?xml version='1.0' encoding='Shift_JIS'?><a/>",
    "<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>",
    "<!DOCTYPE l [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>]><l>&b;</l>",
};
