// One item of the command line or of the Shred Files and Shred Folders pages.
#include "ItemShred.h"

#include <cctype>
#include <vector>

#include "DriveShred.h"
#include "Files.h"
#include "FolderShred.h"

namespace {
// Listed by the entries' real names: one the code page spells otherwise
// names nothing to the ANSI calls, and a folder of such a name would count as empty.
ULONGLONG FolderSize(const CRealPath& folder, int depth) {
    ULONGLONG total = 0;
    std::vector<WIN32_FIND_DATAW> entries;
    ListRealFolder(folder, entries);
    for (const WIN32_FIND_DATAW& entry : entries) {
        // Links are not followed and the depth is bounded: a link back up the tree must not loop.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && depth < kMaxFolderDepth)
                total += FolderSize(JoinRealPath(folder, entry.cFileName), depth + 1);
        } else {
            total += (ULONGLONG(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
        }
    }
    return total;
}
}  // namespace

char DriveRootLetter(const char* path) {
    if (!path || !isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':') return 0;
    if (path[2] != 0 && !((path[2] == '\\' || path[2] == '/') && path[3] == 0)) return 0;
    return char(toupper(static_cast<unsigned char>(path[0])));
}

char RootLetterOf(const char* path) {
    char letter = DriveRootLetter(path);
    if (letter) return letter;
    char full[MAX_PATH + 1];
    DWORD n = GetFullPathNameA(path, sizeof(full), full, nullptr);
    return n > 0 && n < sizeof(full) ? DriveRootLetter(full) : 0;
}

ULONGLONG ItemSize(const CRealPath& path) {
    // A root is spelt in the code page whatever the system: its letter, a colon and a backslash.
    if (RootLetterOf(ShownPath(path))) return 0;
    const DWORD attributes = RealAttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return FolderSize(path, 0);
    WIN32_FIND_DATAW listed;
    if (!FindRealEntry(path, &listed)) return 0;
    return (ULONGLONG(listed.nFileSizeHigh) << 32) | listed.nFileSizeLow;
}

CItemShred::CItemShred(CShredJob& job) : m_job(job) {}

int CItemShred::Run(const CRealPath& path) {
    // A root also passes the folder test; it must never be walked as a folder.
    const char letter = RootLetterOf(ShownPath(path));
    if (letter) {
        const char* root = m_job.Machine().fixedRoots[letter - 'A'];
        if (!root[0]) return 2;
        return CDriveShred(m_job).ShredRoot(root);
    }
    const DWORD attributes = RealAttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return 2;
    // A link given as the item is not followed (what it leads to was not
    // chosen): the folder shred and the engine each open the item as itself.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return CFolderShred(m_job).RunItem(path, (attributes & FILE_ATTRIBUTE_SYSTEM) != 0);
    const CAlgorithm* algorithm = m_job.Algorithm();
    if (!algorithm) return 1;
    return m_job.Engine().OverwriteFile(path, *algorithm, KIND_ITEM);
}
