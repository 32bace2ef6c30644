#pragma once

#include <QFont>
#include <QString>

namespace korvo {

// A font choice as the view uses it: the face that answers it and the cell it gives.
struct CellFont
{
    QFont font;
    int cellWidth = 1;
    int cellHeight = 1;
    int ascent = 0;
    bool fixedPitch = true;
};

// The face and cell for a font choice, resolved and measured once per choice for the whole application.
const CellFont &cellFont(const QString &family, double pointSize, bool bold, bool italic);

} // namespace korvo
