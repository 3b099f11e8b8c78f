#include "Strings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {
int CompareCaseless(const char* a, const char* b) {
    for (;; ++a, ++b) {
        int ca = std::tolower(static_cast<unsigned char>(*a));
        int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb) return ca - cb;
        if (ca == 0) return 0;
    }
}
}  // namespace

int CString::Compare(const char* other) const { return std::strcmp(m_s.c_str(), other ? other : ""); }
int CString::CompareNoCase(const char* other) const { return CompareCaseless(m_s.c_str(), other ? other : ""); }

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (count < 0) count = 0;
    if (first >= GetLength()) return CString();
    return CString(m_s.substr(size_t(first), size_t(count)));
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
    if (count <= 0) return CString();
    if (count >= GetLength()) return *this;
    return CString(m_s.substr(m_s.size() - size_t(count)));
}

int CString::Find(char ch, int start) const {
    if (start < 0) start = 0;
    size_t pos = m_s.find(ch, size_t(start));
    return pos == std::string::npos ? -1 : int(pos);
}

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t pos = m_s.find(sub, size_t(start));
    return pos == std::string::npos ? -1 : int(pos);
}

int CString::FindNoCase(const char* sub, int start) const {
    CString upperSelf(*this), upperSub(sub);
    upperSelf.MakeUpper();
    upperSub.MakeUpper();
    return upperSelf.Find(upperSub.c_str(), start);
}

int CString::ReverseFind(char ch) const {
    size_t pos = m_s.rfind(ch);
    return pos == std::string::npos ? -1 : int(pos);
}

int CString::FindOneOf(const char* chars) const {
    if (!chars) return -1;
    size_t pos = m_s.find_first_of(chars);
    return pos == std::string::npos ? -1 : int(pos);
}

CString& CString::MakeUpper() {
    for (char& c : m_s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return *this;
}

CString& CString::MakeLower() {
    for (char& c : m_s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return *this;
}

CString& CString::TrimLeft(const char* chars) {
    size_t pos = m_s.find_first_not_of(chars);
    m_s.erase(0, pos == std::string::npos ? m_s.size() : pos);
    return *this;
}

CString& CString::TrimRight(const char* chars) {
    size_t pos = m_s.find_last_not_of(chars);
    m_s.erase(pos == std::string::npos ? 0 : pos + 1);
    return *this;
}

int CString::Replace(const char* from, const char* to) {
    if (!from || !*from) return 0;
    const std::string f(from), t(to ? to : "");
    std::string result;
    int count = 0;
    size_t pos = 0;
    for (;;) {
        size_t hit = m_s.find(f, pos);
        if (hit == std::string::npos) break;
        result.append(m_s, pos, hit - pos);
        result += t;
        pos = hit + f.size();
        ++count;
    }
    if (count) {
        result.append(m_s, pos, std::string::npos);
        m_s.swap(result);
    }
    return count;
}

int CString::Replace(char from, char to) {
    int count = 0;
    for (char& c : m_s) {
        if (c == from) { c = to; ++count; }
    }
    return count;
}

int CString::Remove(char ch) {
    size_t before = m_s.size();
    m_s.erase(std::remove(m_s.begin(), m_s.end(), ch), m_s.end());
    return int(before - m_s.size());
}

void CString::Insert(int index, const char* text) {
    if (!text) return;
    index = std::clamp(index, 0, GetLength());
    m_s.insert(size_t(index), text);
}

void CString::Delete(int index, int count) {
    if (index < 0 || count <= 0 || index >= GetLength()) return;
    m_s.erase(size_t(index), size_t(count));
}

void CString::FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed < 0) { m_s.clear(); return; }
    std::string out(size_t(needed) + 1, '\0');
    std::vsnprintf(&out[0], out.size(), format, args);
    out.resize(size_t(needed));
    m_s.swap(out);
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const char* format, ...) {
    CString tail;
    va_list args;
    va_start(args, format);
    tail.FormatV(format, args);
    va_end(args);
    m_s += tail.m_s;
}

char* CString::GetBuffer(int minLength) {
    if (minLength < GetLength()) minLength = GetLength();
    m_s.resize(size_t(minLength) + 1, '\0');
    return &m_s[0];
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) {
        m_s.resize(std::strlen(m_s.c_str()));
    } else {
        m_s.resize(size_t(newLength));
    }
}

CString operator+(const CString& a, const CString& b) { return CString(a.str() + b.str()); }
CString operator+(const CString& a, const char* b) { CString r(a); r += b; return r; }
CString operator+(const char* a, const CString& b) { CString r(a); r += b; return r; }
CString operator+(const CString& a, char b) { CString r(a); r += b; return r; }

void CStringArray::InsertAt(int index, const CString& value) {
    if (index < 0 || index > GetSize()) throw std::out_of_range("CStringArray::InsertAt");
    m_items.insert(m_items.begin() + index, value);
}

void CStringArray::RemoveAt(int index, int count) {
    if (index < 0 || count < 0 || index + count > GetSize()) throw std::out_of_range("CStringArray::RemoveAt");
    m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
}

int CStringArray::Find(const char* text, bool noCase) const {
    for (int i = 0; i < GetSize(); ++i) {
        const CString& s = m_items[size_t(i)];
        if (noCase ? s.CompareNoCase(text) == 0 : s.Compare(text) == 0) return i;
    }
    return -1;
}

CStringArray SplitText(const CString& text, const char* separator) {
    CStringArray parts;
    const int sepLen = separator ? int(std::strlen(separator)) : 0;
    if (sepLen == 0) { parts.Add(text); return parts; }
    int start = 0;
    for (;;) {
        int hit = text.Find(separator, start);
        if (hit < 0) break;
        parts.Add(text.Mid(start, hit - start));
        start = hit + sepLen;
    }
    parts.Add(text.Mid(start));
    return parts;
}

CString FillMarkers(const CString& text, const std::vector<TextMarker>& markers) {
    const std::string& in = text.str();
    std::string out;
    out.reserve(in.size());
    for (size_t at = 0; at < in.size();) {
        const TextMarker* best = nullptr;
        size_t bestLength = 0;
        for (const TextMarker& m : markers) {
            const size_t length = m.marker ? std::strlen(m.marker) : 0;
            if (length > bestLength && in.compare(at, length, m.marker) == 0) {
                best = &m;
                bestLength = length;
            }
        }
        if (best) {
            out += best->value.str();
            at += bestLength;
        } else {
            out += in[at++];
        }
    }
    return CString(out);
}

CString DecimalText(long long number) { return CString(std::to_string(number)); }
