#include "messageboxprompt.h"

#include <QApplication>
#include <QMessageBox>

namespace korvo {

namespace {
QMessageBox::Icon toIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Critical:
        return QMessageBox::Critical;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toButtons(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}
} // namespace

PromptAnswer MessageBoxPrompt::ask(const PromptRequest &request)
{
    QMessageBox box(toIcon(request.icon), request.title, request.text, toButtons(request.buttons),
                    QApplication::activeWindow());
    m_open.append(&box);
    const int button = box.exec();
    m_open.removeAll(&box);
    switch (button) {
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Cancel:
        return PromptAnswer::Cancel;
    default:
        return PromptAnswer::Ok;
    }
}

void MessageBoxPrompt::dismiss()
{
    for (const QPointer<QMessageBox> &box : std::as_const(m_open)) {
        if (box)
            box->reject();
    }
}

} // namespace korvo
