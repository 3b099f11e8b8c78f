#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <deque>

#include "Files.h"
#include "LangPack.h"
#include "Overwrite.h"
#include "ShredderTestBed.h"

namespace {
class CRecordingHost : public CTestHost {
public:
    CRecordingHost() : CTestHost("Recording") {}
    std::vector<CString> reports, questions;
    std::deque<int> answers;
    int Report(const CString& text, UINT type) override {
        reports.push_back(text);
        return (type & MB_OKCANCEL) && !answers.empty() ? Next() : IDOK;
    }
    int Ask(const CString& text, UINT, int) override {
        questions.push_back(text);
        return Next();
    }
    void ShowSystemError(DWORD code) override { reports.push_back(CString("system error ") + char('0' + code % 10)); }

private:
    int Next() {
        if (answers.empty()) return IDYES;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
};

// Records what the engine shows and, after every pass, reads the file back.
class CObservingProgress : public CSilentProgress {
public:
    std::vector<CString> passTexts;
    std::vector<std::string> contents;  // the file after each complete pass
    DWORD passRange = 0;
    int steps = 0, pumps = 0;
    int abortAtPump = -1;
    volatile bool* abort = nullptr;

    void SetPassText(const char* text) override { passTexts.push_back(text); }
    void SetPassRange(DWORD blocks) override { passRange = blocks; }
    void StepJob(DWORD blocks) override { steps += int(blocks); }
    void Pump() override {
        if (++pumps == abortAtPump && abort) *abort = true;
    }
    void PassWritten(const char* path, int) override { contents.push_back(ReadFileText(path)); }
};

struct CEngineBed {
    CRecordingHost host;
    CObservingProgress progress;
    std::vector<BYTE> buffer = std::vector<BYTE>(65536);
    volatile bool abort = false, endSession = false;
    COverwriteEngine engine{host, buffer.data(), abort, endSession};
    CTempFolder dir;

    CEngineBed() {
        progress.abort = &abort;
        engine.SetProgress(&progress);
    }
    int FilesLeft() const {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(JoinPath(dir.Path(), "*"), &data);
        int n = 0;
        if (find == INVALID_HANDLE_VALUE) return 0;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++n;
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return n;
    }
};

CAlgorithmList& BuiltIns() {
    static CAlgorithmList list("Software\\QuorvaneTests\\NoUserAlgorithms");
    if (list.GetSize() == 0) list.LoadBuiltInAlgorithms();
    return list;
}

std::string Secret(size_t size) {
    std::string s(size, 0);
    for (size_t i = 0; i < size; ++i) s[i] = char("SECRET-MARKER-"[i % 14]);
    return s;
}
}  // namespace

TEST(OverwriteEngine, EveryPassOfEveryBuiltInCoversTheWholeFile) {
    const size_t size = 3 * 65536 + 1000;
    for (int index = 0; index < BuiltIns().GetSize(); ++index) {
        const CAlgorithm& algorithm = BuiltIns().GetAt(index);
        SCOPED_TRACE(algorithm.name.c_str());
        CEngineBed bed;
        CString path = bed.dir.Write("report.doc", Secret(size));
        ASSERT_EQ(bed.engine.OverwriteFile(path, algorithm, KIND_ITEM), 0);
        ASSERT_EQ(bed.progress.contents.size(), size_t(algorithm.PassCount()));
        for (int p = 0; p < algorithm.PassCount(); ++p) {
            SCOPED_TRACE(p);
            const CAlgorithmPass& pass = algorithm.passes[size_t(p)];
            const std::string& data = bed.progress.contents[size_t(p)];
            ASSERT_EQ(data.size(), size);
            size_t wrong = 0;
            for (size_t o = 0; o < size; ++o) {
                const BYTE b = BYTE(data[o]);
                BYTE expected;
                if (pass.type == PASS_PATTERN)
                    expected = pass.pattern[(o % 65536) % pass.pattern.size()];
                else if (pass.type == PASS_COMPLEMENT)
                    expected = BYTE(~BYTE(bed.progress.contents[size_t(p - 1)][o]));
                else
                    expected = BYTE(data[o % 65536]);  // one random buffer per pass, block after block
                if (b != expected) ++wrong;
            }
            EXPECT_EQ(wrong, 0u);
            if (pass.type == PASS_RANDOM) {
                EXPECT_EQ(data.find("SECRET"), std::string::npos);
            }
        }
        EXPECT_EQ(bed.progress.passRange, DWORD(size / 65536 + 2));
        EXPECT_EQ(bed.progress.steps, algorithm.PassCount() * int(size / 65536 + 2));
        EXPECT_FALSE(FileExists(path));
        EXPECT_EQ(bed.FilesLeft(), 0);
        EXPECT_TRUE(bed.host.reports.empty());
    }
}

// Larger than two of the engine's writes (4 MB each), with a tail that is no
// whole 64 KB block: every write after the first starts inside the repeated
// pass buffer, and the tail goes through the cached handle.
TEST(OverwriteEngine, PassesOverSeveralLargeWritesRepeatTheirBufferEvery64KB) {
    const size_t size = 2 * (4u << 20) + 3 * 65536 + 1000;
    CAlgorithm algorithm;
    algorithm.name = "three-byte pattern";
    algorithm.passes = {CAlgorithmPass::Pattern({0x11, 0x22, 0x33}), CAlgorithmPass::Random(),
                        CAlgorithmPass::Complement()};
    CEngineBed bed;
    CString path = bed.dir.Write("large.bin", Secret(size));
    ASSERT_EQ(bed.engine.OverwriteFile(path, algorithm, KIND_ITEM), 0);
    ASSERT_EQ(bed.progress.contents.size(), 3u);
    const std::string& pattern = bed.progress.contents[0];
    const std::string& random = bed.progress.contents[1];
    const std::string& complement = bed.progress.contents[2];
    ASSERT_EQ(pattern.size(), size);
    ASSERT_EQ(random.size(), size);
    ASSERT_EQ(complement.size(), size);
    size_t wrong[3] = {0, 0, 0};
    for (size_t o = 0; o < size; ++o) {
        if (BYTE(pattern[o]) != BYTE(0x11 * (o % 65536 % 3 + 1))) ++wrong[0];
        if (random[o] != random[o % 65536]) ++wrong[1];
        if (BYTE(complement[o]) != BYTE(~BYTE(random[o]))) ++wrong[2];
    }
    EXPECT_EQ(wrong[0], 0u);
    EXPECT_EQ(wrong[1], 0u);
    EXPECT_EQ(wrong[2], 0u);
    EXPECT_EQ(random.find("SECRET"), std::string::npos);
    EXPECT_EQ(bed.progress.steps, 3 * int(size / 65536 + 2));
    EXPECT_EQ(bed.FilesLeft(), 0);
    EXPECT_TRUE(bed.host.reports.empty());
}

TEST(FreeSpaceFill, FillsWithThePassBufferUpToOneByteOverTheLimitOrUntilCancelled) {
    struct Row {
        bool cancel;
        DWORD expected;
        int result;
    } rows[] = {
        {false, 3 * (4u << 20) + 12346, COverwriteEngine::FILL_LIMIT},
        // One 64 KB write per unit, served after each: Cancel is seen after the first.
        {true, 65536, COverwriteEngine::FILL_CANCELLED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cancel);
        CEngineBed bed;
        if (row.cancel) {
            CWritePace pace;
            pace.pumpMs = 0;
            pace.firstUnit = pace.maxUnit = 65536;
            bed.engine.SetPace(pace);
            bed.progress.abortAtPump = 1;
        }
        FillPassBuffer(bed.buffer.data(), 65536, PASS_PATTERN, {0xA1, 0xB2, 0xC3});
        const CString path = bed.dir.File("SHRED000.TMP");
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_WRITE_THROUGH, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD bytes = 0, error = 0;
        const int result = bed.engine.FillFile(file, 3 * (4u << 20) + 12345, &bytes, bed.progress, &error);
        CloseHandle(file);
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(bytes, row.expected);
        const std::string data = ReadFileText(path);
        ASSERT_EQ(data.size(), size_t(row.expected));
        size_t wrong = 0;
        for (size_t o = 0; o < data.size(); ++o)
            if (BYTE(data[o]) != bed.buffer[o % 65536]) ++wrong;
        EXPECT_EQ(wrong, 0u);
        EXPECT_EQ(bed.progress.steps, int(row.expected / 65536));
        DeleteFileA(path);
    }
}

namespace {
// A drive that says it has a megabyte free while each temporary file holds a
// quarter of one: as on a volume that compresses the fill, the files end
// before the drive is full.
class CNeverFullDrive : public CFreeSpaceShred {
public:
    explicit CNeverFullDrive(CShredJob& job) : CFreeSpaceShred(job) { m_fileLimit = kQuarter; }

protected:
    bool QuerySpace(const char*, ULONGLONG* freeToCaller, ULONGLONG* total, ULONGLONG* totalFree) override {
        for (ULONGLONG* size : {freeToCaller, total, totalFree})
            if (size) *size = 4 * kQuarter;
        return true;
    }

private:
    static const DWORD kQuarter = 256 * 1024;
};
}  // namespace

TEST(FreeSpaceShred, AFillThatEndsBeforeTheDriveIsFullIsAFailure) {
    CShredderTestBed bed;
    CScriptedMessageBoxes boxes;
    CTestJob job(bed);
    const CString root = AddBackslash(bed.Folder().Path());
    EXPECT_EQ(CNeverFullDrive(job.job).Run(root), 0);
    CString failure = Grindel::kTextFillIncomplete;
    failure.Replace("%s", root.Left(2));
    ASSERT_FALSE(boxes.Boxes().empty());
    EXPECT_EQ(boxes.Boxes().back().text, failure.str());
    EXPECT_EQ(boxes.Boxes().back().type, UINT(MB_ICONERROR));
    EXPECT_FALSE(FolderExists(root + "SHREDTMP.$$$"));
}

namespace {
class CItemTexts : public CSilentProgress {
public:
    explicit CItemTexts(std::vector<CString>& texts) : m_texts(texts) {}
    void SetItemText(const char* text) override { m_texts.push_back(text); }

private:
    std::vector<CString>& m_texts;
};
}  // namespace

// The count goes where the pack's markers stand; a '%' of the translation
// that starts no marker, and one in the text put in, stay as written.
TEST(FreeSpaceShred, CountedTextsTakeTheirValuesOnlyAtTheirMarkers) {
    CShredderTestBed bed;
    bed.WritePack("9606=" + bed.Title().str() + "\r\n9914=%s: %u/%t %d%%\r\n9915=100%u%t\r\n9916=100%u%t\r\n");
    SetLangPackSource(bed.Folder().Path(), "English");
    CScriptedMessageBoxes boxes;
    CTestJob job(bed);
    std::vector<CString> items;
    job.host.progressFactory = [&] { return new CItemTexts(items); };
    CNeverFullDrive(job.job).Run(AddBackslash(bed.Folder().Path()));
    SetLangPackSource("", "English");
    EXPECT_NE(std::find(items.begin(), items.end(), CString("100%u%t: 1/1 %d%%")), items.end());
}

TEST(OverwriteEngine, PassTextsNameEachPass) {
    CEngineBed bed;
    CString path = bed.dir.Write("a.txt", "abc");
    ASSERT_EQ(bed.engine.OverwriteFile(path, BuiltIns().GetAt(2), KIND_ITEM), 0);
    ASSERT_EQ(bed.progress.passTexts.size(), 3u);
    EXPECT_EQ(bed.progress.passTexts[0], "Pass 1 of 3: Writing 0x01");
    EXPECT_EQ(bed.progress.passTexts[1], "Pass 2 of 3: Writing 0x27FFFFFF");
    EXPECT_EQ(bed.progress.passTexts[2], "Pass 3 of 3: Write random data.");
    EXPECT_EQ(COverwriteEngine::PassText(BuiltIns().GetAt(1), 1), "Pass 2 of 3: Write complementary to previous pass pattern.");
}

TEST(OverwriteEngine, EmptyFileStillGetsItsPassesAndGoes) {
    CEngineBed bed;
    CString path = bed.dir.Write("empty.dat", "");
    ASSERT_EQ(bed.engine.OverwriteFile(path, BuiltIns().GetAt(1), KIND_ITEM), 0);
    EXPECT_EQ(bed.progress.contents.size(), 3u);
    EXPECT_EQ(bed.progress.steps, 3 * 2);
    EXPECT_EQ(bed.FilesLeft(), 0);
}

TEST(OverwriteEngine, CancelStopsAfterTheCurrentWriteAndTheFileIsStillRemoved) {
    CEngineBed bed;
    // One 64 KB block per write, served after each: the second pass stops after its first block.
    CWritePace pace;
    pace.pumpMs = 0;
    pace.firstUnit = pace.maxUnit = 65536;
    bed.engine.SetPace(pace);
    CString path = bed.dir.Write("big.bin", Secret(5 * 65536));
    // The first pass pumps after each of its 5 blocks and once at its end.
    bed.progress.abortAtPump = 5 + 1 + 1;
    EXPECT_EQ(bed.engine.OverwriteFile(path, BuiltIns().GetAt(4), KIND_ITEM), 1);
    EXPECT_EQ(bed.progress.contents.size(), 1u);
    EXPECT_EQ(bed.progress.steps, 8);
    EXPECT_EQ(bed.FilesLeft(), 0);
}

TEST(OverwriteEngine, AttributePromptAnswers) {
    struct Row {
        int answer;
        int result;
        bool gone;
    } rows[] = {{IDYES, 0, true}, {IDNO, 0, false}, {IDCANCEL, 1, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.answer);
        CEngineBed bed;
        CString path = bed.dir.Write("ro.txt", "read only secret");
        SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        bed.host.answers.push_back(row.answer);
        EXPECT_EQ(bed.engine.OverwriteFile(path, BuiltIns().GetAt(0), KIND_ITEM), row.result);
        ASSERT_EQ(bed.host.questions.size(), 1u);
        EXPECT_EQ(bed.host.questions[0].Find("is marked with the System, Hidden,"), int(path.GetLength()) + 9);
        EXPECT_EQ(FileExists(path), !row.gone);
        if (!row.gone) {
            EXPECT_EQ(ReadFileText(path), "read only secret");
            EXPECT_TRUE(GetFileAttributesA(path) & FILE_ATTRIBUTE_READONLY);
            SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        }
    }
    // Files met inside the Recycle Bin's folders are never asked about.
    CEngineBed bed;
    CString path = bed.dir.Write("bin.txt", "x");
    SetFileAttributesA(path, FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(bed.engine.OverwriteFile(path, BuiltIns().GetAt(0), KIND_BIN_FOLDER), 0);
    EXPECT_TRUE(bed.host.questions.empty());
    EXPECT_FALSE(FileExists(path));
}

TEST(OverwriteEngine, LockedFileIsReportedAndLeftAsItWas) {
    CEngineBed bed;
    CString path = bed.dir.Write("locked.txt", "in use");
    SetFileAttributesA(path, FILE_ATTRIBUTE_READONLY);
    bed.host.answers.push_back(IDYES);
    HANDLE lock = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    // One file in use stops nothing: neither a folder's shred nor the bin's.
    for (int kind : {KIND_ITEM, KIND_BIN_FOLDER, KIND_BIN_FILE})
        EXPECT_EQ(bed.engine.OverwriteFile(path, BuiltIns().GetAt(0), kind), 0) << kind;
    CloseHandle(lock);
    ASSERT_EQ(bed.host.reports.size(), 3u);
    for (const CString& report : bed.host.reports)
        EXPECT_EQ(report.Find("Could not obtain exclusive access to\n" + path), 0);
    EXPECT_EQ(bed.engine.FailureCount(), 3);
    EXPECT_EQ(ReadFileText(path), "in use");
    EXPECT_TRUE(GetFileAttributesA(path) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
}

TEST(OverwriteEngine, MissingFileIsReported) {
    CEngineBed bed;
    EXPECT_EQ(bed.engine.OverwriteFile(bed.dir.File("gone.txt"), BuiltIns().GetAt(0), KIND_ITEM), 0);
    ASSERT_EQ(bed.host.reports.size(), 1u);
    EXPECT_EQ(bed.host.reports[0], "Error: Unable to access\n" + bed.dir.File("gone.txt"));
}

TEST(OverwriteEngine, RecycleBinFilesAreCutButKept) {
    CEngineBed bed;
    CString path = bed.dir.Write("INFO2", Secret(70000));
    EXPECT_EQ(bed.engine.OverwriteFile(path, BuiltIns().GetAt(0), KIND_BIN_FILE), 0);
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(ReadFileText(path), "");
}

TEST(OverwriteEngine, ARandomNameThatIsTakenIsNeverOverwrittenOrDeleted) {
    CEngineBed bed;
    CString path = bed.dir.Write("victim.txt", "shred me");
    // Quick Shred draws no random bytes, so the first name drawn after the seed is known.
    srand(4242);
    const CString first = RandomShapedName(path);
    bed.dir.Write(FileNameOf(first), "bystander");
    srand(4242);
    ASSERT_EQ(bed.engine.OverwriteFile(path, BuiltIns().GetAt(0), KIND_ITEM), 0);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(ReadFileText(first), "bystander");
    EXPECT_EQ(bed.FilesLeft(), 1);
}

TEST(RandomNames, KeepTheShapeOfTheName) {
    struct Row {
        const char* path;
        int dot;  // position of the dot that stays, -1 none
        int folder;
    } rows[] = {
        {"C:\\dir\\report.txt", 13, 7},
        {"C:\\dir\\noext", -1, 7},
        {"C:\\d.ir\\name", -1, 8},
        {"C:\\x\\.hidden", 5, 5},
        {"C:\\x\\a.b.c", 8, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        CString name = RandomShapedName(row.path);
        ASSERT_EQ(name.GetLength(), CString(row.path).GetLength());
        EXPECT_EQ(name.Left(row.folder), CString(row.path).Left(row.folder));
        for (int i = row.folder; i < name.GetLength(); ++i) {
            if (i == row.dot)
                EXPECT_EQ(name[i], '.');
            else
                EXPECT_TRUE(isalpha(static_cast<unsigned char>(name[i]))) << i;
        }
    }
}

TEST(OverwriteEngine, AFileThatCannotBeDeletedIsReportedAndCancelStops) {
    for (int answer : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(answer);
        CEngineBed bed;
        CString path = bed.dir.Write("held.txt", "secret");
        // Another program holds it without sharing delete: overwriting works, renaming and deleting do not.
        HANDLE holder = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        bed.host.answers.push_back(answer);
        EXPECT_EQ(bed.engine.OverwriteFile(path, BuiltIns().GetAt(0), KIND_ITEM), answer == IDCANCEL ? 1 : 0);
        CloseHandle(holder);
        ASSERT_EQ(bed.host.reports.size(), 1u);
        EXPECT_EQ(bed.host.reports[0].Find("The contents of \n" + path + "\nhave been shredded"), 0);
        EXPECT_TRUE(FileExists(path));
        EXPECT_EQ(ReadFileText(path), "");
        EXPECT_EQ(bed.FilesLeft(), 1);
    }
}

TEST(OverwriteEngine, TheFileIsRenamedToItsShapeThenToEverShorterNamesBeforeItIsDeleted) {
    CEngineBed bed;
    CString path = bed.dir.Write("report.doc", "contents");
    HANDLE folder = CreateFileA(bed.dir.Path(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    alignas(DWORD) BYTE events[8192];
    auto watch = [&] {
        ResetEvent(overlapped.hEvent);
        return ReadDirectoryChangesW(folder, events, sizeof(events), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME, nullptr,
                                     &overlapped, nullptr);
    };
    ASSERT_TRUE(watch());
    ASSERT_EQ(bed.engine.OverwriteFile(path, BuiltIns().GetAt(0), KIND_ITEM), 0);

    std::vector<std::pair<DWORD, std::wstring>> seen;
    for (int round = 0; round < 60 && (seen.empty() || seen.back().first != FILE_ACTION_REMOVED); ++round) {
        DWORD got = 0;
        if (WaitForSingleObject(overlapped.hEvent, 2000) != WAIT_OBJECT_0 ||
            !GetOverlappedResult(folder, &overlapped, &got, FALSE) || got == 0)
            break;
        for (BYTE* p = events;;) {
            FILE_NOTIFY_INFORMATION* info = reinterpret_cast<FILE_NOTIFY_INFORMATION*>(p);
            seen.emplace_back(info->Action, std::wstring(info->FileName, info->FileNameLength / sizeof(WCHAR)));
            if (!info->NextEntryOffset) break;
            p += info->NextEntryOffset;
        }
        if (!watch()) break;
    }
    CancelIo(folder);
    CloseHandle(overlapped.hEvent);
    CloseHandle(folder);

    // Four names of its shape, then nine ever shorter ones down to a single letter, then the removal.
    const size_t renames = 4 + 9;
    ASSERT_EQ(seen.size(), 2 * renames + 1);
    EXPECT_EQ(seen[0].second, L"report.doc");
    for (size_t r = 0; r < renames; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(seen[2 * r].first, DWORD(FILE_ACTION_RENAMED_OLD_NAME));
        if (r > 0) {
            EXPECT_EQ(seen[2 * r].second, seen[2 * r - 1].second);
        }
        EXPECT_EQ(seen[2 * r + 1].first, DWORD(FILE_ACTION_RENAMED_NEW_NAME));
        const std::wstring& renamed = seen[2 * r + 1].second;
        EXPECT_NE(renamed, seen[2 * r].second);
        EXPECT_EQ(renamed.size(), r < 4 ? 10u : 10u - (r - 3));
        if (r < 4) {
            EXPECT_EQ(renamed[6], L'.');
        }
    }
    EXPECT_EQ(seen.back().first, DWORD(FILE_ACTION_REMOVED));
    EXPECT_EQ(seen.back().second, seen[seen.size() - 2].second);
}

// A flush that fails on the flushing thread is not lost: the next Begin or
// the Finish hands its code back, and a good flush afterwards reports none.
TEST(BackgroundFlush, AFailedFlushIsHandedBackAndAGoodOneIsNot) {
    CTempFolder folder;
    const CString path = folder.File("flushed.bin");
    HANDLE writable = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writable);
    HANDLE readOnly = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, readOnly);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(writable, "data", 4, &written, nullptr));
    {
        CBackgroundFlush flush;
        EXPECT_EQ(0u, flush.Begin(readOnly));
        EXPECT_NE(0u, flush.Begin(writable));  // the read-only handle's flush failed
        EXPECT_EQ(0u, flush.Begin(writable));
        EXPECT_EQ(0u, flush.Finish());
        EXPECT_EQ(0u, flush.Begin(readOnly));
        EXPECT_NE(0u, flush.Finish());
        EXPECT_EQ(0u, flush.Finish());
    }
    CloseHandle(readOnly);
    CloseHandle(writable);
}
