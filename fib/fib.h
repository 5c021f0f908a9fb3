#pragma once
// Database-layer exceptions, the numbered client-error table and the calling
// thread's status vector.

#include "base/Exception.h"
#include "base/Format.h"

#include <ibase.h>

#include <cstdint>
#include <utility>

class TComponent;

// Each thread owns one status vector; every client call passes the calling
// thread's vector and the error paths read it.
ISC_STATUS* StatusVector();

// True if the calling thread's status vector holds any of the given codes.
bool StatusContains(std::initializer_list<ISC_STATUS> codes);

class EFIBError : public EDatabaseError {
public:
    EFIBError(int32_t sqlErrorCode, const TComponent* sender);

    int32_t SQLErrorCode() const { return sqlErrorCode_; }
    int32_t GDSCode() const { return gdsCode_; }
    const QString& SourcePath() const { return sourcePath_; }
    const QString& SQLText() const { return sqlText_; }
    const QString& ServerText() const { return serverText_; }
    const QString& CustomText() const { return customText_; }
    const QString& BaseText() const { return baseText_; }
    const TComponent* Sender() const { return sender_; }

    void SetSQLText(const QString& text) { sqlText_ = text; }
    void SetServerText(const QString& text) { serverText_ = text; }
    void SetCustomText(const QString& text) { customText_ = text; }
    // Setting the base text composes the message from all the parts.
    void SetBaseText(const QString& text);

private:
    int32_t sqlErrorCode_;
    int32_t gdsCode_;
    QString sourcePath_;
    QString sqlText_;
    QString serverText_;
    QString customText_;
    QString baseText_;
    const TComponent* sender_;
};

// Reported by the server or the client library through a status vector.
class EFIBInterBaseError : public EFIBError {
public:
    using EFIBError::EFIBError;
};

// Detected by the connection, transaction, statement or dataset layer itself.
class EFIBClientError : public EFIBError {
public:
    using EFIBError::EFIBError;
};

// Process-wide switches for the parts of a composed message; all on.
enum TFIBErrorOption : uint8_t {
    ShowSourcePath = 1,
    ShowSQLText = 2,
    ShowServerText = 4,
};
uint8_t FIBErrorOptions();

enum : int {
    fibeUnknownError = 0,
    fibeDPBConstantNotSupported = 8,
    fibeDPBConstantUnknown = 9,
    fibeTPBConstantNotSupported = 10,
    fibeTPBConstantUnknown = 11,
    fibeDatabaseClosed = 12,
    fibeDatabaseOpen = 13,
    fibeDatabaseNameMissing = 14,
    fibeNotInTransaction = 15,
    fibeInTransaction = 16,
    fibeTimeoutNegative = 17,
    fibeNoDatabasesInTransaction = 18,
    fibeUpdateWrongDB = 19,
    fibeUpdateWrongTR = 20,
    fibeDatabaseNotAssigned = 21,
    fibeTransactionNotAssigned = 22,
    fibeXSQLDAIndexOutOfRange = 23,
    fibeXSQLDANameDoesNotExist = 24,
    fibeEOF = 25,
    fibeBOF = 26,
    fibeInvalidStatementHandle = 27,
    fibeSQLOpen = 28,
    fibeSQLClosed = 29,
    fibeUnknownSQLDataType = 30,
    fibeInvalidColumnIndex = 31,
    fibeInvalidParamColumnIndex = 32,
    fibeInvalidDataConversion = 33,
    fibeColumnIsNotNullable = 34,
    fibeBlobCannotBeRead = 35,
    fibeBlobCannotBeWritten = 36,
    fibeEmptyQuery = 37,
    fibeCannotOpenNonSQLSelect = 38,
    fibeNoFieldAccess = 39,
    fibeFieldReadOnly = 40,
    fibeFieldNotFound = 41,
    fibeNotEditing = 42,
    fibeNotEditingNoName = 43,
    fibeCannotInsert = 44,
    fibeCannotPost = 45,
    fibeCannotUpdate = 46,
    fibeCannotDelete = 47,
    fibeCannotRefresh = 48,
    fibeBufferNotSet = 49,
    fibeCircularReference = 50,
    fibeSQLParseError = 51,
    fibeUserAbort = 52,
    fibeDataSetUniDirectional = 53,
    fibeCannotCreateSharedResource = 54,
    fibeWindowsAPIError = 55,
    fibeColumnListsDontMatch = 56,
    fibeColumnTypesDontMatch = 57,
    fibeCantEndSharedTransaction = 58,
    fibeFieldNotArray = 59,
    fibeArrayDimensionNotExist = 60,
    fibeSQLDialectInvalid = 61,
    fibeClientErrorCount = 79
};

// The message format of a client error number (its text in the table).
QString ClientErrorFormat(int number);

// Raises EFIBClientError with SQLErrorCode = number and no sender.
[[noreturn]] void FIBError(int number, std::initializer_list<FormatArg> args = {});
// Same with a free format string and SQLErrorCode = -1.
[[noreturn]] void FIBErrorText(const QString& format, std::initializer_list<FormatArg> args = {});

// Runs a conversion of the shared value type, which fails with EConvertError;
// in the database layer that failure is client error 33, the class and text
// every caller of a parameter, column or field expects.
template <typename Convert> decltype(auto) ConvertingValue(Convert&& convert) {
    try {
        return std::forward<Convert>(convert)();
    } catch (const EConvertError&) {
        FIBError(fibeInvalidDataConversion);
    }
}
