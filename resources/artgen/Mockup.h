#pragma once
// Review aid: the whole main window composed from the skin and every face at its
// place, as the program will show it. Not part of the program's resources.

#include <QImage>

#include "resources/artgen/ArtCatalog.h"

namespace tavelin::art {

// `active`: recording, monitoring and sound on, a size chosen; otherwise idle.
QImage ComposeMockup(const CArtCatalog& catalog, bool active);

}  // namespace tavelin::art
