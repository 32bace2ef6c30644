#pragma once

// Pages 3..5, "Message Frame &1".."&3": one message object's arbitration registers, its identifier length,
// and its valid flag (module) or direction (adapter, monitor).

#include "can/canrequest.h"
#include "settings/preferences.h"

#include <QWidget>
#include <array>

class QRadioButton;

namespace korvo {

class RegisterRow;

class FramePage : public QWidget
{
    Q_OBJECT
public:
    explicit FramePage(QWidget *parent = nullptr);

    // Show_Message_Frame: frame 0..2 of the record, for the target's options.
    void load(const CanRecord &record, int frame, CanTarget target);
    // The frame's registers and flags into the record.
    void store(CanRecord &record) const;
    RegisterRow *row(int index) const { return m_rows[std::size_t(index)]; }
    QRadioButton *extendedOption() const { return m_xtd; }
    QRadioButton *validOption() const { return m_valid; }
    QRadioButton *notValidOption() const { return m_notValid; }
    QRadioButton *transmitOption() const { return m_tx; }

Q_SIGNALS:
    // Typed into or an option chosen (the page is modified).
    void edited();
    // A register committed or an option chosen: store() has something new.
    void changed();

private:
    bool extended() const;
    void setIdLength();
    void setFlag(int flag, bool on);

    std::array<RegisterRow *, 4> m_rows{};
    QRadioButton *m_std = nullptr;
    QRadioButton *m_xtd = nullptr;
    QRadioButton *m_valid = nullptr;
    QRadioButton *m_notValid = nullptr;
    QRadioButton *m_rx = nullptr;
    QRadioButton *m_tx = nullptr;
    int m_frame = 0;
    int m_flags = 0;
    bool m_loading = false;
};

} // namespace korvo
