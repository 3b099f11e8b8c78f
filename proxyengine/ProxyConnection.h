// ProxyConnection.h - CProxyConnection, one browser connection: its browser
// and server sockets, request and response buffers, header lines, target,
// the state of each side and the filter flags. Run() relays until one side
// closes, with one overlapped read posted per side and a wait on the one side
// that may speak next (on both only where both may); bytes for one side are
// gathered so that a header leaves with the first body bytes in one send. A
// lone bodyless request lost to a kept server connection that closed is sent
// once more on a new one. A browser connection the engine ends first is
// shut for sending and read off before it closes, so that no reset cuts the
// reply short. Request
// handling is in ProxyRequest.cpp, the per-site hooks in
// RequestFilters.cpp, body filtering and injection in ResponseFilters.cpp.
// Fields are public: the site and event records and the tests read them.
// Deliberately not: pipelining to different hosts at once, HTTP/2, TLS.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "Arrays.h"
#include "ByteBuffer.h"
#include "ChunkReader.h"
#include "EngineSettings.h"
#include "HeaderText.h"
#include "Strings.h"

enum { STATE_HEADER = 1, STATE_BODY = 2 };

// Canned replies.
extern const char* const kReplyBadRequest;
extern const char* const kReplyConnectFailed;
extern const char* const kReplyTunnelEstablished;

class CProxyConnection {
public:
    CProxyConnection();
    virtual ~CProxyConnection();
    CProxyConnection(const CProxyConnection&) = delete;
    CProxyConnection& operator=(const CProxyConnection&) = delete;

    void AttachBrowser(SOCKET s);
    void Run();
    // The settings snapshot: taken at the first call and anew at each
    // request header; the connection reads only it.
    const CConnectionSettings& Settings() {
        if (!m_pSettings) m_pSettings = CurrentConnectionSettings();
        return *m_pSettings;
    }
    void RelayLoop();
    int OnBrowserData();
    int OnServerData();

    // Response side.
    void ResetResponse();
    void FlushResponse();
    void SendResponseHeader();
    // 1 parsed (info: what the header says), 0 incomplete, -1 the reply has no header.
    int ParseResponseHeader(CHeaderInfo& info);
    void CloseSockets();
    void CloseServerSocket();
    // Sends the bytes queued for s, then these, in pieces of at most the send
    // size (the queued bytes and the first of these share a piece); false on
    // a hard error.
    bool SendBuffer(SOCKET s, const char* data, int length);
    bool SendBuffer(SOCKET s, const CString& text) { return SendBuffer(s, text.c_str(), text.GetLength()); }
    // Keeps bytes back until the next send to the same side or the next wait
    // for input, so that they share one send call with what follows them.
    void QueueForBrowser(const char* data, int length) { m_BrowserQueue.Append(data, length); }
    void QueueForServer(const char* data, int length) { m_ServerQueue.Append(data, length); }
    // Sends what is queued for either side; false once a send failed.
    bool SendQueuedBytes();
    void AppendRequestData(const char* data, int length) { m_Request.Append(data, length); }
    void AppendResponseData(const char* data, int length) { m_Response.Append(data, length); }

    // Request side (ProxyRequest.cpp).
    void ClearRequest();
    int ProcessRequestHeader();
    int ConnectToServer();
    SOCKET OpenServerSocket(const CString& host, int port);
    bool OpenServerOrFail(const CString& host, int port, bool throughHub);

    // Per-site hooks (RequestFilters.cpp), called only when the variant has
    // site records (the first four) or request filters (the last three):
    // LookupSiteAndHub  after the header is split; fills the site options;
    //                   0 closes the connection without a reply (no hub).
    // GetHubTarget      with m_bUseHub set: the hub to connect to; false: direct.
    // OnRequestAccepted once the request goes on (the connected event).
    // OnUpstreamFailed  the hub could not be reached (the 404 text follows).
    // BlockRequest      with Disabled 0; 1 when it answered and closed.
    // FilterRequestHeaders before the header goes to the server (no tunnel,
    //                   Disabled 0); may remove lines of m_RequestLines.
    int LookupSiteAndHub();
    bool GetHubTarget(CString& host, int& port);
    void OnRequestAccepted();
    void OnUpstreamFailed(const CString& hubHost, int hubPort);
    int BlockRequest();
    void FilterRequestHeaders();
    int FilterReferer();

    // Body filters (ResponseFilters.cpp).
    void FilterResponseBody();
    void ScanTags(const char* text, int length);
    int ReadTag(const char* text, int length, int position, CString& tag);
    int FindScriptEnd(const char* text, int length, int position);
    int IsInsideScript(const char* text, int position);
    void HideDocumentReferrer(std::string& body);
    int InjectPopupScript(std::string& body, const std::string& lowerText);
    // Where the script goes in the page; may name the page's character set in
    // the Content-Type line.
    size_t ScriptPlace(const std::string& lowerText);
    void FixContentLength(CStringArray& lines, const std::string& body);

    // Buffers and lines.
    CByteBuffer m_Response;        // server bytes not yet handled
    CByteBuffer m_Request;         // browser bytes not yet handled
    CByteBuffer m_BrowserQueue;      // queued for the next send to the browser
    CByteBuffer m_ServerQueue;       // queued for the next send to the server
    CStringArray m_RequestLines;
    CStringArray m_ResponseLines;  // response header not yet sent
    std::string m_Body;            // held (de-chunked) body of a filterable response

    // The current request.
    CString m_strRequestLine;
    int m_bTunnel = 0;
    CString m_strMethod, m_strURL, m_strVersion;
    CString m_strHostAndPort;
    CString m_strPath;
    int m_nPort = 80;
    CString m_strHost;

    int m_nServerState = STATE_HEADER;
    int m_nBrowserState = STATE_HEADER;
    WORD m_wContentFlags = 0;
    SOCKET m_sServer = INVALID_SOCKET;
    SOCKET m_sBrowser = INVALID_SOCKET;
    int m_nSerial = 0;

    CStringArray m_Tags;
    CArray<DWORD> m_TagPositions;
    int m_bRefererRemoved = 0;

    // The current response.
    int m_nStatus = 0;
    long long m_nContentLength = -1;
    long long m_nBytesPassed = 0;
    int m_bChunked = 0;
    int m_nSendSize = 0;
    int m_nRecvSize = 0;
    CString m_strContentType;
    CString m_strPrevHost;
    int m_nPrevPort = 0;
    bool m_bPrevUpstream = false;
    CString m_strPrevGateway;
    int m_nPrevGatewayPort = 0;
    int m_bFirstBlock = 1;

    // Site options (set by the site records) and the cookie mode.
    int m_bUseHub = 0;
    int m_bBlockSite = 0;
    int m_bBlockCookies = 0;
    int m_bBlockReferer = 0;
    int m_bBlockUserAgent = 0;
    int m_bBlockPopups = 0;
    int m_bBlockImages = 0;
    int m_nCookieMode = 1;

    // How the current response body ends and where its bytes go.
    enum BodyMode { BODY_NONE, BODY_LENGTH, BODY_CHUNKED, BODY_CLOSE };
    BodyMode m_nBodyMode = BODY_NONE;
    bool m_bHeld = false;     // body kept whole for the filters
    bool m_bRechunk = false;  // de-chunked data goes out as chunks again
    CChunkReader m_ResponseChunks;
    // The request body: how much of it is still to come.
    enum RequestBody { REQUEST_NONE, REQUEST_LENGTH, REQUEST_CHUNKED, REQUEST_UNTIL_REPLY };
    RequestBody m_nRequestBody = REQUEST_NONE;
    long long m_nRequestBodyLeft = 0;
    CChunkReader m_RequestChunks;
    // One entry per request awaiting its reply.
    struct CPendingReply {
        bool head = false;    // a HEAD request: its reply has no body
        bool closes = false;  // the browser asked to close after this reply
    };
    std::deque<CPendingReply> m_PendingReplies;
    bool m_bRequestCloses = false;  // the current request asked to close after its reply
    bool m_bCloseAfterReply = false;  // the browser connection ends with the current reply
    bool m_bUpstream = false;        // through the hub or the gateway
    bool m_bFailed = false;          // a send failed: the connection ends
    bool m_bBodyRefused = false;     // the server took no more of the request body
    bool m_bLingerAtClose = true;    // the browser connection is read off before it closes
    ConnectionSettingsPtr m_pSettings;

private:
    // One overlapped read on one side's socket, posted until its bytes are taken.
    struct CSideRead {
        SOCKET socket = INVALID_SOCKET;  // the socket it was posted on
        WSAOVERLAPPED overlapped = {};   // hEvent is made by Run and kept
        std::vector<char> buffer;
        bool posted = false;  // outstanding, or completed and not yet taken
        bool done = false;    // completed at once, with got
        int got = 0;
    };
    static const ULONG_PTR kStatusPending = 0x103;
    CSideRead m_BrowserRead, m_ServerRead;
    bool m_bServerTakenLast = false;  // which side's bytes the relay took last

    int StartResponseBody(const CHeaderInfo& info);
    void DecideConnectionEnd(bool requestCloses, const CHeaderInfo& info);
    int PassBody();
    bool DeliverBody(const char* data, int length);
    void StreamHeldBody();
    int FinishResponse();
    bool SendToBrowser(const char* data, int length);
    bool SendGathered(SOCKET s, const char* first, int firstLength, const char* data, int length);
    bool SendRequestBody(const char* data, int length);
    void CloseBrowserSocket();
    void DiscardBrowserBytes();
    SOCKET SoleSpeaker() const;
    void PostRead(CSideRead& read, SOCKET s);
    static bool ReadDone(const CSideRead& read);
    static int TakeResult(CSideRead& read);
    static void CancelRead(CSideRead& read);
    bool TakeRead(SOCKET from, CSideRead& read);
    bool ServerSpokeWhileIdle();
    bool ResendToFreshServer();
    // The request sent on a kept server connection, until its reply begins.
    CString m_strResend;
    CString m_strResendHost;
    int m_nResendPort = 0;
    bool m_bResendThroughHub = false;
    int PassRequestBody();
    void SetSocket(SOCKET& field, SOCKET value);
};
