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
    try {
        m_BrowserRead.buffer.resize(size_t(size));
        m_ServerRead.buffer.resize(size_t(size));
    } catch (...) {
        return;
    }
    m_BrowserRead.overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_ServerRead.overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_BrowserRead.overlapped.hEvent && m_ServerRead.overlapped.hEvent) RelayLoop();
    CloseSockets();
    for (CSideRead* read : {&m_BrowserRead, &m_ServerRead}) {
        if (read->overlapped.hEvent) CloseHandle(read->overlapped.hEvent);
        read->overlapped.hEvent = nullptr;
    }
}

// Every socket call is a round trip to the Wine server (and more on an
// accepted socket), so the relay never selects: each side has at most one
// overlapped read posted, kept across turns until its bytes are taken, and
// the relay waits only on the side that may speak next. A read is posted
// only once its side may speak: one posted earlier on a kept server
// connection would complete inside the next request's send, through a signal
// and two more round trips.
void CProxyConnection::RelayLoop() {
    if (!Settings().UseDefaultBufferSizes) {
        setsockopt(m_sBrowser, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&m_nSendSize), sizeof(int));
        setsockopt(m_sBrowser, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&m_nRecvSize), sizeof(int));
    }
    BOOL noDelay = TRUE;
    setsockopt(m_sBrowser, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof(noDelay));
    DWORD idleSince = GetTickCount();
    while (IsEngineListening() && !m_bFailed && m_sBrowser != INVALID_SOCKET) {
        if (!SendQueuedBytes()) break;
        const bool hasServer = m_sServer != INVALID_SOCKET && m_sServer != m_sBrowser;
        const SOCKET sole = SoleSpeaker();
        const bool fromBrowser = sole == INVALID_SOCKET || sole == m_sBrowser;
        const bool fromServer = hasServer && (sole == INVALID_SOCKET || sole == m_sServer);
        if (fromBrowser) PostRead(m_BrowserRead, m_sBrowser);
        if (fromServer) PostRead(m_ServerRead, m_sServer);
        const bool browserReady = fromBrowser && ReadDone(m_BrowserRead);
        const bool serverReady = fromServer && ReadDone(m_ServerRead);
        if (browserReady || serverReady) {
            // With both sides ready, the one not served last goes first: a
            // browser streaming an upload would otherwise hold back the
            // server's early answer until the whole body had gone.
            const bool server = serverReady && (!browserReady || !m_bServerTakenLast);
            m_bServerTakenLast = server;
            idleSince = GetTickCount();
            if (!(server ? TakeRead(m_sServer, m_ServerRead) : TakeRead(m_sBrowser, m_BrowserRead))) break;
            continue;
        }
        // The wake event ends the wait when the engine stops: a shutdown from
        // another thread does not wake every read under Wine.
        HANDLE waits[3];
        DWORD count = 0;
        if (fromBrowser) waits[count++] = m_BrowserRead.overlapped.hEvent;
        if (fromServer) waits[count++] = m_ServerRead.overlapped.hEvent;
        waits[count++] = ConnectionWakeEvent();
        DWORD slice = INFINITE;
        const bool timed = !Settings().UseDefaultTimeOut && g_Engine.bTimeoutEndsConnection;
        if (timed) {
            const DWORD limit = DWORD(Settings().ConnectionTimeOut) * 1000, idle = GetTickCount() - idleSince;
            if (idle >= limit) {
                // Idle this long, the browser has every byte of the last
                // reply: there is nothing left for a lingering close to save.
                m_bLingerAtClose = false;
                break;
            }
            slice = limit - idle;
        }
        const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, slice);
        if (woke == WAIT_TIMEOUT) continue;
        if (woke == WAIT_FAILED || woke == WAIT_OBJECT_0 + count - 1) break;
        // A signal left from a read that completed at once says nothing of
        // the read now posted: cleared, the posted read is looked at again
        // above, and its own completion signals anew.
        const CSideRead& read = fromBrowser && woke == WAIT_OBJECT_0 ? m_BrowserRead : m_ServerRead;
        if (!ReadDone(read)) ResetEvent(read.overlapped.hEvent);
    }
}

// Hands the bytes of a completed read to its side's handler; false ends the
// relay (a side that closed or failed, or a handler's end).
bool CProxyConnection::TakeRead(SOCKET from, CSideRead& read) {
    const int n = TakeResult(read);
    if (from == m_sBrowser) {
        if (n <= 0) {
            SetSocket(m_sBrowser, INVALID_SOCKET);
            closesocket(from);
            return false;
        }
        AppendRequestData(read.buffer.data(), n);
        return OnBrowserData() != 0;
    }
    if (n <= 0) return ResendToFreshServer();
    m_strResend.Empty();
    AppendResponseData(read.buffer.data(), n);
    return OnServerData() != 0;
}

void CProxyConnection::PostRead(CSideRead& read, SOCKET s) {
    if (read.posted) return;
    read.socket = s;
    read.posted = true;
    read.done = false;
    HANDLE event = read.overlapped.hEvent;
    read.overlapped = WSAOVERLAPPED();
    read.overlapped.hEvent = event;
    read.overlapped.Internal = kStatusPending;
    WSABUF part = {ULONG(read.buffer.size()), read.buffer.data()};
    DWORD got = 0, flags = 0;
    if (WSARecv(s, &part, 1, &got, &flags, &read.overlapped, nullptr) == 0) {
        read.done = true;
        read.got = int(got);
    } else if (WSAGetLastError() != WSA_IO_PENDING) {
        read.done = true;
        read.got = -1;
    }
}

// The status is written in this thread (by the completion, which may run
// inside any wait), so it is read afresh each time rather than cached.
bool CProxyConnection::ReadDone(const CSideRead& read) {
    return read.posted &&
           (read.done || *reinterpret_cast<const volatile ULONG_PTR*>(&read.overlapped.Internal) != kStatusPending);
}

// The bytes read, 0 when the side closed, -1 on an error.
int CProxyConnection::TakeResult(CSideRead& read) {
    int n = read.got;
    if (!read.done) {
        DWORD got = 0, flags = 0;
        n = WSAGetOverlappedResult(read.socket, &read.overlapped, &got, FALSE, &flags) ? int(got) : -1;
    }
    read.posted = read.done = false;
    return n;
}

// A read still outstanding is cancelled and waited for before its socket is
// closed: the system writes into its buffer until it completes.
void CProxyConnection::CancelRead(CSideRead& read) {
    if (!read.posted) return;
    if (!ReadDone(read)) {
        CancelIo(reinterpret_cast<HANDLE>(read.socket));
        DWORD got = 0, flags = 0;
        WSAGetOverlappedResult(read.socket, &read.overlapped, &got, TRUE, &flags);
    }
    read.posted = read.done = false;
}

// A reply is due while a request awaits it or its body is still coming, and
// the browser has nothing more to send for now; between replies only the
// browser is read. A request body, a tunnel or stray server bytes leave both
// sides free to speak.
SOCKET CProxyConnection::SoleSpeaker() const {
    if (m_bTunnel) return INVALID_SOCKET;
    if (m_sServer == INVALID_SOCKET) return m_sBrowser;
    if (m_nBrowserState == STATE_BODY) return INVALID_SOCKET;
    if (m_nServerState == STATE_BODY || !m_PendingReplies.empty()) return m_sServer;
    return m_Response.IsEmpty() ? m_sBrowser : INVALID_SOCKET;
}

// Nothing may come from a kept server connection between replies: readable
// means it closed (or broke the protocol), so it is not used again.
bool CProxyConnection::ServerSpokeWhileIdle() {
    if (m_sServer == INVALID_SOCKET || !m_PendingReplies.empty() || m_nServerState != STATE_HEADER ||
        !m_Response.IsEmpty())
        return false;
    if (m_ServerRead.posted) return ReadDone(m_ServerRead);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(m_sServer, &readable);
    timeval now = {0, 0};
    return select(0, &readable, nullptr, nullptr, &now) != 0;
}

// A kept server connection that the server closed before answering gets the
// request again on a new connection, as a browser does with its own kept
// connections: once, and only for a lone request without a body, so nothing
// that was not already sent whole can be sent twice. False ends the relay.
bool CProxyConnection::ResendToFreshServer() {
    const CString header = m_strResend;
    m_strResend.Empty();
    if (header.IsEmpty() || m_PendingReplies.size() != 1 || m_nServerState != STATE_HEADER || !m_Response.IsEmpty())
        return false;
    SOCKET old = m_sServer;
    SetSocket(m_sServer, INVALID_SOCKET);
    closesocket(old);
    return OpenServerOrFail(m_strResendHost, m_nResendPort, m_bResendThroughHub) && SendBuffer(m_sServer, header);
}

bool CProxyConnection::SendBuffer(SOCKET s, const char* data, int length) {
    if (s == INVALID_SOCKET) return false;
    CByteBuffer* queue = s == m_sBrowser ? &m_BrowserQueue : s == m_sServer ? &m_ServerQueue : nullptr;
    if (!queue || queue->IsEmpty()) return SendGathered(s, nullptr, 0, data, length);
    bool ok = SendGathered(s, queue->Data(), queue->Size(), data, length);
    queue->Clear();
    return ok;
}

bool CProxyConnection::SendQueuedBytes() {
    if (!m_BrowserQueue.IsEmpty()) SendBuffer(m_sBrowser, nullptr, 0);
    if (!m_ServerQueue.IsEmpty()) SendBuffer(m_sServer, nullptr, 0);
    return !m_bFailed;
}

bool CProxyConnection::SendGathered(SOCKET s, const char* first, int firstLength, const char* data, int length) {
    int retries = 0;
    while (firstLength + length > 0) {
        const int piece = std::max(1, m_nSendSize);
        WSABUF parts[2];
        DWORD count = 0;
        const int fromFirst = std::min(firstLength, piece);
        if (fromFirst > 0) parts[count++] = {ULONG(fromFirst), const_cast<char*>(first)};
        const int fromData = std::min(length, piece - fromFirst);
        if (fromData > 0) parts[count++] = {ULONG(fromData), const_cast<char*>(data)};
        DWORD sent = 0;
        if (WSASend(s, parts, count, &sent, 0, nullptr, nullptr) == 0 && sent > 0) {
            const int ofFirst = std::min(int(sent), firstLength);
            first += ofFirst;
            firstLength -= ofFirst;
            data += int(sent) - ofFirst;
            length -= int(sent) - ofFirst;
            retries = 0;
            continue;
        }
        if (WSAGetLastError() == WSAENOBUFS && retries++ < 20) {
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
    // A request queued for this server still goes to it, as if sent at once.
    if (!m_ServerQueue.IsEmpty()) SendBuffer(m_sServer, nullptr, 0);
    m_ServerQueue.Clear();
    m_strResend.Empty();
    CancelRead(m_ServerRead);
    SOCKET s = m_sServer;
    SetSocket(m_sServer, INVALID_SOCKET);
    closesocket(s);
    m_Response.Clear();
    m_PendingReplies.clear();
}

void CProxyConnection::CloseSockets() {
    CloseServerSocket();
    CloseBrowserSocket();
}

// A socket closed with received bytes unread is reset, and the reset drops
// what is still on its way out: the tail of the reply just sent. The browser
// may well have sent more (a pipelined request, the rest of an upload the
// server answered early, bytes after its own close request), so the sending
// side is shut first, letting the browser read the reply to its end, and what
// it still sends is read off until it closes too. A browser that neither
// reads nor closes holds the thread no longer than the linger bounds, and not
// at all once the engine stops.
void CProxyConnection::CloseBrowserSocket() {
    if (m_sBrowser == INVALID_SOCKET) return;
    if (!m_BrowserQueue.IsEmpty() && !m_bFailed) SendBuffer(m_sBrowser, nullptr, 0);
    m_BrowserQueue.Clear();
    if (m_bLingerAtClose && m_BrowserRead.overlapped.hEvent && IsEngineListening() &&
        shutdown(m_sBrowser, SD_SEND) == 0)
        DiscardBrowserBytes();
    CancelRead(m_BrowserRead);
    SOCKET s = m_sBrowser;
    SetSocket(m_sBrowser, INVALID_SOCKET);
    closesocket(s);
}

void CProxyConnection::DiscardBrowserBytes() {
    const DWORD began = GetTickCount();
    long long discarded = 0;
    while (discarded <= g_Engine.CloseLingerBytes) {
        PostRead(m_BrowserRead, m_sBrowser);
        if (!ReadDone(m_BrowserRead)) {
            const DWORD spent = GetTickCount() - began;
            if (spent >= g_Engine.CloseLingerMs) return;
            HANDLE waits[2] = {m_BrowserRead.overlapped.hEvent, ConnectionWakeEvent()};
            if (WaitForMultipleObjects(2, waits, FALSE, g_Engine.CloseLingerMs - spent) != WAIT_OBJECT_0) return;
            // As in the relay: a signal left from an earlier read.
            if (!ReadDone(m_BrowserRead)) ResetEvent(m_BrowserRead.overlapped.hEvent);
            continue;
        }
        const int n = TakeResult(m_BrowserRead);
        if (n <= 0) return;
        discarded += n;
    }
}

// Browser side --------------------------------------------------------------

int CProxyConnection::OnBrowserData() {
    while (!m_Request.IsEmpty() && !m_bFailed) {
        // Nothing more can go to a server that stopped taking the body, and
        // the connection ends with its answer.
        if (m_bBodyRefused) {
            m_Request.Clear();
            return 1;
        }
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
        if (!SendRequestBody(m_Request.Data(), n)) return 0;
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
        if (!SendRequestBody(m_Request.Data(), used)) return 0;
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
        if (!SendRequestBody(m_Request.Data(), m_Request.Size())) return 0;
        m_Request.Clear();
        return 1;
    }
}

// A server may answer before it has the whole body (a refusal, a login
// demand) and then stop reading it or reset its connection. Its answer is
// still read and goes to the browser; the rest of the body is dropped, and
// the browser connection ends with that answer, as the server connection is
// of no further use.
bool CProxyConnection::SendRequestBody(const char* data, int length) {
    if (SendBuffer(m_sServer, data, length)) return true;
    if (m_PendingReplies.empty() && m_nServerState != STATE_BODY) return false;
    m_bFailed = false;
    m_bBodyRefused = true;
    m_ServerQueue.Clear();
    m_strResend.Empty();
    if (m_nServerState == STATE_BODY) m_bCloseAfterReply = true;
    return true;
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
    m_bCloseAfterReply = false;
}

static bool StartsWithHttp(const char* p, int n) {
    static const char http[] = "http/";
    for (int i = 0; i < 5; ++i)
        if (i >= n || tolower((unsigned char)p[i]) != http[i]) return false;
    return true;
}

int CProxyConnection::ParseResponseHeader(CHeaderInfo& info) {
    const char* data = m_Response.Data();
    int size = m_Response.Size();
    int first = 0;
    while (first < size && (unsigned char)data[first] < 33) ++first;
    if (size - first < 5) return 0;
    if (!StartsWithHttp(data + first, size - first)) return -1;
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
    // It leaves with the first body bytes, or before the relay waits again.
    QueueForBrowser(header.c_str(), header.GetLength());
}

int CProxyConnection::OnServerData() {
    if (m_bTunnel) {
        bool ok = SendToBrowser(m_Response.Data(), m_Response.Size());
        m_Response.Clear();
        return ok ? 1 : 0;
    }
    while (!m_bFailed) {
        if (m_nServerState == STATE_HEADER) {
            CHeaderInfo info;
            int parsed = ParseResponseHeader(info);
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
            } else if (!StartResponseBody(info)) {
                return 0;
            }
            continue;
        }
        if (m_Response.IsEmpty()) return 1;
        if (!PassBody()) return 0;
    }
    return 0;
}

int CProxyConnection::StartResponseBody(const CHeaderInfo& info) {
    m_nServerState = STATE_BODY;
    if (m_nStatus >= 100 && m_nStatus < 200) {
        // An interim reply; the final one may follow in the same segment.
        SendResponseHeader();
        ResetResponse();
        return m_bFailed ? 0 : 1;
    }
    CPendingReply request;
    if (!m_PendingReplies.empty()) {
        request = m_PendingReplies.front();
        m_PendingReplies.pop_front();
    }
    if (m_nRequestBody == REQUEST_UNTIL_REPLY) {
        m_nRequestBody = REQUEST_NONE;
        m_nBrowserState = STATE_HEADER;
    }
    const bool bodyless = request.head || m_nStatus == 204 || m_nStatus == 304;
    if (bodyless) m_nBodyMode = BODY_NONE;
    else if (m_bChunked) m_nBodyMode = BODY_CHUNKED;
    else if (m_nContentLength >= 0) m_nBodyMode = BODY_LENGTH;
    else m_nBodyMode = BODY_CLOSE;
    DecideConnectionEnd(request.closes, info);
    if (bodyless) {
        const bool end = m_bCloseAfterReply;
        SendResponseHeader();
        ResetResponse();
        return m_bFailed || end ? 0 : 1;
    }
    if (m_nStatus >= 300) m_wContentFlags = CONTENT_OTHER;
    m_bHeld = (m_wContentFlags & CONTENT_TEXT) && !Settings().Disabled;
    if (!m_bHeld) SendResponseHeader();
    if (m_nBodyMode == BODY_LENGTH && m_nContentLength == 0) return FinishResponse();
    return m_bFailed ? 0 : 1;
}

// Whether the browser connection ends with this reply, decided once its
// header is known: when the request asked to close (HTTP/1.0 without
// keep-alive, or a close token), when the reply's own header says its
// connection ends (the browser reads it as it comes), and when only the
// server's close ends the body. The header then says so too.
void CProxyConnection::DecideConnectionEnd(bool requestCloses, const CHeaderInfo& info) {
    const bool replyKeepsOpen =
        !m_ResponseLines.IsEmpty() && KeepsConnectionOpen(StatusLineVersion(m_ResponseLines[0]), info);
    m_bCloseAfterReply = requestCloses || !replyKeepsOpen || m_nBodyMode == BODY_CLOSE || m_bBodyRefused;
    if (m_bCloseAfterReply && replyKeepsOpen) SetConnectionClose(m_ResponseLines);
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
        QueueForBrowser(size, n);
        bool ok = SendToBrowser(data, length);
        QueueForBrowser("\r\n", 2);
        return ok;
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
    if (m_bRechunk) QueueForBrowser("0\r\n\r\n", 5);
    const bool end = m_bCloseAfterReply;
    FlushResponse();
    return m_bFailed || end ? 0 : 1;
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
