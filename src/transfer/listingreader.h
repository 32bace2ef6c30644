#pragma once

// Reads a listing (a file or an edit window's text) for a download: splits it into lines (CR LF, LF or a
// lone CR), refuses what cannot be a listing (NUL bytes, absurdly long lines), recognises the section
// headers of each device type and picks the requested sections.

#include "app/devicecatalogue.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace korvo {

class ListingReader
{
public:
    static constexpr qsizetype kMaxLineLength = 4096;
    // Header kinds besides the three section bits.
    static constexpr int kEnd = 0x10;
    static constexpr int kOther = 0x20; // a header of no selectable section (926Q non-volatile blocks)

    // The lines of text; false with a message when it is not a listing.
    static bool splitLines(const QByteArray &text, QList<QByteArray> *lines, QString *error);

    // The section bit (TransferRequest::Section), kEnd or kOther of a header line of the device type; 0
    // for any other line.
    static int headerKind(DeviceType device, const QByteArray &line);

    struct Selection
    {
        QList<QByteArray> lines; // what is to be sent, in order
        int found = 0;           // the requested sections the listing holds
        QString programName;     // from a "PGM name" line after a programs header
    };
    // The lines of the requested sections, each taken from its first header up to the next header of
    // another section or "'[END]" (headers are not sent); every line when sections is 0.
    static Selection select(const QList<QByteArray> &lines, DeviceType device, int sections);
    // The sections the listing holds (what verify reads back when nothing is ticked).
    static int sectionsIn(const QList<QByteArray> &lines, DeviceType device)
    {
        return select(lines, device, 7).found;
    }
};

} // namespace korvo
