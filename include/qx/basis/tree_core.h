#pragma once

#include <cstddef>
#include <functional>
#include <iterator>

#include "qx/basis/array.h"

// Key order of CQxKeyTree and CQxBinTree: pointers by address, enumerations and numbers
// numerically, strings by bytes, arrays lexicographically (a prefix before any longer array).
template <class K>
struct CQxKeyLess {
    bool operator()(const K& a, const K& b) const { return std::less<K>()(a, b); }
};

template <class E>
struct CQxKeyLess<CQxArray<E>> {
    bool operator()(const CQxArray<E>& a, const CQxArray<E>& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), CQxKeyLess<E>());
    }
};

// The balancing shared by the ordered trees: an AVL tree whose nodes carry Parent, Left, Right
// and Height. Nodes are relinked, never moved, so pointers to keys and values stay valid until
// their own node is erased.
namespace qx_tree_core {

template <class N>
int HeightOf(const N* n) {
    return n ? n->Height : 0;
}

template <class N>
void UpdateHeight(N* n) {
    int l = HeightOf(n->Left), r = HeightOf(n->Right);
    n->Height = (l > r ? l : r) + 1;
}

template <class N>
void ReplaceChild(N*& root, N* parent, N* from, N* to) {
    if (!parent)
        root = to;
    else if (parent->Left == from)
        parent->Left = to;
    else
        parent->Right = to;
    if (to) to->Parent = parent;
}

template <class N>
N* RotateLeft(N*& root, N* x) {
    N* y = x->Right;
    x->Right = y->Left;
    if (y->Left) y->Left->Parent = x;
    ReplaceChild(root, x->Parent, x, y);
    y->Left = x;
    x->Parent = y;
    UpdateHeight(x);
    UpdateHeight(y);
    return y;
}

template <class N>
N* RotateRight(N*& root, N* x) {
    N* y = x->Left;
    x->Left = y->Right;
    if (y->Right) y->Right->Parent = x;
    ReplaceChild(root, x->Parent, x, y);
    y->Right = x;
    x->Parent = y;
    UpdateHeight(x);
    UpdateHeight(y);
    return y;
}

// Restores the balance on the way from n up to the root.
template <class N>
void Rebalance(N*& root, N* n) {
    while (n) {
        UpdateHeight(n);
        int balance = HeightOf(n->Right) - HeightOf(n->Left);
        if (balance > 1) {
            if (HeightOf(n->Right->Left) > HeightOf(n->Right->Right)) RotateRight(root, n->Right);
            n = RotateLeft(root, n);
        } else if (balance < -1) {
            if (HeightOf(n->Left->Right) > HeightOf(n->Left->Left)) RotateLeft(root, n->Left);
            n = RotateRight(root, n);
        }
        n = n->Parent;
    }
}

// Links a new leaf below parent (on the left when left is set) and rebalances.
template <class N>
void Link(N*& root, N* parent, bool left, N* n) {
    n->Parent = parent;
    n->Left = n->Right = nullptr;
    n->Height = 1;
    if (!parent)
        root = n;
    else if (left)
        parent->Left = n;
    else
        parent->Right = n;
    Rebalance(root, parent);
}

// Unlinks n (not deleting it) and rebalances.
template <class N>
void Unlink(N*& root, N* n) {
    N* start;
    if (n->Left && n->Right) {
        // The successor takes n's place in the tree.
        N* s = n->Right;
        while (s->Left) s = s->Left;
        if (s == n->Right) {
            start = s;
        } else {
            start = s->Parent;
            start->Left = s->Right;
            if (s->Right) s->Right->Parent = start;
            s->Right = n->Right;
            s->Right->Parent = s;
        }
        s->Left = n->Left;
        s->Left->Parent = s;
        ReplaceChild(root, n->Parent, n, s);
        s->Height = n->Height;
    } else {
        N* child = n->Left ? n->Left : n->Right;
        start = n->Parent;
        ReplaceChild(root, n->Parent, n, child);
    }
    n->Parent = n->Left = n->Right = nullptr;
    Rebalance(root, start);
}

template <class N>
N* First(N* n) {
    if (n)
        while (n->Left) n = n->Left;
    return n;
}

template <class N>
N* Last(N* n) {
    if (n)
        while (n->Right) n = n->Right;
    return n;
}

template <class N>
N* Next(N* n) {
    if (n->Right) return First(n->Right);
    while (n->Parent && n->Parent->Right == n) n = n->Parent;
    return n->Parent;
}

template <class N>
N* Prev(N* n) {
    if (n->Left) return Last(n->Left);
    while (n->Parent && n->Parent->Left == n) n = n->Parent;
    return n->Parent;
}

// Deletes a subtree; the depth is logarithmic, so recursion is safe.
template <class N>
void Destroy(N* n) {
    if (!n) return;
    Destroy(n->Left);
    Destroy(n->Right);
    delete n;
}

// Copies a subtree with its shape and heights.
template <class N>
N* Clone(const N* n, N* parent) {
    if (!n) return nullptr;
    N* c = new N(*n);
    c->Parent = parent;
    c->Left = c->Right = nullptr;
    try {
        c->Left = Clone(n->Left, c);
        c->Right = Clone(n->Right, c);
    } catch (...) {
        Destroy(c);
        throw;
    }
    return c;
}

// Iterates nodes in ascending key order; E is the node type as the caller may see it.
template <class N, class E>
class NodeIterator {
public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = N;
    using difference_type = std::ptrdiff_t;
    using pointer = E*;
    using reference = E&;

    NodeIterator() = default;
    NodeIterator(N* node, N* const* root) : m_Node(node), m_Root(root) {}
    E& operator*() const { return *m_Node; }
    E* operator->() const { return m_Node; }
    E* Get() const { return m_Node; }
    NodeIterator& operator++() {
        m_Node = Next(m_Node);
        return *this;
    }
    NodeIterator operator++(int) {
        NodeIterator old = *this;
        ++*this;
        return old;
    }
    // Stepping back from the end reaches the last node.
    NodeIterator& operator--() {
        m_Node = m_Node ? Prev(m_Node) : Last(*m_Root);
        return *this;
    }
    NodeIterator operator--(int) {
        NodeIterator old = *this;
        --*this;
        return old;
    }
    bool operator==(const NodeIterator& other) const { return m_Node == other.m_Node; }

private:
    N* m_Node = nullptr;
    N* const* m_Root = nullptr;
};

} // namespace qx_tree_core
