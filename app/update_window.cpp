#include "app/update_window.h"

#include "app/config.h"
#include "app/control_ids.h"
#include "app/globals.h"
#include "settings/update_window_win.h"

namespace app {
namespace {

using toolkit::ControlLayout;
using toolkit::Kind;

const ControlLayout kControls[] = {
    {.id = update_ids::进度条1, .name = L"进度条1", .kind = Kind::ProgressBar, .parent = 0,
     .x = 25, .y = 30, .width = 176, .height = 5, .rangeMax = 100},
    // Wider than the window: clipped at its right edge.
    {.id = update_ids::透明标签1, .name = L"透明标签1", .kind = Kind::TransparentLabel, .parent = 0,
     .x = 80, .y = 0, .width = 376, .height = 32, .text = L"正在检查更新！"},
};

// The key grey is the colour the update check makes fully transparent.
const toolkit::WindowLayout kUpdateLayout{
    .caption = L"",
    .width = 303,
    .height = 45,
    .background = RGB(236, 236, 236),
    .iconId = 0,
    .escCloses = false,
    .taskbarButton = true,
    .controls = kControls,
};

}  // namespace

const toolkit::WindowLayout& UpdateWindowLayout() { return kUpdateLayout; }

void LoadUpdateWindow(HWND owner, const std::function<void(toolkit::Window&)>& onCreated) {
  toolkit::Window window(kUpdateLayout);
  toolkit::LoadModal(window, owner, onCreated);
}

void UpdateWindowCreated(toolkit::Window& updateWindow) {
  settings::UpdateWindowParts parts;
  parts.window = updateWindow.hwnd();
  parts.progressBar = updateWindow.Control(update_ids::进度条1);
  parts.label = updateWindow.Control(update_ids::透明标签1);
  parts.setLabelText = [&updateWindow](const std::wstring& text) { updateWindow.SetText(update_ids::透明标签1, text); };
  parts.exitProgram = [](int code) { toolkit::ExitProgram(code); };
  // Destroying the dialog's window is what ends its modal loop.
  parts.closeWindow = [&updateWindow] { DestroyWindow(updateWindow.hwnd()); };
  settings::RunUpdateWindowCheck(parts, PageText, config::kUpdateUrl, config::kQqNumber);
}

}  // namespace app
