// What the built tarnwick.exe declares in its resources: the manifest (common controls 6,
// DPI awareness), the nine icon images and the version.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <tuple>

#include "platform/win.h"
#include "tests/support/driver.h"

namespace {

class ExeResources : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* exe = std::getenv("TARNWICK_EXE");
    ASSERT_NE(exe, nullptr);
    path_ = driver::WinePath(exe);
    module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  std::string Resource(LPCWSTR type, LPCWSTR name) {
    HRSRC found = FindResourceW(module_, name, type);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module_, found);
    const char* data = static_cast<const char*>(LockResource(loaded));
    return data ? std::string(data, SizeofResource(module_, found)) : std::string();
  }
  std::wstring path_;
  HMODULE module_ = nullptr;
};

TEST_F(ExeResources, ManifestDeclaresCommonControls6AndDpiAwareness) {
  const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
  ASSERT_FALSE(manifest.empty());
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

TEST_F(ExeResources, IconHoldsExactlyTheNineImages) {
  const std::string group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(1));
  ASSERT_GE(group.size(), 6u);
  const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
  ASSERT_EQ(count, 9);
  ASSERT_EQ(group.size(), 6u + count * sizeof(GroupIconEntry));
  std::multiset<std::tuple<int, int>> images;  // (size, bits)
  for (WORD i = 0; i < count; ++i) {
    const auto* e = reinterpret_cast<const GroupIconEntry*>(group.data() + 6 + i * sizeof(GroupIconEntry));
    EXPECT_EQ(e->width, e->height);
    images.emplace(e->width == 0 ? 256 : e->width, e->bitCount);
    // Each image is really there, with a header of that size and depth.
    const std::string image = Resource(RT_ICON, MAKEINTRESOURCEW(e->id));
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    const auto* h = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
    EXPECT_EQ(h->biWidth, e->width == 0 ? 256 : e->width);
    EXPECT_EQ(h->biBitCount, e->bitCount);
  }
  const std::multiset<std::tuple<int, int>> expected{{48, 4}, {48, 8}, {32, 8}, {16, 8}, {128, 32},
                                                     {48, 32}, {32, 32}, {16, 32}, {32, 1}};
  EXPECT_EQ(images, expected);
}

TEST_F(ExeResources, VersionIs1Point1) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 1));
  wchar_t* text = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\080404b0\\FileVersion", reinterpret_cast<void**>(&text), &length));
  EXPECT_EQ(std::wstring(text), L"1.1");
}

}  // namespace
