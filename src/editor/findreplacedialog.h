#pragma once

// The Find and Replace dialog of an edit window (one non-modal dialog; Replace shows the extra fields).

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvo {

class EditWindow;
struct SearchOptions;

class FindReplaceDialog : public QDialog
{
    Q_OBJECT
public:
    explicit FindReplaceDialog(EditWindow *window);

    // Shows the dialog in find or replace form with the text to look for.
    void showFor(bool replaceMode, const QString &text);
    SearchOptions options() const;
    QString message() const; // outcome of the last button, such as "3 occurrences replaced."

    // Button actions, also used by tests.
    void findNextPressed();
    void replacePressed();
    void replaceAllPressed();

    QLineEdit *findField() const { return m_find; }
    QLineEdit *replaceField() const { return m_replace; }
    QCheckBox *matchCaseBox() const { return m_matchCase; }
    QCheckBox *wholeWordBox() const { return m_wholeWord; }
    QCheckBox *wrapBox() const { return m_wrap; }

private:
    void notFound();

    EditWindow *m_window;
    QLineEdit *m_find;
    QLineEdit *m_replace;
    QLabel *m_replaceLabel;
    QCheckBox *m_matchCase;
    QCheckBox *m_wholeWord;
    QCheckBox *m_wrap;
    QPushButton *m_findNext;
    QPushButton *m_replaceOne;
    QPushButton *m_replaceAll;
    QLabel *m_message;
};

} // namespace korvo
