#pragma once

#include <utility>

#include "qx/basis/tree_core.h"

// CQxKeyTree<T>: an ordered set of unique keys held as a balanced binary search tree;
// iteration visits the keys in ascending order (see CQxKeyLess).
template <class T, class Less = CQxKeyLess<T>>
class CQxKeyTree {
public:
    struct Node {
        explicit Node(const T& key) : Key(key) {}
        Node(const Node& other) : Key(other.Key), Height(other.Height) {}

        const T Key;
        Node* Parent = nullptr;
        Node* Left = nullptr;
        Node* Right = nullptr;
        int Height = 1;
    };

    // Visits the keys themselves.
    class Iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;

        Iterator() = default;
        Iterator(Node* node, Node* const* root) : m_It(node, root) {}
        const T& operator*() const { return m_It->Key; }
        const T* operator->() const { return &m_It->Key; }
        Node* GetNode() const { return m_It.Get(); }
        Iterator& operator++() {
            ++m_It;
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++m_It;
            return old;
        }
        Iterator& operator--() {
            --m_It;
            return *this;
        }
        Iterator operator--(int) {
            Iterator old = *this;
            --m_It;
            return old;
        }
        bool operator==(const Iterator& other) const { return m_It == other.m_It; }

    private:
        qx_tree_core::NodeIterator<Node, const Node> m_It;
    };

    CQxKeyTree() = default;
    CQxKeyTree(const CQxKeyTree& other)
        : m_Root(qx_tree_core::Clone<Node>(other.m_Root, nullptr)), m_Count(other.m_Count) {}
    CQxKeyTree(CQxKeyTree&& other) noexcept
        : m_Root(std::exchange(other.m_Root, nullptr)), m_Count(std::exchange(other.m_Count, 0)) {}
    CQxKeyTree& operator=(const CQxKeyTree& other) {
        if (this != &other) {
            CQxKeyTree copy(other);
            Swap(copy);
        }
        return *this;
    }
    CQxKeyTree& operator=(CQxKeyTree&& other) noexcept {
        if (this != &other) {
            CQxKeyTree old(std::move(*this));
            Swap(other);
        }
        return *this;
    }
    ~CQxKeyTree() { Clear(); }

    void Swap(CQxKeyTree& other) noexcept {
        std::swap(m_Root, other.m_Root);
        std::swap(m_Count, other.m_Count);
    }

    unsigned int GetCount() const { return m_Count; }
    int IsEmpty() const { return m_Count == 0; }

    Iterator begin() const { return Iterator(qx_tree_core::First(m_Root), &m_Root); }
    Iterator end() const { return Iterator(nullptr, &m_Root); }

    // The smallest and largest keys; null when empty.
    const T* First() const {
        Node* n = qx_tree_core::First(m_Root);
        return n ? &n->Key : nullptr;
    }
    const T* Last() const {
        Node* n = qx_tree_core::Last(m_Root);
        return n ? &n->Key : nullptr;
    }

    int Has(const T& key) const { return FindNode(key) != nullptr; }
    // The smallest key not below (LowerBound) or above (UpperBound) the given one; null if none.
    const T* LowerBound(const T& key) const {
        const Node* found = nullptr;
        for (const Node* n = m_Root; n;) {
            if (m_Less(n->Key, key)) {
                n = n->Right;
            } else {
                found = n;
                n = n->Left;
            }
        }
        return found ? &found->Key : nullptr;
    }
    const T* UpperBound(const T& key) const {
        const Node* found = nullptr;
        for (const Node* n = m_Root; n;) {
            if (m_Less(key, n->Key)) {
                found = n;
                n = n->Left;
            } else {
                n = n->Right;
            }
        }
        return found ? &found->Key : nullptr;
    }

    // Adds the key; 0 when it is already there.
    int Insert(const T& key) {
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
                return 0;
            }
        }
        qx_tree_core::Link(m_Root, parent, left, new Node(key));
        ++m_Count;
        return 1;
    }
    // Removes the key; 0 when it is not there.
    int Erase(const T& key) {
        Node* n = FindNode(key);
        if (!n) return 0;
        qx_tree_core::Unlink(m_Root, n);
        --m_Count;
        delete n;
        return 1;
    }
    void Clear() {
        Node* root = std::exchange(m_Root, nullptr);
        m_Count = 0;
        qx_tree_core::Destroy(root);
    }

    // Appends the keys in ascending order.
    void GetKeys(CQxArray<T>& keys) const {
        for (const T& key : *this) keys.PushBack(key);
    }

private:
    Node* FindNode(const T& key) const {
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

    Node* m_Root = nullptr;
    unsigned int m_Count = 0;
    [[no_unique_address]] Less m_Less;
};
