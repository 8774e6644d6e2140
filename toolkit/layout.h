// Window layouts as data: one table of controls per window, in 96-DPI pixels. The toolkit
// scales every position, size and font by the window's DPI when it builds the window.
#pragma once

#include <optional>
#include <span>

#include "platform/win.h"

namespace toolkit {

enum class Kind {
  PictureBox,        // background colour plus an optional picture stretched to the box
  TransparentLabel,  // text on the parent's own pixels
  SkinnedButton,     // flat, six colours, hot tracking
  GroupBox,          // frame with a coloured title
  ListBox,
  ProgressBar,
  Timer,             // holds no window: a disabled timer of the layout
};

enum class FontKind {
  Default,    // the controls' standard font
  Regular12,  // 12-pixel regular, GB2312, face chosen by the system
  Bold12,     // 12-pixel bold, GB2312, face chosen by the system
};

enum class CursorKind { Arrow, Hand };

// The six colours of a skinned button, in this order.
struct ButtonColours {
  COLORREF normalText;
  COLORREF normalBack;
  COLORREF hotText;
  COLORREF hotBack;
  COLORREF focusText;
  COLORREF focusBack;
  friend bool operator==(const ButtonColours&, const ButtonColours&) = default;
};

struct ControlLayout {
  int id;                   // the control's id: how other programs tell the controls apart
  const wchar_t* name;      // the layout's name, for people and tests
  Kind kind;
  int parent;               // id of the parent control; 0 is the window itself
  int x, y, width, height;  // in the parent's client area, 96-DPI pixels
  const wchar_t* text = L"";
  COLORREF textColour = RGB(0, 0, 0);
  std::optional<COLORREF> background{};  // none: the system's default
  FontKind font = FontKind::Default;
  CursorKind cursor = CursorKind::Arrow;
  bool visible = true;
  ButtonColours button{};
  int pictureId = 0;                        // PNG resource (RCDATA) shown by a picture box
  std::span<const wchar_t* const> items{};  // list box items
  int selected = -1;                        // list box selection
  int rangeMax = 100;                       // progress bar range is 0 to this
};

struct WindowLayout {
  const wchar_t* caption;
  int width, height;                     // 96-DPI pixels; borderless, so this is the client
  std::optional<COLORREF> background{};  // none: the system's default window colour
  int iconId = 0;                        // icon resource, 0 for none
  bool escCloses = false;                // Esc sends the window a close request
  bool taskbarButton = true;
  std::span<const ControlLayout> controls{};
};

}  // namespace toolkit
