#pragma once

// Page 1, "&Mask Registers": the global acceptance masks for standard and extended identifiers.

#include "settings/preferences.h"

#include <QWidget>
#include <array>

namespace korvo {

class RegisterRow;

class MaskPage : public QWidget
{
    Q_OBJECT
public:
    explicit MaskPage(QWidget *parent = nullptr);

    // Show_Masks from the record.
    void load(const CanRecord &record);
    // Committed values into the record's six masks.
    void store(CanRecord &record) const;
    RegisterRow *row(int index) const { return m_rows[std::size_t(index)]; }

Q_SIGNALS:
    // Typed into (the page is modified).
    void edited();
    // A register committed: store() has something new.
    void changed();

private:
    std::array<RegisterRow *, 6> m_rows{};
};

} // namespace korvo
