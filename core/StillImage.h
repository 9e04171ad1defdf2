#pragma once
// Still pictures: BMP files written from frames, and their conversion to JPEG.

#include "BmpFile.h"   // IWYU pragma: export
#include "Dib.h"       // IWYU pragma: export
#include "JpegFile.h"  // IWYU pragma: export
