#include "TaskFile.h"

#include <vector>

#include "Handles.h"

namespace {
// The fixed part of a task file: versions, the job's id, the offset of the
// application name's count, and the numbers and times that follow.
const DWORD kFixedLength = 68;
const DWORD kApplicationOffsetAt = 20;
// A task file is small; one past this is not read whole into memory.
const DWORD kLongestTaskFile = 1 << 20;

class CReader {
public:
    CReader(const std::vector<BYTE>& bytes, size_t at) : m_bytes(bytes), m_at(at) {}
    // A string of count characters, the last of them its terminating null;
    // count 0 is an empty string with no null.
    bool String(std::wstring& text) {
        if (m_at + 2 > m_bytes.size()) return false;
        const size_t count = size_t(m_bytes[m_at]) | size_t(m_bytes[m_at + 1]) << 8;
        const size_t begin = m_at + 2, end = begin + count * 2;
        if (end > m_bytes.size()) return false;
        text.clear();
        for (size_t i = begin; i < end; i += 2) text += wchar_t(m_bytes[i] | m_bytes[i + 1] << 8);
        if (count > 0 && text.back() != L'\0') return false;
        if (count > 0) text.pop_back();
        m_at = end;
        return true;
    }

private:
    const std::vector<BYTE>& m_bytes;
    size_t m_at;
};
}  // namespace

std::wstring TaskFilePathOf(const std::wstring& name) {
    wchar_t windows[MAX_PATH] = L"";
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) windows[0] = 0;
    return std::wstring(windows) + L"\\Tasks\\" + name + L".job";
}

HRESULT ReadTaskFileFields(const std::wstring& path, CTaskFileFields& fields) {
    fields = CTaskFileFields();
    CHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.IsValid()) return HRESULT_FROM_WIN32(GetLastError());
    const DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE) return HRESULT_FROM_WIN32(GetLastError());
    std::vector<BYTE> bytes(size < kLongestTaskFile ? size : kLongestTaskFile);
    DWORD read = 0;
    if (!bytes.empty() && !ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr))
        return HRESULT_FROM_WIN32(GetLastError());
    bytes.resize(read);
    if (bytes.size() < kFixedLength) return S_OK;
    const size_t at = size_t(bytes[kApplicationOffsetAt]) | size_t(bytes[kApplicationOffsetAt + 1]) << 8;
    if (at < kFixedLength) return S_OK;
    CReader reader(bytes, at);
    std::wstring workingFolder;
    fields.hasApplication = reader.String(fields.application);
    fields.hasParameters = fields.hasApplication && reader.String(fields.parameters);
    fields.hasCreator = fields.hasParameters && reader.String(workingFolder) && reader.String(fields.creator);
    return S_OK;
}
