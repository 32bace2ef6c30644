#include "findreplacedialog.h"
#include "ui/altletters.h"

#include "editor/editwindow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvo {

FindReplaceDialog::FindReplaceDialog(EditWindow *window)
    : QDialog(window), m_window(window), m_find(new QLineEdit(this)), m_replace(new QLineEdit(this)),
      m_replaceLabel(new QLabel(QStringLiteral("Re&place with:"), this)),
      m_matchCase(new QCheckBox(QStringLiteral("Match &case"), this)),
      m_wholeWord(new QCheckBox(QStringLiteral("Match &whole word only"), this)),
      m_wrap(new QCheckBox(QStringLiteral("Wrap around"), this)),
      m_findNext(new QPushButton(QStringLiteral("&Find Next"), this)),
      m_replaceOne(new QPushButton(QStringLiteral("&Replace"), this)),
      m_replaceAll(new QPushButton(QStringLiteral("Replace &All"), this)), m_message(new QLabel(this))
{
    setModal(false);
    m_wrap->setChecked(true);
    auto *findLabel = new QLabel(QStringLiteral("Fi&nd what:"), this);
    findLabel->setBuddy(m_find);
    m_replaceLabel->setBuddy(m_replace);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);

    auto *grid = new QGridLayout;
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(m_find, 0, 1);
    grid->addWidget(m_replaceLabel, 1, 0);
    grid->addWidget(m_replace, 1, 1);
    grid->addWidget(m_matchCase, 2, 0, 1, 2);
    grid->addWidget(m_wholeWord, 3, 0, 1, 2);
    grid->addWidget(m_wrap, 4, 0, 1, 2);
    grid->addWidget(m_message, 5, 0, 1, 2);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *button : {m_findNext, m_replaceOne, m_replaceAll, cancel})
        buttons->addWidget(button);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);
    m_findNext->setDefault(true);

    connect(m_findNext, &QPushButton::clicked, this, &FindReplaceDialog::findNextPressed);
    connect(m_replaceOne, &QPushButton::clicked, this, &FindReplaceDialog::replacePressed);
    connect(m_replaceAll, &QPushButton::clicked, this, &FindReplaceDialog::replaceAllPressed);
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    connect(m_find, &QLineEdit::textChanged, this, [this](const QString &text) {
        for (QPushButton *button : {m_findNext, m_replaceOne, m_replaceAll})
            button->setEnabled(!text.isEmpty());
    });
    giveAltLetters(this);
}

void FindReplaceDialog::showFor(bool replaceMode, const QString &text)
{
    setWindowTitle(replaceMode ? QStringLiteral("Replace") : QStringLiteral("Find"));
    for (QWidget *part : {static_cast<QWidget *>(m_replaceLabel), static_cast<QWidget *>(m_replace),
                          static_cast<QWidget *>(m_replaceOne), static_cast<QWidget *>(m_replaceAll)})
        part->setVisible(replaceMode);
    m_find->setText(text);
    m_find->selectAll();
    for (QPushButton *button : {m_findNext, m_replaceOne, m_replaceAll})
        button->setEnabled(!text.isEmpty());
    m_message->clear();
    show();
    raise();
    activateWindow();
    m_find->setFocus();
}

SearchOptions FindReplaceDialog::options() const
{
    return {m_find->text(), m_matchCase->isChecked(), m_wholeWord->isChecked(), m_wrap->isChecked()};
}

QString FindReplaceDialog::message() const
{
    return m_message->text();
}

void FindReplaceDialog::notFound()
{
    m_message->setText(QStringLiteral("Cannot find \"%1\".").arg(m_find->text()));
}

void FindReplaceDialog::findNextPressed()
{
    m_message->clear();
    if (!m_window->findText(options()))
        notFound();
}

void FindReplaceDialog::replacePressed()
{
    m_message->clear();
    // A press replaces the occurrence found before and finds the next; the first press only finds.
    const bool found = m_window->replaceAndFindNext(options(), m_replace->text());
    if (!found)
        notFound();
}

void FindReplaceDialog::replaceAllPressed()
{
    const int count = m_window->replaceAll(options(), m_replace->text());
    m_message->setText(count == 1 ? QStringLiteral("1 occurrence replaced.")
                                  : QStringLiteral("%1 occurrences replaced.").arg(count));
}

} // namespace korvo
