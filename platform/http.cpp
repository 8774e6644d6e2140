#include "platform/http.h"

#include <winhttp.h>

#include <atomic>
#include <vector>

#include "platform/unique.h"

namespace platform {
namespace {

using UniqueInternet = Unique<HINTERNET, WinHttpCloseHandle>;

// Everything one request touches. The waiting caller and the worker each hold a reference;
// whoever lets go last frees it, so a worker that outlives its caller's patience still works
// on memory of its own.
struct PageJob {
  std::atomic<int> refs{2};
  std::atomic<bool> abandoned{false};
  std::wstring url;
  PageReadLimits limits;
  ULONGLONG deadline = 0;
  HANDLE done = nullptr;  // manual-reset event, set when the worker has its result
  SRWLOCK lock = SRWLOCK_INIT;
  PageReadResult result;  // body guarded by `lock` while the worker runs
};

void Release(PageJob* job) {
  if (job->refs.fetch_sub(1) == 1) {
    CloseHandle(job->done);
    delete job;
  }
}

void SetTimeouts(HINTERNET h, const PageReadLimits& limits) {
  WinHttpSetTimeouts(h, static_cast<int>(limits.connectTimeoutMs), static_cast<int>(limits.connectTimeoutMs),
                     static_cast<int>(limits.sendTimeoutMs), static_cast<int>(limits.receiveTimeoutMs));
}

bool PastDeadline(const PageJob& job) {
  return job.abandoned.load() || GetTickCount64() >= job.deadline;
}

// Runs on the worker: the request itself. Fills job->result.
void RunRequest(PageJob* job) {
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  wchar_t host[256] = {};
  wchar_t path[2048] = {};
  wchar_t extra[2048] = {};
  parts.lpszHostName = host;
  parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = static_cast<DWORD>(std::size(path));
  parts.lpszExtraInfo = extra;
  parts.dwExtraInfoLength = static_cast<DWORD>(std::size(extra));
  if (!WinHttpCrackUrl(job->url.c_str(), static_cast<DWORD>(job->url.size()), 0, &parts)) return;
  if (parts.nScheme != INTERNET_SCHEME_HTTP) return;
  std::wstring object = path[0] ? std::wstring(path) : std::wstring(L"/");
  object += extra;  // the query, if any

  const PageReadLimits& limits = job->limits;
  // Direct: the update host is asked itself, never through a configured proxy.
  UniqueInternet session(
      WinHttpOpen(kPageUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return;
  SetTimeouts(session.get(), limits);
  UniqueInternet connection(WinHttpConnect(session.get(), host, parts.nPort, 0));
  if (!connection) return;

  // WinHTTP keeps no cache; REFRESH also asks any cache on the way for a fresh copy.
  const wchar_t* accept[] = {L"*/*", nullptr};
  UniqueInternet request(WinHttpOpenRequest(connection.get(), L"GET", object.c_str(), L"HTTP/1.0",
                                            WINHTTP_NO_REFERER, accept, WINHTTP_FLAG_REFRESH));
  if (!request) return;
  SetTimeouts(request.get(), limits);
  // The waiting for the answer's head has its own time-out, which the general ones leave open.
  DWORD receive = limits.receiveTimeoutMs;
  WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &receive, sizeof receive);
  // The page's status and body are ours to judge: no redirect, login or cookie is acted on,
  // so the host sees exactly one request.
  DWORD features = WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_AUTHENTICATION |
                   WINHTTP_DISABLE_KEEP_ALIVE;
  WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);

  if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
    return;
  // Fails on an answer that is not HTTP.
  if (!WinHttpReceiveResponse(request.get(), nullptr)) return;
  if (PastDeadline(*job)) return;

  DWORD status = 0, size = sizeof status;
  if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
    return;
  job->result.statusCode = status;

  std::vector<char> chunk(16 * 1024);
  for (;;) {
    if (PastDeadline(*job)) return;
    DWORD got = 0;
    if (!WinHttpReadData(request.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got)) return;
    if (got == 0) break;
    AcquireSRWLockExclusive(&job->lock);
    const bool tooBig = job->result.body.size() + got > limits.maxBodyBytes;
    if (!tooBig) job->result.body.append(chunk.data(), got);
    ReleaseSRWLockExclusive(&job->lock);
    if (tooBig) return;
  }
  job->result.completed = true;
}

DWORD WINAPI PageWorker(void* param) {
  auto* job = static_cast<PageJob*>(param);
  RunRequest(job);
  SetEvent(job->done);
  Release(job);
  return 0;
}

PageReadResult Failed(PageReadResult r) {
  r.completed = false;
  return r;
}

}  // namespace

PageReadResult ReadPage(std::wstring_view url, const PageReadLimits& limits,
                        const std::function<void()>& processPendingEvents) {
  auto* job = new PageJob;
  job->url.assign(url);
  job->limits = limits;
  job->deadline = GetTickCount64() + limits.overallDeadlineMs;
  job->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!job->done) {
    delete job;
    return {};
  }
  UniqueHandle thread(CreateThread(nullptr, 0, PageWorker, job, 0, nullptr));
  if (!thread) {
    job->refs = 1;
    Release(job);
    return {};
  }
  thread.reset();  // the worker is never joined: it ends by itself

  bool finished = false;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= job->deadline) break;
    const DWORD left = static_cast<DWORD>(job->deadline - now);
    DWORD woke;
    if (processPendingEvents) {
      woke = MsgWaitForMultipleObjectsEx(1, &job->done, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    } else {
      woke = WaitForSingleObject(job->done, left);
    }
    if (woke == WAIT_OBJECT_0) {
      finished = true;
      break;
    }
    if (woke == WAIT_OBJECT_0 + 1) {
      processPendingEvents();
    } else if (woke == WAIT_FAILED) {
      break;
    }
  }

  PageReadResult result;
  if (finished) {
    result = std::move(job->result);
  } else {
    job->abandoned = true;
    AcquireSRWLockShared(&job->lock);
    result.body = job->result.body;
    ReleaseSRWLockShared(&job->lock);
    result = Failed(std::move(result));
  }
  Release(job);
  return result;
}

}  // namespace platform
