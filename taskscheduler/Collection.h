// Collection.h - the 1-based collection behind Schedule and Triggers: items
// in insertion order, an optional text key per item (compared without regard
// to letter case), and an IEnumVARIANT over a snapshot for For Each loops.
// Deliberately not: insertion before or after an item, or a key lookup that
// clients can reach (the interfaces index by number only).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "ComServer.h"

// The errors an automation collection raises.
const HRESULT E_COLLECTION_INDEX = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 9);
const HRESULT E_COLLECTION_ARGUMENT = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 5);
const HRESULT E_COLLECTION_DUPLICATE_KEY = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 457);
const char* CollectionErrorText(HRESULT hr);

// An enumerator over VT_DISPATCH items, which it holds references to.
HRESULT CreateDispatchEnum(const std::vector<IDispatch*>& items, IUnknown** out);

// Reads a collection index from a VARIANT (any number or a numeric text).
HRESULT IndexFromVariant(const VARIANT& index, long& value);

// T is an automation object class: reachable as IDispatch, reference counted.
template <typename T>
class CObjectCollection {
public:
    CObjectCollection() = default;
    ~CObjectCollection() { Clear(); }
    CObjectCollection(const CObjectCollection&) = delete;
    CObjectCollection& operator=(const CObjectCollection&) = delete;

    long Count() const { return long(m_items.size()); }
    void Clear() {
        for (auto& item : m_items) item.object->Release();
        m_items.clear();
    }
    // key NULL or empty: no key.
    HRESULT Add(T* object, const wchar_t* key = nullptr) {
        std::wstring k = key ? key : L"";
        if (!k.empty() && Find(k) >= 0) return E_COLLECTION_DUPLICATE_KEY;
        object->AddRef();
        m_items.push_back(Entry{object, k});
        return S_OK;
    }
    // 1-based; NULL when out of range.
    T* At(long index) const {
        return index >= 1 && index <= Count() ? m_items[size_t(index - 1)].object : nullptr;
    }
    HRESULT Item(long index, T** out) const {
        T* object = At(index);
        if (!object) return E_COLLECTION_INDEX;
        object->AddRef();
        *out = object;
        return S_OK;
    }
    HRESULT Remove(long index) {
        if (!At(index)) return E_COLLECTION_INDEX;
        m_items[size_t(index - 1)].object->Release();
        m_items.erase(m_items.begin() + (index - 1));
        return S_OK;
    }
    long Find(const std::wstring& key) const {
        for (size_t i = 0; i < m_items.size(); ++i)
            if (!m_items[i].key.empty() && lstrcmpiW(m_items[i].key.c_str(), key.c_str()) == 0) return long(i + 1);
        return -1;
    }
    HRESULT NewEnum(IUnknown** out) const {
        std::vector<IDispatch*> items;
        for (auto& item : m_items) items.push_back(item.object);
        return CreateDispatchEnum(items, out);
    }
    void Swap(CObjectCollection& other) { m_items.swap(other.m_items); }

private:
    struct Entry {
        T* object;
        std::wstring key;
    };
    std::vector<Entry> m_items;
};
