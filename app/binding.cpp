#include "app/binding.h"

#include "app/control_ids.h"
#include "app/globals.h"
#include "app/main_window.h"
#include "capture/capture_image.h"
#include "clipboard/clipboard_access.h"
#include "clipboard/clipboard_object.h"
#include "hotkeys/hotkeys.h"
#include "hotkeys/key_choices.h"
#include "settings/settings_file.h"

namespace app {
namespace {

void SendPasteKeys() {
  // Ctrl down, V down, Ctrl up, V up: Ctrl goes up before V, with no pause between them.
  keybd_event(VK_CONTROL, 0, 0, 0);
  keybd_event('V', 0, 0, 0);
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  keybd_event('V', 0, KEYEVENTF_KEYUP, 0);
}

const wchar_t* OutcomeText(hotkeys::ActionOutcome outcome) {
  switch (outcome) {
    case hotkeys::ActionOutcome::Captured:
      return L"截图状态：已截图";
    case hotkeys::ActionOutcome::Pasted:
      return L"截图状态：已粘贴";
    case hotkeys::ActionOutcome::CaptureFailed:
      break;
  }
  return L"截图状态：截图失败";
}

const hotkeys::CaptureOrPasteOps& ActionOps() {
  static const hotkeys::CaptureOrPasteOps ops = [] {
    hotkeys::CaptureOrPasteOps o;
    o.captureScreen = [] { return capture::CaptureImage(); };
    // A clipboard another program holds open for a moment is waited for briefly.
    o.putImageOnClipboard = [](const std::vector<uint8_t>& bytes) {
      return clipboard::SetImageBytesPatiently(bytes, clipboard::kBusyClipboardPatienceMs);
    };
    o.sendPasteKeys = SendPasteKeys;
    o.showOutcome = [](hotkeys::ActionOutcome outcome) { SetStatusText(StatusLabel::CaptureStatus, OutcomeText(outcome)); };
    return o;
  }();
  return ops;
}

}  // namespace

void CaptureKeyCallback(std::int32_t) { hotkeys::CaptureOrPaste(CaptureState, ActionOps()); }

void RestoreKeyChoice() {
  const auto saved = settings::ReadSettingsFile();
  if (!saved) return;
  SetCaptureKeySelection(saved->capture);
  SetUndoKeySelection(saved->undo);
}

void SetHotkeyPressed() {
  const int undo = UndoKeySelection();
  const int captureIndex = CaptureKeySelection();
  if (undo == captureIndex) {
    toolkit::ShowMessage(nullptr, L"截图键和撤销键请勿设置相同按键", L"信息：", MB_OK | MB_TASKMODAL);
    return;
  }
  // A choice that could not be saved (drive D: missing or read-only) still works for this
  // run, but the user must not be told it was kept: the next start would not restore it.
  const bool saved = settings::WriteSettingsFile(captureIndex, undo);
  SetStatusText(StatusLabel::Status, saved ? L"状态：成功设置热键" : L"状态：已设热键，保存失败");
  const auto key = hotkeys::VirtualKeyOfIndex(captureIndex);
  if (!key) return;
  hotkeys::AddHotkey(CaptureKeyCallback, *key);
}

void CancelHotkeyPressed() {
  hotkeys::ClearHotkey(0);
  SetStatusText(StatusLabel::Status, L"状态：已取消热键");
}

void WireBinding(toolkit::Window& w) {
  using namespace main_ids;
  w.OnClick(超级按钮4, [] { SetHotkeyPressed(); });
  w.OnClick(超级按钮5, [] { CancelHotkeyPressed(); });
  w.OnLeftButtonDown(列表框1, [](unsigned, unsigned) { SetStatusText(StatusLabel::Status, L"状态：正在选择截图键"); });
  w.OnLeftButtonDown(列表框2, [](unsigned, unsigned) { SetStatusText(StatusLabel::Status, L"状态：正在选择撤销键"); });
}

}  // namespace app
