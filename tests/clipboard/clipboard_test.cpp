// The clipboard bitmap from capture bytes, on the real clipboard of the Wine bed, read back
// by another process.
#include "clipboard/clipboard_object.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_image.h"
#include "clipboard/clipboard_access.h"
#include "clipboard/picture_decoding.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "platform/unique.h"
#include "tests/support/gdi_probe.h"
#include "tests/support/pattern_window.h"

using capture::ImageBytes;
using clipboard::剪辑板类;

namespace {

std::wstring BesideThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.find_last_of(L"\\/") + 1) + name;
}

std::wstring TempFile(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + name;
}

platform::UniqueHandle StartPeer(const std::wstring& args) {
  std::wstring command = L"\"" + BesideThisProgram(L"clipboard_peer.exe") + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return {};
  CloseHandle(pi.hThread);
  return platform::UniqueHandle(pi.hProcess);
}

// What another process finds on the clipboard: "bitmap W H R G B" with the colour at (x, y),
// or "none".
std::string ReadFromAnotherProcess(int x, int y) {
  const std::wstring out = TempFile(L"clipboard_peer_read.txt");
  DeleteFileW(out.c_str());
  auto peer = StartPeer(L"read \"" + out + L"\" " + std::to_wstring(x) + L" " + std::to_wstring(y));
  if (!peer || WaitForSingleObject(peer.get(), 30000) != WAIT_OBJECT_0) return "peer did not run";
  FILE* in = _wfopen(out.c_str(), L"r");
  if (!in) return "no answer";
  char line[200] = {};
  std::fgets(line, sizeof line, in);
  std::fclose(in);
  DeleteFileW(out.c_str());
  std::string s(line);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

// A clipboard holder in another process, opened with a real window.
class BusyClipboard {
 public:
  explicit BusyClipboard(int holdMs = 30000) {
    ready_.reset(CreateEventW(nullptr, TRUE, FALSE, L"TarnwickTestClipboardReady"));
    release_.reset(CreateEventW(nullptr, TRUE, FALSE, L"TarnwickTestClipboardRelease"));
    peer_ = StartPeer(L"hold TarnwickTestClipboardReady TarnwickTestClipboardRelease " + std::to_wstring(holdMs));
    HANDLE both[] = {ready_.get(), peer_.get()};
    held_ = peer_ && WaitForMultipleObjects(2, both, FALSE, 30000) == WAIT_OBJECT_0;
  }
  ~BusyClipboard() {
    SetEvent(release_.get());
    if (peer_) WaitForSingleObject(peer_.get(), 30000);
  }
  bool held() const { return held_; }

 private:
  platform::UniqueHandle ready_, release_, peer_;
  bool held_ = false;
};

// A clipboard owner must answer messages (the system asks the owner things while others use
// the clipboard): the earlier content is placed with a window on a thread that pumps.
HWND TextOwner() {
  static testsupport::TestWindow window(0, 0, 1, 1, WS_POPUP);
  static const bool hidden = ShowWindow(window.hwnd(), SW_HIDE);
  (void)hidden;
  return window.hwnd();
}

// Earlier clipboard content: a text placed by a window of the test.
bool PutText(const char* text) {
  if (!OpenClipboard(TextOwner())) return false;
  EmptyClipboard();
  platform::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1));
  {
    platform::GlobalLockGuard locked(block.get());
    if (locked) std::memcpy(locked.data(), text, std::strlen(text) + 1);
  }
  const bool placed = SetClipboardData(CF_TEXT, block.get()) != nullptr;
  if (placed) block.release();
  CloseClipboard();
  return placed;
}

std::string TextOnClipboard() {
  std::string text;
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(nullptr)) return text;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    platform::GlobalLockGuard locked(h);
    if (locked) text = static_cast<const char*>(locked.data());
  }
  CloseClipboard();
  return text;
}

struct PeerBitmap {
  int width = 0, height = 0, r = -1, g = -1, b = -1;
};

std::optional<PeerBitmap> ParsePeer(const std::string& line) {
  PeerBitmap p;
  if (std::sscanf(line.c_str(), "bitmap %d %d %d %d %d", &p.width, &p.height, &p.r, &p.g, &p.b) != 5) return {};
  return p;
}

SIZE_T WorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.WorkingSetSize;
}

ImageBytes SmallCapture() { return capture::CaptureImage(nullptr, 0, 0, 63, 31); }

TEST(SetImageBytes, PutsTheCaptureOnTheClipboardForOtherPrograms) {
  testsupport::TestWindow window(300, 200, testsupport::kPatternWidth, testsupport::kPatternHeight);
  ASSERT_TRUE(testsupport::WaitForScreenColour(350, 250, RGB(255, 0, 0)));
  ASSERT_TRUE(PutText("earlier"));
  const ImageBytes image = capture::CaptureImage();
  const auto header = capture::ReadBmpHeader(image);
  ASSERT_TRUE(header.has_value());

  剪辑板类 clipboard;
  ASSERT_TRUE(clipboard.SetImageBytes(image));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT)) << "the bitmap replaced everything";
  const std::string seen = ReadFromAnotherProcess(350, 250);
  const auto peer = ParsePeer(seen);
  ASSERT_TRUE(peer.has_value()) << seen;
  EXPECT_EQ(peer->width, header->width);
  EXPECT_EQ(peer->height, header->height);
  EXPECT_GE(peer->r, 248);
  EXPECT_LE(peer->g, 7);
  EXPECT_LE(peer->b, 7);

  // A second call leaves only the second bitmap, also when it ran on a worker thread that has
  // ended since (as a key press's capture does).
  bool placed = false;
  std::thread worker([&] { placed = clipboard.SetImageBytes(capture::CaptureImage(nullptr, 300, 200, 399, 249)); });
  worker.join();
  ASSERT_TRUE(placed);
  const auto second = ParsePeer(ReadFromAnotherProcess(10, 10));
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->width, 100);
  EXPECT_EQ(second->height, 50);
  EXPECT_GE(second->r, 248);
}

TEST(SetImageBytes, EmptyOrUndecodableBytesLeaveTheEarlierContent) {
  std::mt19937 random(4);
  ImageBytes noise(5000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(random());
  noise[0] = 'x';
  struct Case {
    const char* what;
    ImageBytes bytes;
  };
  const std::vector<Case> cases = {
      {"empty", {}},
      {"text", ImageBytes{'h', 'e', 'l', 'l', 'o'}},
      {"noise", noise},
  };
  剪辑板类 clipboard;
  for (const auto& c : cases) {
    ASSERT_TRUE(PutText("earlier"));
    EXPECT_FALSE(clipboard.SetImageBytes(c.bytes)) << c.what;
    EXPECT_EQ(TextOnClipboard(), "earlier") << c.what;
  }
}

// Cut captures: the system's loader would read such bytes past their end and put a bitmap of
// whatever lies there on the clipboard. They are refused, the earlier content stays, and
// nothing is left behind however often it happens.
TEST(SetImageBytes, TruncatedCapturesAreRefusedAndLeakNothing) {
  const ImageBytes whole = SmallCapture();  // 64 x 32 at the display's depth
  ASSERT_GT(whole.size(), 58u);
  struct Case {
    const char* what;
    std::size_t length;
  };
  const std::vector<Case> cases = {
      {"file header only", 14},        {"headers cut inside", 30},
      {"headers, no pixels", 58},      {"half the pixels", 58 + (whole.size() - 58) / 2},
      {"the last byte missing", whole.size() - 1},
  };
  剪辑板类 clipboard;
  ASSERT_TRUE(PutText("earlier"));  // the text's owner window is made once, before the probe
  const auto before = testsupport::GdiProbe();
  for (int round = 0; round < 20; ++round) {
    for (const auto& c : cases) {
      ASSERT_TRUE(PutText("earlier"));
      EXPECT_FALSE(clipboard.SetImageBytes(ImageBytes(whole.begin(), whole.begin() + c.length))) << c.what;
      EXPECT_EQ(TextOnClipboard(), "earlier") << c.what;
      EXPECT_EQ(clipboard::BitmapFromImageBytes(ImageBytes(whole.begin(), whole.begin() + c.length), 0, 0), nullptr)
          << c.what;
    }
  }
  EXPECT_LE(testsupport::GdiObjectsGained(before, testsupport::GdiProbe()), 0u);
  EXPECT_TRUE(clipboard.SetImageBytes(whole));  // the whole capture still goes
}

TEST(SetImageBytes, BusyClipboardGivesFalseKeepsContentAndLeaksNoBitmap) {
  剪辑板类 clipboard;
  const ImageBytes image = SmallCapture();
  ASSERT_TRUE(clipboard.SetImageBytes(image));  // warm-up: the owner window and the loader
  ASSERT_TRUE(PutText("earlier"));
  const auto before = testsupport::GdiProbe();
  {
    BusyClipboard busy;
    ASSERT_TRUE(busy.held());
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(clipboard.SetImageBytes(image));
    EXPECT_FALSE(clipboard::SetImageBytesPatiently(image, 100));
  }
  EXPECT_EQ(testsupport::GdiObjectsGained(before, testsupport::GdiProbe()), 0u) << "a decoded bitmap was left behind";
  EXPECT_EQ(TextOnClipboard(), "earlier");
}

TEST(SetImageBytes, PatientSetWaitsForTheHolderToLetGo) {
  const ImageBytes image = SmallCapture();
  ASSERT_TRUE(PutText("earlier"));
  BusyClipboard busy(300);  // lets go by itself shortly after
  ASSERT_TRUE(busy.held());
  EXPECT_TRUE(clipboard::SetImageBytesPatiently(image, 10000));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
}

// Runs the peer from a folder that also holds a planted olepro32.dll, with that folder as the
// current one too; returns the line it wrote.
std::string RunPeerBesidePlantedDll(const std::wstring& folder, const wchar_t* mode) {
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring exe = folder + L"\\clipboard_peer.exe";
  if (!CopyFileW(BesideThisProgram(L"clipboard_peer.exe").c_str(), exe.c_str(), FALSE)) return "copy failed";
  if (!CopyFileW(BesideThisProgram(L"planted\\olepro32.dll").c_str(), (folder + L"\\olepro32.dll").c_str(), FALSE)) {
    return "copy failed";
  }
  const std::wstring out = folder + L"\\answer.txt";
  DeleteFileW(out.c_str());
  std::wstring command = L"\"" + exe + L"\" " + mode + L" \"" + out + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) {
    return "did not start";
  }
  CloseHandle(pi.hThread);
  platform::UniqueHandle process(pi.hProcess);
  if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) return "did not end";
  FILE* in = _wfopen(out.c_str(), L"r");
  if (!in) return "no answer";
  char line[4 * MAX_PATH] = {};
  std::fgets(line, sizeof line, in);
  std::fclose(in);
  std::string s(line);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
  return s;
}

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

TEST(BitmapFromImageBytes, IgnoresALoaderDllPlantedBesideTheProgram) {
  const std::wstring folder = TempFile(L"tarnwick_planted");
  wchar_t system[MAX_PATH];
  const UINT n = GetSystemDirectoryW(system, MAX_PATH);
  char systemUtf8[4 * MAX_PATH];
  WideCharToMultiByte(CP_UTF8, 0, system, static_cast<int>(n) + 1, systemUtf8, sizeof systemUtf8, nullptr, nullptr);
  const std::string systemFolder = Lower(systemUtf8) + "\\";

  // The hazard is real here: a plain load by name takes the planted copy.
  const std::string naive = Lower(RunPeerBesidePlantedDll(folder, L"naive"));
  EXPECT_NE(naive.find("tarnwick_planted"), std::string::npos) << naive;

  const std::string decoded = Lower(RunPeerBesidePlantedDll(folder, L"decode"));
  EXPECT_EQ(decoded.rfind("1 ", 0), 0u) << "the real loader decoded the picture: " << decoded;
  EXPECT_EQ(decoded.find("tarnwick_planted"), std::string::npos) << decoded;
  EXPECT_EQ(decoded.find(systemFolder), 2u) << decoded;

  for (const wchar_t* name : {L"\\clipboard_peer.exe", L"\\olepro32.dll", L"\\answer.txt"}) {
    DeleteFileW((folder + name).c_str());
  }
  RemoveDirectoryW(folder.c_str());
}

TEST(BitmapFromImageBytes, DecodesACaptureAtItsOwnOrAGivenSize) {
  const ImageBytes image = capture::CaptureImage(nullptr, 10, 20, 329, 259);
  struct Case {
    int width, height;
    LONG expectedWidth, expectedHeight;
  };
  for (const Case c : {Case{0, 0, 320, 240}, Case{100, 50, 100, 50}, Case{0, 60, 320, 60}}) {
    platform::UniqueBitmap bitmap(clipboard::BitmapFromImageBytes(image, c.width, c.height));
    ASSERT_TRUE(bitmap) << c.width << "x" << c.height;
    BITMAP record{};
    ASSERT_TRUE(GetObjectW(bitmap.get(), sizeof record, &record));
    EXPECT_EQ(record.bmWidth, c.expectedWidth);
    EXPECT_EQ(record.bmHeight, c.expectedHeight);
  }
  EXPECT_EQ(clipboard::BitmapFromImageBytes({}, 0, 0), nullptr);
  EXPECT_EQ(clipboard::BitmapFromImageBytes(ImageBytes(100, 7), 0, 0), nullptr);
}

TEST(SetImageBytes, TwoHundredCaptureAndSetCyclesLeakNothing) {
  剪辑板类 clipboard;
  // Every capture grabs the whole display; a 640 x 480 part of it goes to the clipboard,
  // which keeps 200 rounds short.
  auto cycle = [&] {
    const ImageBytes image = capture::CaptureImage(nullptr, 0, 0, 639, 479);
    return clipboard.SetImageBytes(image);
  };
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(cycle());
  const auto gdiBefore = testsupport::GdiProbe();
  const SIZE_T memoryBefore = WorkingSet();
  int placed = 0;
  for (int i = 0; i < 200; ++i) placed += cycle() ? 1 : 0;
  EXPECT_EQ(placed, 200);
  // The clipboard's current bitmap moves to a new slot with every set: allow it.
  EXPECT_LE(testsupport::GdiObjectsGained(gdiBefore, testsupport::GdiProbe()), 2u);
  // A leaked grab is 4 MB, a leaked decoded 640 x 480 bitmap 1.2 MB: 200 cycles would show hundreds.
  EXPECT_LT(WorkingSet(), memoryBefore + 24 * 1024 * 1024)
      << "before " << memoryBefore / 1024 << " KB, after " << WorkingSet() / 1024 << " KB";
}

}  // namespace
