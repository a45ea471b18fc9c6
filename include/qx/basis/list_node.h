#pragma once

// Intrusive list links. An element class T derives from CQxSmpListNode<T> (singly linked) or
// CQxListNode<T> (doubly linked). The links belong to the list that holds the element, never to
// its value: copying an element gives a fresh, unlinked node, and assigning one element to
// another leaves the target's links alone.
template <class T>
class CQxSmpListNode {
public:
    static constexpr unsigned int NoIndex = 0xFFFFFFFF;

    CQxSmpListNode() = default;
    CQxSmpListNode(const CQxSmpListNode&) {}
    CQxSmpListNode& operator=(const CQxSmpListNode&) { return *this; }

    unsigned int& Index() { return m_Index; }
    const unsigned int& Index() const { return m_Index; }
    T*& Next() { return m_Next; }
    T* const& Next() const { return m_Next; }

    // The element n steps forward (this element for 0); null when the links run out first.
    T* NextAt(unsigned int n) const {
        T* e = Self();
        for (; e && n; --n) e = static_cast<CQxSmpListNode*>(e)->m_Next;
        return e;
    }

protected:
    T* Self() const { return const_cast<T*>(static_cast<const T*>(this)); }

private:
    unsigned int m_Index = NoIndex;
    T* m_Next = nullptr;
};

// The doubly linked node keeps its three links in one block of 20 bytes, so an element class
// deriving from it can place a 4-byte member in the padding after them.
template <class T>
class CQxListNode {
public:
    static constexpr unsigned int NoIndex = 0xFFFFFFFF;

    CQxListNode() = default;
    CQxListNode(const CQxListNode&) {}
    CQxListNode& operator=(const CQxListNode&) { return *this; }

    unsigned int& Index() { return m_Index; }
    const unsigned int& Index() const { return m_Index; }
    T*& Next() { return m_Next; }
    T* const& Next() const { return m_Next; }
    T*& Prev() { return m_Prev; }
    T* const& Prev() const { return m_Prev; }

    // The element n steps forward (back) from this one (this element for 0); null when the links
    // run out first.
    T* NextAt(unsigned int n) const {
        T* e = Self();
        for (; e && n; --n) e = static_cast<CQxListNode*>(e)->m_Next;
        return e;
    }
    T* PrevAt(unsigned int n) const {
        T* e = Self();
        for (; e && n; --n) e = static_cast<CQxListNode*>(e)->m_Prev;
        return e;
    }

protected:
    T* Self() const { return const_cast<T*>(static_cast<const T*>(this)); }

private:
    T* m_Next = nullptr;
    T* m_Prev = nullptr;
    unsigned int m_Index = NoIndex;
};
