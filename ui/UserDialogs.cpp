#include "ui/UserDialogs.h"

#include "base/Exception.h"

#include <QDialog>
#include <QMessageBox>

#include <memory>
#include <new>

namespace {

TDialogResponder* responder = nullptr;

// Address space only: the bytes are never touched, so the reserve costs no
// physical memory until it is given back.
size_t reserveSize = 0;
std::unique_ptr<char[]> reserve;

void TakeReserve() noexcept {
    if (reserveSize && !reserve)
        reserve.reset(new (std::nothrow) char[reserveSize]);
}

bool IsOutOfMemory(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return true;
    } catch (...) {
        return false;
    }
}

QMessageBox::Icon BoxIcon(TMsgIcon icon) {
    switch (icon) {
    case TMsgIcon::Warning:
        return QMessageBox::Warning;
    case TMsgIcon::Question:
        return QMessageBox::Question;
    case TMsgIcon::Error:
        return QMessageBox::Critical;
    case TMsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Walks nested exceptions down to the innermost one.
std::exception_ptr Innermost(std::exception_ptr error) {
    for (;;) {
        try {
            std::rethrow_exception(error);
        } catch (const std::nested_exception& nested) {
            if (!nested.nested_ptr())
                return error;
            error = nested.nested_ptr();
        } catch (...) {
            return error;
        }
    }
}

} // namespace

void SetDialogResponder(TDialogResponder* r) {
    responder = r;
}

std::unique_ptr<QMessageBox> MakeMessageBox(const TMessage& message) {
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (message.buttons == TMsgButtons::YesNo)
        buttons = QMessageBox::Yes | QMessageBox::No;
    else if (message.buttons == TMsgButtons::OkCancel)
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
    auto box = std::make_unique<QMessageBox>(BoxIcon(message.icon), message.caption, message.text,
                                             buttons, message.owner);
    box->setTextFormat(Qt::PlainText);
    return box;
}

TMsgResult ShowMessageBox(const TMessage& message) {
    if (responder)
        return responder->Answer(message);
    const int answer = MakeMessageBox(message)->exec();
    if (message.buttons == TMsgButtons::Ok)
        return TMsgResult::Ok;
    if (message.buttons == TMsgButtons::OkCancel)
        return answer == QMessageBox::Cancel ? TMsgResult::Cancel : TMsgResult::Ok;
    return answer == QMessageBox::Yes ? TMsgResult::Yes : TMsgResult::No;
}

void ShowModal(QDialog& dialog) {
    if (!responder) {
        dialog.exec();
        return;
    }
    dialog.show();
    responder->Modal(dialog);
    if (dialog.isVisible())
        dialog.close();
}

QString ApplicationTitle() {
    return QStringLiteral("Kestrin Veltor");
}

void KeepMemoryReserve(size_t bytes) {
    reserve.reset();
    reserveSize = bytes;
    TakeReserve();
}

QString ErrorBoxText(std::exception_ptr error) {
    QString text;
    try {
        std::rethrow_exception(Innermost(error));
    } catch (const Exception& e) {
        text = e.Message();
    } catch (const std::bad_alloc&) {
        text = QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        text = QString::fromUtf8(e.what());
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        text += QLatin1Char('.');
    return text;
}

void ShowException(std::exception_ptr error) noexcept {
    try {
        for (const std::exception_ptr& e : {error, Innermost(error)}) {
            try {
                std::rethrow_exception(e);
            } catch (const EAbort&) {
                return;
            } catch (...) {
            }
        }
        const bool outOfMemory = IsOutOfMemory(Innermost(error));
        if (outOfMemory)
            reserve.reset();
        ShowMessageBox(
            {ApplicationTitle(), ErrorBoxText(error), TMsgIcon::Error, TMsgButtons::Ok, nullptr});
        if (outOfMemory)
            TakeReserve();
    } catch (...) {
        TakeReserve();
        // Nothing sensible is left to do when the error box itself fails.
    }
}
