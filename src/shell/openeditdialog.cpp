#include "openeditdialog.h"
#include "ui/altletters.h"

#include "ui/captiontext.h"
#include "ui/filedialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace korvo {

OpenEditDialog::OpenEditDialog(const QString &proposedName, bool newWindow, DeviceType family,
                               const FileDialogs &fileDialogs, QWidget *parent)
    : QDialog(parent), m_name(new QLineEdit(proposedName, this)), m_directory(new QLabel(this)),
      m_newWindow(new QCheckBox(QStringLiteral("Create New Window"), this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this)), m_family(family), m_fileDialogs(fileDialogs)
{
    setWindowTitle(QStringLiteral("Open a New file for editing"));
    m_newWindow->setChecked(newWindow);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto *browseButton = new QPushButton(QStringLiteral("Browse..."), this);
    auto *nameLabel = new QLabel(QStringLiteral("File Name:"), this);
    nameLabel->setBuddy(m_name);

    constexpr int kDirectoryWidth = 320;
    m_directory->setFixedWidth(kDirectoryWidth);
    const QString current = QDir::toNativeSeparators(QDir::currentPath());
    m_directory->setText(compactPath(current, m_directory->fontMetrics(), kDirectoryWidth));
    m_directory->setToolTip(current);

    auto *grid = new QGridLayout;
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(m_name, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Current Directory:"), this), 1, 0);
    grid->addWidget(m_directory, 1, 1);
    grid->addWidget(m_newWindow, 2, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    buttons->addWidget(browseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    m_ok->setDefault(true);
    m_ok->setEnabled(!proposedName.isEmpty());
    connect(m_name, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_ok->setEnabled(!text.isEmpty()); });
    connect(m_ok, &QPushButton::clicked, this, &OpenEditDialog::accept);
    connect(m_name, &QLineEdit::returnPressed, this, &OpenEditDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &OpenEditDialog::reject);
    connect(browseButton, &QPushButton::clicked, this, &OpenEditDialog::browse);
    giveAltLetters(this);
}

bool OpenEditDialog::newWindow() const
{
    return m_newWindow->isChecked();
}

void OpenEditDialog::browse()
{
    if (const std::optional<QString> path = m_fileDialogs.getFile(FileDialogKind::NewFileBrowse, m_family,
                                                                  QString(), FileDialogMode::Save, this))
        m_name->setText(*path);
}

void OpenEditDialog::accept()
{
    const QString name = m_name->text().trimmed();
    if (name.isEmpty())
        return;
    // A bare name is a file in the current directory.
    m_result =
        QDir::isAbsolutePath(name) ? name : QDir::toNativeSeparators(QDir::current().absoluteFilePath(name));
    QDialog::accept();
}

void OpenEditDialog::reject()
{
    m_result.clear();
    QDialog::reject();
}

} // namespace korvo
