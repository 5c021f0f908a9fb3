#pragma once
// Option sets of the SQL-backed datasets, as bit sets with their values at
// construction.

#include <QString>

#include <cstdint>

enum TpFIBDsOption : uint32_t {
    poTrimCharFields = 1u << 0,
    poRefreshAfterPost = 1u << 1,
    poRefreshDeletedRecord = 1u << 2,
    poStartTransaction = 1u << 3,
    poAutoFormatFields = 1u << 4,
    poProtectedEdit = 1u << 5,
    poUseSelectForLock = 1u << 6,
    poKeepSorting = 1u << 7,
    poPersistentSorting = 1u << 8,
    poVisibleRecno = 1u << 9,
    poNoForceIsNull = 1u << 10,
    poFetchAll = 1u << 11,
    poFreeHandlesAfterClose = 1u << 12,
    poCacheCalcFields = 1u << 13,
    poRefreshAfterDelete = 1u << 14,
};
using TpFIBDsOptions = uint32_t;
constexpr TpFIBDsOptions kDefaultDataSetOptions =
    poTrimCharFields | poRefreshAfterPost | poStartTransaction | poAutoFormatFields;

enum TpPrepareOption : uint32_t {
    pfSetRequiredFields = 1u << 0,
    pfSetReadOnlyFields = 1u << 1,
    pfImportDefaultValues = 1u << 2,
    psUseBooleanField = 1u << 3,
    psUseGuidField = 1u << 4,
    psSQLINT64ToBCD = 1u << 5,
    psApplyRepositary = 1u << 6,
    psGetOrderInfo = 1u << 7,
    psAskRecordCount = 1u << 8,
    psCanEditComputedFields = 1u << 9,
    psSetEmptyStrToNull = 1u << 10,
    psSupportUnicodeBlobs = 1u << 11,
    psUseLargeIntField = 1u << 12,
};
using TpPrepareOptions = uint32_t;
constexpr TpPrepareOptions kDefaultPrepareOptions =
    pfImportDefaultValues | psUseBooleanField | psGetOrderInfo | psSetEmptyStrToNull;

enum TDetailCondition : uint8_t {
    dcForceOpen = 1 << 0,
    dcIgnoreMasterClose = 1 << 1,
    dcForceMasterRefresh = 1 << 2,
    dcWaitEndMasterScroll = 1 << 3,
};
using TDetailConditions = uint8_t;

enum TCacheModelKind { cmkStandard, cmkLimitedBufferSize };

struct TCacheModelOptions {
    TCacheModelKind CacheModelKind = cmkStandard;
    int BufferChunks = 32; // below 1 taken as 32
    int BlobCacheLimit = 0;
    // Records per cache block in force.
    int EffectiveChunks() const {
        const int chunks = BufferChunks < 1 ? 32 : BufferChunks;
        return CacheModelKind == cmkLimitedBufferSize && chunks < 100 ? 100 : chunks;
    }
};

// The update status of a cached record.
enum TCachedUpdateStatus : uint8_t {
    cusUnmodified,
    cusModified,
    cusInserted,
    cusDeleted,
    cusUninserted,
    cusDeletedApplied,
};
using TCachedUpdateStatusSet = uint8_t; // bit (1 << status)
constexpr TCachedUpdateStatusSet StatusBit(TCachedUpdateStatus s) {
    return static_cast<TCachedUpdateStatusSet>(1u << s);
}
constexpr TCachedUpdateStatusSet kDefaultUpdateRecordTypes =
    StatusBit(cusUnmodified) | StatusBit(cusModified) | StatusBit(cusInserted);

enum TUpdateKind : uint8_t { ukModify = 1 << 0, ukInsert = 1 << 1, ukDelete = 1 << 2 };
using TUpdateKinds = uint8_t;
constexpr TUpdateKinds kAllUpdateKinds = ukModify | ukInsert | ukDelete;

enum TTransactionKind { tkReadTransaction, tkUpdateTransaction };
enum TFieldOriginRule {
    forNoRule,
    forTableAndFieldName,
    forClientFieldName,
    forTableAliasAndFieldName
};

// When a new record's key is drawn from the generator.
enum TWhenGetGenID { wgNever, wgOnNewRecord, wgBeforePost };

// How a dataset writes to its table: the table, its key field and the
// generator that gives new keys (see pFIBAutoUpdate.cpp for their use).
class TAutoUpdateOptions {
public:
    const QString& UpdateTableName() const { return updateTableName_; }
    // With no generator named yet and keys drawn at some point, names the
    // generator after the table (GEN_<table>_ID).
    void SetUpdateTableName(const QString& name);
    QString KeyFields;
    QString GeneratorName;
    TWhenGetGenID WhenGetGenID = wgNever;
    int GeneratorStep = 1;
    bool AutoReWriteSqls = false;
    bool CanChangeSQLs = false;
    // Only when both flags above are set.
    bool UpdateOnlyModifiedFields() const { return updateOnlyModified_; }
    void SetUpdateOnlyModifiedFields(bool on) {
        updateOnlyModified_ = on && AutoReWriteSqls && CanChangeSQLs;
    }
    QString ParamsToFieldsLinks;
    bool AutoParamsToFields = false;
    bool SeparateBlobUpdate = false;
    bool UseExecuteBlock = false;
    // The older stored properties: SelectGenID True draws before post, False
    // never; GenBeforePost (read after SelectGenID True) chooses between
    // before post and on new record.
    void SetSelectGenID(bool on) { WhenGetGenID = on ? wgBeforePost : wgNever; }
    void SetGenBeforePost(bool on) {
        if (WhenGetGenID != wgNever)
            WhenGetGenID = on ? wgBeforePost : wgOnNewRecord;
    }

private:
    QString updateTableName_;
    bool updateOnlyModified_ = false;
};
