#pragma once

// The About box: the program's name, version and purpose.

#include <QDialog>

namespace korvo {

class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(const QString &version, QWidget *parent = nullptr);
    QString text() const;

private:
    QString m_text;
};

} // namespace korvo
