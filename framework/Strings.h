// Strings.h - CString, the text type of the suite, and CStringArray.
// Offers: a value-type string of chars (ANSI code page) with the operations the
// programs use: formatting, search, Mid/Left/Right, case change, trimming,
// replacing, comparison, and conversion to const char*. Texts may hold NUL
// bytes (GetLength counts them); conversion to const char* stops at the first.
// Also FillMarkers, which puts values into a template text that is not the
// program's own (a language pack's, a settings file's): such a text is never
// a format, since a translator's "%s" would make the formatter read a value
// that was never passed.
// Deliberately not: reference counting, Unicode, resource-string loading.
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

class CString {
public:
    CString() = default;
    CString(const char* text) : m_s(text ? text : "") {}
    CString(const char* text, int length) : m_s(text ? std::string(text, length > 0 ? size_t(length) : 0) : std::string()) {}
    CString(char ch, int repeat = 1) : m_s(repeat > 0 ? size_t(repeat) : 0, ch) {}
    CString(const std::string& text) : m_s(text) {}

    int GetLength() const { return int(m_s.size()); }
    bool IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    char GetAt(int index) const { return m_s.at(size_t(index)); }
    void SetAt(int index, char ch) { m_s.at(size_t(index)) = ch; }
    char operator[](int index) const { return GetAt(index); }

    operator const char*() const { return m_s.c_str(); }
    const char* c_str() const { return m_s.c_str(); }
    const std::string& str() const { return m_s; }

    CString& operator=(const char* text) { m_s = text ? text : ""; return *this; }
    CString& operator+=(const CString& other) { m_s += other.m_s; return *this; }
    CString& operator+=(const char* text) { if (text) m_s += text; return *this; }
    CString& operator+=(char ch) { m_s += ch; return *this; }
    void Append(const char* data, int length) { if (data && length > 0) m_s.append(data, size_t(length)); }

    // Comparison in the manner of strcmp/_stricmp: <0, 0, >0.
    int Compare(const char* other) const;
    int CompareNoCase(const char* other) const;

    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;

    // Positions are 0-based; -1 means not found.
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int FindNoCase(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* chars) const;

    CString& MakeUpper();
    CString& MakeLower();
    CString& TrimLeft(const char* chars = " \t\r\n");
    CString& TrimRight(const char* chars = " \t\r\n");
    CString& Trim(const char* chars = " \t\r\n") { return TrimRight(chars).TrimLeft(chars); }

    // Literal replacement of every occurrence; returns the number replaced.
    int Replace(const char* from, const char* to);
    int Replace(char from, char to);
    int Remove(char ch);
    void Insert(int index, const char* text);
    void Delete(int index, int count = 1);

    // printf-style formatting; the result replaces the string. The format is
    // the program's own literal: the build warns on any other (a pack or
    // settings text goes through FillMarkers instead).
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args) __attribute__((format(printf, 2, 0)));
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Direct access for Win32 calls that fill a buffer: GetBuffer(n) gives room
    // for n chars plus the terminator; ReleaseBuffer(-1) takes the length up to
    // the first NUL, ReleaseBuffer(n) exactly n chars.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

private:
    std::string m_s;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
inline bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
inline bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
inline bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, const char* b) { return !(a == b); }
inline bool operator!=(const char* a, const CString& b) { return !(b == a); }
inline bool operator<(const CString& a, const CString& b) { return a.str() < b.str(); }

// A growable array of strings with the indexing style of the programs
// (GetSize/GetAt/Add/RemoveAt); bounds are checked and out-of-range access throws.
class CStringArray {
public:
    int GetSize() const { return int(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    const CString& GetAt(int index) const { return m_items.at(size_t(index)); }
    CString& ElementAt(int index) { return m_items.at(size_t(index)); }
    const CString& operator[](int index) const { return GetAt(index); }
    CString& operator[](int index) { return ElementAt(index); }
    void SetAt(int index, const CString& value) { m_items.at(size_t(index)) = value; }
    int Add(const CString& value) { m_items.push_back(value); return int(m_items.size()) - 1; }
    void InsertAt(int index, const CString& value);
    void RemoveAt(int index, int count = 1);
    void RemoveAll() { m_items.clear(); }
    // Index of the first element equal to text (optionally ignoring case), -1 if none.
    int Find(const char* text, bool noCase = false) const;

    std::vector<CString>::const_iterator begin() const { return m_items.begin(); }
    std::vector<CString>::const_iterator end() const { return m_items.end(); }

private:
    std::vector<CString> m_items;
};

// Splits text at every occurrence of the separator; empty pieces are kept.
CStringArray SplitText(const CString& text, const char* separator);

// One marker of a template text ("%s", "%s1", "%u") and the value for it.
struct TextMarker {
    const char* marker;
    CString value;
};
// The template with every place where one of the markers stands taken by
// that marker's value, in one pass: where two markers start at the same
// place the longer one counts ("%s1" is not "%s" and a "1"), an inserted
// value is never searched again (a file name holding "%s2" stays as it is),
// and nothing else of the text means anything: a '%' that starts no marker,
// "%%" or "%d" where "%s" is the marker, shows as written.
CString FillMarkers(const CString& text, const std::vector<TextMarker>& markers);
inline CString FillMarker(const CString& text, const char* marker, const CString& value) {
    return FillMarkers(text, {{marker, value}});
}
// A number in decimal, as the markers of counts and codes take it.
CString DecimalText(long long number);
