#include "tests/support/ScriptedDialogs.h"

#include <QDialog>
#include <gtest/gtest.h>

namespace veltor::test {

ScriptedDialogs::ScriptedDialogs() {
    SetDialogResponder(this);
}

ScriptedDialogs::~ScriptedDialogs() {
    SetDialogResponder(nullptr);
}

TMsgResult ScriptedDialogs::Answer(const TMessage& message) {
    messages.push_back(message);
    if (message.buttons == TMsgButtons::Ok)
        return TMsgResult::Ok;
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << message.text.toStdString();
        return TMsgResult::No;
    }
    const TMsgResult answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedDialogs::Modal(QDialog& dialog) {
    modals << dialog.objectName();
    if (onModal)
        onModal(dialog);
}

QStringList ScriptedDialogs::Texts() const {
    QStringList texts;
    for (const TMessage& m : messages)
        texts << m.text;
    return texts;
}

QStringList ScriptedDialogs::ErrorTexts() const {
    QStringList texts;
    for (const TMessage& m : messages)
        if (m.icon == TMsgIcon::Error)
            texts << m.text;
    return texts;
}

} // namespace veltor::test
