#pragma once

#include <iterator>

#include "qx/basis/bin_tree.h"

// CQxKeyTree<T>: an ordered set of unique keys; iteration visits the keys in ascending order
// (see CQxKeyLess). It is the ordered map with nothing stored beside the keys.
template <class T, class Less = CQxKeyLess<T>>
class CQxKeyTree {
    struct Nothing {};
    using Map = CQxBinTree<T, Nothing, Less>;

public:
    using Node = typename Map::Node;

    // Visits the keys themselves.
    class Iterator {
    public:
        using iterator_category = std::bidirectional_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;

        Iterator() = default;
        explicit Iterator(typename Map::ConstIterator it) : m_It(it) {}
        const T& operator*() const { return m_It->Key; }
        const T* operator->() const { return &m_It->Key; }
        const Node* GetNode() const { return m_It.Get(); }
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
        typename Map::ConstIterator m_It;
    };

    void Swap(CQxKeyTree& other) noexcept { m_Map.Swap(other.m_Map); }

    unsigned int GetCount() const { return m_Map.GetCount(); }
    int IsEmpty() const { return m_Map.IsEmpty(); }

    Iterator begin() const { return Iterator(m_Map.begin()); }
    Iterator end() const { return Iterator(m_Map.end()); }

    // The smallest and largest keys; null when empty.
    const T* First() const { return KeyOf(m_Map.First()); }
    const T* Last() const { return KeyOf(m_Map.Last()); }

    int Has(const T& key) const { return m_Map.Has(key); }
    // The smallest key not below (LowerBound) or above (UpperBound) the given one; null if none.
    const T* LowerBound(const T& key) const { return KeyOf(m_Map.LowerBound(key)); }
    const T* UpperBound(const T& key) const { return KeyOf(m_Map.UpperBound(key)); }

    // Adds the key; 0 when it is already there.
    int Insert(const T& key) { return m_Map.Insert(key, Nothing{}); }
    // Removes the key; 0 when it is not there.
    int Erase(const T& key) { return m_Map.Erase(key); }
    void Clear() { m_Map.Clear(); }

    // Appends the keys in ascending order.
    void GetKeys(CQxArray<T>& keys) const {
        for (const T& key : *this) keys.PushBack(key);
    }

private:
    static const T* KeyOf(const Node* n) { return n ? &n->Key : nullptr; }

    Map m_Map;
};
