#include "ProxyConnection.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <vector>

#include "EngineSettings.h"
#include "ProxyListener.h"

const char* const kReplyBadRequest = "HTTP/1.0 400 Invalid header received from browser\n\n";
// The blank line before the body is there on purpose: without it the page
// text was read as header lines.
const char* const kReplyConnectFailed =
    "HTTP/1.0 404 Error connecting to site\r\nPragma: no-cache\r\nContent-Type: text/html\r\n\r\n"
    "<html>\r\n<head>\r\nSite does not exist.\r\n</head></html>\r\n\r\n";
const char* const kReplyTunnelEstablished = "HTTP/1.0 200 Connection established\r\nProxy-agent: RA-Veroz/1.0\r\n\r\n";

static volatile LONG g_nConnectionSerial = 0;

CProxyConnection::CProxyConnection() {
    InterlockedIncrement(&g_nLiveConnections);
    m_nSerial = InterlockedIncrement(&g_nConnectionSerial);
    RegisterConnection(this);
}

CProxyConnection::~CProxyConnection() {
    CloseSockets();
    UnregisterConnection(this);
    InterlockedDecrement(&g_nLiveConnections);
}

void CProxyConnection::SetSocket(SOCKET& field, SOCKET value) {
    EnterCriticalSection(LiveConnectionsLock());
    field = value;
    LeaveCriticalSection(LiveConnectionsLock());
}

void CProxyConnection::AttachBrowser(SOCKET s) { SetSocket(m_sBrowser, s); }

void CProxyConnection::Run() {
    int size;
    if (Settings().UseDefaultBufferSizes) size = std::max(256, std::max(g_nSystemRecvBuffer, g_nSystemSendBuffer));
    else size = std::max(1, int(g_Engine.BufferSize));
    m_nSendSize = m_nRecvSize = size;
    std::vector<char> buffer;
    try {
        buffer.resize(size_t(size));
    } catch (...) {
        return;
    }
    RelayLoop(buffer.data());
    CloseSockets();
}

void CProxyConnection::RelayLoop(char* buffer) {
    if (!Settings().UseDefaultBufferSizes) {
        setsockopt(m_sBrowser, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&m_nSendSize), sizeof(int));
        setsockopt(m_sBrowser, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&m_nRecvSize), sizeof(int));
    }
    BOOL noDelay = TRUE;
    setsockopt(m_sBrowser, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
    DWORD idleSince = GetTickCount();
    const DWORD idleLimit = DWORD(Settings().ConnectionTimeOut) * 1000;
    while (IsEngineListening() && !m_bFailed && m_sBrowser != INVALID_SOCKET) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_sBrowser, &readable);
        if (m_sServer != INVALID_SOCKET && m_sServer != m_sBrowser) FD_SET(m_sServer, &readable);
        // Short waits, so a stopped listener is noticed even on a silent connection
        // (a shutdown from another thread does not wake select everywhere).
        timeval slice = {0, 200 * 1000};
        int ready = select(0, &readable, nullptr, nullptr, &slice);
        if (ready < 0) break;
        if (ready == 0) {
            if (!Settings().UseDefaultTimeOut && GetTickCount() - idleSince >= idleLimit) {
                if (g_Engine.bTimeoutEndsConnection) break;
                idleSince = GetTickCount();
            }
            continue;
        }
        idleSince = GetTickCount();
        if (FD_ISSET(m_sBrowser, &readable)) {
            int n = recv(m_sBrowser, buffer, m_nRecvSize, 0);
            if (n <= 0) {
                SOCKET s = m_sBrowser;
                SetSocket(m_sBrowser, INVALID_SOCKET);
                closesocket(s);
                break;
            }
            AppendRequestData(buffer, n);
            if (!OnBrowserData()) break;
        }
        if (m_sServer != INVALID_SOCKET && FD_ISSET(m_sServer, &readable)) {
            int n = recv(m_sServer, buffer, m_nRecvSize, 0);
            if (n <= 0) break;
            AppendResponseData(buffer, n);
            if (!OnServerData()) break;
        }
    }
}

bool CProxyConnection::SendBuffer(SOCKET s, const char* data, int length) {
    if (s == INVALID_SOCKET) return false;
    int sent = 0, retries = 0;
    while (sent < length) {
        int piece = std::min(length - sent, std::max(1, m_nSendSize));
        int n = send(s, data + sent, piece, 0);
        if (n > 0) {
            sent += n;
            retries = 0;
            continue;
        }
        if (n < 0 && WSAGetLastError() == WSAENOBUFS && retries++ < 20) {
            // A lost update between two threads is harmless: both lower it.
            g_Engine.BufferSize = LowerBufferSize(int(g_Engine.BufferSize));
            m_nSendSize = std::min(m_nSendSize, int(g_Engine.BufferSize));
            Sleep(10);
            continue;
        }
        m_bFailed = true;
        return false;
    }
    return true;
}

bool CProxyConnection::SendToBrowser(const char* data, int length) {
    if (length <= 0) return !m_bFailed;
    return SendBuffer(m_sBrowser, data, length);
}

void CProxyConnection::CloseServerSocket() {
    if (m_sServer == INVALID_SOCKET) return;
    FlushResponse();
    SOCKET s = m_sServer;
    SetSocket(m_sServer, INVALID_SOCKET);
    closesocket(s);
    m_Response.Clear();
    m_PendingHead.clear();
}

void CProxyConnection::CloseSockets() {
    CloseServerSocket();
    if (m_sBrowser != INVALID_SOCKET) {
        SOCKET s = m_sBrowser;
        SetSocket(m_sBrowser, INVALID_SOCKET);
        closesocket(s);
    }
}

// Browser side --------------------------------------------------------------

int CProxyConnection::OnBrowserData() {
    while (!m_Request.IsEmpty() && !m_bFailed) {
        if (m_bTunnel) {
            m_nBrowserState = STATE_BODY;
            if (!SendBuffer(m_sServer, m_Request.Data(), m_Request.Size())) return 0;
            m_Request.Clear();
            return 1;
        }
        if (m_nBrowserState == STATE_HEADER) {
            // Some browsers send an extra CR LF after a request body.
            int blank = 0;
            while (blank < m_Request.Size() && (m_Request.Data()[blank] == '\r' || m_Request.Data()[blank] == '\n'))
                ++blank;
            m_Request.Consume(blank);
            if (m_Request.IsEmpty()) return 1;
            if (!IsHeaderComplete(m_Request.Data(), m_Request.Size())) {
                if (m_Request.Size() <= g_Engine.MaxRequestHeader) return 1;
                SendToBrowser(kReplyBadRequest, int(strlen(kReplyBadRequest)));
                return 0;
            }
            if (!ProcessRequestHeader()) return 0;
            if (m_nServerState == STATE_HEADER && m_Response.IsEmpty()) ResetResponse();
            if (!ConnectToServer()) return 0;
            continue;
        }
        if (!PassRequestBody()) return 0;
    }
    return m_bFailed ? 0 : 1;
}

int CProxyConnection::PassRequestBody() {
    switch (m_nRequestBody) {
    case REQUEST_LENGTH: {
        int n = int(std::min<long long>(m_Request.Size(), m_nRequestBodyLeft));
        if (!SendBuffer(m_sServer, m_Request.Data(), n)) return 0;
        m_Request.Consume(n);
        m_nRequestBodyLeft -= n;
        if (m_nRequestBodyLeft == 0) {
            m_nRequestBody = REQUEST_NONE;
            m_nBrowserState = STATE_HEADER;
        }
        return 1;
    }
    case REQUEST_CHUNKED: {
        int used = 0;
        CChunkReader::Result r = m_RequestChunks.Step(m_Request.Data(), m_Request.Size(), &used);
        if (r == CChunkReader::MALFORMED) return 0;
        if (!SendBuffer(m_sServer, m_Request.Data(), used)) return 0;
        m_Request.Consume(used);
        if (r == CChunkReader::DONE) {
            m_nRequestBody = REQUEST_NONE;
            m_nBrowserState = STATE_HEADER;
        }
        return 1;
    }
    case REQUEST_UNTIL_REPLY:
    case REQUEST_NONE:
    default:
        if (!SendBuffer(m_sServer, m_Request.Data(), m_Request.Size())) return 0;
        m_Request.Clear();
        return 1;
    }
}

// Server side ---------------------------------------------------------------

void CProxyConnection::ResetResponse() {
    m_nServerState = STATE_HEADER;
    m_nBytesPassed = 0;
    m_nContentLength = -1;
    m_bChunked = 0;
    m_wContentFlags = 0;
    m_strContentType.Empty();
    m_Tags.RemoveAll();
    m_TagPositions.RemoveAll();
    m_bFirstBlock = 1;
    m_nStatus = 0;
    m_nBodyMode = BODY_NONE;
    m_bHeld = false;
    m_bRechunk = false;
    m_ResponseChunks.Reset();
    m_Body.clear();
    m_ResponseLines.RemoveAll();
}

static bool StartsWithHttp(const char* p, int n) {
    static const char http[] = "http/";
    for (int i = 0; i < 5; ++i)
        if (i >= n || tolower((unsigned char)p[i]) != http[i]) return false;
    return true;
}

int CProxyConnection::ParseResponseHeader() {
    const char* data = m_Response.Data();
    int size = m_Response.Size();
    int first = 0;
    while (first < size && (unsigned char)data[first] < 33) ++first;
    if (size - first < 5) return 0;
    if (!StartsWithHttp(data + first, size - first)) return -1;
    CHeaderInfo info;
    int end = SplitHeaderLines(data + first, size - first, m_ResponseLines, true, false, info);
    if (end < 0) return size > g_Engine.MaxResponseHeader ? -1 : 0;
    m_Response.Consume(first + end);
    m_wContentFlags = WORD(info.contentFlags);
    m_strContentType = info.contentType;
    m_nContentLength = info.contentLength;
    m_bChunked = info.chunked ? 1 : 0;
    // Cookie lines pass unchanged: the engine keeps cookies (CookieMode 1).
    m_nStatus = m_ResponseLines.IsEmpty() ? 0 : ParseStatusCode(m_ResponseLines[0]);
    return 1;
}

void CProxyConnection::SendResponseHeader() {
    if (m_ResponseLines.IsEmpty()) return;
    CString header = TerminateHeader(JoinLines(m_ResponseLines));
    m_ResponseLines.RemoveAll();
    SendToBrowser(header.c_str(), header.GetLength());
}

int CProxyConnection::OnServerData() {
    if (m_bTunnel) {
        bool ok = SendToBrowser(m_Response.Data(), m_Response.Size());
        m_Response.Clear();
        return ok ? 1 : 0;
    }
    while (!m_bFailed) {
        if (m_nServerState == STATE_HEADER) {
            int parsed = ParseResponseHeader();
            if (parsed == 0) return 1;
            if (parsed < 0) {
                // No status line: the rest of the connection is the body.
                m_ResponseLines.RemoveAll();
                m_nServerState = STATE_BODY;
                m_nBodyMode = BODY_CLOSE;
                int first = 0;
                while (first < m_Response.Size() && (unsigned char)m_Response.Data()[first] < 33) ++first;
                bool page = first < m_Response.Size() && m_Response.Data()[first] == '<';
                m_wContentFlags = page ? (CONTENT_HTML | CONTENT_TEXT) : CONTENT_OTHER;
                m_bHeld = page && !Settings().Disabled;
            } else if (!StartResponseBody()) {
                return 0;
            }
            continue;
        }
        if (m_Response.IsEmpty()) return 1;
        if (!PassBody()) return 0;
    }
    return 0;
}

int CProxyConnection::StartResponseBody() {
    m_nServerState = STATE_BODY;
    if (m_nStatus >= 100 && m_nStatus < 200) {
        // An interim reply; the final one may follow in the same segment.
        SendResponseHeader();
        ResetResponse();
        return m_bFailed ? 0 : 1;
    }
    bool head = false;
    if (!m_PendingHead.empty()) {
        head = m_PendingHead.front();
        m_PendingHead.pop_front();
    }
    if (m_nRequestBody == REQUEST_UNTIL_REPLY) {
        m_nRequestBody = REQUEST_NONE;
        m_nBrowserState = STATE_HEADER;
    }
    if (head || m_nStatus == 204 || m_nStatus == 304) {
        SendResponseHeader();
        ResetResponse();
        return m_bFailed ? 0 : 1;
    }
    if (m_nStatus >= 300) m_wContentFlags = CONTENT_OTHER;
    if (m_bChunked) m_nBodyMode = BODY_CHUNKED;
    else if (m_nContentLength >= 0) m_nBodyMode = BODY_LENGTH;
    else m_nBodyMode = BODY_CLOSE;
    m_bHeld = (m_wContentFlags & CONTENT_TEXT) && !Settings().Disabled;
    if (!m_bHeld) SendResponseHeader();
    if (m_nBodyMode == BODY_LENGTH && m_nContentLength == 0) return FinishResponse();
    return m_bFailed ? 0 : 1;
}

static bool LooksBinary(const char* data, int length) {
    for (int i = 0; i < length && i < 32; ++i) {
        unsigned char c = (unsigned char)data[i];
        if (c < 9 || c > 250) return true;
    }
    return false;
}

void CProxyConnection::StreamHeldBody() {
    m_bHeld = false;
    m_wContentFlags = CONTENT_OTHER;
    m_bRechunk = m_nBodyMode == BODY_CHUNKED;
    SendResponseHeader();
    std::string held;
    held.swap(m_Body);
    if (!held.empty()) DeliverBody(held.data(), int(held.size()));
}

bool CProxyConnection::DeliverBody(const char* data, int length) {
    if (length <= 0) return true;
    if (m_bFirstBlock) {
        m_bFirstBlock = 0;
        if (m_bHeld && LooksBinary(data, length)) StreamHeldBody();
    }
    if (m_bHeld) {
        m_Body.append(data, size_t(length));
        // A text body too large to hold goes out unfiltered from here on.
        if (int(m_Body.size()) > g_Engine.MaxHeldBody) StreamHeldBody();
        return true;
    }
    if (m_bRechunk) {
        char size[16];
        int n = wsprintfA(size, "%x\r\n", length);
        return SendToBrowser(size, n) && SendToBrowser(data, length) && SendToBrowser("\r\n", 2);
    }
    return SendToBrowser(data, length);
}

int CProxyConnection::PassBody() {
    switch (m_nBodyMode) {
    case BODY_LENGTH: {
        int n = int(std::min<long long>(m_Response.Size(), m_nContentLength - m_nBytesPassed));
        bool ok = DeliverBody(m_Response.Data(), n);
        m_Response.Consume(n);
        m_nBytesPassed += n;
        if (!ok) return 0;
        if (m_nBytesPassed >= m_nContentLength) return FinishResponse();
        return 1;
    }
    case BODY_CHUNKED: {
        int used = 0;
        CChunkReader::Result r = m_ResponseChunks.Step(m_Response.Data(), m_Response.Size(), &used);
        bool ok = true;
        if (r == CChunkReader::MALFORMED) {
            // Nothing of a held body goes out: its length could not be told.
            if (m_bHeld) ResetResponse();
            m_Response.Clear();
            return 0;
        }
        if (!m_bHeld && !m_bRechunk) ok = SendToBrowser(m_Response.Data(), used);
        else if (r == CChunkReader::DATA) ok = DeliverBody(m_Response.Data(), used);
        if (r == CChunkReader::DATA) m_nBytesPassed += used;
        m_Response.Consume(used);
        if (!ok) return 0;
        if (r == CChunkReader::DONE) return FinishResponse();
        return 1;
    }
    case BODY_CLOSE:
    default: {
        bool ok = DeliverBody(m_Response.Data(), m_Response.Size());
        m_nBytesPassed += m_Response.Size();
        m_Response.Clear();
        return ok ? 1 : 0;
    }
    }
}

int CProxyConnection::FinishResponse() {
    if (m_bRechunk) SendToBrowser("0\r\n\r\n", 5);
    FlushResponse();
    return m_bFailed ? 0 : 1;
}

void CProxyConnection::FlushResponse() {
    if (m_sBrowser == INVALID_SOCKET) {
        ResetResponse();
        return;
    }
    if (m_nServerState == STATE_HEADER && !m_Response.IsEmpty()) {
        // The server closed: a header-less reply becomes the body, and what is
        // left of an unfinished header goes out as it came.
        OnServerData();
        if (m_nServerState == STATE_HEADER) {
            SendToBrowser(m_Response.Data(), m_Response.Size());
            m_Response.Clear();
        }
    }
    if (m_nServerState == STATE_HEADER) {
        ResetResponse();
        return;
    }
    if (m_bHeld) {
        if (m_nBodyMode == BODY_CHUNKED) {
            // The body goes out de-chunked, so its length replaces the chunking.
            SetLengthLine(m_ResponseLines, "transfer-encoding", unsigned(m_Body.size()));
            m_nContentLength = m_nBytesPassed = (long long)m_Body.size();
        }
        if (!m_Body.empty() && !Settings().Disabled) FilterResponseBody();
        SendResponseHeader();
        SendToBrowser(m_Body.data(), int(m_Body.size()));
    } else {
        SendResponseHeader();
    }
    ResetResponse();
}
