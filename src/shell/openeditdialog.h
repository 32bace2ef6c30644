#pragma once

// frmOpenEdit: asks for the name of a new file to edit and whether it opens in a new window.

#include "app/devicecatalogue.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvo {

class FileDialogs;

class OpenEditDialog : public QDialog
{
    Q_OBJECT
public:
    // proposedName fills the name box; newWindow sets "Create New Window"; family chooses what Browse offers
    // through fileDialogs.
    OpenEditDialog(const QString &proposedName, bool newWindow, DeviceType family,
                   const FileDialogs &fileDialogs, QWidget *parent = nullptr);

    // After exec(): the chosen absolute name, empty when cancelled.
    QString fileName() const { return m_result; }
    bool newWindow() const;

    QLineEdit *nameField() const { return m_name; }
    QCheckBox *newWindowBox() const { return m_newWindow; }
    QPushButton *okButton() const { return m_ok; }
    void browse();
    void accept() override;
    void reject() override;

private:
    QLineEdit *m_name;
    QLabel *m_directory;
    QCheckBox *m_newWindow;
    QPushButton *m_ok;
    DeviceType m_family;
    const FileDialogs &m_fileDialogs;
    QString m_result;
};

} // namespace korvo
