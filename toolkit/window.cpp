// Windows built from layout tables, and the controls the toolkit draws itself.
#include "platform/win.h"

#include <commctrl.h>
#include <windowsx.h>

#include "platform/dpi.h"
#include "toolkit/messages.h"
#include "toolkit/toolkit.h"

namespace toolkit {

namespace detail {
void WindowDestroyed(HWND hwnd);
}

using platform::Scale;

namespace {

constexpr wchar_t kWindowClass[] = L"TarnwickWindow";
constexpr wchar_t kPictureClass[] = L"TarnwickPicture";
constexpr wchar_t kLabelClass[] = L"TarnwickLabel";
constexpr wchar_t kButtonClass[] = L"TarnwickButton";
constexpr wchar_t kGroupClass[] = L"TarnwickGroup";

ATOM g_windowAtom = 0;

COLORREF DefaultBackground() { return GetSysColor(COLOR_BTNFACE); }

// A memory DC of the given size that copies itself to the target when it goes away, so
// every custom paint is double-buffered.
class BufferedPaint {
 public:
  BufferedPaint(HDC target, int width, int height)
      : target_(target), width_(width), height_(height) {
    dc_ = CreateCompatibleDC(target);
    bitmap_ = CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1);
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~BufferedPaint() {
    BitBlt(target_, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  BufferedPaint(const BufferedPaint&) = delete;
  BufferedPaint& operator=(const BufferedPaint&) = delete;
  HDC dc() const { return dc_; }

 private:
  HDC target_;
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

void FillColour(HDC dc, const RECT& rc, COLORREF colour) {
  COLORREF old = SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
  SetBkColor(dc, old);
}

std::wstring WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

}  // namespace

// Paints what the parent of a see-through control shows under it: the parent draws
// itself into dc, shifted so that the control's top-left corner is the origin.
void PaintBackgroundOf(HWND control, HDC dc) {
  HWND parent = GetParent(control);
  POINT origin{0, 0};
  MapWindowPoints(control, parent, &origin, 1);
  POINT previous;
  SetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
  SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
}

struct Window::ControlState {
  Window* window = nullptr;
  const ControlLayout* layout = nullptr;
  HWND hwnd = nullptr;
  std::unique_ptr<Picture> ownPicture;
  const Picture* picture = nullptr;
  ButtonColours colours{};
  bool hot = false;
  bool pressed = false;
  bool trackingLeave = false;
  MouseHandler down, up, move;
  Handler leave, click;
};

// ---------------------------------------------------------------------------------------
// Window procedures

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* self = static_cast<Window*>(create->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    for (auto& c : self->controls_) c->hwnd = nullptr;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return self->Handle(msg, wp, lp);
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* c = reinterpret_cast<Window::ControlState*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!c) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    c->hwnd = nullptr;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  c->hwnd = hwnd;
  return c->window->HandleControl(*c, msg, wp, lp);
}

// List boxes and progress bars are the system's own classes, subclassed for the cursor
// and the mouse events.
LRESULT CALLBACK SystemControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                   DWORD_PTR data) noexcept {
  auto* c = reinterpret_cast<Window::ControlState*>(data);
  switch (msg) {
    case WM_SETCURSOR:
      if (c->layout->cursor == CursorKind::Hand && LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
      if (c->down) c->down(LOWORD(lp), HIWORD(lp));
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, SystemControlProc, 1);
      c->hwnd = nullptr;
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

bool Start() {
  platform::EnsureDpiAwareness();
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpfnWndProc = WindowProc;
  wc.lpszClassName = kWindowClass;
  g_windowAtom = RegisterClassExW(&wc);
  bool ok = g_windowAtom != 0;
  for (const wchar_t* name : {kPictureClass, kLabelClass, kButtonClass, kGroupClass}) {
    wc.lpfnWndProc = ControlProc;
    wc.lpszClassName = name;
    ok = RegisterClassExW(&wc) != 0 && ok;
  }
  return ok;
}

// The toolkit window behind a top-level handle, if it is one of ours.
Window* WindowFromHandle(HWND hwnd) {
  if (!hwnd || GetClassLongPtrW(hwnd, GCW_ATOM) != g_windowAtom) return nullptr;
  return reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// ---------------------------------------------------------------------------------------
// Window

Window::Window(const WindowLayout& layout) : layout_(layout) {}

Window::~Window() {
  if (alive()) DestroyWindow(hwnd_);
  for (HFONT& f : fonts_) {
    if (f) DeleteObject(f);
    f = nullptr;
  }
}

bool Window::Create(HWND owner) {
  dpi_ = platform::DpiForPrimaryMonitor();
  ApplyDpi(dpi_);  // fonts first: the controls take them at creation
  const int width = Scale(layout_.width, dpi_);
  const int height = Scale(layout_.height, dpi_);
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  const DWORD style = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
  const DWORD exStyle = layout_.taskbarButton ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW;
  CreateWindowExW(exStyle, kWindowClass, layout_.caption, style, left, top, width, height, owner,
                  nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd_) return false;

  // Per-monitor awareness: the window may sit on a monitor of another DPI.
  const int actual = platform::DpiForWindow(hwnd_);
  if (actual != dpi_) {
    const int w = Scale(layout_.width, actual), h = Scale(layout_.height, actual);
    SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyDpi(actual);
  }

  if (layout_.iconId != 0) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto big = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(layout_.iconId), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    auto small = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(layout_.iconId), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (big) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (small) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  }
  return true;
}

void Window::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  controls_.clear();
  controls_.reserve(layout_.controls.size());
  for (const ControlLayout& l : layout_.controls) {
    auto state = std::make_unique<ControlState>();
    state->window = this;
    state->layout = &l;
    state->colours = l.button;
    ControlState* c = state.get();
    controls_.push_back(std::move(state));
    if (l.kind == Kind::Timer) continue;  // a disabled timer: nothing to create

    HWND parent = hwnd_;
    if (l.parent != 0) {
      ControlState* p = State(l.parent);
      if (!p || !p->hwnd) continue;
      parent = p->hwnd;
    }
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (l.visible ? WS_VISIBLE : 0);
    DWORD exStyle = 0;
    const wchar_t* cls = nullptr;
    void* param = c;
    switch (l.kind) {
      case Kind::PictureBox:
        cls = kPictureClass;
        style |= WS_CLIPCHILDREN;
        if (l.pictureId) {
          c->ownPicture = Picture::FromResource(l.pictureId);
          c->picture = c->ownPicture.get();
        }
        break;
      case Kind::TransparentLabel:
        cls = kLabelClass;
        break;
      case Kind::SkinnedButton:
        cls = kButtonClass;
        style |= WS_TABSTOP;
        break;
      case Kind::GroupBox:
        cls = kGroupClass;
        style |= WS_CLIPCHILDREN;
        break;
      case Kind::ListBox:
        cls = WC_LISTBOXW;
        style |= WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        exStyle = WS_EX_CLIENTEDGE;
        param = nullptr;
        break;
      case Kind::ProgressBar:
        cls = PROGRESS_CLASSW;
        param = nullptr;
        break;
      case Kind::Timer:
        break;
    }
    HWND hwnd = CreateWindowExW(exStyle, cls, l.text, style, Scale(l.x, dpi_), Scale(l.y, dpi_),
                                Scale(l.width, dpi_), Scale(l.height, dpi_), parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(l.id)), instance, param);
    if (!hwnd) continue;
    c->hwnd = hwnd;
    // Later controls of the table lie above earlier ones.
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (l.kind == Kind::ListBox) {
      SetWindowSubclass(hwnd, SystemControlProc, 1, reinterpret_cast<DWORD_PTR>(c));
      SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font(l.font)), FALSE);
      for (const wchar_t* item : l.items) SendMessageW(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
      SendMessageW(hwnd, LB_SETCURSEL, static_cast<WPARAM>(l.selected), 0);
    } else if (l.kind == Kind::ProgressBar) {
      SetWindowSubclass(hwnd, SystemControlProc, 1, reinterpret_cast<DWORD_PTR>(c));
      SendMessageW(hwnd, PBM_SETRANGE32, 0, l.rangeMax);
      SendMessageW(hwnd, PBM_SETPOS, 0, 0);
    }
  }
}

HFONT Window::Font(FontKind kind) const { return fonts_[static_cast<int>(kind)]; }

void Window::ApplyDpi(int dpi) {
  dpi_ = dpi;
  HFONT old[3];
  for (int i = 0; i < 3; ++i) old[i] = fonts_[i];

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW standard{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    standard = metrics.lfMessageFont;
  } else {
    standard.lfCharSet = DEFAULT_CHARSET;
  }
  standard.lfHeight = -Scale(12, dpi);
  standard.lfWidth = 0;
  standard.lfWeight = FW_NORMAL;
  fonts_[0] = CreateFontIndirectW(&standard);

  LOGFONTW twelve{};
  twelve.lfHeight = -Scale(12, dpi);
  twelve.lfWeight = 400;
  twelve.lfCharSet = GB2312_CHARSET;
  fonts_[1] = CreateFontIndirectW(&twelve);
  twelve.lfWeight = 700;
  fonts_[2] = CreateFontIndirectW(&twelve);

  for (auto& c : controls_) {
    if (!c->hwnd) continue;
    const ControlLayout& l = *c->layout;
    SetWindowPos(c->hwnd, nullptr, Scale(l.x, dpi), Scale(l.y, dpi), Scale(l.width, dpi),
                 Scale(l.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    if (l.kind == Kind::ListBox) SendMessageW(c->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(Font(l.font)), FALSE);
  }
  if (hwnd_) RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  for (HFONT f : old) {
    if (f) DeleteObject(f);
  }
}

Window::ControlState* Window::State(int id) const {
  for (const auto& c : controls_) {
    if (c->layout->id == id) return c.get();
  }
  return nullptr;
}

HWND Window::Control(int id) const {
  ControlState* c = State(id);
  return c ? c->hwnd : nullptr;
}

void Window::OnLeftButtonDown(int id, MouseHandler h) {
  if (auto* c = State(id)) c->down = std::move(h);
}
void Window::OnLeftButtonUp(int id, MouseHandler h) {
  if (auto* c = State(id)) c->up = std::move(h);
}
void Window::OnMouseMove(int id, MouseHandler h) {
  if (auto* c = State(id)) c->move = std::move(h);
}
void Window::OnMouseLeave(int id, Handler h) {
  if (auto* c = State(id)) c->leave = std::move(h);
}
void Window::OnClick(int id, Handler h) {
  if (auto* c = State(id)) c->click = std::move(h);
}

void Window::SetText(int id, const std::wstring& text) {
  if (HWND h = Control(id)) SetWindowTextW(h, text.c_str());
}

std::wstring Window::Text(int id) const {
  HWND h = Control(id);
  return h ? WindowText(h) : std::wstring();
}

void Window::SetVisible(int id, bool visible) {
  if (HWND h = Control(id)) ShowWindow(h, visible ? SW_SHOWNA : SW_HIDE);
}

void Window::SetPicture(int id, const Picture* picture) {
  ControlState* c = State(id);
  if (!c || c->picture == picture) return;
  c->picture = picture;
  if (c->hwnd) InvalidateRect(c->hwnd, nullptr, FALSE);
}

void Window::Repaint(int id) {
  if (HWND h = Control(id)) RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

ButtonColours Window::GetButtonColours(int id) const {
  ControlState* c = State(id);
  return c ? c->colours : ButtonColours{};
}

void Window::SetButtonColours(int id, const ButtonColours& colours) {
  ControlState* c = State(id);
  if (!c) return;
  c->colours = colours;
  if (c->hwnd) InvalidateRect(c->hwnd, nullptr, FALSE);
}

int Window::ListSelection(int id) const {
  HWND h = Control(id);
  return h ? static_cast<int>(SendMessageW(h, LB_GETCURSEL, 0, 0)) : -1;
}

void Window::SetListSelection(int id, int index) {
  if (HWND h = Control(id)) SendMessageW(h, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Window::SetProgress(int id, int position) {
  if (HWND h = Control(id)) SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

// ---------------------------------------------------------------------------------------
// Messages of the top-level window

void Window::PaintBackground(HDC dc) {
  RECT rc;
  GetClientRect(hwnd_, &rc);
  FillColour(dc, rc, layout_.background.value_or(DefaultBackground()));
}

static LRESULT ListColours(Window* w, HWND list, HDC dc);

LRESULT Window::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      CreateControls();
      return 0;
    case WM_ERASEBKGND:
      PaintBackground(reinterpret_cast<HDC>(wp));
      return 1;
    case WM_PRINTCLIENT:
      PaintBackground(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd_, &ps);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_CTLCOLORLISTBOX:
      return ListColours(this, reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp));
    case WM_CLOSE:
      if (!onCanClose || onCanClose()) DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      if (onDestroyed) onDestroyed();
      detail::WindowDestroyed(hwnd_);
      break;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      ApplyDpi(LOWORD(wp));
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

static LRESULT ListColours(Window* w, HWND list, HDC dc) {
  (void)w;
  const int id = GetDlgCtrlID(list);
  HWND root = GetAncestor(list, GA_ROOT);
  Window* owner = WindowFromHandle(root);
  COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  if (owner) {
    for (const ControlLayout& l : owner->layout().controls) {
      if (l.id == id) text = l.textColour;
    }
  }
  SetTextColor(dc, text);
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

// ---------------------------------------------------------------------------------------
// Messages of the toolkit's own controls

void Window::PaintControl(ControlState& c, HDC dc) {
  const ControlLayout& l = *c.layout;
  RECT rc;
  GetClientRect(c.hwnd, &rc);
  const std::wstring text = WindowText(c.hwnd);
  switch (l.kind) {
    case Kind::PictureBox:
      FillColour(dc, rc, l.background.value_or(DefaultBackground()));
      if (c.picture) c.picture->Draw(dc, rc);
      break;
    case Kind::TransparentLabel: {
      PaintBackgroundOf(c.hwnd, dc);
      HGDIOBJ oldFont = SelectObject(dc, Font(l.font));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, l.textColour);
      // Wrap only a text that does not fit on one line; trailing blanks may run past the
      // edge (some DrawText versions wrap a word followed by blanks that overflow).
      std::size_t shown = text.find_last_not_of(L' ');
      shown = shown == std::wstring::npos ? 0 : shown + 1;
      SIZE extent{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(shown), &extent);
      const UINT wrap = extent.cx <= rc.right ? DT_SINGLELINE : DT_WORDBREAK;
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_LEFT | DT_TOP | DT_NOPREFIX | wrap);
      SelectObject(dc, oldFont);
      break;
    }
    case Kind::SkinnedButton: {
      COLORREF back = c.colours.normalBack, fore = c.colours.normalText;
      if (c.hot) {
        back = c.colours.hotBack;
        fore = c.colours.hotText;
      } else if (GetFocus() == c.hwnd) {
        back = c.colours.focusBack;
        fore = c.colours.focusText;
      }
      FillColour(dc, rc, back);
      HGDIOBJ oldFont = SelectObject(dc, Font(l.font));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, fore);
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
      SelectObject(dc, oldFont);
      break;
    }
    case Kind::GroupBox: {
      PaintBackgroundOf(c.hwnd, dc);
      HGDIOBJ oldFont = SelectObject(dc, Font(l.font));
      SIZE extent{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
      RECT frame = rc;
      frame.top += extent.cy / 2;
      DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
      if (!text.empty()) {
        // The title interrupts the frame: give it the parent's pixels back first.
        const int pad = Scale(2, dpi_);
        RECT title{Scale(8, dpi_) - pad, 0, Scale(8, dpi_) + extent.cx + pad, extent.cy};
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, title.left, title.top, title.right, title.bottom);
        PaintBackgroundOf(c.hwnd, dc);
        RestoreDC(dc, saved);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, l.textColour);
        TextOutW(dc, Scale(8, dpi_), 0, text.c_str(), static_cast<int>(text.size()));
      }
      SelectObject(dc, oldFont);
      break;
    }
    default:
      break;
  }
}

LRESULT Window::HandleControl(ControlState& c, UINT msg, WPARAM wp, LPARAM lp) {
  const ControlLayout& l = *c.layout;
  const bool isButton = l.kind == Kind::SkinnedButton;
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // everything is painted, buffered, in WM_PAINT
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(c.hwnd, &ps);
      RECT rc;
      GetClientRect(c.hwnd, &rc);
      {
        BufferedPaint buffer(dc, rc.right, rc.bottom);
        PaintControl(c, buffer.dc());
      }
      EndPaint(c.hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintControl(c, reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SETTEXT: {
      LRESULT r = DefWindowProcW(c.hwnd, msg, wp, lp);
      InvalidateRect(c.hwnd, nullptr, FALSE);
      return r;
    }
    case kMsgSetLabelText: {
      std::unique_ptr<std::wstring> text(reinterpret_cast<std::wstring*>(lp));
      if (text) SetWindowTextW(c.hwnd, text->c_str());
      return 0;
    }
    case WM_CTLCOLORLISTBOX:
      return ListColours(this, reinterpret_cast<HWND>(lp), reinterpret_cast<HDC>(wp));
    case WM_SETCURSOR:
      if (l.cursor == CursorKind::Hand && LOWORD(lp) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE: {
      if ((isButton || c.leave) && !c.trackingLeave) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, c.hwnd, 0};
        c.trackingLeave = TrackMouseEvent(&track) != FALSE;
      }
      if (isButton && !c.hot) {
        c.hot = true;
        InvalidateRect(c.hwnd, nullptr, FALSE);
      }
      if (c.move) {
        MouseHandler handler = c.move;
        handler(LOWORD(lp), HIWORD(lp));
      }
      return 0;
    }
    case WM_MOUSELEAVE:
      c.trackingLeave = false;
      if (isButton && c.hot) {
        c.hot = false;
        InvalidateRect(c.hwnd, nullptr, FALSE);
      }
      if (c.leave) {
        Handler handler = c.leave;
        handler();
      }
      return 0;
    case WM_LBUTTONDOWN:
      if (isButton) {
        SetFocus(c.hwnd);
        SetCapture(c.hwnd);
        c.pressed = true;
      }
      if (c.down) {
        MouseHandler handler = c.down;
        handler(LOWORD(lp), HIWORD(lp));
      }
      return 0;
    case WM_LBUTTONUP: {
      if (isButton && c.pressed) {
        c.pressed = false;
        ReleaseCapture();
        POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        RECT rc;
        GetClientRect(c.hwnd, &rc);
        if (PtInRect(&rc, p) && c.click) {
          Handler handler = c.click;
          handler();
        }
      }
      if (c.up) {
        MouseHandler handler = c.up;
        handler(LOWORD(lp), HIWORD(lp));
      }
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (isButton) c.pressed = false;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (isButton) InvalidateRect(c.hwnd, nullptr, FALSE);
      break;
    case WM_KEYUP:
      if (isButton && (wp == VK_SPACE || wp == VK_RETURN) && c.click) {
        Handler handler = c.click;
        handler();
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(c.hwnd, msg, wp, lp);
}

}  // namespace toolkit
