#pragma once
// Still pictures: BMP files written from frames, and their conversion to JPEG.

#include "core/BmpFile.h"   // IWYU pragma: export
#include "core/Dib.h"       // IWYU pragma: export
#include "core/JpegFile.h"  // IWYU pragma: export
