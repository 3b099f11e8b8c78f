// Arrays.h - CArray<T>, a growable array of values, and COwnedPtrArray<T>,
// an array that owns the objects it points to (deleted on removal and at
// destruction). Index style of the programs: GetSize/GetAt/Add/RemoveAt.
// Bounds are checked; out-of-range access throws std::out_of_range.
// Deliberately not: serialization, hashing, sorting beyond what std offers.
#pragma once

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

template <typename T>
class CArray {
public:
    int GetSize() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    const T& GetAt(int i) const { return m_items.at(size_t(i)); }
    T& ElementAt(int i) { return m_items.at(size_t(i)); }
    const T& operator[](int i) const { return GetAt(i); }
    T& operator[](int i) { return ElementAt(i); }
    void SetAt(int i, const T& v) { m_items.at(size_t(i)) = v; }
    int Add(const T& v) { m_items.push_back(v); return GetSize() - 1; }
    void InsertAt(int i, const T& v) {
        if (i < 0 || i > GetSize()) throw std::out_of_range("CArray::InsertAt");
        m_items.insert(m_items.begin() + i, v);
    }
    void RemoveAt(int i, int count = 1) {
        if (i < 0 || count < 0 || i + count > GetSize()) throw std::out_of_range("CArray::RemoveAt");
        m_items.erase(m_items.begin() + i, m_items.begin() + i + count);
    }
    void RemoveAll() { m_items.clear(); }
    void SetSize(int n) { m_items.resize(size_t(std::max(0, n))); }
    T* GetData() { return m_items.data(); }
    const T* GetData() const { return m_items.data(); }

    typename std::vector<T>::iterator begin() { return m_items.begin(); }
    typename std::vector<T>::iterator end() { return m_items.end(); }
    typename std::vector<T>::const_iterator begin() const { return m_items.begin(); }
    typename std::vector<T>::const_iterator end() const { return m_items.end(); }

private:
    std::vector<T> m_items;
};

template <typename T>
class COwnedPtrArray {
public:
    COwnedPtrArray() = default;
    COwnedPtrArray(const COwnedPtrArray&) = delete;
    COwnedPtrArray& operator=(const COwnedPtrArray&) = delete;

    int GetSize() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    T* GetAt(int i) const { return m_items.at(size_t(i)).get(); }
    T* operator[](int i) const { return GetAt(i); }
    // Takes ownership; returns the new index.
    int Add(T* item) { m_items.emplace_back(item); return GetSize() - 1; }
    void InsertAt(int i, T* item) {
        if (i < 0 || i > GetSize()) throw std::out_of_range("COwnedPtrArray::InsertAt");
        m_items.emplace(m_items.begin() + i, item);
    }
    // Deletes the objects removed.
    void RemoveAt(int i, int count = 1) {
        if (i < 0 || count < 0 || i + count > GetSize()) throw std::out_of_range("COwnedPtrArray::RemoveAt");
        m_items.erase(m_items.begin() + i, m_items.begin() + i + count);
    }
    // Gives up ownership of one object without deleting it.
    T* Detach(int i) {
        T* p = m_items.at(size_t(i)).release();
        m_items.erase(m_items.begin() + i);
        return p;
    }
    void RemoveAll() { m_items.clear(); }
    int IndexOf(const T* item) const {
        for (int i = 0; i < GetSize(); ++i) if (m_items[size_t(i)].get() == item) return i;
        return -1;
    }

private:
    std::vector<std::unique_ptr<T>> m_items;
};
