// The clipboard object's texts, file lists, HTML and bitmap bytes on the real clipboard of the
// Wine bed (code page 936).
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "capture/bitmap_ops.h"
#include "capture/bmp_layout.h"
#include "clipboard/clipboard_access.h"
#include "clipboard/clipboard_object.h"
#include "clipboard/clipboard_toolbox.h"
#include "platform/gdi.h"
#include "tests/support/gdi_probe.h"
#include "tests/support/pattern_window.h"

using namespace clipboard;
using Bytes = std::vector<std::uint8_t>;

namespace {

// GBK bytes of 中文剪贴板 and of 测试.
const std::string kChinese = "\xD6\xD0\xCE\xC4\xBC\xF4\xCC\xF9\xB0\xE5";
const std::string kTest = "\xB2\xE2\xCA\xD4";

// The data of one format as it is on the clipboard, whole (GlobalSize bytes).
std::optional<Bytes> Raw(UINT format) {
  if (!IsClipboardFormatAvailable(format)) return std::nullopt;
  ClipboardSession session(nullptr);
  if (!session) return std::nullopt;
  HANDLE h = GetClipboardData(format);
  if (!h) return std::nullopt;
  const auto* p = static_cast<const std::uint8_t*>(GlobalLock(h));
  Bytes out(p, p + GlobalSize(h));
  GlobalUnlock(h);
  return out;
}

// Places raw bytes in a format, exactly that many (no NUL added).
void PutRaw(UINT format, const Bytes& bytes, bool empty = true) {
  ClipboardSession session(ClipboardOwnerWindow());
  ASSERT_TRUE(session);
  if (empty) EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  ASSERT_NE(SetClipboardData(format, block), nullptr);
}

UINT Format(const char* name) { return RegisterClipboardFormatA(name); }

std::wstring UnicodeText() {
  const auto raw = Raw(CF_UNICODETEXT);
  if (!raw || raw->size() < 2) return {};
  std::wstring w(reinterpret_cast<const wchar_t*>(raw->data()), raw->size() / 2);
  return w.substr(0, w.find(L'\0'));
}

HBITMAP Dib32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* px = static_cast<std::uint32_t*>(bits);
  for (int i = 0; i < width * height; ++i) px[i] = 0x00102030u + static_cast<std::uint32_t>(i);
  return dib;
}

TEST(ClipboardToolbox, TextRoundTrips) {
  剪辑板类 board;
  struct Case {
    const char* what;
    std::string text;
    std::wstring unicode;  // how other programs see it
  };
  const std::vector<Case> cases = {
      {"empty", "", L""},
      {"ASCII", "hello, clipboard", L"hello, clipboard"},
      {"Chinese in code page 936", kChinese + " ok", L"中文剪贴板 ok"},
      {"long", std::string(100000, 'x'), std::wstring(100000, L'x')},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(board.SetText(c.text)) << c.what;
    EXPECT_EQ(board.GetText(), c.text) << c.what;
    EXPECT_EQ(board.GetTextBytes(), c.text) << c.what;
    EXPECT_EQ(UnicodeText(), c.unicode) << c.what;
    const auto raw = Raw(CF_TEXT);
    ASSERT_TRUE(raw) << c.what;
    EXPECT_GE(raw->size(), c.text.size() + 1) << c.what;
    EXPECT_EQ((*raw)[c.text.size()], 0) << c.what;
  }
  // A text ends at its first NUL.
  ASSERT_TRUE(board.SetText(std::string("ab\0cd", 5)));
  EXPECT_EQ(board.GetText(), "ab");
  // Setting replaces every format.
  ASSERT_TRUE(board.SetHtml("<b>x</b>"));
  ASSERT_TRUE(board.SetText("only text"));
  EXPECT_FALSE(IsClipboardFormatAvailable(Format("HTML Format")));
  EXPECT_TRUE(board.Clear());
  EXPECT_EQ(CountClipboardFormats(), 0);
  EXPECT_EQ(board.GetText(), "");
}

TEST(ClipboardToolbox, FileListRoundTrips) {
  剪辑板类 board;
  const std::string longName = "C:\\" + std::string(300, 'n') + ".txt";  // past 260 bytes
  struct Case {
    const char* what;
    std::vector<std::string> paths;
  };
  const std::vector<Case> cases = {
      {"one file", {"C:\\a.txt"}},
      {"Chinese names, in order", {"D:\\" + kTest + "\\" + kChinese + ".txt", "C:\\b", "D:\\" + kTest}},
      {"a name longer than 260 bytes", {longName, "C:\\short"}},
  };
  for (const Case& c : cases) {
    for (const bool cut : {false, true}) {
      const std::string what = std::string(c.what) + (cut ? ", cut" : ", copied");
      ASSERT_TRUE(board.SetFileList(c.paths, cut)) << what;
      std::vector<std::string> back = {"stale"};
      bool wasCut = !cut;
      EXPECT_EQ(board.GetFileList(back, &wasCut), static_cast<std::int32_t>(c.paths.size())) << what;
      EXPECT_EQ(back, c.paths) << what;
      EXPECT_EQ(wasCut, cut) << what;
      EXPECT_EQ(IsClipboardFormatAvailable(Format("Preferred DropEffect")) != FALSE, cut) << what;
      std::vector<std::string> again;
      EXPECT_EQ(board.GetFileList(again), static_cast<std::int32_t>(c.paths.size())) << what;  // cut not asked
    }
  }
  // The block itself: a 20-byte header (names at 20, ANSI) and the names, each ending in 0.
  ASSERT_TRUE(board.SetFileList({"C:\\x", "D:\\yz"}));
  const auto raw = Raw(CF_HDROP);
  ASSERT_TRUE(raw);
  const Bytes expected = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                          'C', ':', '\\', 'x', 0, 'D', ':', '\\', 'y', 'z', 0, 0};
  EXPECT_EQ(*raw, expected);
  // The drop effect of a cut is the 32-bit value 2.
  ASSERT_TRUE(board.SetFileList({"C:\\x"}, true));
  EXPECT_EQ(Raw(Format("Preferred DropEffect")), (Bytes{2, 0, 0, 0}));

  // The empty list: a 21-byte block that reads back as no files.
  ASSERT_TRUE(board.SetFileList({}, true));
  const auto empty = Raw(CF_HDROP);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->size(), 21u);
  std::vector<std::string> none = {"stale"};
  bool wasCut = false;
  EXPECT_EQ(board.GetFileList(none, &wasCut), 0);
  EXPECT_TRUE(none.empty());
}

TEST(ClipboardToolbox, HtmlWithChineseRoundTrips) {
  剪辑板类 board;
  const std::string html =
      "Version:0.9\r\nStartHTML:00000097\r\nEndHTML:00000170\r\nStartFragment:00000133\r\n"
      "EndFragment:00000134\r\n<html><body><!--StartFragment-->" +
      kChinese + "<!--EndFragment--></body></html>";
  ASSERT_TRUE(board.SetHtml(html));
  EXPECT_EQ(board.GetHtml(), html);
  // On the clipboard it is UTF-8, with one 0 byte after it.
  const auto raw = Raw(Format("HTML Format"));
  ASSERT_TRUE(raw);
  const std::string utf8(raw->begin(), raw->end());
  EXPECT_NE(utf8.find("\xE4\xB8\xAD\xE6\x96\x87\xE5\x89\xAA\xE8\xB4\xB4\xE6\x9D\xBF"), std::string::npos);
  EXPECT_EQ(utf8.back(), '\0');
  EXPECT_EQ(utf8.find('\0'), utf8.size() - 1);

  ASSERT_TRUE(board.SetHtml(""));
  EXPECT_EQ(board.GetHtml(), "");
  // Bytes that are not UTF-8 come back as whatever the conversions give, without failing.
  PutRaw(Format("HTML Format"), Bytes{'a', 0xFF, 0xFE, 'b', 0});
  const std::string odd = board.GetHtml();
  EXPECT_EQ(odd.front(), 'a');
  EXPECT_EQ(odd.back(), 'b');
}

TEST(ClipboardToolbox, BitmapPutTakeAndBytes) {
  剪辑板类 board;
  capture::位图操作类 ops;
  struct Case {
    int width, height;
  };
  for (const Case c : {Case{37, 23}, Case{1, 1}, Case{640, 480}}) {
    const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height);
    platform::UniqueBitmap dib(Dib32(c.width, c.height));
    const capture::ImageBytes expected = ops.ToBmpBytes(dib.get());
    ASSERT_TRUE(ops.PutOnClipboard(dib.get())) << what;
    dib.release();  // the clipboard's now
    HBITMAP taken = ops.TakeFromClipboard();
    EXPECT_EQ(ops.GetWidth(taken), c.width) << what;
    EXPECT_EQ(ops.GetHeight(taken), c.height) << what;

    const capture::ImageBytes bytes = board.GetImageBytes();
    ASSERT_EQ(bytes.size(), 58u + 4u * c.width * c.height) << what;
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_TRUE(capture::IsCaptureLayout(bytes)) << what;
    EXPECT_EQ(capture::ReadBmpHeader(bytes)->pixelOffset, 58u);
    EXPECT_EQ(bytes, expected) << what;  // the very pixels put there
  }
  // A bitmap placed from picture bytes reads back at its size.
  platform::UniqueBitmap source(Dib32(12, 9));
  ASSERT_TRUE(board.SetImageBytes(ops.ToBmpBytes(source.get())));
  const capture::ImageBytes back = board.GetImageBytes();
  ASSERT_TRUE(capture::IsCaptureLayout(back));
  EXPECT_EQ(capture::ReadBmpHeader(back)->width, 12);
  EXPECT_EQ(capture::ReadBmpHeader(back)->height, 9);

  ASSERT_TRUE(board.Clear());
  EXPECT_TRUE(board.GetImageBytes().empty());
  EXPECT_EQ(ops.TakeFromClipboard(), nullptr);
}

HGLOBAL FailingAllocator(UINT, SIZE_T) { return nullptr; }

TEST(ClipboardToolbox, AFailedSetLeavesTheClipboardEmpty) {
  剪辑板类 board;
  struct Case {
    const char* what;
    std::function<bool()> set;
  };
  const std::vector<Case> cases = {
      {"SetText", [&] { return board.SetText("new"); }},
      {"SetText, empty", [&] { return board.SetText(""); }},
      {"SetFileList", [&] { return board.SetFileList({"C:\\a"}, true); }},
      {"SetHtml", [&] { return board.SetHtml("<i>x</i>"); }},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(board.SetText("earlier")) << c.what;
    const BlockAllocator previous = SetBlockAllocatorForTests(FailingAllocator);
    const bool placed = c.set();
    SetBlockAllocatorForTests(previous);
    EXPECT_FALSE(placed) << c.what;
    EXPECT_EQ(CountClipboardFormats(), 0) << c.what;
    EXPECT_EQ(board.GetText(), "") << c.what;
  }
}

TEST(ClipboardToolbox, ReadersOfAnAbsentFormatDoNotOpenTheClipboard) {
  剪辑板类 board;
  capture::位图操作类 ops;
  const HWND ours = ClipboardOwnerWindow();
  ASSERT_NE(ours, nullptr);
  // Held open by this thread: a reader that opened and closed it would close it for us.
  ASSERT_TRUE(OpenClipboard(ours));
  EmptyClipboard();
  EXPECT_EQ(board.GetText(), "");
  EXPECT_EQ(board.GetTextBytes(), "");
  std::vector<std::string> paths = {"stale"};
  bool cut = true;
  EXPECT_EQ(board.GetFileList(paths, &cut), 0);
  EXPECT_TRUE(paths.empty());
  EXPECT_FALSE(cut);
  EXPECT_EQ(board.GetHtml(), "");
  EXPECT_TRUE(board.GetImageBytes().empty());
  EXPECT_EQ(ops.TakeFromClipboard(), nullptr);
  EXPECT_EQ(GetOpenClipboardWindow(), ours);
  EXPECT_TRUE(CloseClipboard());
}

TEST(ClipboardToolbox, ReadsStopAtTheDatasOwnSize) {
  剪辑板类 board;
  // No terminating NUL: the bytes that are there, and no more. (Wine itself ends an
  // unterminated CF_TEXT on its last byte; a registered format it leaves alone.)
  PutRaw(CF_TEXT, Bytes{'A', 'B', 'C', 'D', 'E'});
  const std::string text = board.GetText();
  EXPECT_TRUE(text == "ABCDE" || text == "ABCD") << text;
  EXPECT_EQ(board.GetTextBytes(), text);
  PutRaw(Format("HTML Format"), Bytes{'<', 'p', '>'});
  EXPECT_EQ(board.GetHtml(), "<p>");
  // A drop effect shorter than 4 bytes is no cut; a list without its end is no list.
  PutRaw(CF_HDROP, Bytes{20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'C', ':', '\\', 'a', 0, 0});
  PutRaw(Format("Preferred DropEffect"), Bytes{2, 0}, false);
  std::vector<std::string> paths;
  bool cut = true;
  EXPECT_EQ(board.GetFileList(paths, &cut), 1);
  EXPECT_FALSE(cut);
  PutRaw(CF_HDROP, Bytes{20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'C', ':', '\\', 'a'});
  EXPECT_EQ(board.GetFileList(paths), 0);
  PutRaw(CF_HDROP, Bytes{200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(board.GetFileList(paths), 0);
  EXPECT_TRUE(paths.empty());
}

// Holds the clipboard open with a window of its own, as another program would.
class ClipboardHolder {
 public:
  ClipboardHolder() {
    thread_ = std::thread([this] {
      HWND w = CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
      const bool open = w && OpenClipboard(w);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        opened_ = open;
        started_ = true;
      }
      changed_.notify_all();
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stop_; });
      if (open) CloseClipboard();
      if (w) DestroyWindow(w);
    });
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return started_; });
  }
  ~ClipboardHolder() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  bool opened() const { return opened_; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool started_ = false, stop_ = false, opened_ = false;
  std::thread thread_;
};

TEST(ClipboardToolbox, ABusyClipboardIsLeftAsItWas) {
  剪辑板类 board;
  capture::位图操作类 ops;
  ASSERT_TRUE(board.SetText("earlier"));
  {
    ClipboardHolder holder;
    ASSERT_TRUE(holder.opened());
    EXPECT_FALSE(board.Clear());
    EXPECT_FALSE(board.SetText("new"));
    EXPECT_FALSE(board.SetFileList({"C:\\a"}));
    EXPECT_FALSE(board.SetHtml("<p>"));
    platform::UniqueBitmap dib(Dib32(4, 4));
    EXPECT_FALSE(ops.PutOnClipboard(dib.get()));  // and the bitmap is still the caller's
    EXPECT_EQ(ops.GetWidth(dib.get()), 4);
  }
  EXPECT_EQ(board.GetText(), "earlier");
}

TEST(ClipboardToolbox, RepeatedUseLeavesNoGdiObject) {
  剪辑板类 board;
  capture::位图操作类 ops;
  auto cycle = [&] {
    ops.PutOnClipboard(Dib32(64, 48));
    board.GetImageBytes();
    ops.TakeFromClipboard();
    board.SetText(kChinese);
    board.GetText();
    board.SetFileList({"C:\\a", "C:\\b"}, true);
    std::vector<std::string> paths;
    bool cut = false;
    board.GetFileList(paths, &cut);
    board.SetHtml(kChinese);
    board.GetHtml();
    board.Clear();
  };
  for (int i = 0; i < 3; ++i) cycle();
  const auto before = testsupport::GdiProbe();
  for (int i = 0; i < 15; ++i) cycle();
  // A leaked object takes a probe slot for good, so the deepest slot the probe reaches moves on.
  EXPECT_LE(testsupport::GdiDepthGained(before, testsupport::GdiProbe()), 0);
}

}  // namespace

namespace {

TEST(ClipboardToolbox, DropListCounting) {
  auto block = [](std::uint32_t first, bool wide, const Bytes& names) {
    Bytes b(20 + names.size(), 0);
    b[0] = static_cast<std::uint8_t>(first);
    b[16] = wide ? 1 : 0;
    for (std::size_t i = 0; i < names.size(); ++i) b[20 + i] = names[i];
    return b;
  };
  struct Case {
    const char* what;
    Bytes bytes;
    std::optional<std::size_t> count;
  };
  const std::vector<Case> cases = {
      {"empty list", block(20, false, {0}), 0},
      {"two names", block(20, false, {'a', 0, 'b', 'c', 0, 0}), 2},
      {"wide names", block(20, true, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}), 2},
      {"no end", block(20, false, {'a', 0, 'b'}), std::nullopt},
      {"wide, odd byte at the end", block(20, true, {'a', 0, 0, 0, 0}), std::nullopt},
      {"names before the header's end", block(8, false, {0}), std::nullopt},
      {"names past the block", block(40, false, {0}), std::nullopt},
      {"header cut", Bytes(19, 0), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(DropListNameCount(c.bytes.data(), c.bytes.size()), c.count) << c.what;
}

}  // namespace
