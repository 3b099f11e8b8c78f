// Algorithms.h - overwrite algorithms: the five built-ins, the user's own
// kept under Software\Quorvane Grindel\Algorithms, and the hex helpers of the
// pattern texts that the algorithm editor shows and reads.
// Offers: CAlgorithm/CAlgorithmPass records, CAlgorithmList (built-ins first,
// then the user's in registry order), loading, saving with the editor's
// checks, deletion, and the selection of an algorithm by its stored name.
// Deliberately not: any window; the editor only moves values to and from here.
#pragma once

#include <windows.h>

#include <vector>

#include "Arrays.h"
#include "Strings.h"

class CRegKey;

enum PassType { PASS_COMPLEMENT = 0, PASS_RANDOM = 1, PASS_PATTERN = 2 };

struct CAlgorithmPass {
    int type = PASS_RANDOM;
    std::vector<BYTE> pattern;  // byte 0 is written first

    static CAlgorithmPass Random() { return CAlgorithmPass{PASS_RANDOM, {}}; }
    static CAlgorithmPass Complement() { return CAlgorithmPass{PASS_COMPLEMENT, {}}; }
    static CAlgorithmPass Pattern(std::vector<BYTE> bytes) { return CAlgorithmPass{PASS_PATTERN, std::move(bytes)}; }
    int PatternLength() const { return int(pattern.size()); }
    bool operator==(const CAlgorithmPass& o) const { return type == o.type && pattern == o.pattern; }
};

struct CAlgorithm {
    CString name;
    CString description;
    std::vector<CAlgorithmPass> passes;
    bool userDefined = false;

    int PassCount() const { return int(passes.size()); }
};

// Results of saving an algorithm from the editor; the editor turns them into
// its messages.
enum SaveAlgorithmResult {
    SAVE_OK,
    SAVE_EMPTY_NAME,        // 9070
    SAVE_NAME_EXISTS,       // 9071
    SAVE_BAD_NAME,          // a "\" would make the name a registry path
    SAVE_EMPTY_DESCRIPTION, // 9072
    SAVE_NO_PASSES,
    SAVE_NOT_EDITABLE,      // a built-in, or an index out of range
    SAVE_WRITE_FAILED,      // 9073
};

class CAlgorithmList {
public:
    // Keys below HKEY_CURRENT_USER: the product key holds "Algorithms".
    explicit CAlgorithmList(const char* productKey);

    void LoadAlgorithms();
    void LoadBuiltInAlgorithms();
    void LoadUserAlgorithms();

    int GetSize() const { return m_items.GetSize(); }
    const CAlgorithm& GetAt(int index) const { return *m_items.GetAt(index); }
    bool IsValidIndex(int index) const { return index >= 0 && index < GetSize(); }
    // -1 when no algorithm has the name; an exact match first, then one that differs in case only.
    int FindByName(const char* name) const;
    std::vector<CString> Names() const;
    // Where each algorithm of before went: its new index, or -1 when it is gone.
    // The one at changedIndex now carries changedName (null: it was deleted).
    std::vector<int> MovedIndexes(const std::vector<CString>& before, int changedIndex, const char* changedName) const;

    // User algorithms follow the built-ins sorted by name, whatever the
    // registry's order, so a task's index names the same algorithm after a restart.
    // The editor's Save: editIndex -1 adds a new algorithm, otherwise it
    // replaces the user algorithm at that index (which moves when the name does). The registry is written before
    // anything is removed, so a failed write never loses an algorithm; on
    // failure the list is unchanged.
    SaveAlgorithmResult SaveAlgorithm(int editIndex, const CAlgorithm& algorithm);
    // Removes the stored key, then the record; false when the key could not be
    // deleted, and then the list is as it was.
    bool DeleteAlgorithm(int index);

    CString AlgorithmsKey() const;

private:
    // savingAs/savingOver: the marks of a key in the middle of a save, written first.
    LONG WriteAlgorithmKey(const char* keyName, const CAlgorithm& algorithm, const char* savingAs = nullptr,
                           const char* savingOver = nullptr) const;
    void ClearSavingMarks(const char* keyName) const;
    // Finishes or undoes every save that a kill cut short, by the marks it left.
    void SettleCutSaves(const CRegKey& algorithmsKey) const;
    // keep: the algorithm the key holds, written back whole when the deletion
    // fails after taking part of the key.
    LONG DeleteAlgorithmKey(const char* keyName, const CAlgorithm* keep = nullptr) const;
    bool KeyExists(const char* keyName) const;
    int SortedPosition(const char* name) const;
    // Another algorithm (not the one at except) whose name is the same as name's; -1 when none.
    int IndexOfSameName(const char* name, int except) const;

    CString m_productKey;
    COwnedPtrArray<CAlgorithm> m_items;
};

// The order of algorithm names: the user's collation ignoring case (lstrcmpiA),
// then, for names it calls equal, their bytes, so the order never depends on
// the order they were read in.
int CompareAlgorithmNames(const char* a, const char* b);
// Names that may not both be algorithms: equal under that collation, or one
// registry key (which ignores case).
bool IsSameAlgorithmName(const char* a, const char* b);

// Resolves the stored selection: the stored name wins over the stored index,
// since the index of a user algorithm moves. An empty name (older profiles)
// keeps a valid index. An algorithm that is gone (name not found, or no name
// and an index past the end) selects the built-in with the most passes, never
// a weaker one. Returns the index to use.
int ResolveMethod(const CAlgorithmList& list, int storedIndex, const char* storedName);

// Two upper-case hexadecimal digits.
CString BytesToHexText(BYTE value);
// One blank-free group: A-F/a-f count 10-15, any other character its decimal
// digit value (0 for a non-digit); the low 8 bits of the sum.
BYTE ParseHexByte(const char* group);
// The editor's pattern text (hex digits, no blanks): read in pairs from the
// right; the rightmost pair is byte 0; an odd length gets a leading "0".
std::vector<BYTE> PatternTextToBytes(const char* text);
// The pass list's form of a pattern: last byte first, groups joined by blanks.
CString PatternToDisplayText(const std::vector<BYTE>& pattern);
// The pattern text with its groups made: "ABC" -> "0A BC".
CString PatternTextToDisplayText(const char* text);
// The pass list's form read back: the last group is byte 0.
std::vector<BYTE> DisplayTextToPattern(const char* display);
// Only 0-9, A-F (either case) and blanks.
bool IsValidPatternText(const char* display);
// The pattern as it is written to the disk, for the progress text: "0x27FFFFFF".
CString PatternProgressText(const std::vector<BYTE>& pattern);
