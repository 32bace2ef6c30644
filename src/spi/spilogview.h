#pragma once

// The SPI window's exchange log: read-only, fixed pitch, scrolled to its end, with a gutter that shows each
// exchange's time of day and message time beside its first line. Exchanges are added in batches and the
// oldest are dropped beyond the log's limit.

#include "spi/spilog.h"

#include <QPlainTextEdit>

namespace korvo {

class SpiLogView : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit SpiLogView(QWidget *parent = nullptr);

    // Appends entries at the end; dropFirst exchanges are removed from the top first.
    void appendEntries(const std::vector<SpiLog::Entry> &entries, int dropFirst);
    void clearLog();
    int gutterWidth() const;
    // The gutter text painted beside a block, empty for none (tests read it).
    QString gutterOf(int blockNumber) const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    class Gutter;
    void paintGutter(QPaintEvent *event);

    Gutter *m_gutter;
};

} // namespace korvo
