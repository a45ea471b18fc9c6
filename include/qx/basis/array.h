#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <vector>

// CQxArray<T>: a growable array of values. Capacity doubles as elements are appended one by
// one (0, 1, 2, 4, 8, ...); positions out of range are refused with 0 (or 0xFFFFFFFF for a
// search) and leave the array as it was.
template <class T>
class CQxArray {
    static_assert(!std::is_same_v<T, bool>, "use unsigned char for flags");

public:
    static constexpr unsigned int NotFound = 0xFFFFFFFF;

    CQxArray() = default;
    CQxArray(std::initializer_list<T> values) {
        Assign(values.begin(), static_cast<unsigned int>(values.size()));
    }
    CQxArray(const CQxArray& other) { *this = other; }
    CQxArray(CQxArray&& other) noexcept : Items(std::move(other.Items)) {}
    CQxArray& operator=(const CQxArray& other) {
        if (this != &other) Assign(other.GetData(), other.GetSize());
        return *this;
    }
    CQxArray& operator=(CQxArray&& other) noexcept {
        Items = std::move(other.Items);
        return *this;
    }

    unsigned int GetSize() const { return static_cast<unsigned int>(Items.size()); }
    int IsEmpty() const { return Items.empty(); }
    unsigned int GetCapacity() const { return static_cast<unsigned int>(Items.capacity()); }
    static unsigned int GetMaxSize() { return 0xFFFFFFFF; }
    int IsFull() const { return GetSize() == GetMaxSize(); }

    T* GetData() { return Items.data(); }
    const T* GetData() const { return Items.data(); }
    // No bound check: the caller passes a position below the size.
    T& GetAt(unsigned int i) { return Items[i]; }
    const T& GetAt(unsigned int i) const { return Items[i]; }
    T& operator[](unsigned int i) { return Items[i]; }
    const T& operator[](unsigned int i) const { return Items[i]; }
    T& Front() { return Items.front(); }
    const T& Front() const { return Items.front(); }
    T& Back() { return Items.back(); }
    const T& Back() const { return Items.back(); }

    T* begin() { return Items.data(); }
    T* end() { return Items.data() + Items.size(); }
    const T* begin() const { return Items.data(); }
    const T* end() const { return Items.data() + Items.size(); }

    int SetAt(unsigned int i, const T& value) {
        if (i >= GetSize()) return 0;
        Items[i] = value;
        return 1;
    }
    int InsertAt(unsigned int i, const T& value) {
        if (i > GetSize()) return 0;
        T copy(value); // value may live inside this array
        Grow(1);
        Items.insert(Items.begin() + i, std::move(copy));
        return 1;
    }
    int InsertAfterAt(unsigned int i, const T& value) { return InsertAt(i + 1, value); }
    int PushFront(const T& value) { return InsertAt(0, value); }
    int PushBack(const T& value) {
        T copy(value);
        Grow(1);
        Items.push_back(std::move(copy));
        return 1;
    }
    // Appends every element of another array.
    int Append(const CQxArray& other) {
        if (this == &other) {
            CQxArray copy(other);
            return Append(copy);
        }
        Grow(other.GetSize());
        Items.insert(Items.end(), other.Items.begin(), other.Items.end());
        return 1;
    }

    // Appends n values from outside this array, growing as PushBack does and leaving room for
    // `spare` more; 0 and nothing appended when memory runs out.
    int Append(const T* values, unsigned int n, unsigned int spare = 0) {
        try {
            Grow(static_cast<std::size_t>(n) + spare);
            Items.insert(Items.end(), values, values + n);
        } catch (const std::bad_alloc&) {
            return 0;
        } catch (const std::length_error&) {
            return 0;
        }
        return 1;
    }

    int RemoveAt(unsigned int i) {
        if (i >= GetSize()) return 0;
        Items.erase(Items.begin() + i);
        return 1;
    }
    // Removes the first element equal to the value.
    int Remove(const T& value) { return RemoveAt(Find(value)); }
    int PopBack() {
        if (Items.empty()) return 0;
        Items.pop_back();
        return 1;
    }
    int PopFront() { return RemoveAt(0); }

    unsigned int Find(const T& value) const {
        for (unsigned int i = 0; i < GetSize(); ++i)
            if (Items[i] == value) return i;
        return NotFound;
    }
    int Has(const T& value) const { return Find(value) != NotFound; }

    // Clear frees the storage; Empty keeps it for reuse.
    void Clear() { std::vector<T>().swap(Items); }
    void Empty() { Items.clear(); }
    void CleanUp() { Items.shrink_to_fit(); }
    void Reverse() { std::reverse(Items.begin(), Items.end()); }

    // Sets the size to n. Without keep the array is emptied first. When n exceeds the capacity
    // the storage grows to n * factor slots (a factor of 0 counts as 1), falling back to smaller
    // factors down to n slots when memory is short; 0 when even n slots cannot be had.
    int Resize(unsigned int n, int keep = 1, unsigned int factor = 1) {
        if (!keep) Items.clear();
        if (n > GetCapacity()) {
            if (factor == 0) factor = 1;
            for (;; --factor) {
                try {
                    Items.reserve(static_cast<std::size_t>(n) * factor);
                    break;
                } catch (const std::bad_alloc&) {
                    if (factor <= 1) return 0;
                } catch (const std::length_error&) {
                    if (factor <= 1) return 0;
                }
            }
        }
        Items.resize(n);
        return 1;
    }
    // Reserves room for n elements without changing the size.
    void Reserve(unsigned int n) { Items.reserve(n); }

    bool operator==(const CQxArray& other) const { return Items == other.Items; }
    bool operator!=(const CQxArray& other) const { return Items != other.Items; }

private:
    void Assign(const T* values, unsigned int n) {
        Items.clear();
        Items.reserve(n);
        Items.insert(Items.end(), values, values + n);
    }
    // Doubling growth, so one-by-one appends see capacities 1, 2, 4, 8, ...
    void Grow(std::size_t extra) {
        std::size_t need = Items.size() + extra;
        if (need <= Items.capacity()) return;
        std::size_t cap = Items.capacity() == 0 ? 1 : Items.capacity() * 2;
        Items.reserve(std::max(cap, need));
    }

    std::vector<T> Items;
};
