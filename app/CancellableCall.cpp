#include "app/CancellableCall.h"

#include "fib/FIBDatabase.h"
#include "fib/fib.h"
#include "settings/Language.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

namespace {

// Shown only for work that lasts: a count that answers at once should not
// flash a box.
constexpr int kProgressDelayMs = 300;

// Holds back the user's input while the work runs, so that nothing reaches
// the datasets the helper thread is reading; Esc is taken as Cancel.
class TInputGate : public QObject {
public:
    TInputGate(QProgressDialog& box, std::function<void()> cancel)
        : box_(box), cancel_(std::move(cancel)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Asked first whether a key is a shortcut: Esc is taken here, the
            // rest goes on to its key press (shortcuts themselves are held).
            if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
                return false;
            [[fallthrough]];
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                cancel_();
                return true;
            }
            [[fallthrough]];
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::Close: {
            auto* widget = qobject_cast<QWidget*>(watched);
            return !(widget && box_.isVisible() && (widget == &box_ || box_.isAncestorOf(widget)));
        }
        default:
            return false;
        }
    }

private:
    QProgressDialog& box_;
    std::function<void()> cancel_;
};

bool Cancelled(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const EFIBError& e) {
        return e.GDSCode() == isc_cancelled;
    } catch (...) {
        return false;
    }
}

} // namespace

bool RunCancellable(QWidget* parent, TFIBDatabase& database, const QString& text,
                    const std::function<void()>& work) {
    // The box takes the focus while it shows; the user's place is kept.
    const QPointer<QWidget> focused = QApplication::focusWidget();
    QProgressDialog box(text, translate(QStringLiteral("_CANCEL_")), 0, 0, parent);
    box.setObjectName(QLatin1String(kCancellableProgressName));
    box.setWindowModality(Qt::WindowModal);
    box.setAutoClose(false);
    box.setAutoReset(false);
    // The box would show itself on its own timer (at once, or after four
    // seconds); it shows on ours only, so a call that answers at once
    // neither flashes a box nor takes the window's activation away.
    box.reset();
    box.hide();

    std::atomic<bool> asked{false};
    const auto cancel = [&] {
        asked = true;
        database.CancelOperation();
    };
    QObject::connect(&box, &QProgressDialog::canceled, &box, cancel);
    TInputGate gate(box, cancel);
    qApp->installEventFilter(&gate);

    QEventLoop loop;
    QTimer::singleShot(kProgressDelayMs, &box, [&box] { box.show(); });
    std::exception_ptr failure;
    const auto attempt = [&] {
        // A cancel the server kept from an earlier stop may end the first
        // try of work nobody stopped; the second try runs clear of it.
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                work();
                failure = nullptr;
                break;
            } catch (...) {
                failure = std::current_exception();
                if (asked || !Cancelled(failure))
                    break;
            }
        }
    };
    std::thread helper;
    try {
        helper = std::thread([&] {
            attempt();
            QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to be had, as when memory runs short: the work runs
        // here, where it cannot be stopped, and fails as it would have.
    }
    if (helper.joinable()) {
        loop.exec(QEventLoop::ExcludeSocketNotifiers);
        helper.join();
    } else {
        attempt();
    }
    qApp->removeEventFilter(&gate);
    const bool shown = box.isVisible();
    box.hide();
    // The box had the activation; the window's shortcuts need it back.
    if (shown && parent)
        parent->window()->activateWindow();
    if (focused)
        focused->setFocus();
    if (asked)
        database.DropPendingCancel();
    if (failure) {
        if (asked && Cancelled(failure))
            return false;
        std::rethrow_exception(failure);
    }
    return true;
}
