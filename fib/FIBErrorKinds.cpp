#include "fib/FIBErrorKinds.h"

#include "fib/fib.h"

#include <algorithm>

namespace {

// Kept alive for the program's whole run, as any array a namespace-scope
// initializer_list is made from.
const std::initializer_list<ISC_STATUS> kKeyViolation = {isc_unique_key_violation, isc_no_dup};
const std::initializer_list<ISC_STATUS> kRowConflict = {isc_deadlock, isc_update_conflict,
                                                        isc_lock_conflict};
const std::initializer_list<ISC_STATUS> kLostConnection = {
    isc_network_error,      isc_net_read_err, isc_net_write_err, isc_conn_lost,
    isc_lost_db_connection, isc_att_shutdown, isc_shutdown,      isc_net_server_shutdown};

bool FirstCodeIsOneOf(const EFIBError& error, std::initializer_list<ISC_STATUS> codes) {
    return std::find(codes.begin(), codes.end(), error.GDSCode()) != codes.end();
}

} // namespace

bool IsKeyViolation(const EFIBError& error) {
    return FirstCodeIsOneOf(error, kKeyViolation);
}

bool IsRowConflict(const EFIBError& error) {
    return FirstCodeIsOneOf(error, kRowConflict);
}

bool IsLostConnection(const EFIBError& error) {
    return FirstCodeIsOneOf(error, kLostConnection);
}

std::initializer_list<ISC_STATUS> LostConnectionCodes() {
    return kLostConnection;
}
