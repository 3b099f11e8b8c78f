#include "ShredderApp.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "CommandLine.h"
#include "Files.h"
#include "Handles.h"
#include "LangPack.h"
#include "OSVersion.h"
#include "ProgressDialog.h"
#include "Registry.h"
#include "Seams.h"
#include "ShellNames.h"
#include "ShredderKeys.h"
#include "ShredderResources.h"
#include "Thread.h"

using namespace Grindel;

namespace {
const int kMaxFolderDepth = 100;

bool IsRecycleWord(const CRealPath& item) { return item == RealPathFrom(kRecycleWord); }

// Windows sends WM_QUERYENDSESSION only to top-level windows; this one is
// never shown and only turns the session end into the job's stop flag. It
// lives on a thread of its own, which answers the system at once however long
// a write takes, and whose first window (opening the display under Wine) is
// made while the job already runs. The process ends once WM_ENDSESSION is
// answered, so that answer waits until the job has stopped: the file in hand
// is cut and deleted and the log written, not left half overwritten.
class CSessionWatch {
    static const DWORD kEndSessionWaitMs = 5000;

public:
    explicit CSessionWatch(volatile bool& flag) : m_flag(flag) {
        m_ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_jobEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (m_ready && m_jobEnded)
            m_thread = BeginWorkerThread(ThreadProc, this, THREAD_PRIORITY_NORMAL, &m_threadId);
    }
    // Lets an end of the session that waits go on: the job has stopped and its log is written.
    ~CSessionWatch() {
        if (m_jobEnded) SetEvent(m_jobEnded);
        if (m_thread) {
            // The thread makes its queue before it is ready; a quit posted after that is never lost.
            WaitForSingleObject(m_ready, INFINITE);
            PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
            WaitForSingleObject(m_thread, INFINITE);
            CloseHandle(m_thread);
        }
        if (m_ready) CloseHandle(m_ready);
        if (m_jobEnded) CloseHandle(m_jobEnded);
    }
    CSessionWatch(const CSessionWatch&) = delete;
    CSessionWatch& operator=(const CSessionWatch&) = delete;

private:
    static DWORD WINAPI ThreadProc(void* param) {
        CSessionWatch& watch = *static_cast<CSessionWatch*>(param);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QuorvaneGrindelSession";
        RegisterClassA(&wc);
        HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance,
                                    nullptr);
        if (hwnd) SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&watch));
        SetEvent(watch.m_ready);
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
        if (hwnd) DestroyWindow(hwnd);
        return 0;
    }
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        CSessionWatch* watch = reinterpret_cast<CSessionWatch*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (watch && msg == WM_QUERYENDSESSION) {
            watch->m_flag = true;
            return TRUE;
        }
        if (watch && msg == WM_ENDSESSION && wParam) {
            watch->m_flag = true;
            // Bounded: a prompt left open in a job started from the desktop
            // must not hold the end of the session up for good.
            WaitForSingleObject(watch->m_jobEnded, kEndSessionWaitMs);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    volatile bool& m_flag;
    HANDLE m_ready = nullptr;
    HANDLE m_jobEnded = nullptr;
    HANDLE m_thread = nullptr;
    DWORD m_threadId = 0;
};

struct AlertState {
    CString text;
    CString caption;
    bool dontShow = false;
};

INT_PTR CALLBACK AlertProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        AlertState* state = reinterpret_cast<AlertState*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        SetWindowTextA(hwnd, state->caption);
        SetDlgItemTextA(hwnd, IDC_ALERT_TEXT, state->text);
        SetDlgItemLangText(hwnd, IDC_ALERT_CHECK, TXT_ALERT_CHECK, kTextAlertCheck);
        SetDlgItemLangText(hwnd, IDOK, TXT_ALERT_OK, kTextAlertOk);
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        AlertState* state = reinterpret_cast<AlertState*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        state->dontShow = IsDlgButtonChecked(hwnd, IDC_ALERT_CHECK) == BST_CHECKED;
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

typedef HRESULT(CALLBACK* DllGetVersionProc)(DLLVERSIONINFO*);

struct DriveOptionsState {
    CString fileSystem;
    bool freeSpaceOnly = true;
    bool formatAfter = false;
};

void EnableAfterChoice(HWND dialog, bool enable, const CString& fileSystem) {
    EnableWindow(GetDlgItem(dialog, IDC_DRIVE_AFTER_GROUP), enable);
    EnableWindow(GetDlgItem(dialog, IDC_DRIVE_FORMAT), enable);
    // An NTFS drive is always formatted after a whole-drive shred.
    EnableWindow(GetDlgItem(dialog, IDC_DRIVE_LEAVE), enable && fileSystem != "NTFS");
}

INT_PTR CALLBACK DriveOptionsProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetDlgItemLangText(dialog, IDC_DRIVE_WHOLE, TXT_DRIVE_WHOLE, kTextDriveWhole);
        SetDlgItemLangText(dialog, IDC_DRIVE_AFTER_GROUP, TXT_DRIVE_AFTER, kTextDriveAfter);
        SetDlgItemLangText(dialog, IDC_DRIVE_LEAVE, TXT_DRIVE_LEAVE, kTextDriveLeave);
        SetDlgItemLangText(dialog, IDC_DRIVE_FORMAT, TXT_DRIVE_FORMAT, kTextDriveFormat);
        CheckRadioButton(dialog, IDC_DRIVE_FREE_SPACE, IDC_DRIVE_WHOLE, IDC_DRIVE_FREE_SPACE);
        EnableAfterChoice(dialog, false, "");
        return TRUE;
    }
    if (msg != WM_COMMAND) return FALSE;
    DriveOptionsState* state = reinterpret_cast<DriveOptionsState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (LOWORD(wParam)) {
    case IDC_DRIVE_FREE_SPACE:
        state->freeSpaceOnly = true;
        EnableAfterChoice(dialog, false, state->fileSystem);
        return TRUE;
    case IDC_DRIVE_WHOLE:
        state->freeSpaceOnly = false;
        state->formatAfter = true;
        CheckRadioButton(dialog, IDC_DRIVE_LEAVE, IDC_DRIVE_FORMAT, IDC_DRIVE_FORMAT);
        EnableAfterChoice(dialog, true, state->fileSystem);
        return TRUE;
    case IDC_DRIVE_FORMAT:
        state->formatAfter = true;
        return TRUE;
    case IDC_DRIVE_LEAVE:
        state->formatAfter = false;
        return TRUE;
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}
}  // namespace

CShredderEnvironment::CShredderEnvironment() : productKey(kProductKey), classesRoot(HKEY_CLASSES_ROOT) {}

CShredderApp::CShredderApp(const CShredderEnvironment& environment)
    : m_env(environment),
      m_profile(environment.productKey),
      m_algorithms(environment.productKey),
      m_language(kDefaultLanguage),
      m_productTitle(kTextProductTitle) {
    // The program's own folder; the current directory is wherever the shell or a task started us.
    m_appPath = m_env.programFolder.IsEmpty() ? GetModuleFolder() : m_env.programFolder;
    m_machine.programFolder = m_appPath;
    m_log.SetPath(JoinPath(m_appPath, kLogFile));
}

CShredderApp::~CShredderApp() {
    if (m_progress) m_progress->Close();
    if (m_mutex) CloseHandle(m_mutex);
    if (m_kernel32) FreeLibrary(m_kernel32);
    if (m_comInitialized) CoUninitialize();
}

CString CShredderApp::ClassesKey(const char* subKey) const { return m_env.classesPrefix + subKey; }

bool CShredderApp::Fail(int key, const char* defaultText, UINT icon) {
    Report(LoadLangString(key, defaultText), icon);
    m_exitCode = 1;
    return false;
}

void CShredderApp::SetMethod(int index) {
    m_method = m_algorithms.IsValidIndex(index) ? index : 0;
    m_profile.WriteInt(kValueMethod, DWORD(m_method));
    m_profile.WriteString(kValueMethodName, m_algorithms.IsValidIndex(m_method) ? m_algorithms.GetAt(m_method).name : "");
}

bool CShredderApp::InitInstance(const CRealPath& cmdLine) {
    // Seeded once per run: the random passes and names of one run never repeat a seed per file.
    srand(unsigned(time(nullptr)) ^ unsigned(GetTickCount()) ^ unsigned(GetCurrentProcessId() << 16));

    m_language = m_profile.GetString(kValueLanguage, kDefaultLanguage);
    const int storedMethod = int(m_profile.GetInt(kValueMethod, 0));
    const CString storedMethodName = m_profile.GetString(kValueMethodName, "");

    SetLangPackSource(m_appPath, m_language);
    // What runs killed outright left, before this run's own lines follow them.
    m_log.AppendEndedRuns();

    m_algorithms.LoadAlgorithms();
    m_method = ResolveMethod(m_algorithms, storedMethod, storedMethodName);
    if (m_method != storedMethod || (!storedMethodName.IsEmpty() && storedMethodName != m_algorithms.GetAt(m_method).name))
        SetMethod(m_method);

    ParseCmdLine(cmdLine);
    // A task line typed half in quotes keeps its "/s" outside them, where the
    // parser does not read: it is still a run nobody watches.
    for (const CString& piece : m_unread)
        if (SplitCmdLine(piece).Find("/s") >= 0) m_settings.scheduled = true;
    const bool damaged = !m_unread.IsEmpty() || !m_unreadLists.IsEmpty();
    if (m_settings.scheduled && (m_items.empty() || damaged)) {
        // Nobody is there to use the window, nor to say what a damaged line
        // meant: such a run shreds nothing, ends, and says why.
        ReportUnreadCommandLine();
        if (!damaged)
            Report(LoadLangString(TXT_NO_ITEMS, kTextNoItems), MB_ICONERROR);
        else
            Report(LoadLangString(TXT_DAMAGED_LINE, kTextDamagedLine), MB_ICONERROR);
        m_exitCode = 1;
        return false;
    }
    if (m_items.empty() && !m_unreadLists.IsEmpty()) {
        // Started to shred a list it cannot read: the window would let the user believe nothing was asked.
        ReportUnreadCommandLine();
        m_exitCode = 1;
        return false;
    }
    // A scheduled run of named items never shows a window, so unless it empties
    // the Recycle Bin it does not load COM, which opens the display: under Wine
    // a quarter of a second before any work.
    const bool windowless = m_settings.scheduled && !m_items.empty();

    if (m_items.empty()) {
        const CString stored = m_profile.GetString(kValueAppPath, kAppPathUnset);
        if (stored != m_appPath) m_profile.WriteString(kValueAppPath, m_appPath);
        SetLastError(ERROR_SUCCESS);
        m_mutex = CreateMutexA(nullptr, TRUE, LoadLangString(TXT_PRODUCT_TITLE, kTextProductTitle));
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_INVALID_HANDLE) {
            if (m_mutex) CloseHandle(m_mutex);
            m_mutex = nullptr;
            QvMessageBox(nullptr, LoadLangString(TXT_INSTANCE, kTextInstance),
                         LoadLangString(TXT_PRODUCT_TITLE, kTextProductTitle), MB_ICONINFORMATION);
            m_exitCode = 0;
            return false;
        }
    }

    m_productTitle = LoadLangString(TXT_PRODUCT_TITLE, kTextProductTitle);

    try {
        m_buffer.resize(kBufferSize);
    } catch (const std::bad_alloc&) {
        return Fail(TXT_MEMORY, kTextMemory, MB_ICONERROR);
    }
    m_engine.reset(new COverwriteEngine(*this, m_buffer.data(), m_abort, m_endSession));
    m_job.reset(new CShredJob(*this, *m_engine, m_buffer.data(), m_abort, m_endSession, m_machine, m_settings,
                              m_algorithms, m_profile, m_method));

    if (!windowless || NamesRecycleBin()) {
        if (FAILED(CoInitialize(nullptr))) {
            Fail(TXT_COM_INIT, kTextComInit, MB_ICONERROR);
            m_exitCode = 3;
            return false;
        }
        m_comInitialized = true;
    }

    LoadProtectedFolders();
    IsSchedulerAvailable();

    m_recycleBinAvailable = IsRecycleBinApiAvailable();
    if (!m_recycleBinAvailable && m_profile.GetInt(kValueAlertDisabled, 0) == 0 && !m_settings.scheduled) {
        bool dontShow = false;
        if (ShowAlert(TXT_SHELL32_ALERT, kTextShell32Alert, &dontShow) && dontShow)
            m_profile.WriteInt(kValueAlertDisabled, 1);
    }

    m_kernel32 = LoadLibraryA("kernel32.dll");
    if (!m_kernel32) return Fail(TXT_KERNEL32, kTextKernel32, MB_ICONERROR);
    if (!m_machine.FindDiskSpaceFunctions(m_kernel32))
        return Fail(TXT_KERNEL32_FUNCTIONS, kTextKernel32Functions, MB_ICONERROR);

    const bool anyNtfs = BuildDriveTable();

    const COSVersion version;
    const OSVERSIONINFOA& info = version.Info();
    m_machine.isNT = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    if (m_machine.isNT) {
        m_machine.systemRestore = info.dwMajorVersion == 5 && info.dwMinorVersion == 1;
        if (anyNtfs && m_recycleBinAvailable) {
            int rc = GetUserSidText();
            if (rc != 0) {
                CString text = LoadLangString(TXT_SID, kTextSid);
                CString number;
                number.Format("%d", rc);
                text.Replace("%u", number);
                Report(text, MB_ICONERROR);
                m_exitCode = 1;
                return false;
            }
        }
        m_setFilePointerEx =
            reinterpret_cast<SetFilePointerExProc>(reinterpret_cast<void*>(GetProcAddress(m_kernel32, "SetFilePointerEx")));
        if (!m_setFilePointerEx) return Fail(TXT_KERNEL32_FUNCTIONS, kTextKernel32Functions, MB_ICONERROR);
    } else {
        m_machine.systemRestore = info.dwMajorVersion == 4 && info.dwMinorVersion == 90;
    }

    CheckContextMenuHandler();

    if (m_items.empty())
        RunSheet();
    else
        RunCmdLineJob();
    return true;
}

int CShredderApp::ExitInstance() {
    if (m_progress) m_progress->Close();
    m_items.clear();
    LogJobEnd();
    if (m_mutex) CloseHandle(m_mutex);
    m_mutex = nullptr;
    return m_exitCode;
}

bool CShredderApp::BuildDriveTable() { return m_machine.FindFixedDrives(); }

int CShredderApp::GetUserSidText() { return m_machine.ReadUserSid(); }

bool CShredderApp::GetShell32Version(DWORD* major, DWORD* minor) {
    HMODULE shell = GetModuleHandleA("shell32.dll");
    DllGetVersionProc proc =
        shell ? reinterpret_cast<DllGetVersionProc>(reinterpret_cast<void*>(GetProcAddress(shell, "DllGetVersion")))
              : nullptr;
    if (!proc) return false;
    DLLVERSIONINFO version = {};
    version.cbSize = sizeof(version);
    if (FAILED(proc(&version))) return false;
    *major = version.dwMajorVersion;
    *minor = version.dwMinorVersion;
    return true;
}

bool CShredderApp::IsRecycleBinApiAvailable() {
    HMODULE shell = LoadLibraryA("shell32.dll");
    if (!shell) return false;
    DWORD major = 0, minor = 0;
    bool available = GetShell32Version(&major, &minor) && (major > 4 || (major == 4 && minor > 70)) &&
                     GetProcAddress(shell, "SHQueryRecycleBinA") && GetProcAddress(shell, "SHEmptyRecycleBinA");
    FreeLibrary(shell);
    return available;
}

void CShredderApp::LoadProtectedFolders() { m_machine.LoadProtectedFolders(); }

bool CShredderApp::ShellPathFromName(const CRealPath& name, CRealPath& path) const {
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return false;
    bool ok = false;
    LPITEMIDLIST list = nullptr;
    ULONG eaten = 0;
    std::vector<wchar_t> text(name.begin(), name.end());
    text.push_back(L'\0');
    if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, text.data(), &eaten, &list, nullptr)) && list) {
        path = RealPathOfIdList(list);
        ok = !path.empty();
        CoTaskMemFree(list);
    }
    desktop->Release();
    return ok;
}

bool CShredderApp::NamesRecycleBin() const {
    for (const CRealPath& item : m_items)
        if (IsRecycleWord(item)) return true;
    return false;
}

bool CShredderApp::IsSchedulerAvailable() {
    CRegKey key;
    const bool available = key.Open(m_env.classesRoot, ClassesKey(kSchedulerClsid)) == ERROR_SUCCESS &&
                           FileExists(JoinPath(m_machine.systemFolder, kSchedulerDll));
    m_schedulerUnavailable = !available;
    if (!available && !m_settings.scheduled)
        QvMessageBox(nullptr, LoadLangString(TXT_SCHEDULER, kTextScheduler), m_productTitle, MB_ICONSTOP);
    return available;
}

void CShredderApp::CheckContextMenuHandler() {
    CRegKey key;
    const bool present = key.Open(m_env.classesRoot, ClassesKey(kContextMenuClsid)) == ERROR_SUCCESS &&
                         FileExists(JoinPath(m_appPath, kContextMenuDll));
    if (!present && !m_settings.scheduled)
        QvMessageBox(nullptr, LoadLangString(TXT_CONTEXT_MENU, kTextContextMenu), m_productTitle, MB_ICONSTOP);
    RegisterRecycleBinVerb();
}

bool CShredderApp::RegisterRecycleBinVerb() {
    const CString verbKey = ClassesKey(kRecycleBinClsid) + "\\" + kRecycleBinVerb;
    CRegKey verb, command;
    if (verb.Create(m_env.classesRoot, verbKey) != ERROR_SUCCESS) return false;
    if (verb.SetString(nullptr, LoadLangString(TXT_RECYCLE_VERB, kTextRecycleVerb)) != ERROR_SUCCESS) return false;
    if (command.Create(verb, "command") != ERROR_SUCCESS) return false;
    // Quoted, so an install below a folder with blanks still starts.
    CString line;
    line.Format("\"%s\\%s\" %s", m_appPath.c_str(), kProgramFile, kRecycleWord);
    return command.SetString(nullptr, line) == ERROR_SUCCESS;
}

bool CShredderApp::ShowAlert(int textKey, const char* defaultText, bool* dontShow) {
    AlertState state;
    state.text = LoadLangString(textKey, defaultText);
    state.caption = m_productTitle;
    INT_PTR rc = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ALERT), nullptr, AlertProc,
                                 reinterpret_cast<LPARAM>(&state));
    *dontShow = state.dontShow;
    return rc == IDOK;
}

bool CShredderApp::ParseCmdLine(const CRealPath& cmdLine) {
    std::vector<CRealPath> unread;
    const std::vector<CRealPath> tokens = SplitCmdLine(cmdLine.c_str(), &unread);
    for (const CRealPath& piece : unread) m_unread.Add(CodePageSpelling(piece));
    for (const CRealPath& item : tokens)
        if (!ProcessCmdToken(item)) return false;
    return true;
}

bool CShredderApp::ProcessCmdToken(const CRealPath& item) {
    // Options and the task's name are text; only an item is kept by its real name.
    const CString token = CodePageSpelling(item);
    if (token == "/s") {
        m_settings.scheduled = true;
        m_expectTaskName = true;
        return true;
    }
    if (m_expectTaskName) {
        m_expectTaskName = false;
        m_taskName = token;
        WriteLog(CString(kTextTaskName) + token + "\r\n");
        return true;
    }
    if (token.GetLength() > 0 && token[0] == '/') {
        const char option = token.GetLength() > 1 ? token[1] : 0;
        if (option == kItemListOption[1]) {
            const CRealPath list = item.substr(2);
            if (!ReadItemList(list, m_items)) m_unreadLists.Add(CodePageSpelling(list));
            return true;
        }
        const int value = atoi(token.c_str() + (token.GetLength() > 1 ? 2 : 1));
        if (option == 'O') m_settings.optionO = value;
        else if (option == 'D') m_settings.optionD = value;
        else if (option == 'F') m_settings.optionF = value;
        else if (option == 'R') m_settings.optionR = value;
        return true;
    }
    // An empty pair of quotes names nothing.
    if (!item.empty()) m_items.push_back(item);
    return true;
}

void CShredderApp::LogJobEnd() {
    if (m_settings.scheduled && m_lastMessage.IsEmpty()) {
        // The items after the one the session end stopped were never touched.
        m_lastMessage = m_endSession ? kTextSessionEnded : kTextSuccess;
        WriteLog(m_lastMessage + "\r\n\r\n");
    }
    m_log.Flush();
}

void CShredderApp::WriteLog(const char* text) { m_log.Add(text); }

void CShredderApp::ReportUnreadCommandLine() {
    for (const CString& list : m_unreadLists)
        Report(LoadLangStringWith(TXT_LIST_UNREADABLE, kTextListUnreadable, list), MB_ICONERROR);
    for (const CString& piece : m_unread) Report(LoadLangStringWith(TXT_UNREAD, kTextUnread, piece), MB_ICONERROR);
}

int CShredderApp::Report(const CString& text, UINT type) {
    if (m_settings.scheduled) {
        m_lastMessage = text;
        WriteLog(text + "\r\n\r\n");
        return IDOK;
    }
    return QvMessageBox(nullptr, text, m_productTitle, type);
}

int CShredderApp::Ask(const CString& text, UINT type, int scheduledAnswer) {
    if (m_settings.scheduled) return scheduledAnswer;
    return QvMessageBox(nullptr, text, m_productTitle, type);
}

int CShredderApp::AskCaptioned(const CString& text, const char* caption, UINT type, int scheduledAnswer) {
    if (m_settings.scheduled) return scheduledAnswer;
    return QvMessageBox(nullptr, text, caption, type);
}

bool CShredderApp::AskDriveOptions(const CString&, const CString& fileSystem, bool* freeSpaceOnly, bool* formatAfter) {
    DriveOptionsState state;
    state.fileSystem = fileSystem;
    if (DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_DRIVE_OPTIONS), nullptr, DriveOptionsProc,
                        reinterpret_cast<LPARAM>(&state)) != IDOK)
        return false;
    *freeSpaceOnly = state.freeSpaceOnly;
    *formatAfter = state.formatAfter;
    return true;
}

bool CShredderApp::FormatDrive(const CString& drive, bool) {
    // Under Wine no dialog opens and the call says the drive cannot be formatted.
    const DWORD result = SHFormatDrive(GetActiveWindow(), UINT(DriveNumberOf(drive) - 1), SHFMT_ID_DEFAULT, 0);
    return result != DWORD(SHFMT_ERROR) && result != DWORD(SHFMT_CANCEL) && result != DWORD(SHFMT_NOFORMAT);
}

void CShredderApp::ShowSystemError(DWORD code) {
    CString text;
    char* buffer = text.GetBuffer(100);
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, 100, nullptr);
    text.ReleaseBuffer(int(n));
    if (text.IsEmpty()) text.Format("Error %lu", static_cast<unsigned long>(code));
    if (m_settings.scheduled) {
        m_lastMessage = text;
        WriteLog(text + "\r\n\r\n");
        return;
    }
    QvMessageBox(nullptr, text, "Error", MB_ICONERROR);
}

IShredProgress* CShredderApp::CreateProgress() {
    if (m_settings.scheduled) return new CSilentProgress;
    return new CProgressDialog(nullptr, m_jobBlocks, m_abort);
}

void CShredderApp::RunCmdLineJob() {
    m_abort = false;
    m_engine->ResetFailures();
    ReportUnreadCommandLine();

    CString confirm;
    if (m_items.size() == 1) {
        CString shown = "the Recycle Bin";
        if (!IsRecycleWord(m_items[0])) {
            CRealPath path = m_items[0];
            if (!m_settings.scheduled) ShellPathFromName(m_items[0], path);
            // Never a look-alike: the user says Yes to the name shown.
            shown = CodePageSpelling(path);
        }
        confirm = LoadLangStringWith(TXT_CONFIRM_ONE, kTextConfirmOne, shown);
    } else {
        CString count;
        count.Format("%d", int(m_items.size()));
        confirm = LoadLangString(TXT_CONFIRM_MANY, kTextConfirmMany);
        confirm.Replace("%u", count);
    }
    if (Ask(confirm, MB_YESNO | MB_ICONSTOP | MB_DEFBUTTON2, IDYES) != IDYES) return;

    const int algorithm = m_settings.scheduled ? m_settings.optionO : m_method;
    if (!m_algorithms.IsValidIndex(algorithm)) {
        CString text = LoadLangString(TXT_BAD_ALGORITHM, kTextBadAlgorithm);
        CString number;
        number.Format("%d", algorithm);
        text.Replace("%d", number);
        Report(text, MB_ICONERROR);
        return;
    }

    ULONGLONG total = 0;
    for (const CRealPath& item : m_items)
        if (!IsRecycleWord(item)) total += ItemSize(item);
    m_jobBlocks = total > 0 ? total * ULONGLONG(m_algorithms.GetAt(algorithm).PassCount()) / kBufferSize + 1 : 0;

    CSessionWatch watch(m_endSession);
    m_progress.reset(CreateProgress());
    m_engine->SetProgress(m_progress.get());

    for (const CRealPath& item : m_items) {
        const int rc = IsRecycleWord(item) ? CRecycleBinShred(*m_job).ShredNow() : CItemShred(*m_job).Run(item);
        if (rc == 2)
            Report(LoadLangStringWith(TXT_NOT_OBJECT, kTextNotObject, CodePageSpelling(item)), MB_OK | MB_ICONERROR);
        if (rc == 1) m_abort = true;
        if (m_abort || m_endSession) break;
    }

    m_progress->Close();
    m_engine->SetProgress(nullptr);
    m_progress.reset();
    m_jobBlocks = 0;
    // Before the watch lets an end of the session go on.
    LogJobEnd();
}


