#pragma once

// Page 2: "Module &Settings" (mode, device name, prompt character, serial rate, and with "-c" the
// character delay) for the module; "&RS232 Baud Rate" (the rate alone) for the adapter and monitor.

#include "can/canrequest.h"
#include "settings/preferences.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace korvo {

class Prompt;

class ModuleSettingsPage : public QWidget
{
    Q_OBJECT
public:
    // canSetup: the "-c" switch (the module's rate list enabled, "Char Delay:" shown).
    ModuleSettingsPage(CanTarget target, bool canSetup, Prompt &prompt, QWidget *parent = nullptr);

    // storedBaud: the code a typed rate that is not valid falls back to.
    void load(const CanRecord &record, int charDelay, int storedBaud);
    void store(CanRecord &record, int &charDelay) const;
    QComboBox *baudList() const { return m_baud; }
    QLineEdit *nameField() const { return m_name; }

Q_SIGNALS:
    void edited();

private:
    void baudTyped();
    void showBaud(int code);

    QRadioButton *m_single = nullptr;
    QRadioButton *m_party = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_prompt = nullptr;
    QComboBox *m_baud = nullptr;
    QSpinBox *m_charDelay = nullptr;
    Prompt &m_userPrompt; // message boxes; m_prompt is the device's prompt character
    int m_baudCode = 96;
    int m_storedBaud = 96;
    int m_nameCode = '!';
    int m_promptCode = '>';
    bool m_loading = false;
};

} // namespace korvo
