#include "comm/functionkeybar.h"

#include <QGridLayout>
#include <QPushButton>

namespace korvo {

namespace {
// 30 twips, the margin around and between the buttons.
constexpr int kMargin = 2;

void setBold(QPushButton *button, bool bold)
{
    QFont font = button->font();
    font.setBold(bold);
    button->setFont(font);
}
} // namespace

FunctionKeyBar::FunctionKeyBar(QWidget *parent) : QWidget(parent)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->setSpacing(kMargin);
    for (int key = 0; key < kKeys; ++key) {
        auto *button = new QPushButton(QStringLiteral("F%1").arg(key + 1), this);
        button->setObjectName(QStringLiteral("cmdFunc%1").arg(key));
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        setBold(button, true);
        connect(button, &QPushButton::clicked, this, [this, key] { Q_EMIT pressed(key); });
        connect(button, &QPushButton::customContextMenuRequested, this,
                [this, key] { Q_EMIT editRequested(key); });
        grid->addWidget(button, key / 5, key % 5);
        m_buttons[size_t(key)] = button;
    }
    for (int column = 0; column < 5; ++column)
        grid->setColumnStretch(column, 1);
}

void FunctionKeyBar::setCaptions(const QStringList &captions)
{
    for (int key = 0; key < kKeys; ++key) {
        const QString caption = captions.value(key);
        QPushButton *b = button(key);
        // A caption's "&" is text, not a mnemonic.
        b->setText(caption.isEmpty() ? QStringLiteral("F%1").arg(key + 1)
                                     : QString(caption).replace(u'&', QLatin1String("&&")));
        b->setToolTip(QStringLiteral("(F%1) %2").arg(key + 1).arg(caption));
    }
}

void FunctionKeyBar::setRunning(int key, bool running)
{
    if (key >= 0 && key < kKeys)
        setBold(button(key), !running);
}

} // namespace korvo
