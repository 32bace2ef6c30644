#pragma once

// Verify's answer when the device differs from the listing: the differing lines side by side.

#include "transfer/listingdiff.h"

#include <QDialog>

namespace korvo {

class ListingDiffView : public QDialog
{
    Q_OBJECT
public:
    ListingDiffView(const ListingDiff &diff, const QString &sourceName, QWidget *parent = nullptr);
};

} // namespace korvo
