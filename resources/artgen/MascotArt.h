#pragma once
// The About box's hidden 160 x 120 picture: the team's camera mascot waving.

#include <QImage>

namespace tavelin::art {

QImage DrawAboutHidden();

}  // namespace tavelin::art
