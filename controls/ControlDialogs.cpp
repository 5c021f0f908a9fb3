#include "controls/ControlDialogs.h"

#include "ui/UserDialogs.h"

bool AskDeleteRecord(QWidget* owner) {
    const TMessage question{QStringLiteral("Confirm"), QStringLiteral("Delete record?"),
                            TMsgIcon::Question, TMsgButtons::OkCancel, owner};
    return ShowMessageBox(question) != TMsgResult::Cancel;
}
