#pragma once
// What kind of server failure an error is, decided in one place from the
// server's own codes (ibase.h's names). A raised error is judged by its
// first code, the one the server names the failure by.

#include <ibase.h>

#include <initializer_list>

class EFIBError;

// A primary or unique key refused the row: a constraint's violation, or a
// duplicate in a unique index.
bool IsKeyViolation(const EFIBError& error);

// Another transaction holds the row or changed it since this one began. The
// server names an update conflict "deadlock" (SQL code -913) and lists
// "update conflicts with concurrent update" after it, so a deadlock, an
// update conflict and a no-wait lock conflict are one kind here: the same
// change may succeed once the other transaction has ended.
bool IsRowConflict(const EFIBError& error);

// The connection to the server is gone: a network failure, or the attachment
// shut down or killed.
bool IsLostConnection(const EFIBError& error);
// The codes IsLostConnection knows, for looking through a whole status
// vector right after a failed call.
std::initializer_list<ISC_STATUS> LostConnectionCodes();
