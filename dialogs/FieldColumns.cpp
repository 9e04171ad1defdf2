#include "dialogs/FieldColumns.h"

#include <QGridLayout>
#include <algorithm>

namespace tavelin {

void AlignFieldColumns(std::initializer_list<QGridLayout*> grids) {
    int width = 0;
    for (QGridLayout* grid : grids) {
        for (int i = 0; i < grid->count(); ++i) {
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(i, &row, &column, &rows, &columns);
            if (column == 0 && columns == 1)
                width = std::max(width, grid->itemAt(i)->sizeHint().width());
        }
    }
    for (QGridLayout* grid : grids)
        grid->setColumnMinimumWidth(0, width);
}

}  // namespace tavelin
