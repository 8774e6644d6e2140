// The page read through the real WinINet client against a real HTTP server on 127.0.0.1
// (tests/support/page_server.py, started beside this program by with_page_server.sh).
#include "platform/http.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include <shellapi.h>
#include <winhttp.h>

#include "platform/unique.h"
#include "tests/update/page_server_client.h"

using platform::PageReadLimits;
using platform::ReadPage;
using testsupport::PageServer;
using testsupport::SeenRequest;

namespace {

// Short bounds for the misbehaving hosts, so the suite stays quick; the product's are longer.
PageReadLimits TestLimits() {
  PageReadLimits limits;
  limits.connectTimeoutMs = 2000;
  limits.sendTimeoutMs = 2000;
  limits.receiveTimeoutMs = 2000;
  limits.overallDeadlineMs = 4000;
  limits.maxBodyBytes = 1024 * 1024;
  return limits;
}

int CountHeader(const SeenRequest& r, const std::string& name) {
  return static_cast<int>(std::count_if(r.headers.begin(), r.headers.end(), [&](const std::string& h) {
    return h.size() > name.size() && h[name.size()] == ':' && _strnicmp(h.c_str(), name.c_str(), name.size()) == 0;
  }));
}

std::string HeaderValue(const SeenRequest& r, const std::string& name) {
  for (const std::string& h : r.headers)
    if (h.size() > name.size() && h[name.size()] == ':' && _strnicmp(h.c_str(), name.c_str(), name.size()) == 0)
      return h.substr(h.find_first_not_of(' ', name.size() + 1));
  return {};
}

// Points the system's proxy settings (the user's Internet settings and WinHTTP's own default)
// at a port of the server, so a client that honoured them would show up there with an
// absolute request line; undone when the test ends.
class SystemProxy {
 public:
  explicit SystemProxy(int port) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr);
    DWORD enable = 1;
    RegSetValueExW(key_, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable), sizeof enable);
    const std::wstring server = L"127.0.0.1:" + std::to_wstring(port);
    RegSetValueExW(key_, L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                   static_cast<DWORD>((server.size() + 1) * sizeof(wchar_t)));
    savedWinHttp_ = WinHttpGetDefaultProxyConfiguration(&saved_) != FALSE;
    std::wstring name = server;
    WINHTTP_PROXY_INFO proxy{WINHTTP_ACCESS_TYPE_NAMED_PROXY, name.data(), nullptr};
    WinHttpSetDefaultProxyConfiguration(&proxy);
  }
  ~SystemProxy() {
    if (savedWinHttp_) {
      WinHttpSetDefaultProxyConfiguration(&saved_);
      if (saved_.lpszProxy) GlobalFree(saved_.lpszProxy);
      if (saved_.lpszProxyBypass) GlobalFree(saved_.lpszProxyBypass);
    }
    RegDeleteValueW(key_, L"ProxyEnable");
    RegDeleteValueW(key_, L"ProxyServer");
    RegCloseKey(key_);
  }

 private:
  static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  HKEY key_ = nullptr;
  WINHTTP_PROXY_INFO saved_{};
  bool savedWinHttp_ = false;
};

class PageRead : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server.Attach()) << "run through tests/support/with_page_server.sh"; }
  PageServer server;
};

TEST_F(PageRead, SendsOneDirectUncachedHttp10GetWithTheAgentAndOneAcceptHeader) {
  SystemProxy proxy(server.Port("reset"));
  for (const std::string page : {"<html>jtbb[1.1]</html>", "<html>jtbb[1.2]</html>"}) {
    server.ForgetRequests();
    server.SetBody(page);
    const auto got = ReadPage(server.Url("body"), TestLimits());
    EXPECT_TRUE(got.completed);
    EXPECT_EQ(got.statusCode, 200u);
    // The second read sees the changed page: nothing came from a cache.
    EXPECT_EQ(got.body, page);

    const auto seen = server.Requests();
    ASSERT_EQ(seen.size(), 1u) << "exactly one request per read";
    EXPECT_EQ(seen[0].mode, "body") << "the request went through the system proxy";
    EXPECT_EQ(seen[0].requestLine, "GET /gxbb.htm HTTP/1.0");
    EXPECT_EQ(CountHeader(seen[0], "User-Agent"), 1);
    EXPECT_EQ(HeaderValue(seen[0], "User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(CountHeader(seen[0], "Accept"), 1);
    EXPECT_EQ(HeaderValue(seen[0], "Accept"), "*/*");
    EXPECT_EQ(CountHeader(seen[0], "Proxy-Connection"), 0);
    EXPECT_EQ(CountHeader(seen[0], "Cookie"), 0);
    std::string all;
    for (const auto& h : seen[0].headers) all += h + "\n";
    SCOPED_TRACE(all);
  }
}

TEST_F(PageRead, GivesTheWholeBodyWhateverTheStatus) {
  struct Case {
    const char* status;
    DWORD code;
    std::string body;
  };
  std::string big(300 * 1024, 'a');
  big += "jtbb[1.1]";
  const Case cases[] = {
      {"200 OK", 200, "jtbb[1.1]"},
      {"404 Not Found", 404, "<h1>not here</h1> jtbb[1.1]"},
      {"500 Internal Server Error", 500, "oops"},
      {"302 Found", 302, "moved"},
      {"200 OK", 200, ""},
      {"200 OK", 200, std::string("a\0jtbb[1.1]", 11)},
      {"200 OK", 200, big},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    server.ForgetRequests();
    server.SetBody(c.body, c.status);
    const auto got = ReadPage(server.Url("body"), TestLimits());
    EXPECT_TRUE(got.completed);
    EXPECT_EQ(got.statusCode, c.code);
    EXPECT_EQ(got.body, c.body);
    EXPECT_EQ(server.Requests().size(), 1u) << "no redirect or retry";
  }
}

TEST_F(PageRead, HostsThatFailHangDripFloodOrBabbleGiveAFailedReadWithinTheBounds) {
  // refuse: nobody listens; hang: never answers; drip: a byte a second, forever; flood: more
  // than the size limit; garbage: not HTTP; reset: the connection is torn down.
  for (const char* mode : {"refuse", "hang", "drip", "flood", "garbage", "reset"}) {
    SCOPED_TRACE(mode);
    server.ForgetRequests();
    const auto got = ReadPage(server.Url(mode), TestLimits());
    EXPECT_FALSE(got.completed) << got.statusCode << " [" << got.body << "]";
    EXPECT_LE(got.body.size(), TestLimits().maxBodyBytes);
    if (std::string(mode) != "refuse") {
      EXPECT_EQ(server.Requests().size(), 1u);
    }
  }
}

TEST_F(PageRead, TheWaitingThreadKeepsHandlingItsMessages) {
  const DWORD self = GetCurrentThreadId();
  // Make sure the thread has a message queue before the other thread posts to it.
  MSG msg;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  std::atomic<bool> stop{false};
  std::thread poster([&] {
    while (!stop) {
      PostThreadMessageW(self, WM_APP + 7, 0, 0);
      Sleep(50);
    }
  });
  int handled = 0;
  const auto got = ReadPage(server.Url("hang"), TestLimits(), [&] {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE))
      if (m.message == WM_APP + 7) ++handled;
  });
  stop = true;
  poster.join();
  EXPECT_FALSE(got.completed);
  EXPECT_GT(handled, 5);
}

// The read gave up on a host that never answers while the client is still blocked in it;
// the process must still end normally, through the C runtime's exit or ExitProcess.
TEST_F(PageRead, AProcessEndsCleanlyWhileAnAbandonedReadIsStillBlocked) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  for (const wchar_t* how : {L"exit", L"ExitProcess"}) {
    SCOPED_TRACE(std::string(how, how + wcslen(how)));
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --abandon-hung-read " + how + L" " + server.Url("hang");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    platform::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    ASSERT_EQ(WaitForSingleObject(process.get(), 30000), WAIT_OBJECT_0) << "the child did not end";
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(code, 7u);
  }
}

// The child side of the test above: runs before main when asked to on the command line.
const bool kChildRan = [] {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc != 4 || wcscmp(argv[1], L"--abandon-hung-read") != 0) return false;
  PageReadLimits limits;
  limits.receiveTimeoutMs = 60000;  // the client stays blocked long after we gave up
  limits.overallDeadlineMs = 500;
  const auto got = ReadPage(argv[3], limits);
  const bool viaExitProcess = wcscmp(argv[2], L"ExitProcess") == 0;
  if (got.completed) ExitProcess(1);
  if (viaExitProcess) ExitProcess(7);
  std::exit(7);
}();

}  // namespace
