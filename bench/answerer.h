#pragma once
// The user of the benchmarks that drive the real main window: every question
// is answered with its first button (OK, Yes) and the error and warning
// messages are kept, so that a measure that shows one is reported rather than
// taken.

#include "ui/UserDialogs.h"

#include <QStringList>

class TAnswerer : public TDialogResponder {
public:
    TMsgResult Answer(const TMessage& message) override {
        if (message.icon == TMsgIcon::Error || message.icon == TMsgIcon::Warning)
            errors << message.text;
        return message.buttons == TMsgButtons::YesNo ? TMsgResult::Yes : TMsgResult::Ok;
    }
    void Modal(QDialog&) override {}
    QStringList errors;
};
