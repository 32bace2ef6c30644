#pragma once

// The RS-232 control-lines dialog: RTS and DTR levels for the serial port; OK only once something changed.

#include <QDialog>
#include <optional>

class QCheckBox;
class QPushButton;

namespace korvo {

struct ControlLines
{
    bool rts = false;
    bool dtr = false;
    bool operator==(const ControlLines &other) const = default;
};

class ControlLinesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ControlLinesDialog(const ControlLines &current, QWidget *parent = nullptr);

    ControlLines lines() const;
    // Changed-bits against the opening values: bit 0 RTS, bit 1 DTR.
    int changedBits() const { return m_changed; }

    // Shows the dialog; the new levels when the user changed them and pressed OK, otherwise nothing.
    static std::optional<ControlLines> edit(const ControlLines &current, QWidget *parent = nullptr);

private:
    void update();

    ControlLines m_opening;
    QCheckBox *m_rts = nullptr;
    QCheckBox *m_dtr = nullptr;
    QPushButton *m_ok = nullptr;
    int m_changed = 0;
};

} // namespace korvo
