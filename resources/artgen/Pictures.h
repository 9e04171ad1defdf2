#pragma once
// Every picture of the program, under its resource id.

#include "resources/artgen/ArtCatalog.h"

namespace tavelin::art {

void AddAllPictures(CArtCatalog& catalog);

// Icon sizes written as art/icons/<size>.png for the desktop and the tray.
inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace tavelin::art
