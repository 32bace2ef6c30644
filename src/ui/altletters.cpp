#include "ui/altletters.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSet>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>
#include <functional>

namespace korvo {

namespace {

using Letters = QSet<QChar>;

// The letter an "&" marks in a caption ("&&" is a plain ampersand), or none.
QChar markedLetter(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return caption[i + 1].toUpper();
        ++i;
    }
    return {};
}

// The letters a caption can offer, a word's first letter before the others.
QList<QChar> candidates(const QString &caption)
{
    QList<QChar> letters;
    for (const bool wordStart : {true, false})
        for (qsizetype i = 0; i < caption.size(); ++i) {
            const QChar c = caption[i];
            const bool starts = i == 0 || !caption[i - 1].isLetterOrNumber();
            if (c.isLetterOrNumber() && c.unicode() < 128 && starts == wordStart &&
                !letters.contains(c.toUpper()))
                letters.append(c.toUpper());
        }
    return letters;
}

// The caption with an "&" before letter, at a word's start where it has one there.
QString marked(const QString &caption, QChar letter)
{
    qsizetype at = -1;
    for (qsizetype i = caption.size() - 1; i >= 0; --i) {
        const bool starts = i == 0 || !caption[i - 1].isLetterOrNumber();
        if (caption[i].toUpper() == letter &&
            (at < 0 || starts || !(at == 0 || !caption[at - 1].isLetterOrNumber())))
            at = i;
    }
    return at < 0 ? caption : caption.left(at) + u'&' + caption.mid(at);
}

// One caption that can carry an Alt letter.
struct Caption
{
    std::function<QString()> get;
    std::function<void(const QString &)> set;
};

// The outermost page of a tab strip or a stack of pages a widget sits on (its controls are shown together),
// or the window.
const QWidget *scopeOf(const QWidget *widget, const QWidget *window)
{
    const QWidget *scope = window;
    for (const QWidget *w = widget; w && w != window; w = w->parentWidget())
        if (const QWidget *stack = w->parentWidget(); stack && stack->inherits("QStackedWidget"))
            scope = w;
    return scope;
}

bool takesInput(const QWidget *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w) ||
           qobject_cast<const QAbstractSpinBox *>(w) || qobject_cast<const QAbstractItemView *>(w) ||
           qobject_cast<const QPlainTextEdit *>(w) || qobject_cast<const QTextEdit *>(w);
}

// A field to type into or choose in; a read-only field only shows, and needs no letter to be reached by.
bool takesTypedInput(const QWidget *field)
{
    const auto *edit = qobject_cast<const QLineEdit *>(field);
    return field && !(edit && edit->isReadOnly());
}

// Names the fields of a window that no label names.
void nameUnlabelledFields(QWidget *window)
{
    QSet<const QWidget *> labelled;
    for (const QLabel *label : window->findChildren<QLabel *>())
        if (label->buddy())
            labelled.insert(label->buddy());
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!takesInput(w) || !w->accessibleName().isEmpty() || labelled.contains(w) ||
            qobject_cast<QComboBox *>(w->parentWidget()) ||
            qobject_cast<QAbstractSpinBox *>(w->parentWidget()))
            continue;
        QString name = w->toolTip();
        for (QWidget *p = w->parentWidget(); name.isEmpty() && p && p != window->parentWidget();
             p = p->parentWidget())
            if (const auto *frame = qobject_cast<QGroupBox *>(p))
                name = QString(frame->title()).remove(QLatin1Char('&'));
        if (!name.isEmpty())
            w->setAccessibleName(name);
    }
}

} // namespace

void giveAltLetters(QWidget *window)
{
    QHash<const QWidget *, QList<Caption>> byScope;
    // A part of a page hidden for now (one of two alternatives) does not compete for the page's letters.
    const auto add = [&](const QWidget *control, Caption caption) {
        const QWidget *scope = scopeOf(control, window);
        for (const QWidget *w = control; w && w != scope; w = w->parentWidget())
            if (w->isHidden())
                return;
        byScope[scope].append(std::move(caption));
    };
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        const auto *tool = qobject_cast<QToolButton *>(button);
        if (!(button->focusPolicy() & Qt::TabFocus) || button->text().isEmpty() ||
            (tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly && !button->icon().isNull()))
            continue;
        add(button,
            {[button] { return button->text(); }, [button](const QString &text) { button->setText(text); }});
    }
    for (QLabel *label : window->findChildren<QLabel *>())
        if (takesTypedInput(label->buddy()) && !label->text().isEmpty() &&
            label->textFormat() != Qt::RichText)
            add(label,
                {[label] { return label->text(); }, [label](const QString &text) { label->setText(text); }});
    for (QGroupBox *frame : window->findChildren<QGroupBox *>())
        if (frame->isCheckable())
            add(frame, {[frame] { return frame->title(); },
                        [frame](const QString &text) { frame->setTitle(text); }});

    // The window's own controls' letters are taken on every page.
    Letters windowLetters;
    const auto give = [](QList<Caption> &captions, Letters &taken) {
        QList<Caption> unmarked;
        for (const Caption &c : captions) {
            if (const QChar letter = markedLetter(c.get()); !letter.isNull())
                taken.insert(letter);
            else
                unmarked.append(c);
        }
        // As many captions as possible get a letter: one that finds all its letters held moves a holder on to
        // another of its letters (an augmenting path of a bipartite matching).
        QList<QList<QChar>> offers;
        for (const Caption &c : unmarked)
            offers.append(candidates(c.get()));
        QHash<QChar, qsizetype> holder;
        const std::function<bool(qsizetype, Letters &)> take = [&](qsizetype i, Letters &tried) {
            for (const QChar letter : offers[i]) {
                if (taken.contains(letter) || tried.contains(letter))
                    continue;
                tried.insert(letter);
                if (!holder.contains(letter) || take(holder.value(letter), tried)) {
                    holder.insert(letter, i);
                    return true;
                }
            }
            return false;
        };
        for (qsizetype i = 0; i < unmarked.size(); ++i) {
            Letters tried;
            take(i, tried);
        }
        for (auto it = holder.cbegin(); it != holder.cend(); ++it) {
            const Caption &c = unmarked[it.value()];
            c.set(marked(c.get(), it.key()));
            taken.insert(it.key());
        }
    };
    // The window's controls choose together with the busiest page, which has the fewest letters to spare.
    const QWidget *busiest = nullptr;
    for (auto it = byScope.cbegin(); it != byScope.cend(); ++it)
        if (it.key() != window && (!busiest || it.value().size() > byScope.value(busiest).size()))
            busiest = it.key();
    QList<Caption> first = byScope.value(window);
    const qsizetype windowCount = first.size();
    if (busiest)
        first += byScope.value(busiest);
    Letters taken;
    give(first, taken);
    for (const Caption &c : first.mid(0, windowCount))
        if (const QChar letter = markedLetter(c.get()); !letter.isNull())
            windowLetters.insert(letter);
    for (auto it = byScope.begin(); it != byScope.end(); ++it) {
        if (it.key() == window || it.key() == busiest)
            continue;
        Letters pageTaken = windowLetters;
        give(it.value(), pageTaken);
    }
    nameUnlabelledFields(window);
}

} // namespace korvo
