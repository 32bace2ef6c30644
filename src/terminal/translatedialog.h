#pragma once

// frmTranslate: the terminal's translation options (outgoing CR, incoming CR, control and display
// characters as hex forms).

#include <QDialog>

class QCheckBox;

namespace korvo {

struct CommWindowSettings;

class TranslateDialog : public QDialog
{
    Q_OBJECT
public:
    struct Options
    {
        bool translateCR = false;
        bool crTranslate = false;
        bool controlHex = false;
        bool notCRLF = false;
        int displayHex = 0;

        static Options of(const CommWindowSettings &settings);
        void applyTo(CommWindowSettings &settings) const;
    };

    explicit TranslateDialog(const Options &options, QWidget *parent = nullptr);

    Options options() const;

private:
    QCheckBox *m_translateCR;
    QCheckBox *m_crTranslate;
    QCheckBox *m_controlHex;
    QCheckBox *m_notCRLF;
    QCheckBox *m_hexPrintable;
    QCheckBox *m_hexHigh;
};

} // namespace korvo
