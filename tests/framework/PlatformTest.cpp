// The harness itself: these prove the tests really run on Wine's Windows
// (sockets, the version the prefix reports) rather than on stand-ins.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

namespace {
struct AcceptResult {
    SOCKET listener;
    char received[16];
    int length;
};

DWORD WINAPI AcceptOne(void* p) {
    auto* r = static_cast<AcceptResult*>(p);
    SOCKET s = accept(r->listener, nullptr, nullptr);
    if (s == INVALID_SOCKET) return 1;
    r->length = recv(s, r->received, sizeof(r->received), 0);
    send(s, "pong", 4, 0);
    closesocket(s);
    return 0;
}
}  // namespace

TEST(Platform, LoopbackConnectionIsAcceptedOnAThread) {
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(listener, INVALID_SOCKET);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    ASSERT_EQ(listen(listener, 5), 0);
    int len = sizeof(addr);
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    ASSERT_NE(addr.sin_port, 0);

    AcceptResult result{listener, {}, 0};
    HANDLE thread = CreateThread(nullptr, 0, AcceptOne, &result, 0, nullptr);
    ASSERT_NE(thread, nullptr);

    SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
    ASSERT_EQ(send(client, "ping", 4, 0), 4);
    char reply[8] = {};
    EXPECT_EQ(recv(client, reply, sizeof(reply), 0), 4);
    EXPECT_STREQ(reply, "pong");
    closesocket(client);

    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(thread);
    EXPECT_EQ(std::string(result.received, size_t(result.length)), "ping");
    closesocket(listener);
    WSACleanup();
}

TEST(Platform, PrefixReportsWindowsXp) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
}
