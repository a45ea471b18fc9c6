#include "qx/math/spline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Angles stop just short of vertical so every slope stays finite.
constexpr float kMaxAngle = std::numbers::pi_v<float> / 2.0f - 1e-4f;

float ClampAngle(float angle) {
    if (!std::isfinite(angle)) return 0.0f;
    return std::clamp(angle, -kMaxAngle, kMaxAngle);
}

// The cubic Hermite piece from (x0, y0) leaving with slope m0 to (x1, y1) entering with m1.
float Hermite(float x0, float y0, float m0, float x1, float y1, float m1, float x) {
    const float h = x1 - x0;
    const float t = (x - x0) / h;
    const float t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * y0 + (t3 - 2 * t2 + t) * h * m0 + (-2 * t3 + 3 * t2) * y1 +
           (t3 - t2) * h * m1;
}

} // namespace

// --- Keys -----------------------------------------------------------------------------------------

void CQxSplineNode::SetPrevTanAngle(float angle) {
    PrevTan = std::tan(ClampAngle(angle));
    PrevTanType = QX_TAN_FIXED;
    if (!IsSeparated) {
        NextTan = PrevTan;
        NextTanType = QX_TAN_FIXED;
    }
}

void CQxSplineNode::SetNextTanAngle(float angle) {
    NextTan = std::tan(ClampAngle(angle));
    NextTanType = QX_TAN_FIXED;
    if (!IsSeparated) {
        PrevTan = NextTan;
        PrevTanType = QX_TAN_FIXED;
    }
}

void CQxSplineNode::AddPrevTanAngle(float delta) {
    SetPrevTanAngle(GetPrevTanAngle() + delta);
}

void CQxSplineNode::AddNextTanAngle(float delta) {
    SetNextTanAngle(GetNextTanAngle() + delta);
}

float CQxSplineNode::GetPrevTanAngle() const {
    return std::atan(PrevTan);
}

float CQxSplineNode::GetNextTanAngle() const {
    return std::atan(NextTan);
}

// --- The curve's keys -------------------------------------------------------------------------------

CQxSplineNode* CQxSpline::InsertNode(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return nullptr;
    const auto at = std::lower_bound(m_Nodes.begin(), m_Nodes.end(), x,
                                     [](const CQxSplineNode* node, float frame) { return node->X < frame; });
    if (at != m_Nodes.end() && (*at)->X == x) {
        (*at)->Y = y;
        return *at;
    }
    auto* node = new CQxSplineNode(x, y);
    const auto position = static_cast<unsigned int>(at - m_Nodes.begin());
    m_Nodes.InsertAt(position, node);
    UpdateNodeIndices();
    return node;
}

CQxSplineNode* CQxSpline::GetNode(float x) const {
    for (CQxSplineNode* node : m_Nodes)
        if (node->X == x) return node;
    return nullptr;
}

int CQxSpline::DeleteNode(float x) {
    return DeleteNode(GetNode(x));
}

int CQxSpline::DeleteNode(const CQxSplineNode* node) {
    if (!node || !m_Nodes.PopAt(m_Nodes.Find(node))) return 0;
    UpdateNodeIndices();
    return 1;
}

void CQxSpline::ClearNodes() {
    m_Nodes.Clear();
}

void CQxSpline::UpdateNodeIndices() {
    for (unsigned int i = 0; i < m_Nodes.GetSize(); ++i) m_Nodes[i]->Index = i;
}

void CQxSpline::SortNodes() {
    std::stable_sort(m_Nodes.begin(), m_Nodes.end(),
                     [](const CQxSplineNode* a, const CQxSplineNode* b) { return a->X < b->X; });
    UpdateNodeIndices();
}

// --- Evaluation -------------------------------------------------------------------------------------

int CQxSpline::CalcY(const float& x, float& y) const {
    if (m_Nodes.IsEmpty()) return 0;
    y = ValueAt(x);
    return 1;
}

float CQxSpline::ValueAt(float x) const {
    const unsigned int count = m_Nodes.GetSize();
    if (!(x > m_Nodes[0]->X)) return m_Nodes[0]->Y; // also for a NaN frame
    if (x >= m_Nodes[count - 1]->X) return m_Nodes[count - 1]->Y;
    // The first key after x; the piece runs from the key before it.
    const auto after =
        std::upper_bound(m_Nodes.begin(), m_Nodes.end(), x,
                         [](float frame, const CQxSplineNode* node) { return frame < node->X; });
    return PieceAt(static_cast<unsigned int>(after - m_Nodes.begin()), x);
}

float CQxSpline::ValueAt(float x, unsigned int& after) const {
    const unsigned int count = m_Nodes.GetSize();
    if (!(x > m_Nodes[0]->X)) return m_Nodes[0]->Y;
    if (x >= m_Nodes[count - 1]->X) return m_Nodes[count - 1]->Y;
    after = std::clamp(after, 1u, count - 1);
    while (!(x < m_Nodes[after]->X)) ++after; // stops at the last key at the latest
    return PieceAt(after, x);
}

float CQxSpline::PieceAt(unsigned int after, float x) const {
    const CQxSplineNode& a = *m_Nodes[after - 1];
    const CQxSplineNode& b = *m_Nodes[after];
    if (!(b.X > a.X)) return b.Y; // keys at one frame: the later one holds from there
    return Hermite(a.X, a.Y, a.NextTan, b.X, b.Y, b.PrevTan, x);
}

float CQxSpline::SecantSlope(unsigned int from, unsigned int to) const {
    const CQxSplineNode& a = *m_Nodes[from];
    const CQxSplineNode& b = *m_Nodes[to];
    const float dx = b.X - a.X;
    return dx > 0.0f ? (b.Y - a.Y) / dx : 0.0f;
}

float CQxSpline::AutoSlope(unsigned int i) const {
    if (i == 0 || i + 1 >= m_Nodes.GetSize()) return 0.0f;
    const float before = SecantSlope(i - 1, i);
    const float after = SecantSlope(i, i + 1);
    // A turning point or a flat side: level, so the curve stays between its keys.
    if (before * after <= 0.0f) return 0.0f;
    return 2.0f * before * after / (before + after);
}

void CQxSpline::UpdateEquations(int sort) {
    if (sort) SortNodes();
    const unsigned int count = m_Nodes.GetSize();
    for (unsigned int i = 0; i < count; ++i) {
        CQxSplineNode& node = *m_Nodes[i];
        const bool prevFixed = node.PrevTanType == QX_TAN_FIXED;
        const bool nextFixed = node.NextTanType == QX_TAN_FIXED;
        if (node.IsSeparated) {
            if (!prevFixed) node.PrevTan = i > 0 ? SecantSlope(i - 1, i) : 0.0f;
            if (!nextFixed) node.NextTan = i + 1 < count ? SecantSlope(i, i + 1) : 0.0f;
        } else if (prevFixed || nextFixed) {
            const float slope = prevFixed ? node.PrevTan : node.NextTan;
            node.PrevTan = node.NextTan = slope;
        } else {
            node.PrevTan = node.NextTan = AutoSlope(i);
        }
    }
}

int CQxSpline::GetNodeRange(float& minX, float& maxX, float& minY, float& maxY) const {
    if (m_Nodes.IsEmpty()) return 0;
    minX = m_Nodes[0]->X;
    maxX = m_Nodes[m_Nodes.GetSize() - 1]->X;
    minY = maxY = m_Nodes[0]->Y;
    for (const CQxSplineNode* node : m_Nodes) {
        minX = std::min(minX, node->X);
        maxX = std::max(maxX, node->X);
        minY = std::min(minY, node->Y);
        maxY = std::max(maxY, node->Y);
    }
    return 1;
}

// --- Queries and selection ----------------------------------------------------------------------------

int CQxSpline::GetXNodes(CQxArray<CQxSplineNode*>& nodes, float x) const {
    nodes.Clear();
    for (CQxSplineNode* node : m_Nodes)
        if (node->X == x) nodes.PushBack(node);
    return !nodes.IsEmpty();
}

int CQxSpline::GetUniqueXs(CQxArray<float>& xs) const {
    xs.Clear();
    for (const CQxSplineNode* node : m_Nodes)
        if (xs.IsEmpty() || xs.Back() != node->X) xs.PushBack(node->X);
    return !xs.IsEmpty();
}

int CQxSpline::GetSelectNodes(CQxArray<CQxSplineNode*>& nodes) const {
    nodes.Clear();
    for (CQxSplineNode* node : m_Nodes)
        if (node->IsSelect) nodes.PushBack(node);
    return !nodes.IsEmpty();
}

int CQxSpline::GetSelects(CQxArray<CQxSplineNode*>& nodes, CQxArray<CQxSplineNode*>& prevTans,
                          CQxArray<CQxSplineNode*>& nextTans) const {
    GetSelectNodes(nodes);
    prevTans.Clear();
    nextTans.Clear();
    for (CQxSplineNode* node : m_Nodes) {
        if (node->IsPrevTanSelect) prevTans.PushBack(node);
        if (node->IsNextTanSelect) nextTans.PushBack(node);
    }
    return !nodes.IsEmpty() || !prevTans.IsEmpty() || !nextTans.IsEmpty();
}

int CQxSpline::GetSelectSamePosNodes(CQxArray<CQxSplineNode*>& nodes, const CQxSplineNode& reference) const {
    GetSelectNodes(nodes);
    for (const CQxSplineNode* node : nodes) {
        if (node->X != reference.X || node->Y != reference.Y) {
            nodes.Clear();
            return 0;
        }
    }
    return !nodes.IsEmpty();
}

void CQxSpline::SelectNodes(int on) {
    for (CQxSplineNode* node : m_Nodes) node->Select(on);
}

void CQxSpline::ToggleSelectNodes() {
    for (CQxSplineNode* node : m_Nodes) node->ToggleSelect();
}
