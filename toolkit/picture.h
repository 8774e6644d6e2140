// A picture with alpha: decoded from PNG with libpng into a premultiplied 32-bit DIB
// section once, then drawn with AlphaBlend over whatever is already in the DC.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/unique.h"
#include "platform/win.h"

namespace toolkit {

class Picture {
 public:
  // Null when the bytes are not a PNG libpng can read.
  static std::unique_ptr<Picture> FromPng(std::span<const std::uint8_t> png);
  // A PNG stored as an RCDATA resource of the program.
  static std::unique_ptr<Picture> FromResource(int id);

  int width() const { return width_; }
  int height() const { return height_; }
  // Premultiplied BGRA of pixel (x, y), for tests.
  std::uint32_t PixelAt(int x, int y) const;

  // Stretches the whole picture over dest (aspect ratio not kept).
  void Draw(HDC dc, const RECT& dest) const;

 private:
  Picture() = default;
  platform::Unique<HBITMAP, DeleteObject> bitmap_;
  const std::uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace toolkit
