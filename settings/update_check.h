// The start-up update check: the page decides whether this is the current version, and the
// update window runs the check with its bar and message. Pure code: the window and the page
// read come in through UpdateWindowUi and a fetch function, so it builds natively too.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace settings {

inline constexpr std::string_view kExpectedVersion = "1.1";
inline constexpr std::string_view kVersionStartMarker = "jtbb[";
inline constexpr std::string_view kVersionEndMarker = "]";
inline constexpr unsigned kUpdateKeyColour = 0xECECEC;  // RGB 236, 236, 236 as a COLORREF
inline constexpr int kProgressSteps = 100;
inline constexpr int kProgressStepMs = 20;
inline constexpr int kMessageMs = 5000;

inline constexpr const wchar_t* kRequestFailedMessage = L"无法连接更新服务器，请检查网络后重试！";

enum class UpdateOutcome {
  Current,        // the page names the expected version
  Outdated,       // a page arrived, without the expected version in its first marker
  RequestFailed,  // no page: no connection, a time-out, no answer, a broken or oversized answer
};

// What the page read brought: `completed` only when a whole HTTP answer arrived.
struct FetchedPage {
  bool completed = false;
  std::string body;
};

// The body as text: the bytes up to the first NUL, or all of them.
std::string PageTextFromBody(std::string_view body);

// The text between the first "jtbb[" and the next "]", or the empty text.
std::string PageVersion(std::string_view pageText);

UpdateOutcome JudgeUpdatePage(const FetchedPage& page);

// The message the update window shows for an outcome; empty for Current.
std::wstring UpdateMessage(UpdateOutcome outcome, std::wstring_view qqNumber);

// The update window as the check drives it. The real one is the program's update window;
// ExitProgram there ends the process and never returns.
class UpdateWindowUi {
 public:
  virtual ~UpdateWindowUi() = default;
  virtual void ShowWindow() = 0;
  virtual void ApplyColourKey(unsigned colour) = 0;
  virtual void SetProgress(int position) = 0;
  virtual void HideProgress() = 0;
  virtual void SetMessage(const std::wstring& text) = 0;
  virtual void ProcessPendingEvents() = 0;
  virtual void WaitProcessingEvents(int ms) = 0;
  virtual void CloseWindow() = 0;
  virtual void ExitProgram(int code) = 0;
};

// The update window's creation handler: shows and keys the window, fetches the page (stored
// in `pageText` as soon as it is in), fills the bar in 100 steps of 20 ms, then either closes
// the window (Current) or hides the bar, shows the outcome's message for 5 s and exits with
// code 0. Returns the outcome (only reached after ExitProgram when that returns, as in tests).
UpdateOutcome RunUpdateCheck(UpdateWindowUi& ui, const std::function<FetchedPage()>& fetchPage,
                             std::wstring_view qqNumber, std::string& pageText);

}  // namespace settings
