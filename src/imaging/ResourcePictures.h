#pragma once

#include "framework/Handles.h"
#include "imaging/PngReader.h"

#include <windows.h>

// The program's pictures as they come out of its resources. Any thread; failures raise
// EPictureError naming the resource.
namespace hivelark {

// Decodes the PNG file stored as the RCDATA resource `name` of `module`.
Picture ReadPngResource(HMODULE module, const char* name);

// The BITMAP resource `name` as a DIB section, through the platform's loader, so that its pixels
// keep their stored colours whatever the screen's format.
UniqueBitmap LoadBitmapResource(HMODULE module, const char* name);

} // namespace hivelark
