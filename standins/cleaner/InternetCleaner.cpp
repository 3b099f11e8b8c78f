#include "InternetCleaner.h"

#include <cstddef>
#include <mutex>

static_assert(sizeof(CInternetCleanerParamters) == 140, "the library's parameter record is 140 bytes");
static_assert(offsetof(CInternetCleanerParamters, m_dwBrowserKind) == 28, "browser kind at byte 28");
static_assert(offsetof(CInternetCleanerParamters, m_options) == 129, "option bytes at 129-131");
// The library is a 32-bit one; the 64-bit test build only needs the calls.
static_assert(sizeof(void*) != 4 || sizeof(CInternetCleanerModule) == 16, "the library's module object is 16 bytes");

namespace {
std::mutex g_journalLock;
std::vector<CleanerCall> g_journal;

void Record(const CInternetCleanerModule& module, CleanerOperation operation) {
    const DWORD kind = module.m_pParameters ? module.m_pParameters->m_dwBrowserKind : 0;
    std::lock_guard<std::mutex> lock(g_journalLock);
    g_journal.push_back({operation, kind});
}
}  // namespace

CInternetCleanerParamters::CInternetCleanerParamters() : m_dwBrowserKind(0) {
    ZeroMemory(m_header, sizeof m_header);
    ZeroMemory(m_reserved, sizeof m_reserved);
    ZeroMemory(m_options, sizeof m_options);
    ZeroMemory(m_tail, sizeof m_tail);
}

CInternetCleanerModule::CInternetCleanerModule() : m_dwReserved(0), m_pParameters(nullptr), m_dwReserved2(0) {}

CInternetCleanerModule::~CInternetCleanerModule() = default;

void CInternetCleanerModule::Scan() { Record(*this, CleanerOperation::Scan); }

void CInternetCleanerModule::DeleteReduandantEntries() { Record(*this, CleanerOperation::DeleteRedundant); }

void CInternetCleanerModule::DeleteOperaRedundantEntries() { Record(*this, CleanerOperation::DeleteOperaRedundant); }

std::vector<CleanerCall> CleanerJournal() {
    std::lock_guard<std::mutex> lock(g_journalLock);
    return g_journal;
}

void ClearCleanerJournal() {
    std::lock_guard<std::mutex> lock(g_journalLock);
    g_journal.clear();
}
