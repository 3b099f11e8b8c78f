#include "Algorithms.h"

#include <cstring>

#include "Registry.h"
#include "ShredderKeys.h"

namespace {
const char* const kNavsoIntro =
    "Navy Staff Office Publication (NAVSO Pub) 5239, \"Information Systems Security (INFOSEC) Program "
    "Guidelines\" is issued by the Naval Information Systems Management Center. Disk controllers use a variety "
    "of encoding techniques to convert the computer data to a format suitable for the magnetic data storage "
    "media. Typically, ST506 style disk drives use Modified Frequency Modulation (MFM) encoding; SCSI and "
    "ATA/IDE drives use a Run Length Limited (RLL) encoding scheme. ";

// Limits of what a stored algorithm may claim, so a damaged key cannot make
// the loader allocate without bound.
const DWORD kMaxPasses = 1000;
const DWORD kMaxPatternLength = Grindel::kBufferSize;

// The marks of a key in the middle of a save: the name the algorithm is being
// saved as, and the key of the version it replaces. Written before anything
// else of the key and taken off (or the key deleted) once the save is done.
const char* const kSavingAs = "Saving As";
const char* const kSavingOver = "Saving Over";

CAlgorithm* BuiltIn(const char* name, const char* description, std::vector<CAlgorithmPass> passes) {
    CAlgorithm* a = new CAlgorithm;
    a->name = name;
    a->description = description;
    a->passes = std::move(passes);
    return a;
}

CString PassKeyName(int pass) {
    CString name;
    name.Format("Pass %d", pass);
    return name;
}

bool ReadPass(const CRegKey& algorithmKey, int number, CAlgorithmPass& pass) {
    CRegKey key;
    if (key.Open(algorithmKey, PassKeyName(number)) != ERROR_SUCCESS) return false;
    CString write;
    if (key.QueryString("write", write) != ERROR_SUCCESS) return false;
    if (write == "Random") {
        pass = CAlgorithmPass::Random();
        return true;
    }
    if (write == "Complement") {
        pass = CAlgorithmPass::Complement();
        return true;
    }
    if (write != "Pattern") return false;
    DWORD length = 0;
    if (key.QueryDWORD("Pattern Length", length) != ERROR_SUCCESS || length == 0 || length > kMaxPatternLength)
        return false;
    std::vector<BYTE> bytes(length);
    for (DWORD i = 0; i < length; ++i) {
        CString valueName;
        valueName.Format("Byte %lu", static_cast<unsigned long>(i));
        DWORD value = 0;
        if (key.QueryDWORD(valueName, value) != ERROR_SUCCESS) return false;
        bytes[i] = BYTE(value & 0xFF);
    }
    pass = CAlgorithmPass::Pattern(std::move(bytes));
    return true;
}

// True for a key whose save was cut short: as and over get its marks.
bool ReadSavingMarks(const CRegKey& algorithmsKey, const CString& name, CString& as, CString& over) {
    CRegKey key;
    if (key.Open(algorithmsKey, name) != ERROR_SUCCESS || key.QueryString(kSavingAs, as) != ERROR_SUCCESS) return false;
    if (key.QueryString(kSavingOver, over) != ERROR_SUCCESS) over.Empty();
    return true;
}

CAlgorithm* ReadAlgorithm(const CRegKey& algorithmsKey, const CString& name) {
    CRegKey key;
    if (key.Open(algorithmsKey, name) != ERROR_SUCCESS) return nullptr;
    CString description;
    DWORD count = 0;
    if (key.QueryString("Description", description) != ERROR_SUCCESS) return nullptr;
    if (key.QueryDWORD("PassesCount", count) != ERROR_SUCCESS || count == 0 || count > kMaxPasses) return nullptr;
    std::unique_ptr<CAlgorithm> a(new CAlgorithm);
    a->name = name;
    // The editor keeps descriptions below 200 bytes; a longer stored one is cut as the reader always did.
    a->description = description.Left(199);
    a->userDefined = true;
    a->passes.resize(count);
    for (DWORD i = 0; i < count; ++i)
        if (!ReadPass(key, int(i), a->passes[i])) return nullptr;
    return a.release();
}
}  // namespace

CAlgorithmList::CAlgorithmList(const char* productKey) : m_productKey(productKey) {}

CString CAlgorithmList::AlgorithmsKey() const { return m_productKey + "\\" + Grindel::kAlgorithmsName; }

void CAlgorithmList::LoadAlgorithms() {
    m_items.RemoveAll();
    LoadBuiltInAlgorithms();
    LoadUserAlgorithms();
}

void CAlgorithmList::LoadBuiltInAlgorithms() {
    typedef CAlgorithmPass P;
    m_items.Add(BuiltIn("Quick Shred", "The fastest but the least secured data destruction algorithm.",
                        {P::Pattern({0x00})}));
    m_items.Add(BuiltIn("U.S. Standard, DoD 5220.22-M",
                        "U.S. Department of Defence specifies a triple pass overwrite algorithm in the DoD "
                        "5220.22-M specification.",
                        {P::Random(), P::Complement(), P::Random()}));
    m_items.Add(BuiltIn("NAVSO P-5239-26 (RLL)",
                        CString(kNavsoIntro) + "If you are uncertain as to the drive encoding technique, use this "
                                               "pattern.",
                        {P::Pattern({0x01}), P::Pattern({0x27, 0xFF, 0xFF, 0xFF}), P::Random()}));
    m_items.Add(BuiltIn("NAVSO P-5239-26 (MFM)", CString(kNavsoIntro) + "This algorithm implements MFM pattern.",
                        {P::Pattern({0x01}), P::Pattern({0x7F, 0xFF, 0xFF, 0xFF}), P::Random()}));
    m_items.Add(BuiltIn("German Standard, VSITR",
                        "According to VSITR (instruction #11, 29th, Nov. 1999), issued by Bundesamt fuer Sicherheit "
                        "in der Informationstechnik (BSI), each sector will be overwritten with three alternating "
                        "patterns of 00 and FF and in last pass with AA.",
                        {P::Pattern({0x00}), P::Pattern({0xFF}), P::Pattern({0x00}), P::Pattern({0xFF}),
                         P::Pattern({0x00}), P::Pattern({0xFF}), P::Pattern({0xAA})}));
}

void CAlgorithmList::LoadUserAlgorithms() {
    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, AlgorithmsKey()) != ERROR_SUCCESS) return;
    SettleCutSaves(key);
    CString as, over;
    for (const CString& name : key.EnumSubKeys()) {
        // One left marked (it could not be settled) is never an algorithm of its own:
        // it would move every algorithm after it, and a task's number with them.
        if (ReadSavingMarks(key, name, as, over)) continue;
        CAlgorithm* a = ReadAlgorithm(key, name);
        if (a) m_items.InsertAt(SortedPosition(a->name), a);
    }
}

void CAlgorithmList::SettleCutSaves(const CRegKey& key) const {
    for (const CString& name : key.EnumSubKeys()) {
        CString as, over;
        if (!ReadSavingMarks(key, name, as, over)) continue;
        std::unique_ptr<CAlgorithm> saved(ReadAlgorithm(key, name));
        std::unique_ptr<CAlgorithm> old(over.IsEmpty() ? nullptr : ReadAlgorithm(key, over));
        // Cut before the old version went, or before this one was whole: undone.
        if (!saved || old) {
            DeleteAlgorithmKey(name);
            continue;
        }
        // Cut after: finished.
        if (!over.IsEmpty() && !IsSameAlgorithmName(over, name) && KeyExists(over)) DeleteAlgorithmKey(over);
        if (IsSameAlgorithmName(as, name)) {
            ClearSavingMarks(name);
        } else if (WriteAlgorithmKey(as, *saved) == ERROR_SUCCESS) {
            DeleteAlgorithmKey(name);
        }
    }
}

int CompareAlgorithmNames(const char* a, const char* b) {
    const int order = lstrcmpiA(a, b);
    return order != 0 ? order : strcmp(a, b);
}

bool IsSameAlgorithmName(const char* a, const char* b) {
    // The registry's own notion (case alone makes no other key) as well as the collation's.
    return lstrcmpiA(a, b) == 0 || CString(a).CompareNoCase(b) == 0;
}

int CAlgorithmList::SortedPosition(const char* name) const {
    int at = GetSize();
    while (at > 0 && GetAt(at - 1).userDefined && CompareAlgorithmNames(GetAt(at - 1).name, name) > 0) --at;
    return at;
}

int CAlgorithmList::IndexOfSameName(const char* name, int except) const {
    for (int i = 0; i < GetSize(); ++i)
        if (i != except && IsSameAlgorithmName(GetAt(i).name, name)) return i;
    return -1;
}

std::vector<CString> CAlgorithmList::Names() const {
    std::vector<CString> names;
    for (int i = 0; i < GetSize(); ++i) names.push_back(GetAt(i).name);
    return names;
}

std::vector<int> CAlgorithmList::MovedIndexes(const std::vector<CString>& before, int changedIndex,
                                              const char* changedName) const {
    std::vector<int> moved;
    for (int i = 0; i < int(before.size()); ++i) {
        if (i == changedIndex)
            moved.push_back(changedName ? FindByName(changedName) : -1);
        else
            moved.push_back(FindByName(before[size_t(i)]));
    }
    return moved;
}

int CAlgorithmList::FindByName(const char* name) const {
    for (int i = 0; i < GetSize(); ++i)
        if (GetAt(i).name == name) return i;
    // The registry keeps names without regard to case: "zeta" is Zeta's key.
    for (int i = 0; i < GetSize(); ++i)
        if (GetAt(i).name.CompareNoCase(name) == 0) return i;
    return -1;
}

LONG CAlgorithmList::WriteAlgorithmKey(const char* keyName, const CAlgorithm& a, const char* savingAs,
                                       const char* savingOver) const {
    CRegKey key;
    LONG rc = key.Create(HKEY_CURRENT_USER, AlgorithmsKey() + "\\" + keyName);
    if (rc == ERROR_SUCCESS && savingAs) rc = key.SetString(kSavingAs, savingAs);
    if (rc == ERROR_SUCCESS && savingAs) rc = key.SetString(kSavingOver, savingOver);
    if (rc == ERROR_SUCCESS) rc = key.SetString("Description", a.description);
    if (rc == ERROR_SUCCESS) rc = key.SetDWORD("PassesCount", DWORD(a.PassCount()));
    for (int i = 0; rc == ERROR_SUCCESS && i < a.PassCount(); ++i) {
        const CAlgorithmPass& pass = a.passes[size_t(i)];
        CRegKey passKey;
        rc = passKey.Create(key, PassKeyName(i));
        if (rc != ERROR_SUCCESS) break;
        const char* word = pass.type == PASS_RANDOM ? "Random" : pass.type == PASS_COMPLEMENT ? "Complement" : "Pattern";
        rc = passKey.SetString("write", word);
        if (pass.type != PASS_PATTERN) continue;
        if (rc == ERROR_SUCCESS) rc = passKey.SetDWORD("Pattern Length", DWORD(pass.PatternLength()));
        for (int b = 0; rc == ERROR_SUCCESS && b < pass.PatternLength(); ++b) {
            CString valueName;
            valueName.Format("Byte %d", b);
            rc = passKey.SetDWORD(valueName, pass.pattern[size_t(b)]);
        }
    }
    return rc;
}

LONG CAlgorithmList::DeleteAlgorithmKey(const char* keyName, const CAlgorithm* keep) const {
    const LONG rc = CRegKey::DeleteTree(HKEY_CURRENT_USER, AlgorithmsKey() + "\\" + keyName);
    // The tree goes from the bottom up: a key refused only at its own level
    // has lost its passes already, and would be dropped as incomplete at the
    // next start while the list still shows it.
    if (rc != ERROR_SUCCESS && keep && KeyExists(keyName)) WriteAlgorithmKey(keyName, *keep);
    return rc;
}

void CAlgorithmList::ClearSavingMarks(const char* keyName) const {
    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, AlgorithmsKey() + "\\" + keyName, KEY_READ | KEY_WRITE) != ERROR_SUCCESS) return;
    key.DeleteValue(kSavingAs);
    key.DeleteValue(kSavingOver);
}

bool CAlgorithmList::KeyExists(const char* keyName) const {
    CRegKey key;
    return key.Open(HKEY_CURRENT_USER, AlgorithmsKey() + "\\" + keyName) == ERROR_SUCCESS;
}

SaveAlgorithmResult CAlgorithmList::SaveAlgorithm(int editIndex, const CAlgorithm& algorithm) {
    if (algorithm.name.IsEmpty()) return SAVE_EMPTY_NAME;
    if (algorithm.name.Find('\\') >= 0) return SAVE_BAD_NAME;
    if (editIndex != -1 && (!IsValidIndex(editIndex) || !GetAt(editIndex).userDefined)) return SAVE_NOT_EDITABLE;
    // An edited algorithm may keep its own name, even one stored before names had to differ in this way.
    const bool keepsName = editIndex != -1 && GetAt(editIndex).name == algorithm.name;
    if (!keepsName && IndexOfSameName(algorithm.name, editIndex) >= 0) return SAVE_NAME_EXISTS;
    if (algorithm.description.IsEmpty()) return SAVE_EMPTY_DESCRIPTION;
    if (algorithm.passes.empty()) return SAVE_NO_PASSES;

    std::unique_ptr<CAlgorithm> record(new CAlgorithm(algorithm));
    record->userDefined = true;

    if (editIndex == -1) {
        if (WriteAlgorithmKey(record->name, *record) != ERROR_SUCCESS) {
            DeleteAlgorithmKey(record->name);
            return SAVE_WRITE_FAILED;
        }
        const int at = SortedPosition(record->name);
        m_items.InsertAt(at, record.release());
        return SAVE_OK;
    }

    // The new version is written whole, marked, before the old key goes, and
    // the mark comes off last: a failure at any step puts back what was, and a
    // kill leaves marks that the next load settles; neither leaves two
    // versions that would both load. A new spelling of the same name is the
    // same key, so that version goes to a spare key first.
    const CAlgorithm& old = GetAt(editIndex);
    const CString oldName = old.name;
    const bool sameKey = IsSameAlgorithmName(oldName, record->name);
    CString saving = record->name;
    if (sameKey)
        for (int n = 1; n == 1 || KeyExists(saving); ++n) saving.Format("%s (saving %d)", oldName.c_str(), n);
    if (WriteAlgorithmKey(saving, *record, record->name, oldName) != ERROR_SUCCESS) {
        DeleteAlgorithmKey(saving);
        return SAVE_WRITE_FAILED;
    }
    if (DeleteAlgorithmKey(oldName, &old) != ERROR_SUCCESS) {
        DeleteAlgorithmKey(saving);
        return SAVE_WRITE_FAILED;
    }
    if (!sameKey) {
        ClearSavingMarks(saving);
    } else if (WriteAlgorithmKey(record->name, *record) == ERROR_SUCCESS) {
        DeleteAlgorithmKey(saving);
    } else {
        // The spare goes once the old version stands again; while neither can
        // be written it holds the only whole copy, and the next load finishes the save.
        DeleteAlgorithmKey(record->name);
        if (WriteAlgorithmKey(oldName, old) == ERROR_SUCCESS) DeleteAlgorithmKey(saving);
        return SAVE_WRITE_FAILED;
    }
    m_items.RemoveAt(editIndex);
    const int at = SortedPosition(record->name);
    m_items.InsertAt(at, record.release());
    return SAVE_OK;
}

bool CAlgorithmList::DeleteAlgorithm(int index) {
    if (!IsValidIndex(index) || !GetAt(index).userDefined) return false;
    // The key goes first, and the record only with it: an algorithm whose key
    // stays comes back at the next start, and the tasks that use it with it.
    const CString name = GetAt(index).name;
    CRegKey key;
    const LONG opened = key.Open(HKEY_CURRENT_USER, AlgorithmsKey() + "\\" + name);
    key.Close();
    if (opened == ERROR_SUCCESS && DeleteAlgorithmKey(name, &GetAt(index)) != ERROR_SUCCESS) return false;
    if (opened != ERROR_SUCCESS && opened != ERROR_FILE_NOT_FOUND) return false;
    m_items.RemoveAt(index);
    return true;
}

int ResolveMethod(const CAlgorithmList& list, int storedIndex, const char* storedName) {
    if (storedName && *storedName) {
        if (list.IsValidIndex(storedIndex) && list.GetAt(storedIndex).name == storedName) return storedIndex;
        int byName = list.FindByName(storedName);
        if (byName >= 0) return byName;
    } else if (list.IsValidIndex(storedIndex)) {
        return storedIndex;
    }
    int strongest = 0;
    for (int i = 0; i < list.GetSize(); ++i)
        if (!list.GetAt(i).userDefined && list.GetAt(i).PassCount() > list.GetAt(strongest).PassCount()) strongest = i;
    return strongest;
}

CString BytesToHexText(BYTE value) {
    static const char digits[] = "0123456789ABCDEF";
    char text[3] = {digits[value >> 4], digits[value & 15], 0};
    return CString(text);
}

BYTE ParseHexByte(const char* group) {
    unsigned value = 0;
    for (const char* p = group; *p; ++p) {
        char c = *p;
        unsigned digit;
        if (c >= 'A' && c <= 'F') digit = unsigned(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') digit = unsigned(c - 'a' + 10);
        else if (c >= '0' && c <= '9') digit = unsigned(c - '0');
        else digit = 0;
        value = value * 16 + digit;
    }
    return BYTE(value & 0xFF);
}

std::vector<BYTE> PatternTextToBytes(const char* text) {
    return DisplayTextToPattern(PatternTextToDisplayText(text));
}

CString PatternTextToDisplayText(const char* text) {
    CString digits(text);
    if (digits.GetLength() % 2) digits.Insert(0, "0");
    CString display;
    for (int i = 0; i < digits.GetLength(); i += 2) {
        if (i) display += ' ';
        display += digits.Mid(i, 2);
    }
    return display;
}

CString PatternToDisplayText(const std::vector<BYTE>& pattern) {
    CString display;
    for (size_t i = pattern.size(); i-- > 0;) {
        if (!display.IsEmpty()) display += ' ';
        display += BytesToHexText(pattern[i]);
    }
    return display;
}

std::vector<BYTE> DisplayTextToPattern(const char* display) {
    CStringArray groups = SplitText(display, " ");
    std::vector<BYTE> bytes;
    for (int i = groups.GetSize(); i-- > 0;) bytes.push_back(ParseHexByte(groups[i]));
    return bytes;
}

bool IsValidPatternText(const char* display) {
    for (const char* p = display; *p; ++p) {
        char c = char(toupper(static_cast<unsigned char>(*p)));
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == ' ')) return false;
    }
    return true;
}

CString PatternProgressText(const std::vector<BYTE>& pattern) {
    CString text("0x");
    for (BYTE b : pattern) text += BytesToHexText(b);
    return text;
}
