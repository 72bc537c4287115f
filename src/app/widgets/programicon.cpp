#include "app/widgets/programicon.h"

#include "app/tapeicon.h"

#include <QPixmap>

namespace marbolt {

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 42, 48, 64})
        icon.addPixmap(QPixmap::fromImage(tapeIconImage(size)));
    return icon;
}

}  // namespace marbolt
