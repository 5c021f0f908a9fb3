#include "fib/FIBDatabase.h"
#include "fib/fib.h"

namespace {

bool SendCancel(const IIBClientLibraryPtr& client, isc_db_handle handle, unsigned short kind) {
    if (!client || !handle || !client->HasEntryPoint(TClientEntry::fb_cancel_operation))
        return false;
    // The caller's status vector may be in use by the call being stopped
    // (the same thread between fetches), so the cancel reports to its own.
    ISC_STATUS_ARRAY status = {};
    const ISC_STATUS result = client->fb_cancel_operation(status, &handle, kind);
    RestoreFloatingPointControl();
    return result == 0;
}

} // namespace

bool TFIBDatabase::CancelOperation() {
    if (!handle_)
        return false;
    stopRequested_ = true;
    SendCancel(client_, handle_, fb_cancel_raise);
    return true;
}

void TFIBDatabase::RaiseCancelled(const TComponent* sender) {
    ISC_STATUS* status = StatusVector();
    status[0] = isc_arg_gds;
    status[1] = isc_cancelled;
    status[2] = isc_arg_end;
    IBError(ClientLibrary(), sender);
}

void TFIBDatabase::DropPendingCancel() {
    stopRequested_ = false;
    // Disabling drops a raise the server still holds; enabling lets the next
    // cancel through again.
    if (SendCancel(client_, handle_, fb_cancel_disable))
        SendCancel(client_, handle_, fb_cancel_enable);
}

bool TFIBDatabase::StatusSaysCancelled() {
    return StatusContains({isc_cancelled});
}
