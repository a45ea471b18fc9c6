#pragma once

#include <iterator>
#include <utility>

#include "qx/basis/list_node.h"

// CQxList<T>: an owning, circular, doubly linked list of T, where T derives from
// CQxListNode<T>. The list embeds a sentinel element of type T: its Next is the first (oldest)
// element and its Prev the last (newest); both point to the sentinel when the list is empty.
// Elements are created with `new` by the caller and deleted with `delete` by the list, so an
// element class may bring its own operator new/delete (a pool) and a virtual destructor.
//
// PushBack sets the element's Index to the count before appending; the other inserts leave
// Index alone, and UpdateIndices renumbers the whole list 0..n-1.
//
// An element class that keeps caches of which elements a list holds (the mesh elements) declares
// `static void OnRelink()`: every insert, removal, splice and clear of a non-empty list calls it.
template <class T>
class CQxList {
    using Node = CQxListNode<T>;

public:
    template <class E>
    class IteratorBase {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = E*;
        using reference = E&;

        IteratorBase() = default;
        explicit IteratorBase(E* e) : m_Element(e) {}
        E& operator*() const { return *m_Element; }
        E* operator->() const { return m_Element; }
        E* Get() const { return m_Element; }
        IteratorBase& operator++() {
            m_Element = static_cast<const Node*>(m_Element)->Next();
            return *this;
        }
        IteratorBase operator++(int) {
            IteratorBase old = *this;
            ++*this;
            return old;
        }
        IteratorBase& operator--() {
            m_Element = static_cast<const Node*>(m_Element)->Prev();
            return *this;
        }
        IteratorBase operator--(int) {
            IteratorBase old = *this;
            --*this;
            return old;
        }
        bool operator==(const IteratorBase& other) const { return m_Element == other.m_Element; }

    private:
        E* m_Element = nullptr;
    };
    using Iterator = IteratorBase<T>;
    using ConstIterator = IteratorBase<const T>;

    CQxList() { Reset(); }
    // For a sentinel whose type has no default constructor.
    template <class... Args>
    explicit CQxList(std::in_place_t, Args&&... args) : m_Head(std::forward<Args>(args)...) {
        Reset();
    }
    CQxList(const CQxList&) = delete;
    CQxList& operator=(const CQxList&) = delete;
    ~CQxList() { Clear(); }

    unsigned int GetCount() const { return m_Count; }
    int IsEmpty() const { return m_Count == 0; }

    // The sentinel: not an element, but the list's fixed point of both ends.
    T* GetHead() { return &m_Head; }
    const T* GetHead() const { return &m_Head; }
    // The first and last elements; null when the list is empty.
    T* Front() const { return m_Count ? Links(&m_Head)->Next() : nullptr; }
    T* Back() const { return m_Count ? Links(&m_Head)->Prev() : nullptr; }

    Iterator begin() { return Iterator(Links(&m_Head)->Next()); }
    Iterator end() { return Iterator(&m_Head); }
    ConstIterator begin() const { return ConstIterator(Links(&m_Head)->Next()); }
    ConstIterator end() const { return ConstIterator(&m_Head); }

    int PushBack(T* e) {
        if (!InsertBefore(&m_Head, e)) return 0;
        Links(e)->Index() = m_Count - 1;
        return 1;
    }
    int PushFront(T* e) { return InsertAfter(&m_Head, e); }
    // Links e in before (after) pos, an element of this list or the sentinel. e must not be in
    // a list.
    int InsertBefore(T* pos, T* e) { return pos ? InsertAfter(Links(pos)->Prev(), e) : 0; }
    int InsertAfter(T* pos, T* e) {
        if (!pos || !e || e == pos || e == &m_Head || Links(e)->Next() || !Links(pos)->Next()) return 0;
        T* next = Links(pos)->Next();
        Links(e)->Prev() = pos;
        Links(e)->Next() = next;
        Links(next)->Prev() = e;
        Links(pos)->Next() = e;
        ++m_Count;
        Relinked();
        return 1;
    }

    // Moves every element of the other list to the end of this one, in order, in constant time;
    // the other list is left empty. Index fields are left as they were (see UpdateIndices).
    void Splice(CQxList& other) {
        if (&other == this || other.m_Count == 0) return;
        T* first = Links(&other.m_Head)->Next();
        T* last = Links(&other.m_Head)->Prev();
        T* tail = Links(&m_Head)->Prev();
        Links(tail)->Next() = first;
        Links(first)->Prev() = tail;
        Links(last)->Next() = &m_Head;
        Links(&m_Head)->Prev() = last;
        m_Count += other.m_Count;
        other.Reset();
        Relinked();
    }

    // Unlinks an element of this list without deleting it; its links become null again.
    int Remove(T* e) {
        if (!e || e == &m_Head || !Links(e)->Next() || m_Count == 0) return 0;
        Links(Links(e)->Prev())->Next() = Links(e)->Next();
        Links(Links(e)->Next())->Prev() = Links(e)->Prev();
        Links(e)->Next() = nullptr;
        Links(e)->Prev() = nullptr;
        --m_Count;
        Relinked();
        return 1;
    }
    // Unlinks and deletes.
    int Pop(T* e) {
        if (!Remove(e)) return 0;
        delete e;
        return 1;
    }
    int PopFront() { return Pop(Front()); }
    int PopBack() { return Pop(Back()); }

    // Deletes every element, first to last.
    void Clear() {
        T* e = Links(&m_Head)->Next();
        if (m_Count) Relinked();
        Reset();
        while (e && e != &m_Head) {
            T* next = Links(e)->Next();
            delete e;
            e = next;
        }
    }

    // Numbers the elements 0..n-1 in list order.
    void UpdateIndices() {
        unsigned int i = 0;
        for (T& e : *this) Links(&e)->Index() = i++;
    }

    // The element at position i, walking from the nearer end; null when i is not below the count.
    T* GetAt(unsigned int i) const {
        if (i >= m_Count) return nullptr;
        if (i < m_Count / 2) return Links(&m_Head)->NextAt(i + 1);
        return Links(&m_Head)->PrevAt(m_Count - i);
    }
    // Position of an element by walking; 0xFFFFFFFF when it is not in this list.
    unsigned int Find(const T* e) const {
        unsigned int i = 0;
        for (const T& x : *this) {
            if (&x == e) return i;
            ++i;
        }
        return 0xFFFFFFFF;
    }
    int Has(const T* e) const { return Find(e) != 0xFFFFFFFF; }

private:
    static void Relinked() {
        if constexpr (requires { T::OnRelink(); }) T::OnRelink();
    }

    // Links through the base class, so that a T hiding Next or Prev cannot get in the way.
    static Node* Links(const T* e) { return const_cast<Node*>(static_cast<const Node*>(e)); }
    void Reset() {
        Links(&m_Head)->Next() = &m_Head;
        Links(&m_Head)->Prev() = &m_Head;
        m_Count = 0;
    }

    T m_Head;
    unsigned int m_Count = 0;
};
