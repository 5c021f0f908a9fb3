#pragma once
// Every message box and every modal display of the program goes through
// here, so that tests can answer them and read what was shown. Also the one
// error presenter: an exception caught where Qt delivers an event is shown
// here and the program carries on.

#include <QString>
#include <cstddef>
#include <exception>
#include <memory>

class QDialog;
class QMessageBox;
class QWidget;

enum class TMsgIcon { None, Warning, Question, Error };
enum class TMsgButtons { Ok, YesNo, OkCancel };
enum class TMsgResult { Ok, Yes, No, Cancel };

struct TMessage {
    QString caption;
    QString text;
    TMsgIcon icon = TMsgIcon::None;
    TMsgButtons buttons = TMsgButtons::Ok;
    // The window the box belongs to; none: the application's, centred on the screen.
    QWidget* owner = nullptr;
};

// Answers message boxes and modal dialogs in place of a person.
class TDialogResponder {
public:
    virtual ~TDialogResponder() = default;
    virtual TMsgResult Answer(const TMessage& message) = 0;
    // Called while the dialog is shown; closing it ends the modal display
    // (a dialog still open afterwards is closed as if by its close button).
    virtual void Modal(QDialog& dialog) = 0;
};

// nullptr: a person answers.
void SetDialogResponder(TDialogResponder* responder);

TMsgResult ShowMessageBox(const TMessage& message);
// The box ShowMessageBox shows a person, built but not shown.
std::unique_ptr<QMessageBox> MakeMessageBox(const TMessage& message);
// Shows the dialog modally; returns when it has closed.
void ShowModal(QDialog& dialog);

// The program's title: task bar caption and caption of plain message boxes.
QString ApplicationTitle();

// The text the standard error box shows: the innermost exception's message,
// with "." appended when its last character's code is above that of ".".
// Running out of memory reads "Out of memory.".
QString ErrorBoxText(std::exception_ptr error);
// Sets memory aside that the error box gives back while it tells of running
// out of memory, so that the box itself can still be shown then.
void KeepMemoryReserve(size_t bytes);
// The standard error box (error icon, one OK, the application title); EAbort
// shows nothing.
void ShowException(std::exception_ptr error) noexcept;

// Runs an event handler; an exception ends it and is shown with the standard
// error box. Returns whether the handler completed.
template <typename Handler> bool HandleEvent(Handler&& handler) noexcept {
    try {
        handler();
        return true;
    } catch (...) {
        ShowException(std::current_exception());
        return false;
    }
}
