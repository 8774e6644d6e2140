// Reads one web page over plain HTTP with the system's client (WinHTTP), bounded in time and
// size, while the calling (user-interface) thread keeps handling its messages.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/win.h"

namespace platform {

// How long a page read may take and how much it may bring. The defaults are the program's;
// tests shorten them.
struct PageReadLimits {
  DWORD connectTimeoutMs = 10000;
  DWORD sendTimeoutMs = 10000;
  DWORD receiveTimeoutMs = 10000;
  // The bound that holds whatever the client does: the caller stops waiting after this long
  // and the request counts as failed.
  DWORD overallDeadlineMs = 20000;
  std::size_t maxBodyBytes = 4u * 1024u * 1024u;
};

struct PageReadResult {
  // True only when an HTTP answer came and its whole body was read, whatever its status.
  // False for no connection, a time-out, an answer that is not HTTP, a broken connection,
  // a body beyond the size limit or the overall deadline.
  bool completed = false;
  DWORD statusCode = 0;  // 0 when no status line arrived
  std::string body;      // the body, or on failure the part read so far
};

// The user agent and the one Accept header the update host sees.
inline constexpr const wchar_t* kPageUserAgent = L"Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// GET of `url` ("http://host[:port]/path"), HTTP/1.0, direct connection (no proxy, whatever
// the system setting), no cache read or write, no cookies, no redirect followed, so the host
// sees exactly one request. The request runs on a worker thread; meanwhile the calling thread
// waits, and calls `processPendingEvents` (when given) whenever messages arrive for it.
// A worker still blocked in the client when the deadline passes is left to finish on its own:
// it owns everything it touches, so it neither holds up the caller nor harms the process's end.
PageReadResult ReadPage(std::wstring_view url, const PageReadLimits& limits = {},
                        const std::function<void()>& processPendingEvents = {});

}  // namespace platform
