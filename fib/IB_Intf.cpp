#include "fib/IB_Intf.h"

#include "base/Format.h"
#include "base/TextCodec.h"
#include "fib/fib.h"

#include <cerrno>
#include <dlfcn.h>
#include <mutex>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#define FIB_X86_FPU 1
#endif

namespace {

enum EntryKind { R, O6, G6, V, VR, VO, N };

struct EntryInfo {
    const char* name;
    EntryKind kind;
};

const EntryInfo kEntries[] = {
#define FIB_INFO_ENTRY(kind, name) {#name, kind},
#define FIB_INFO_ENTRY_T(kind, name, type) {#name, kind},
    FIB_CLIENT_ENTRY_POINTS(FIB_INFO_ENTRY, FIB_INFO_ENTRY_T)
#undef FIB_INFO_ENTRY
#undef FIB_INFO_ENTRY_T
};
static_assert(std::size(kEntries) == static_cast<size_t>(TClientEntry::Count));

// --- floating-point control --------------------------------------------------

#ifdef FIB_X86_FPU
// Precision-control bits of the x87 control word; 11 is extended precision.
constexpr uint16_t kPrecisionMask = 0x0300;
constexpr uint16_t kExtendedPrecision = 0x0300;

struct FpuState {
    uint16_t x87 = 0;
    unsigned mxcsr = 0;
};

FpuState ReadFpu() {
    FpuState s;
    __asm__ __volatile__("fnstcw %0" : "=m"(s.x87));
    s.mxcsr = _mm_getcsr();
    return s;
}

std::once_flag g_fpuSaved;
FpuState g_programFpu;
#endif

} // namespace

void SaveFloatingPointControl() {
#ifdef FIB_X86_FPU
    std::call_once(g_fpuSaved, [] {
        g_programFpu = ReadFpu();
        g_programFpu.x87 = (g_programFpu.x87 & ~kPrecisionMask) | kExtendedPrecision;
    });
#endif
}

void RestoreFloatingPointControl() {
#ifdef FIB_X86_FPU
    SaveFloatingPointControl();
    const FpuState now = ReadFpu();
    if (now.x87 != g_programFpu.x87)
        __asm__ __volatile__("fldcw %0" : : "m"(g_programFpu.x87));
    if (now.mxcsr != g_programFpu.mxcsr)
        _mm_setcsr(g_programFpu.mxcsr);
#endif
}

// --- IIBClientLibrary --------------------------------------------------------

void* IIBClientLibrary::Require(TClientEntry entry, const char* name) const {
    void* address = EntryPoint(entry);
    if (!address)
        throw Exception(
            FormatText(QStringLiteral("Can't find procedure %s in %s"), {name, LibraryName()}));
    return address;
}

// --- TIBClientLibrary --------------------------------------------------------

QString TIBClientLibrary::PlatformFileName(const QString& libraryName) {
    if (libraryName.compare(QLatin1String("fbclient.dll"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("libfbclient.so.2");
    if (libraryName.compare(QLatin1String("gds32.dll"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("libgds.so.0");
    return libraryName;
}

TIBClientLibrary::TIBClientLibrary(const QString& libraryName) : libraryName_(libraryName) {
    SaveFloatingPointControl();
    // Kept mapped after its last dlclose: the client library leaves threads
    // and thread-local storage behind that must not outlive its code.
    module_ = dlopen(PlatformFileName(libraryName).toLocal8Bit().constData(),
                     RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!module_)
        throw Exception(FormatText(QStringLiteral("Can't load library %s "), {libraryName}));
    try {
        const int count = static_cast<int>(TClientEntry::Count);
        auto resolveKind = [&](EntryKind kind, bool required) {
            for (int i = 0; i < count; ++i)
                if (kEntries[i].kind == kind)
                    entries_[i] =
                        required ? ResolveRequired(kEntries[i].name) : Resolve(kEntries[i].name);
        };
        resolveKind(R, true);

        resolveKind(O6, false);
        if (EntryPoint(TClientEntry::isc_rollback_retaining)) {
            major_ = 6;
            minor_ = 0;
            resolveKind(G6, true);
        } else {
            major_ = 5;
            minor_ = 0;
        }

        resolveKind(V, false);
        if (EntryPoint(TClientEntry::isc_get_client_version)) {
            resolveKind(VR, true);
            major_ = isc_get_client_major_version();
            minor_ = isc_get_client_minor_version();
            resolveKind(VO, false);
        } else {
            minor_ = 0;
        }
    } catch (...) {
        Unload();
        RestoreFloatingPointControl();
        throw;
    }
    RestoreFloatingPointControl();
}

TIBClientLibrary::~TIBClientLibrary() {
    Unload();
}

void TIBClientLibrary::Unload() noexcept {
    if (module_) {
        dlclose(module_);
        module_ = nullptr;
    }
}

void* TIBClientLibrary::Resolve(const char* name) const {
    dlerror();
    return dlsym(module_, name);
}

void* TIBClientLibrary::ResolveRequired(const char* name) const {
    errno = 0;
    dlerror();
    void* address = dlsym(module_, name);
    if (!address) {
        const int code = errno;
        const char* text = dlerror();
        throw EOSError(code, text ? QString::fromLocal8Bit(text) : QString());
    }
    return address;
}

IIBClientLibraryPtr LoadClientLibrary(const QString& libraryName) {
    return std::make_shared<TIBClientLibrary>(libraryName);
}

// --- raise-from-status -------------------------------------------------------

namespace {

void UpperFirstAsciiLetter(QString& text) {
    if (!text.isEmpty() && text[0] >= QLatin1Char('a') && text[0] <= QLatin1Char('z'))
        text[0] = text[0].toUpper();
}

QString SqlText(const IIBClientLibrary& library, ISC_LONG sqlCode) {
    char buffer[1024] = {};
    library.isc_sql_interprete(static_cast<short>(sqlCode), buffer,
                               static_cast<short>(sizeof buffer - 1));
    QString text = DecodeText(buffer, qstrnlen(buffer, sizeof buffer), TTextCodec::Win1251);
    text.remove(QStringLiteral("\\n"));
    if (text.isEmpty())
        return text;
    UpperFirstAsciiLetter(text);
    if (!text.endsWith(QLatin1Char('.')))
        text += QStringLiteral(".\r\n");
    return text;
}

QString ServerText(const IIBClientLibrary& library) {
    // isc_interprete writes into a buffer it trusts to be large enough, and
    // moves the cursor along a vector it may not own, so it gets a copy.
    ISC_STATUS_ARRAY vector;
    std::copy(StatusVector(), StatusVector() + ISC_STATUS_LENGTH, vector);
    const ISC_STATUS* cursorConst = vector;
    ISC_STATUS* cursor = const_cast<ISC_STATUS*>(cursorConst);
    static thread_local char buffer[20480];
    QString text;
    for (;;) {
        buffer[0] = '\0';
        const ISC_LONG length = library.isc_interprete(buffer, &cursor);
        if (length <= 0)
            break;
        // The values inside the lines (a duplicate key, an exception's text)
        // come in the connection's character set, WIN1251.
        QString line =
            DecodeText(buffer, qMin<qsizetype>(length, sizeof buffer), TTextCodec::Win1251);
        const qsizetype nul = line.indexOf(QChar(0));
        if (nul >= 0)
            line.truncate(nul);
        if (line.isEmpty())
            continue;
        UpperFirstAsciiLetter(line);
        text += line;
        if (!text.endsWith(QLatin1Char('.')))
            text += QLatin1Char('.');
        text += QStringLiteral("\r\n");
    }
    return text;
}

} // namespace

void IBError(const IIBClientLibrary& library, const TComponent* sender) {
    const uint8_t options = FIBErrorOptions();
    const ISC_LONG sqlCode = library.isc_sqlcode(StatusVector());
    EFIBInterBaseError error(static_cast<int32_t>(sqlCode), sender);
    if (options & ShowSQLText)
        error.SetSQLText(SqlText(library, sqlCode));
    if (options & ShowServerText)
        error.SetServerText(ServerText(library));
    error.SetBaseText(QString());
    RestoreFloatingPointControl();
    throw error;
}

IIBClientLibrary& RequireClientLibrary(const IIBClientLibraryPtr& library,
                                       const QString& operation) {
    if (!library)
        throw Exception(FormatText(
            QStringLiteral("Can't perform operation %s. Unknown client library"), {operation}));
    return *library;
}

TBlobHandle::~TBlobHandle() {
    if (handle_) {
        ISC_STATUS_ARRAY own{};
        library_.isc_close_blob(own, &handle_);
    }
}

ISC_STATUS TBlobHandle::Close(ISC_STATUS* status) {
    const ISC_STATUS result = library_.isc_close_blob(status, &handle_);
    if (result == 0)
        handle_ = 0;
    return result;
}
