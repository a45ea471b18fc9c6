#pragma once

#include <algorithm>
#include <utility>

#include "qx/basis/array.h"
#include "qx/basis/ptr_array.h"

// CQxTreeNode<T>: the owning tree every scene object and widget lives in; T derives from
// CQxTreeNode<T>. A node owns its children and deletes them (through T's virtual destructor)
// with itself. Indices caches the path of child positions from the root and is right only after
// UpdateIndices or SetIndices; GetIndices computes it afresh. Index and the flag bytes are
// carried with the node and copied with it; no tree operation reads them.
template <class T>
class CQxTreeNode {
public:
    static constexpr unsigned int NotFound = 0xFFFFFFFF;

    // Pre-order walk of one subtree, which it never leaves; a null node is the end. Alongside
    // the child positions from the start node it keeps the nodes they were taken in, so the
    // walk does not depend on the children's Parent links.
    class Iterator {
    public:
        Iterator() = default;
        explicit Iterator(T* start) : m_Node(start) {}

        T* Get() const { return m_Node; }
        T& operator*() const { return *m_Node; }
        T* operator->() const { return m_Node; }
        int IsEnd() const { return m_Node == nullptr; }
        explicit operator bool() const { return m_Node != nullptr; }
        bool operator==(const Iterator& other) const { return m_Node == other.m_Node; }
        bool operator==(const T* node) const { return m_Node == node; }
        // The child positions from the start node down to the current node.
        const CQxArray<unsigned int>& GetPositions() const { return m_Positions; }

        Iterator& operator++() {
            if (!m_Node) return *this;
            if (Tree(m_Node)->GetChildCount()) {
                m_Parents.PushBack(m_Node);
                m_Positions.PushBack(0);
                m_Node = Tree(m_Node)->GetChild(0);
                return *this;
            }
            while (!m_Positions.IsEmpty()) {
                if (Tree(m_Parents.Back())->GetChildCount() > m_Positions.Back() + 1) break;
                m_Positions.PopBack();
                m_Node = m_Parents.Back();
                m_Parents.PopBack();
            }
            if (m_Positions.IsEmpty()) {
                m_Node = nullptr;
                return *this;
            }
            m_Node = Tree(m_Parents.Back())->GetChild(++m_Positions.Back());
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++*this;
            return old;
        }

    private:
        T* m_Node = nullptr;
        CQxArray<unsigned int> m_Positions;
        CQxArray<T*> m_Parents;
    };

    // The same subtree in exact reverse pre-order: from the last node of the subtree back to the
    // start node, then the end.
    class RevIterator {
    public:
        RevIterator() = default;
        explicit RevIterator(T* start) : m_Node(start) { DescendToLast(); }

        T* Get() const { return m_Node; }
        T& operator*() const { return *m_Node; }
        T* operator->() const { return m_Node; }
        int IsEnd() const { return m_Node == nullptr; }
        explicit operator bool() const { return m_Node != nullptr; }
        bool operator==(const RevIterator& other) const { return m_Node == other.m_Node; }
        bool operator==(const T* node) const { return m_Node == node; }
        const CQxArray<unsigned int>& GetPositions() const { return m_Positions; }

        RevIterator& operator++() {
            if (!m_Node) return *this;
            if (m_Positions.IsEmpty()) {
                m_Node = nullptr; // the start node was the last one to visit
            } else if (m_Positions.Back() > 0) {
                // The previous sibling's subtree ends at its last descendant.
                m_Node = Tree(m_Parents.Back())->GetChild(--m_Positions.Back());
                DescendToLast();
            } else {
                m_Positions.PopBack();
                m_Node = m_Parents.Back();
                m_Parents.PopBack();
            }
            return *this;
        }
        RevIterator operator++(int) {
            RevIterator old = *this;
            ++*this;
            return old;
        }

    private:
        void DescendToLast() {
            while (m_Node && Tree(m_Node)->GetChildCount()) {
                unsigned int last = Tree(m_Node)->GetChildCount() - 1;
                m_Parents.PushBack(m_Node);
                m_Positions.PushBack(last);
                m_Node = Tree(m_Node)->GetChild(last);
            }
        }

        T* m_Node = nullptr;
        CQxArray<unsigned int> m_Positions;
        CQxArray<T*> m_Parents;
    };

    CQxTreeNode() = default;
    // Copies the Parent pointer as it is and each child with T's copy constructor (through
    // T::NewCopy when T has one, so a child keeps its derived kind); the copied children keep
    // whatever Parent that constructor gave them.
    CQxTreeNode(const CQxTreeNode& other)
        : m_Parent(other.m_Parent), m_Children(CopyChildren(other.m_Children)), m_Indices(other.m_Indices),
          m_Index(other.m_Index), m_Flags{other.m_Flags[0], other.m_Flags[1], other.m_Flags[2],
                                          other.m_Flags[3]} {}
    CQxTreeNode& operator=(const CQxTreeNode& other) {
        if (this == &other) return *this;
        // Everything is taken from `other` before the old children go: it may be one of them.
        CQxTreeNode copy(other);
        m_Parent = copy.m_Parent;
        m_Children = std::move(copy.m_Children);
        m_Indices = std::move(copy.m_Indices);
        m_Index = copy.m_Index;
        for (int i = 0; i < 4; ++i) m_Flags[i] = copy.m_Flags[i];
        return *this;
    }
    ~CQxTreeNode() = default; // the child array deletes the children

    // Queries.
    T* GetParent() const { return m_Parent; }
    void SetParent(T* parent) { m_Parent = parent; }
    int IsRoot() const { return m_Parent == nullptr; }
    T* GetRoot() const {
        T* n = Self();
        while (Tree(n)->m_Parent) n = Tree(n)->m_Parent;
        return n;
    }
    // The ancestor-or-self just below the root; null for the root itself.
    T* GetTop() const {
        if (IsRoot()) return nullptr;
        T* n = Self();
        while (Tree(Tree(n)->m_Parent)->m_Parent) n = Tree(n)->m_Parent;
        return n;
    }

    unsigned int GetChildCount() const { return m_Children.GetSize(); }
    int IsChildEmpty() const { return m_Children.IsEmpty(); }
    // Null for a position not below the count.
    T* GetChild(unsigned int i) const { return i < m_Children.GetSize() ? m_Children[i] : nullptr; }
    T* GeFirstChild() const { return GetChild(0); }
    T* GetFirstChild() const { return GetChild(0); }
    T* GetLastChild() const { return m_Children.IsEmpty() ? nullptr : m_Children.Back(); }
    const CQxPtrArray<T>& GetChildren() const { return m_Children; }
    unsigned int GetChildIndex(const T* child) const { return m_Children.Find(child); }

    int IsFirstChild() const { return IsRoot() || Tree(m_Parent)->GeFirstChild() == Self(); }
    int IsLastChild() const { return IsRoot() || Tree(m_Parent)->GetLastChild() == Self(); }

    // True for the parent, grandparent or any further ancestor (not the node itself).
    int FindAncestor(const T* ancestor) const {
        if (!ancestor) return 0;
        for (T* n = m_Parent; n; n = Tree(n)->m_Parent)
            if (n == ancestor) return 1;
        return 0;
    }
    // Walks from this node upward: 1 on meeting the target, 0 on reaching the stop node first
    // (null stop: up to the root). A target that is the stop node itself counts as met.
    int FindToAncestor(const T* stop, const T* target) const {
        if (!target) return 0;
        for (T* n = Self(); n; n = Tree(n)->m_Parent) {
            if (n == target) return 1;
            if (n == stop) return 0;
        }
        return 0;
    }
    // True when the node is this node or lies in its subtree. The path upward is checked
    // against the children lists, so a node taken out with RemoveChild is not found.
    int Find(const T* node) const {
        if (!node) return 0;
        const T* self = Self();
        for (const T* n = node; n != self; n = Tree(n)->m_Parent) {
            T* parent = Tree(n)->m_Parent;
            if (!parent || Tree(parent)->GetChildIndex(n) == NotFound) return 0;
        }
        return 1;
    }
    // The node reached along the child positions from this node (itself for an empty path);
    // null when a position does not exist.
    T* Find(const CQxArray<unsigned int>& path) const {
        T* n = Self();
        for (unsigned int i = 0; n && i < path.GetSize(); ++i) n = Tree(n)->GetChild(path[i]);
        return n;
    }

    int HasSelect(int deep) const {
        if (m_Flags[0]) return 1;
        return deep && HasChildSelect(deep);
    }
    int HasChildSelect(int deep) const {
        for (T* child : m_Children)
            if (Tree(child)->HasSelect(deep)) return 1;
        return 0;
    }

    // Appends the node, its parent, ... up to the root.
    void GetNodesToRoot(CQxArray<T*>& nodes) const {
        for (T* n = Self(); n; n = Tree(n)->m_Parent) nodes.PushBack(n);
    }
    // Appends the subtree in pre-order.
    void GetNodesToLeaf(CQxArray<T*>& nodes) const {
        for (Iterator it = Begin(); !it.IsEnd(); ++it) nodes.PushBack(it.Get());
    }
    // Appends the path of child positions from the root down to this node, computed from the
    // tree; a level where the node is missing from its parent's children gives 0xFFFFFFFF.
    void GetIndices(CQxArray<unsigned int>& indices) const {
        unsigned int start = indices.GetSize();
        for (const T* n = Self(); Tree(n)->m_Parent; n = Tree(n)->m_Parent)
            indices.PushBack(Tree(Tree(n)->m_Parent)->GetChildIndex(n));
        std::reverse(indices.begin() + start, indices.end());
    }

    CQxArray<unsigned int>& Indices() { return m_Indices; }
    const CQxArray<unsigned int>& Indices() const { return m_Indices; }
    unsigned int& Index() { return m_Index; }
    const unsigned int& Index() const { return m_Index; }
    unsigned char& IsSelect() { return m_Flags[0]; }
    const unsigned char& IsSelect() const { return m_Flags[0]; }

    Iterator Begin() const { return Iterator(Self()); }
    RevIterator RevBegin() const { return RevIterator(Self()); }
    static Iterator End() { return Iterator(); }
    static RevIterator RevEnd() { return RevIterator(); }

    // Changes.
    // Inserts at a position 0..count (count appends) and adopts the child; 0 when the position
    // is beyond the count.
    int InsertChild(unsigned int i, T* child) {
        if (!child || i > m_Children.GetSize()) return 0;
        if (!m_Children.InsertAt(i, child)) return 0;
        Tree(child)->m_Parent = Self();
        return 1;
    }
    int PushChild(T* child) { return InsertChild(m_Children.GetSize(), child); }
    // Follows all positions of the path but the last, then inserts at the last; 0 for an empty
    // path or a path that leads nowhere.
    int Insert(const CQxArray<unsigned int>& path, T* child) {
        if (path.IsEmpty()) return 0;
        return Insert(path, 0, child);
    }
    // Takes the child out without deleting it; its Parent is left as it was.
    int RemoveChild(T* child) { return m_Children.Remove(child); }
    // Deletes the child with its subtree and takes it out.
    int PopChild(T* child) { return m_Children.Pop(child); }
    int PopLastChild() { return m_Children.PopBack(); }
    void ClearChildren() { m_Children.Clear(); }

    // Moves the node one place toward the front (back) among its siblings; 0 for a root or a
    // node already first (last).
    int ShiftUpChildPos() {
        if (IsRoot()) return 0;
        CQxPtrArray<T>& siblings = Tree(m_Parent)->m_Children;
        unsigned int i = siblings.Find(Self());
        if (i == NotFound || i == 0) return 0;
        siblings.RemoveAt(i);
        siblings.InsertAt(i - 1, Self());
        return 1;
    }
    int ShiftDownChildPos() {
        if (IsRoot()) return 0;
        CQxPtrArray<T>& siblings = Tree(m_Parent)->m_Children;
        unsigned int i = siblings.Find(Self());
        if (i == NotFound || i + 1 >= siblings.GetSize()) return 0;
        siblings.RemoveAt(i);
        siblings.InsertAt(i + 1, Self());
        return 1;
    }

    // Recomputes the cached path; with deep set, the whole subtree's as well.
    void UpdateIndices(int deep) {
        m_Indices.Empty();
        GetIndices(m_Indices);
        if (!deep) return;
        for (unsigned int i = 0; i < m_Children.GetSize(); ++i)
            Tree(m_Children[i])->SetIndices(m_Indices, i, deep);
    }

protected:
    // Indices becomes the parent's path followed by the node's own position.
    void SetIndices(const CQxArray<unsigned int>& parentIndices, unsigned int position, int deep) {
        m_Indices = parentIndices;
        m_Indices.PushBack(position);
        if (!deep) return;
        for (unsigned int i = 0; i < m_Children.GetSize(); ++i)
            Tree(m_Children[i])->SetIndices(m_Indices, i, deep);
    }
    // Inserts along the path from the given level of it.
    int Insert(const CQxArray<unsigned int>& path, unsigned int level, T* child) {
        if (level >= path.GetSize()) return 0;
        if (level + 1 == path.GetSize()) return InsertChild(path[level], child);
        T* next = GetChild(path[level]);
        return next ? Tree(next)->Insert(path, level + 1, child) : 0;
    }

    // The flag bytes: the first is IsSelect, the others are for the node classes.
    unsigned char& Flag(unsigned int i) { return m_Flags[i & 3]; }
    const unsigned char& Flag(unsigned int i) const { return m_Flags[i & 3]; }

private:
    static CQxPtrArray<T> CopyChildren(const CQxPtrArray<T>& children) {
        if constexpr (requires(const T& t) { T::NewCopy(t); }) {
            CQxPtrArray<T> copy;
            for (T* child : children) copy.PushBack(T::NewCopy(*child));
            return copy;
        } else {
            return children;
        }
    }

    // The tree part of a node: calls through it reach these members even where T declares
    // members of the same names.
    static CQxTreeNode* Tree(T* n) { return n; }
    static const CQxTreeNode* Tree(const T* n) { return n; }
    T* Self() const { return const_cast<T*>(static_cast<const T*>(this)); }

    T* m_Parent = nullptr;
    CQxPtrArray<T> m_Children;
    CQxArray<unsigned int> m_Indices;
    unsigned int m_Index = 0;
    unsigned char m_Flags[4] = {0, 0, 0, 0};
};
