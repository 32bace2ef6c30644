#pragma once

// frmOptions ("Preferences"): five pages over one plain settings value. Apply hands the current page to
// the windows (applyRequested), OK every changed page in page order, Cancel nothing more.

#include "preferences/optionsvalues.h"

#include <QDialog>
#include <QVariantList>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace korvo {

class Clock;
class CommPage;
class OptionsPageWidget;
class PortEnumerator;
class Prompt;

class OptionsDialog : public QDialog
{
    Q_OBJECT
public:
    struct Context
    {
        PreferencesRequest request = PreferencesRequest::TextEditor;
        bool editWindowOpen = false;
        bool terminalOpen = false;
        const CommWindowSettings *activeTerminal = nullptr;
        QString discoveryTarget;
        const PortEnumerator *ports = nullptr; // the serial ports "Port:" offers
    };

    OptionsDialog(const OptionsValues &values, const Context &context, Clock &clock, Prompt &prompt,
                  QWidget *parent = nullptr);

    // The settings as edited so far (the pages applied or not).
    const OptionsValues &values() const { return m_values; }
    int currentPage() const;
    bool isChanged(int page) const { return m_changed[size_t(page)]; }
    void setPage(int page);
    // Apply: the current page.
    void apply();

Q_SIGNALS:
    // A page's settings are to reach the running windows (values() holds them).
    void applyRequested(int page);

private:
    void markChanged(int page);
    QVariantList handedBack(int page) const;
    void pageShown();
    void applyPage(int page);
    void ok();

    OptionsValues m_values;
    Context m_context;
    QTabWidget *m_tabs = nullptr;
    std::array<OptionsPageWidget *, 6> m_pages{};
    std::array<bool, 6> m_changed{};
    // What each page handed back, over the values the dialog opened with, when it was loaded or last
    // applied: only a difference enables Apply.
    const OptionsValues m_opened;
    std::array<QVariantList, 6> m_unchanged{};
    QGroupBox *m_applyTo = nullptr;
    std::array<QCheckBox *, 3> m_applyBoxes{};
    QLabel *m_notActive = nullptr;
    QPushButton *m_applyButton = nullptr;
};

} // namespace korvo
