#include "settings/update_check.h"

#include "text/text_utils.h"

namespace settings {

std::string PageTextFromBody(std::string_view body) { return std::string(text::UpToNul(body)); }

std::string PageVersion(std::string_view pageText) {
  int position = 0;
  return text::TextBetween(pageText, kVersionStartMarker, kVersionEndMarker, position);
}

UpdateOutcome JudgeUpdatePage(const FetchedPage& page) {
  // A request that did not complete is never taken for a page, even when the part that
  // arrived happens to hold the marker.
  if (!page.completed) return UpdateOutcome::RequestFailed;
  return PageVersion(PageTextFromBody(page.body)) == kExpectedVersion ? UpdateOutcome::Current
                                                                      : UpdateOutcome::Outdated;
}

std::wstring UpdateMessage(UpdateOutcome outcome, std::wstring_view qqNumber) {
  switch (outcome) {
    case UpdateOutcome::Current:
      return {};
    case UpdateOutcome::Outdated:
      return L"当前不是最新版，请联系QQ" + std::wstring(qqNumber) + L"更新！";
    case UpdateOutcome::RequestFailed:
      return kRequestFailedMessage;
  }
  return {};
}

UpdateOutcome RunUpdateCheck(UpdateWindowUi& ui, const std::function<FetchedPage()>& fetchPage,
                             std::wstring_view qqNumber, std::string& pageText) {
  ui.ShowWindow();
  ui.ApplyColourKey(kUpdateKeyColour);
  const FetchedPage page = fetchPage ? fetchPage() : FetchedPage{};
  pageText = PageTextFromBody(page.body);
  // The bar fills the same way whatever the request took or brought.
  for (int i = 1; i <= kProgressSteps; ++i) {
    ui.SetProgress(i);
    ui.WaitProcessingEvents(kProgressStepMs);
    ui.ProcessPendingEvents();
  }
  const UpdateOutcome outcome = JudgeUpdatePage(page);
  if (outcome == UpdateOutcome::Current) {
    ui.CloseWindow();
    return outcome;
  }
  ui.HideProgress();
  ui.SetMessage(UpdateMessage(outcome, qqNumber));
  ui.WaitProcessingEvents(kMessageMs);
  ui.ExitProgram(0);
  return outcome;
}

}  // namespace settings
