#include "aboutdialog.h"

#include "shell/toolicons.h"
#include "ui/altletters.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace korvo {

AboutDialog::AboutDialog(const QString &version, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("About KorvoTerm"));
    m_text = tr("KorvoTerm\nVersion %1").arg(version);

    auto *icon = new QLabel(this);
    icon->setPixmap(drawnIcon(QStringLiteral("app")).pixmap(48, 48));
    auto *name =
        new QLabel(QStringLiteral("<h2>KorvoTerm</h2><p>Version %1</p>").arg(version.toHtmlEscaped()), this);
    name->setObjectName(QStringLiteral("nameLabel"));
    auto *purpose = new QLabel(tr("Communications, programming and firmware-upgrade utility for "
                                  "stepper-motor controllers and integrated motor drives."),
                               this);
    purpose->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(purpose);
    top->addLayout(texts, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
    setMinimumWidth(360);
    giveAltLetters(this);
}

QString AboutDialog::text() const
{
    return m_text;
}

} // namespace korvo
