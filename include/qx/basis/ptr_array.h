#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

// CQxPtrArray<T>: an array of T* that owns what it points to. Elements are deleted through T's
// (virtual) destructor by Pop..., Empty, Clear and the destructor; Remove..., SetAt and Resize
// only drop slots. Capacity doubles as elements are appended one by one (0, 1, 2, 4, 8, ...).
// Positions out of range are refused with 0 and leave the array as it was.
template <class T>
class CQxPtrArray {
public:
    static constexpr unsigned int NotFound = 0xFFFFFFFF;

    CQxPtrArray() = default;
    // Copies are deep: each element is copied with T's copy constructor.
    CQxPtrArray(const CQxPtrArray& other) { CopyFrom(other); }
    CQxPtrArray(CQxPtrArray&& other) noexcept
        : m_Size(std::exchange(other.m_Size, 0)), m_Data(std::exchange(other.m_Data, nullptr)),
          m_Capacity(std::exchange(other.m_Capacity, 0)) {}
    CQxPtrArray& operator=(const CQxPtrArray& other) {
        if (this == &other) return *this;
        // The copies are made before the old elements go: `other` may live inside one of them.
        CQxPtrArray copy(other);
        Empty();
        Swap(copy);
        return *this;
    }
    CQxPtrArray& operator=(CQxPtrArray&& other) noexcept {
        if (this != &other) {
            Clear();
            Swap(other);
        }
        return *this;
    }
    ~CQxPtrArray() { Clear(); }

    void Swap(CQxPtrArray& other) noexcept {
        std::swap(m_Size, other.m_Size);
        std::swap(m_Data, other.m_Data);
        std::swap(m_Capacity, other.m_Capacity);
    }

    unsigned int GetSize() const { return m_Size; }
    int IsEmpty() const { return m_Size == 0; }
    unsigned int GetCapacity() const { return m_Capacity; }
    static unsigned int GetMaxSize() { return 0xFFFFFFFF; }
    int IsFull() const { return m_Size == GetMaxSize(); }

    // No bound check: the caller passes a position below the size.
    T*& GetAt(unsigned int i) { return m_Data[i]; }
    T* const& GetAt(unsigned int i) const { return m_Data[i]; }
    T*& operator[](unsigned int i) { return m_Data[i]; }
    T* const& operator[](unsigned int i) const { return m_Data[i]; }
    T*& Front() { return m_Data[0]; }
    T* const& Front() const { return m_Data[0]; }
    T*& Back() { return m_Data[m_Size - 1]; }
    T* const& Back() const { return m_Data[m_Size - 1]; }
    operator T**() { return m_Data; }
    operator T* const*() const { return m_Data; }
    T** GetData() { return m_Data; }
    T* const* GetData() const { return m_Data; }

    T** begin() { return m_Data; }
    T** end() { return m_Data + m_Size; }
    T* const* begin() const { return m_Data; }
    T* const* end() const { return m_Data + m_Size; }

    // Replaces the pointer; the old element is not deleted.
    int SetAt(unsigned int i, T* p) {
        if (i >= m_Size) return 0;
        m_Data[i] = p;
        return 1;
    }
    int InsertAt(unsigned int i, T* p) {
        if (i > m_Size || !Grow()) return 0;
        std::memmove(m_Data + i + 1, m_Data + i, sizeof(T*) * (m_Size - i));
        m_Data[i] = p;
        ++m_Size;
        return 1;
    }
    int InsertAfterAt(unsigned int i, T* p) { return i == NotFound ? 0 : InsertAt(i + 1, p); }
    int PushFront(T* p) { return InsertAt(0, p); }
    int PushBack(T* p) { return InsertAt(m_Size, p); }

    // Takes the slot out without deleting the element.
    int RemoveAt(unsigned int i) {
        if (i >= m_Size) return 0;
        std::memmove(m_Data + i, m_Data + i + 1, sizeof(T*) * (m_Size - i - 1));
        --m_Size;
        return 1;
    }
    int Remove(T* p) { return RemoveAt(Find(p)); }

    unsigned int Find(const T* p) const {
        for (unsigned int i = 0; i < m_Size; ++i)
            if (m_Data[i] == p) return i;
        return NotFound;
    }
    int Has(const T* p) const { return Find(p) != NotFound; }

    // Deletes the element and takes its slot out.
    int Pop(T* p) { return PopAt(Find(p)); }
    int PopAt(unsigned int i) {
        if (i >= m_Size) return 0;
        T* p = m_Data[i];
        RemoveAt(i);
        delete p;
        return 1;
    }
    int PopBack() { return m_Size ? PopAt(m_Size - 1) : 0; }
    int PopFront() { return PopAt(0); }

    // Clear deletes every element and frees the storage; Empty keeps the storage.
    void Clear() {
        Empty();
        std::free(m_Data);
        m_Data = nullptr;
        m_Capacity = 0;
    }
    void Empty() {
        // Slots are released before the deletes, so a destructor that looks at this array
        // never sees a deleted element.
        while (m_Size) {
            T* p = m_Data[--m_Size];
            delete p;
        }
    }
    // Shrinks the storage to the size.
    void CleanUp() {
        if (m_Size == m_Capacity) return;
        if (m_Size == 0) {
            Clear();
            return;
        }
        if (T** data = static_cast<T**>(std::realloc(m_Data, sizeof(T*) * m_Size))) {
            m_Data = data;
            m_Capacity = m_Size;
        }
    }
    void Reverse() { std::reverse(m_Data, m_Data + m_Size); }

    // Sets the size to n. Without keep the array is emptied (elements deleted) first. When n
    // exceeds the capacity the storage grows to n * factor slots (a factor of 0 counts as 1),
    // falling back to smaller factors down to n slots; 0 when even n slots cannot be had.
    // New slots hold null until the caller fills them; slots cut off are dropped, not deleted.
    int Resize(unsigned int n, int keep = 1, unsigned int factor = 1) {
        if (!keep) Empty();
        if (n > m_Capacity) {
            if (factor == 0) factor = 1;
            factor = std::min(factor, GetMaxSize() / n); // the capacity is a 32-bit count
            T** data = nullptr;
            for (;; --factor) {
                std::size_t slots = static_cast<std::size_t>(n) * factor;
                data = static_cast<T**>(std::malloc(sizeof(T*) * slots));
                if (data) {
                    m_Capacity = static_cast<unsigned int>(slots);
                    break;
                }
                if (factor <= 1) return 0;
            }
            if (m_Size) std::memcpy(data, m_Data, sizeof(T*) * m_Size);
            std::free(m_Data);
            m_Data = data;
        }
        if (n > m_Size) std::fill(m_Data + m_Size, m_Data + n, nullptr);
        m_Size = n;
        return 1;
    }

private:
    // Makes room for one more slot, doubling the capacity.
    int Grow() {
        if (m_Size < m_Capacity) return 1;
        if (IsFull()) return 0;
        std::uint64_t want = m_Capacity == 0 ? 1 : std::uint64_t{m_Capacity} * 2;
        unsigned int capacity = static_cast<unsigned int>(std::min<std::uint64_t>(want, GetMaxSize()));
        T** data = static_cast<T**>(std::realloc(m_Data, sizeof(T*) * capacity));
        if (!data) return 0;
        m_Data = data;
        m_Capacity = capacity;
        return 1;
    }
    void CopyFrom(const CQxPtrArray& other) {
        if (other.m_Size == 0) return;
        m_Data = static_cast<T**>(std::malloc(sizeof(T*) * other.m_Size));
        if (!m_Data) return;
        m_Capacity = other.m_Size;
        try {
            for (; m_Size < other.m_Size; ++m_Size) {
                T* p = other.m_Data[m_Size];
                m_Data[m_Size] = p ? new T(*p) : nullptr;
            }
        } catch (...) {
            Clear(); // the copies made so far
            throw;
        }
    }

    unsigned int m_Size = 0;
    T** m_Data = nullptr;
    unsigned int m_Capacity = 0;
};
