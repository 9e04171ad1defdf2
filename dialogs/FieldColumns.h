#pragma once
// Lining up the fields of several groups of a dialog.

#include <initializer_list>

class QGridLayout;

namespace tavelin {

// The groups' fields start at one line: their label columns are as wide as the widest
// label among them (labels spanning columns, like a hint, do not count).
void AlignFieldColumns(std::initializer_list<QGridLayout*> grids);

}  // namespace tavelin
