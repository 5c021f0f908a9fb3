#pragma once
// Answers the program's message boxes and modal dialogs in place of a person
// and records what they showed. Installed for its lifetime.

#include "ui/UserDialogs.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

namespace veltor::test {

class ScriptedDialogs : public TDialogResponder {
public:
    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Answers for Yes/No boxes, in order; an OK box needs none.
    std::deque<TMsgResult> answers;
    // Acts on a dialog while it is shown modally; none: the person closes it
    // at once with the close button.
    std::function<void(QDialog&)> onModal;

    std::vector<TMessage> messages;
    QStringList modals; // object names of the dialogs shown modally

    TMsgResult Answer(const TMessage& message) override;
    void Modal(QDialog& dialog) override;

    // The texts of the recorded messages.
    QStringList Texts() const;
    // The texts of the recorded error messages only.
    QStringList ErrorTexts() const;
};

} // namespace veltor::test
