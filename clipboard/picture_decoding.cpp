#include "clipboard/picture_decoding.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstring>

#include "capture/bmp_load_check.h"
#include "platform/com_ptr.h"
#include "platform/global_memory.h"
#include "platform/system_library.h"

namespace clipboard {

namespace {

using CreateStreamOnHGlobalFn = HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**);
using CLSIDFromStringFn = HRESULT(WINAPI*)(LPCOLESTR, CLSID*);
using OleLoadPictureFn = HRESULT(WINAPI*)(IStream*, LONG, BOOL, REFIID, void**);

struct PictureLoader {
  CreateStreamOnHGlobalFn createStreamOnHGlobal = nullptr;
  CLSIDFromStringFn clsidFromString = nullptr;
  OleLoadPictureFn oleLoadPicture = nullptr;
  bool complete() const { return createStreamOnHGlobal && clsidFromString && oleLoadPicture; }
};

// Bound once per process; a missing library or entry point leaves the loader incomplete and
// every decode then fails.
const PictureLoader& Loader() {
  static const PictureLoader loader = [] {
    PictureLoader l;
    HMODULE ole32 = platform::LoadSystemLibrary(L"ole32.dll");
    HMODULE olepro32 = platform::LoadSystemLibrary(L"olepro32.dll");
    l.createStreamOnHGlobal = platform::GetEntryPoint<CreateStreamOnHGlobalFn>(ole32, "CreateStreamOnHGlobal");
    l.clsidFromString = platform::GetEntryPoint<CLSIDFromStringFn>(ole32, "CLSIDFromString");
    l.oleLoadPicture = platform::GetEntryPoint<OleLoadPictureFn>(olepro32, "OleLoadPicture");
    return l;
  }();
  return loader;
}

}  // namespace

HBITMAP BitmapFromImageBytes(const capture::ImageBytes& image, std::int32_t width, std::int32_t height) {
  if (image.empty() || image.size() > static_cast<std::size_t>(LONG_MAX)) return nullptr;
  // The loader trusts a BMP's headers and reads as far as they say: bytes that begin as a BMP
  // but are cut short would be read past their end (under Wine the result is a bitmap of
  // whatever lies beyond). They make no bitmap.
  if (capture::BmpReachesPastItsBytes(image)) return nullptr;
  const PictureLoader& loader = Loader();
  if (!loader.complete()) return nullptr;

  platform::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, image.size()));
  if (!block) return nullptr;
  {
    platform::GlobalLockGuard locked(block.get());
    if (!locked) return nullptr;
    std::memcpy(locked.data(), image.data(), image.size());
  }
  // The stream does not own the block: the block is ours and outlives the stream.
  platform::ComPtr<IStream> stream;
  if (loader.createStreamOnHGlobal(block.get(), FALSE, stream.put()) != S_OK || !stream) return nullptr;
  IID pictureIid{};
  if (loader.clsidFromString(L"{7BF80980-BF32-101A-8BBB-00AA00300CAB}", &pictureIid) != S_OK) return nullptr;
  platform::ComPtr<IPicture> picture;
  if (loader.oleLoadPicture(stream.get(), static_cast<LONG>(image.size()), TRUE, pictureIid, picture.put_void()) !=
          S_OK ||
      !picture) {
    return nullptr;
  }

  OLE_HANDLE handle = 0;
  HBITMAP decoded = nullptr;
  if (picture->get_Handle(&handle) == S_OK) decoded = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
  SHORT type = PICTYPE_NONE;
  picture->get_Type(&type);
  // Flags 0: always a new bitmap of our own. With LR_COPYRETURNORG the platform may hand back
  // the decoded handle itself, which is freed below.
  HBITMAP copy = nullptr;
  if (decoded && type == PICTYPE_BITMAP) {
    copy = static_cast<HBITMAP>(CopyImage(decoded, IMAGE_BITMAP, width, height, 0));
  }
  picture.reset();
  // Whether the picture owned its handle differs between loaders: free the decoded bitmap
  // only if it survived the picture. A freed handle never comes back as the same value (the
  // slot gets a new generation), so this cannot hit another object.
  if (decoded && GetObjectType(decoded) == OBJ_BITMAP && decoded != copy) DeleteObject(decoded);
  return copy;
}

}  // namespace clipboard
