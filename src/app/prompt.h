#pragma once

// The one way the program asks the user something: every message box goes through a Prompt that the
// asker's owner hands it, so tests can answer prompts without a screen.

#include <QString>

namespace korvo {

enum class PromptIcon { None, Information, Question, Exclamation, Critical };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

struct PromptRequest
{
    QString text;
    QString title;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;

    bool operator==(const PromptRequest &) const = default;
};

class Prompt
{
public:
    virtual ~Prompt() = default;
    virtual PromptAnswer ask(const PromptRequest &request) = 0;
    // Closes every question that is open now, as if its box were closed without an answer.
    virtual void dismiss() {}
};

// Asks through prompt; an empty title gives the program's name.
PromptAnswer ask(Prompt &prompt, const QString &text, const QString &title = QString(),
                 PromptIcon icon = PromptIcon::None, PromptButtons buttons = PromptButtons::Ok);

// The answer of a message box's first button (Yes, or OK), as a user pressing Enter gives it.
PromptAnswer firstButtonAnswer(PromptButtons buttons);

} // namespace korvo
