#include "qx/play/msg.h"

#include <bit>

CQxMsg::CQxMsg(unsigned int type, unsigned int data0, unsigned int data1, unsigned int data2)
    : m_Type(type), m_Data{data0, data1, data2, 0} {}

CQxMsg::CQxMsg(unsigned int type, const CQxPoint& point, unsigned int word)
    : m_Type(type),
      m_Data{std::bit_cast<unsigned int>(point.x), std::bit_cast<unsigned int>(point.y), word, 0} {}

CQxMsg::CQxMsg(unsigned int type, const CQxVector& vector, unsigned int word)
    : m_Type(type),
      m_Data{std::bit_cast<unsigned int>(vector.x), std::bit_cast<unsigned int>(vector.y),
             std::bit_cast<unsigned int>(vector.z), word} {}

CQxPoint CQxMsg::GetPoint() const {
    return {std::bit_cast<int>(m_Data[0]), std::bit_cast<int>(m_Data[1])};
}

CQxVector CQxMsg::GetVector() const {
    return {std::bit_cast<float>(m_Data[0]), std::bit_cast<float>(m_Data[1]),
            std::bit_cast<float>(m_Data[2])};
}

int CQxMsgHandler::OnMessage(const CQxMsg&) {
    return 0;
}
