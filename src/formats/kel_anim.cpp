// The "Anim" element of a model: the keys of its objects' transform channels. Vertex, corner,
// edge and material channels are not stored.
#include <cmath>
#include <cstring>

#include "kel_format.h"
#include "qx/animation/anim.h"
#include "qx/scene/model.h"
#include "qx/xml/xml_element.h"

namespace {

// x and y; the separation flag; the two tangent types; the two slopes.
void AppendKeys(CQxString& text, const CQxSpline& spline) {
    text.AddUint(spline.GetNodeCount());
    bool first = true;
    for (const CQxSplineNode* node : spline.Nodes()) {
        text += first ? ";\r\n" : QxKelRecordSeparator;
        first = false;
        const float position[2] = {node->X, node->Y};
        const int types[2] = {node->PrevTanType, node->NextTanType};
        const float slopes[2] = {node->PrevTan, node->NextTan};
        text.AddFloats(position, 2);
        text += QxKelRecordSeparator;
        text.AddInt(node->IsSeparated);
        text += QxKelRecordSeparator;
        text.AddInts(types, 2);
        text += QxKelRecordSeparator;
        text.AddFloats(slopes, 2);
    }
}

// A tangent type a curve knows, or false.
bool ReadTanType(const CQxString& text, unsigned int& pos, unsigned char& type) {
    int value = 0;
    if (!text.GetInt(value, pos, ", \r\n\t") || value < QX_TAN_JOINED || value > QX_TAN_FIXED) return false;
    type = static_cast<unsigned char>(value);
    return true;
}

// A finite slope, or false.
bool ReadSlope(const CQxString& text, unsigned int& pos, float& slope) {
    float value = 0.0f;
    if (!text.GetFloat(value, pos, ", \r\n\t") || !std::isfinite(value)) return false;
    slope = value;
    return true;
}

// Reads the count's keys into the item; a bad number (or a tangent type or slope no curve can
// hold) ends the item there, keeping what came before it (the key being read keeps the fields
// read so far).
void ReadKeys(const CQxString& text, unsigned int pos, unsigned int count, CQxObjectAnimItem& item) {
    for (unsigned int i = 0; i < count; ++i) {
        float position[2];
        if (text.GetFloats(position, 2, pos, ";, \r\n\t") != 2) return;
        CQxSplineNode* node = item.Spline().InsertNode(position[0], position[1]);
        if (!node) return;
        int separated = 0;
        if (!text.GetInt(separated, pos, ", \r\n\t")) return;
        node->IsSeparated = separated ? 1 : 0;
        if (!ReadTanType(text, pos, node->PrevTanType) || !ReadTanType(text, pos, node->NextTanType)) return;
        if (!ReadSlope(text, pos, node->PrevTan) || !ReadSlope(text, pos, node->NextTan)) return;
    }
}

// The channel of a stored name; an unknown name reads as the first channel.
QX_ANIM_ITEM_TYPE ChannelOf(const char* name) {
    for (unsigned int t = QX_ANIM_ITEM_SCALE_X; t <= QX_ANIM_ITEM_PIVOT_Z; ++t)
        if (!std::strcmp(name, QxGetAnimItemTypeName(static_cast<QX_ANIM_ITEM_TYPE>(t))))
            return static_cast<QX_ANIM_ITEM_TYPE>(t);
    return QX_ANIM_ITEM_SCALE_X;
}

void ReadObjectItems(CQxModel& model, CQxXmlElement* entry) {
    CQxXmlElement* name = entry->GetFirstChildElementByName("Name");
    CQxXmlElement* items = entry->GetFirstChildElementByName("Items");
    CQxObject* object = name ? model.FindName(name->GetContentStr()) : nullptr;
    if (!items || !object) return;
    CQxAnim::ObjectMap& objects = model.Anim().ObjectItems();
    auto& channels = objects[object];
    for (unsigned int i = 0; i < items->GetChildCount(); ++i) {
        CQxXmlElement* item = items->GetChild(i);
        if (!item || item->GetNodeType() != QX_XML_NODE_ELEMENT) continue;
        CQxXmlAttribute* type = item->GetAttributeByName("Type");
        if (!type) continue;
        const CQxString& text = item->GetContent();
        unsigned int pos = 0, count = 0;
        if (!text.GetUint(count, pos, "; \r\n\t") || !count) continue;
        const QX_ANIM_ITEM_TYPE channel = ChannelOf(type->GetContentStr());
        CQxObjectAnimItem& animItem = channels[channel];
        animItem.Init(channel, object);
        ReadKeys(text, pos, count, animItem);
        if (animItem.IsKeyFramesEmpty()) channels.Erase(channel);
        else animItem.UpdateSpline();
    }
    if (channels.IsEmpty()) objects.Erase(object);
}

} // namespace

int CQxModel::WriteAnim(CQxXmlElement* element) {
    if (m_Anim.IsEmpty()) return 1;
    m_Anim.UpdateSortItems(*this);
    CQxXmlElement* anim = element->AppendChild("Anim");
    if (m_Anim.ObjectItems().IsEmpty()) return 1;
    CQxXmlElement* objects = anim->AppendChild("ObjectItems");
    for (const auto& entry : m_Anim.ObjectSortItems()) {
        CQxObject* object = GetRoot()->Find(entry.Key);
        if (!object) continue;
        CQxXmlElement* e = objects->AppendChild("Object");
        e->AppendChild("Name", object->GetName(), 1);
        CQxXmlElement* items = e->AppendChild("Items");
        for (const auto& channel : entry.Value) {
            CQxXmlElement* item = items->AppendChild("Item");
            item->AppendAttribute("Type", QxGetAnimItemTypeName(channel.Key));
            item->SetType(1);
            AppendKeys(item->GetContent(), channel.Value->Spline());
        }
    }
    return 1;
}

int CQxModel::ReadAnim(CQxXmlElement* element) {
    CQxXmlElement* anim = element ? element->GetFirstChildElementByName("Anim") : nullptr;
    CQxXmlElement* objects = anim ? anim->GetFirstChildElementByName("ObjectItems") : nullptr;
    if (!objects) return 1;
    for (unsigned int i = 0; i < objects->GetChildCount(); ++i) {
        CQxXmlElement* entry = objects->GetChild(i);
        if (entry && entry->GetNodeType() == QX_XML_NODE_ELEMENT) ReadObjectItems(*this, entry);
    }
    return 1;
}
