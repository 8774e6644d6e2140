#include "app/main_window.h"

#include "app/binding.h"

#include <shellapi.h>

#include <array>
#include <atomic>

#include "app/config.h"
#include "app/control_ids.h"
#include "app/globals.h"
#include "app/startup_tasks.h"
#include "resources/resource_ids.h"

namespace app {
namespace {

using toolkit::ButtonColours;
using toolkit::ControlLayout;
using toolkit::CursorKind;
using toolkit::FontKind;
using toolkit::Kind;
using namespace main_ids;

constexpr COLORREF kBlue = RGB(0, 136, 255);
constexpr COLORREF kBandBlue = RGB(0, 118, 236);
constexpr COLORREF kPale = RGB(240, 248, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kTitleBlue = RGB(0, 96, 192);

constexpr ButtonColours kSelectedTab{kWhite, kBlue, kWhite, kBlue, kWhite, kBlue};
constexpr ButtonColours kOtherTab{kGrey, kPale, kGrey, kPale, kGrey, kPale};
constexpr ButtonColours kKeyButton{kBlue, kPale, kWhite, kBlue, kBlue, kPale};

constexpr std::array<const wchar_t*, 17> kCaptureKeys{
    L"F1键", L"F2键（默认）", L"F3键", L"F4键", L"F5键", L"F6键", L"F7键", L"F8键", L"F9键",
    L"F10键", L"F11键", L"F12键", L"end键", L"home键", L"ALT键", L"CTRL键", L"~反撇号键"};
constexpr std::array<const wchar_t*, 17> kUndoKeys{
    L"F1键", L"F2键", L"F3键（默认）", L"F4键", L"F5键", L"F6键", L"F7键", L"F8键", L"F9键",
    L"F10键", L"F11键", L"F12键", L"end键", L"home键", L"ALT键", L"CTRL键", L"~反撇号键"};

// Later rows lie above earlier ones; a parent comes before its children.
const ControlLayout kControls[] = {
    {.id = 图片框2, .name = L"图片框2", .kind = Kind::PictureBox, .parent = 0,
     .x = -3, .y = -2, .width = 352, .height = 114, .background = kBandBlue},
    {.id = 图片框1, .name = L"图片框1", .kind = Kind::PictureBox, .parent = 图片框2,
     .x = 33, .y = 22, .width = 265, .height = 64, .background = kBandBlue, .pictureId = IDR_WORDMARK},
    {.id = 图片框3, .name = L"图片框3", .kind = Kind::PictureBox, .parent = 图片框2,
     .x = 276, .y = 0, .width = 29, .height = 19, .background = kBlue, .pictureId = IDR_MINIMISE},
    {.id = 图片框4, .name = L"图片框4", .kind = Kind::PictureBox, .parent = 图片框2,
     .x = 305, .y = 0, .width = 33, .height = 19, .background = kBlue, .pictureId = IDR_CLOSE},
    {.id = 时钟1, .name = L"时钟1", .kind = Kind::Timer, .parent = 图片框1,
     .x = 258, .y = 28, .width = 32, .height = 16},
    {.id = 超级按钮1, .name = L"超级按钮1", .kind = Kind::SkinnedButton, .parent = 0,
     .x = 0, .y = 112, .width = 168, .height = 32, .text = L"一键截图", .button = kSelectedTab},
    {.id = 超级按钮2, .name = L"超级按钮2", .kind = Kind::SkinnedButton, .parent = 0,
     .x = 168, .y = 112, .width = 168, .height = 32, .text = L"使用说明", .button = kOtherTab},
    // Below the window's bottom edge, never seen: it only holds the unselected tab's colours.
    {.id = 超级按钮3, .name = L"超级按钮3", .kind = Kind::SkinnedButton, .parent = 0,
     .x = 192, .y = 440, .width = 168, .height = 32, .text = L"关于我们", .button = kOtherTab},
    {.id = 分组框1, .name = L"分组框1", .kind = Kind::GroupBox, .parent = 0,
     .x = 0, .y = 147, .width = 104, .height = 112, .text = L"截图键", .textColour = kTitleBlue},
    {.id = 列表框1, .name = L"列表框1", .kind = Kind::ListBox, .parent = 分组框1,
     .x = 8, .y = 20, .width = 96, .height = 81, .textColour = kBlue, .cursor = CursorKind::Hand,
     .items = kCaptureKeys, .selected = 1},
    {.id = 分组框2, .name = L"分组框2", .kind = Kind::GroupBox, .parent = 0,
     .x = 104, .y = 147, .width = 104, .height = 112, .text = L"撤销键", .textColour = kTitleBlue},
    {.id = 列表框2, .name = L"列表框2", .kind = Kind::ListBox, .parent = 分组框2,
     .x = 8, .y = 20, .width = 96, .height = 81, .textColour = kBlue, .cursor = CursorKind::Hand,
     .items = kUndoKeys, .selected = 2},
    {.id = 超级按钮4, .name = L"超级按钮4", .kind = Kind::SkinnedButton, .parent = 0,
     .x = 209, .y = 192, .width = 124, .height = 32, .text = L"设置热键", .button = kKeyButton},
    {.id = 超级按钮5, .name = L"超级按钮5", .kind = Kind::SkinnedButton, .parent = 0,
     .x = 209, .y = 224, .width = 124, .height = 32, .text = L"取消热键", .button = kKeyButton},
    {.id = 透明标签1, .name = L"透明标签1", .kind = Kind::TransparentLabel, .parent = 0,
     .x = 5, .y = 263, .width = 147, .height = 16, .text = L"状态：未操作", .textColour = kBlue,
     .font = FontKind::Regular12},
    {.id = 透明标签2, .name = L"透明标签2", .kind = Kind::TransparentLabel, .parent = 0,
     .x = 168, .y = 264, .width = 160, .height = 16, .text = L"截图状态：未操作", .textColour = kBlue},
    // The instructions panel: over the key controls and the status labels when shown.
    {.id = 图片框5, .name = L"图片框5", .kind = Kind::PictureBox, .parent = 0,
     .x = 0, .y = 144, .width = 336, .height = 137, .visible = false},
    {.id = 透明标签8, .name = L"透明标签8", .kind = Kind::TransparentLabel, .parent = 图片框5,
     .x = 8, .y = 28, .width = 128, .height = 24, .text = L"1：自定义设置快捷键"},
    {.id = 透明标签9, .name = L"透明标签9", .kind = Kind::TransparentLabel, .parent = 图片框5,
     .x = 8, .y = 50, .width = 128, .height = 24, .text = L"2：点击设置热键按钮"},
    {.id = 透明标签10, .name = L"透明标签10", .kind = Kind::TransparentLabel, .parent = 图片框5,
     .x = 8, .y = 71, .width = 224, .height = 24, .text = L"3：按下快捷键即可截图，再次按下粘贴"},
    {.id = 透明标签11, .name = L"透明标签11", .kind = Kind::TransparentLabel, .parent = 图片框5,
     .x = 8, .y = 88, .width = 320, .height = 32, .text = L"4：本程序设有撤销功能，若暂停热键，请单击取消热键按钮"},
    {.id = 透明标签3, .name = L"透明标签3", .kind = Kind::TransparentLabel, .parent = 图片框5,
     .x = 84, .y = 3, .width = 173, .height = 24, .text = L"更多免费软件，尽在Tarnwick",
     .textColour = RGB(255, 128, 0), .font = FontKind::Bold12, .cursor = CursorKind::Hand},
    {.id = 透明标签12, .name = L"透明标签12", .kind = Kind::TransparentLabel, .parent = 图片框5,
     .x = 117, .y = 120, .width = 97, .height = 16, .text = L"作者QQ：" TARNWICK_QQ_NUMBER_TEXT L"    ",
     .textColour = RGB(255, 80, 128), .font = FontKind::Regular12, .cursor = CursorKind::Hand},
    {.id = 透明标签4, .name = L"透明标签4", .kind = Kind::TransparentLabel, .parent = 图片框5,
     .x = 211, .y = 119, .width = 136, .height = 16, .text = L"官方QQ群：" TARNWICK_QQ_GROUP_TEXT,
     .textColour = RGB(255, 0, 255), .font = FontKind::Regular12, .cursor = CursorKind::Hand},
};

const toolkit::WindowLayout kMainLayout{
    .caption = L"",
    .width = 333,
    .height = 282,
    .iconId = IDI_TARNWICK,
    .escCloses = true,
    .taskbarButton = true,
    .controls = kControls,
};

// Handles the worker threads may use: they only ever post to them.
std::atomic<HWND> g_statusLabel{nullptr};
std::atomic<HWND> g_captureStatusLabel{nullptr};

struct BoxPictures {
  std::unique_ptr<toolkit::Picture> normal;
  std::unique_ptr<toolkit::Picture> hover;
};
BoxPictures g_minimise, g_close;

void MoveWindowBy(HWND hwnd, int dx) {
  RECT rc;
  if (!GetWindowRect(hwnd, &rc)) return;
  SetWindowPos(hwnd, nullptr, rc.left + dx, rc.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void OpenAddress(const wchar_t* address) {
  // When no program opens it (no browser, no messenger) nothing happens: no error box.
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = address;
  info.nShow = SW_SHOWNORMAL;
  ShellExecuteExW(&info);
}

// Hover of the minimise and close boxes. While hovered the box holds the mouse capture, so
// it sees every move until the pointer leaves it in any direction (a move left of or
// above the box arrives as a large unsigned position).
void HoverMove(toolkit::Window& w, int box, const BoxPictures& pictures, bool repaint, unsigned x,
               unsigned y) {
  HWND hwnd = w.Control(box);
  RECT rc;
  GetClientRect(hwnd, &rc);
  if (HoverFlag == 0) {
    SetCapture(hwnd);
    HoverFlag = 1;
    w.SetPicture(box, pictures.hover.get());
    if (repaint) w.Repaint(box);
  } else if ((x > 0 && x > static_cast<unsigned>(rc.right)) || (y > 0 && y > static_cast<unsigned>(rc.bottom))) {
    HoverFlag = 0;
    w.SetPicture(box, pictures.normal.get());
    if (repaint) w.Repaint(box);
    ReleaseCapture();
  }
}

// A captured move does not arrive when the pointer leaves for another program's window
// with no button held, so the hover also ends when the system reports the pointer gone.
void HoverLeave(toolkit::Window& w, int box, const BoxPictures& pictures, bool repaint) {
  HWND hwnd = w.Control(box);
  POINT p;
  GetCursorPos(&p);
  if (WindowFromPoint(p) == hwnd) return;  // still over the box
  if (GetCapture() == hwnd) {
    HoverFlag = 0;
    ReleaseCapture();
  }
  w.SetPicture(box, pictures.normal.get());
  if (repaint) w.Repaint(box);
}

void SelectTab(toolkit::Window& w, int selected, int other, bool instructions) {
  w.SetButtonColours(other, w.GetButtonColours(超级按钮3));
  w.SetButtonColours(selected, kSelectedTab);
  w.SetVisible(图片框5, instructions);
}

void WireHandlers(toolkit::Window& w) {
  auto drag = [&w](unsigned, unsigned) { SendMessageW(w.hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0); };
  w.OnLeftButtonDown(图片框2, drag);
  w.OnLeftButtonDown(图片框1, drag);

  w.OnMouseMove(图片框3, [&w](unsigned x, unsigned y) { HoverMove(w, 图片框3, g_minimise, true, x, y); });
  w.OnMouseLeave(图片框3, [&w] { HoverLeave(w, 图片框3, g_minimise, true); });
  w.OnLeftButtonDown(图片框3, [&w](unsigned, unsigned) {
    ShowWindow(w.hwnd(), SW_MINIMIZE);
    w.Repaint(图片框3);
    w.SetPicture(图片框3, g_minimise.normal.get());
  });
  w.OnLeftButtonUp(图片框3, [&w](unsigned, unsigned) {
    w.SetPicture(图片框3, g_minimise.normal.get());
    w.Repaint(图片框3);
  });

  w.OnMouseMove(图片框4, [&w](unsigned x, unsigned y) { HoverMove(w, 图片框4, g_close, false, x, y); });
  w.OnMouseLeave(图片框4, [&w] { HoverLeave(w, 图片框4, g_close, false); });
  w.OnLeftButtonDown(图片框4, [](unsigned, unsigned) { FadeOutAndExit(); });
  w.OnLeftButtonUp(图片框4, [&w](unsigned, unsigned) { w.SetPicture(图片框4, g_close.normal.get()); });

  w.OnClick(超级按钮1, [&w] { SelectTab(w, 超级按钮1, 超级按钮2, false); });
  w.OnClick(超级按钮2, [&w] { SelectTab(w, 超级按钮2, 超级按钮1, true); });

  static const std::wstring chat = std::wstring(L"tencent://message/?uin=") + config::kQqNumber;
  w.OnLeftButtonDown(透明标签3, [](unsigned, unsigned) { OpenAddress(config::kWebsite); });
  w.OnLeftButtonDown(透明标签12, [](unsigned, unsigned) { OpenAddress(chat.c_str()); });
  w.OnLeftButtonDown(透明标签4, [](unsigned, unsigned) { OpenAddress(config::kQqGroupLink); });
}

void Entrance(HWND hwnd) {
  ShowWindow(hwnd, SW_SHOW);
  toolkit::ProcessPendingEvents();
  MoveWindowBy(hwnd, -100);
  toolkit::SetWindowAlpha(hwnd, 120);
  for (AnimationStep = 1; AnimationStep <= 100; ++AnimationStep) {
    toolkit::ProcessPendingEvents();
    toolkit::SetWindowAlpha(hwnd, AnimationStep + 120);
    MoveWindowBy(hwnd, 1);
  }
  toolkit::SetWindowAlpha(hwnd, 240);
}

void MainWindowCreated(toolkit::Window& w) {
  EarlyStartupTasks(w);
  Entrance(w.hwnd());
  LateStartupTasks(w);
}

}  // namespace

const toolkit::WindowLayout& MainWindowLayout() { return kMainLayout; }

toolkit::Window& MainWindow() {
  // Never destroyed: the process ends with the window, and no destructor should run
  // window code while it does.
  static toolkit::Window* window = new toolkit::Window(kMainLayout);
  return *window;
}

bool LoadMainWindow() {
  g_minimise.normal = toolkit::Picture::FromResource(IDR_MINIMISE);
  g_minimise.hover = toolkit::Picture::FromResource(IDR_MINIMISE_HOVER);
  g_close.normal = toolkit::Picture::FromResource(IDR_CLOSE);
  g_close.hover = toolkit::Picture::FromResource(IDR_CLOSE_HOVER);

  toolkit::Window& w = MainWindow();
  if (!w.Create()) return false;
  toolkit::SetStartWindow(w.hwnd());
  w.SetPicture(图片框3, g_minimise.normal.get());
  w.SetPicture(图片框4, g_close.normal.get());
  g_statusLabel = w.Control(透明标签1);
  g_captureStatusLabel = w.Control(透明标签2);
  WireHandlers(w);
  WireBinding(w);
  MainWindowCreated(w);
  return true;
}

void FadeOutAndExit() {
  HWND hwnd = MainWindow().hwnd();
  for (AnimationStep = 1; AnimationStep <= 200; ++AnimationStep) {
    toolkit::ProcessPendingEvents();
    toolkit::SetWindowAlpha(hwnd, 240 - AnimationStep);
    MoveWindowBy(hwnd, -1);
  }
  toolkit::ExitProgram(0);
}

void SetStatusText(StatusLabel label, std::wstring text) {
  HWND hwnd = label == StatusLabel::Status ? g_statusLabel.load() : g_captureStatusLabel.load();
  toolkit::SetLabelTextFromAnyThread(hwnd, std::move(text));
}

int CaptureKeySelection() { return MainWindow().ListSelection(列表框1); }
int UndoKeySelection() { return MainWindow().ListSelection(列表框2); }
void SetCaptureKeySelection(int index) { MainWindow().SetListSelection(列表框1, index); }
void SetUndoKeySelection(int index) { MainWindow().SetListSelection(列表框2, index); }

}  // namespace app
