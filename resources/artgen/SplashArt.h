#pragma once
// The 600 x 430 picture of the busy window shown while the program starts.

#include <QImage>

namespace tavelin::art {

QImage DrawSplash();

}  // namespace tavelin::art
