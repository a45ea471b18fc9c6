#pragma once

#include <utility>

#include "qx/basis/tree_core.h"

// CQxBinTree<K, V>: an ordered map of unique keys held as a balanced binary search tree. Each
// node holds its key, its value and its parent, left and right links; iteration visits keys in
// ascending order (see CQxKeyLess). A value stays at its address until its own key is erased,
// so other structures may keep pointers to values. Values may themselves be maps.
template <class K, class V, class Less = CQxKeyLess<K>>
class CQxBinTree {
public:
    struct Node {
        Node(const K& key, V value) : Key(key), Value(std::move(value)) {}
        Node(const Node& other) : Key(other.Key), Value(other.Value), Height(other.Height) {}

        const K Key;
        V Value;
        Node* Parent = nullptr;
        Node* Left = nullptr;
        Node* Right = nullptr;
        int Height = 1;
    };
    using Iterator = qx_tree_core::NodeIterator<Node, Node>;
    using ConstIterator = qx_tree_core::NodeIterator<Node, const Node>;

    CQxBinTree() = default;
    CQxBinTree(const CQxBinTree& other)
        : m_Root(qx_tree_core::Clone<Node>(other.m_Root, nullptr)), m_Count(other.m_Count) {}
    CQxBinTree(CQxBinTree&& other) noexcept
        : m_Root(std::exchange(other.m_Root, nullptr)), m_Count(std::exchange(other.m_Count, 0)) {}
    CQxBinTree& operator=(const CQxBinTree& other) {
        if (this != &other) {
            CQxBinTree copy(other);
            Swap(copy);
        }
        return *this;
    }
    CQxBinTree& operator=(CQxBinTree&& other) noexcept {
        if (this != &other) {
            CQxBinTree old(std::move(*this)); // released after the move, even if other lives in it
            Swap(other);
        }
        return *this;
    }
    ~CQxBinTree() { Clear(); }

    void Swap(CQxBinTree& other) noexcept {
        std::swap(m_Root, other.m_Root);
        std::swap(m_Count, other.m_Count);
    }

    unsigned int GetCount() const { return m_Count; }
    int IsEmpty() const { return m_Count == 0; }
    Node* GetRoot() const { return m_Root; }
    // The nodes with the smallest and largest keys; null when empty.
    Node* First() const { return qx_tree_core::First(m_Root); }
    Node* Last() const { return qx_tree_core::Last(m_Root); }

    Iterator begin() { return Iterator(First(), &m_Root); }
    Iterator end() { return Iterator(nullptr, &m_Root); }
    ConstIterator begin() const { return ConstIterator(First(), &m_Root); }
    ConstIterator end() const { return ConstIterator(nullptr, &m_Root); }

    Node* FindNode(const K& key) const {
        Node* n = m_Root;
        while (n) {
            if (m_Less(key, n->Key))
                n = n->Left;
            else if (m_Less(n->Key, key))
                n = n->Right;
            else
                return n;
        }
        return nullptr;
    }
    V* Find(const K& key) {
        Node* n = FindNode(key);
        return n ? &n->Value : nullptr;
    }
    const V* Find(const K& key) const {
        Node* n = FindNode(key);
        return n ? &n->Value : nullptr;
    }
    int Has(const K& key) const { return FindNode(key) != nullptr; }

    // The first node whose key is not below (LowerBound) or is above (UpperBound) the key.
    Node* LowerBound(const K& key) const {
        Node* n = m_Root;
        Node* found = nullptr;
        while (n) {
            if (m_Less(n->Key, key)) {
                n = n->Right;
            } else {
                found = n;
                n = n->Left;
            }
        }
        return found;
    }
    Node* UpperBound(const K& key) const {
        Node* n = m_Root;
        Node* found = nullptr;
        while (n) {
            if (m_Less(key, n->Key)) {
                found = n;
                n = n->Left;
            } else {
                n = n->Right;
            }
        }
        return found;
    }

    // Adds the key with the value; 0 and no change when the key is already there.
    int Insert(const K& key, const V& value) { return Place(key, value, false).second; }
    int Insert(const K& key, V&& value) { return Place(key, std::move(value), false).second; }
    // Adds the key or replaces its value; returns the stored value.
    V& Set(const K& key, V value) { return Place(key, std::move(value), true).first->Value; }
    // The value of the key, added with a default value when missing.
    V& operator[](const K& key) {
        if (Node* n = FindNode(key)) return n->Value;
        return Place(key, V(), false).first->Value;
    }

    // Removes the key and destroys its value; 0 when the key is not there.
    int Erase(const K& key) { return EraseNode(FindNode(key)); }
    int EraseNode(Node* n) {
        if (!n) return 0;
        qx_tree_core::Unlink(m_Root, n);
        --m_Count;
        delete n;
        return 1;
    }
    // Erases the node the iterator is on and returns the iterator to the next one.
    Iterator Erase(Iterator it) {
        Node* n = it.Get();
        if (!n) return it;
        Iterator next(qx_tree_core::Next(n), &m_Root);
        EraseNode(n);
        return next;
    }
    // Moves the key's value out into `value` and removes the key; 0 when the key is not there.
    int Extract(const K& key, V& value) {
        Node* n = FindNode(key);
        if (!n) return 0;
        V taken(std::move(n->Value));
        EraseNode(n);
        value = std::move(taken);
        return 1;
    }

    void Clear() {
        Node* root = std::exchange(m_Root, nullptr);
        m_Count = 0;
        qx_tree_core::Destroy(root);
    }

private:
    // Finds the key or links a new node for it; the flag tells whether a node was added.
    std::pair<Node*, int> Place(const K& key, V&& value, bool replace) {
        Node* parent = nullptr;
        bool left = false;
        for (Node* n = m_Root; n;) {
            parent = n;
            if (m_Less(key, n->Key)) {
                n = n->Left;
                left = true;
            } else if (m_Less(n->Key, key)) {
                n = n->Right;
                left = false;
            } else {
                if (replace) n->Value = std::move(value);
                return {n, 0};
            }
        }
        Node* n = new Node(key, std::move(value));
        qx_tree_core::Link(m_Root, parent, left, n);
        ++m_Count;
        return {n, 1};
    }
    std::pair<Node*, int> Place(const K& key, const V& value, bool replace) {
        return Place(key, V(value), replace);
    }

    Node* m_Root = nullptr;
    unsigned int m_Count = 0;
    [[no_unique_address]] Less m_Less;
};
