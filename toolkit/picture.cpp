#include "toolkit/picture.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace toolkit {

std::unique_ptr<Picture> Picture::FromPng(std::span<const std::uint8_t> png) {
  if (png.empty()) return nullptr;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return nullptr;
  image.format = PNG_FORMAT_BGRA;
  if (image.width == 0 || image.height == 0 || image.width > 8192 || image.height > 8192) {
    png_image_free(&image);
    return nullptr;
  }
  const int width = static_cast<int>(image.width);
  const int height = static_cast<int>(image.height);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, like libpng's rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  platform::Unique<HBITMAP, DeleteObject> bitmap(
      CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) {
    png_image_free(&image);
    return nullptr;
  }
  if (!png_image_finish_read(&image, nullptr, bits, width * 4, nullptr)) {
    png_image_free(&image);
    return nullptr;
  }
  // AlphaBlend wants premultiplied colour.
  auto* pixels = static_cast<std::uint8_t*>(bits);
  for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
    std::uint8_t* p = pixels + i * 4;
    const unsigned a = p[3];
    if (a == 255) continue;
    p[0] = static_cast<std::uint8_t>((p[0] * a + 127) / 255);
    p[1] = static_cast<std::uint8_t>((p[1] * a + 127) / 255);
    p[2] = static_cast<std::uint8_t>((p[2] * a + 127) / 255);
  }
  GdiFlush();

  std::unique_ptr<Picture> picture(new Picture);
  picture->bitmap_ = std::move(bitmap);
  picture->bits_ = static_cast<const std::uint32_t*>(bits);
  picture->width_ = width;
  picture->height_ = height;
  return picture;
}

std::unique_ptr<Picture> Picture::FromResource(int id) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  const DWORD size = SizeofResource(module, found);
  if (!data || size == 0) return nullptr;
  return FromPng({static_cast<const std::uint8_t*>(data), size});
}

std::uint32_t Picture::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return bits_[static_cast<std::size_t>(y) * width_ + x];
}

void Picture::Draw(HDC dc, const RECT& dest) const {
  HDC source = CreateCompatibleDC(dc);
  if (!source) return;
  HGDIOBJ previous = SelectObject(source, bitmap_.get());
  int oldMode = SetStretchBltMode(dc, HALFTONE);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source, 0, 0,
             width_, height_, blend);
  SetStretchBltMode(dc, oldMode);
  SelectObject(source, previous);
  DeleteDC(source);
}

}  // namespace toolkit
