#include "imaging/ResourcePictures.h"

namespace hivelark {

Picture ReadPngResource(HMODULE module, const char* name) {
  HRSRC resource = FindResourceA(module, name, RT_RCDATA);
  if (resource == nullptr) {
    throw EPictureError(Format("Picture resource \"%s\" not found", name));
  }
  // Resource memory belongs to the loaded module and is never freed by us: LoadResource only
  // hands out the address of the mapped data.
  HGLOBAL loaded = LoadResource(module, resource);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) {
    throw EPictureError(Format("Cannot load picture resource \"%s\": %s", name,
                               SystemErrorMessage(GetLastError()).c_str()));
  }
  const DWORD size = SizeofResource(module, resource);
  try {
    return ReadPng({static_cast<const std::uint8_t*>(data), size});
  } catch (const EPictureError& error) {
    throw EPictureError(Format("Picture resource \"%s\": %s", name, error.what()));
  }
}

UniqueBitmap LoadBitmapResource(HMODULE module, const char* name) {
  UniqueBitmap bitmap(
      static_cast<HBITMAP>(LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!bitmap) {
    throw EPictureError(Format("Cannot load bitmap resource \"%s\": %s", name,
                               SystemErrorMessage(GetLastError()).c_str()));
  }
  return bitmap;
}

} // namespace hivelark
