// Parameter and macro scanning, and the text that is sent to the server.
//
// The scanner makes a single pass over the text; nothing is looked at twice
// except the one character of look-ahead that each rule below names.
//
//   state          entered at                     back to normal at
//   -------------  -----------------------------  ------------------------------
//   normal         the start                      -
//   literal        ' or " (remembers which)       the same quote, not doubled;
//                                                 a doubled quote stays inside
//   block comment  /*                             */
//   line comment   --                             a ccLineEnd character
//   parameter      : or ? while parameters are    the first character that
//                  recognised                     cannot continue the name; a
//                                                 quoted name ends at its "
//   macro          @ (double form: @@)            before ccMacroEnd (double
//                                                 form: after the next @)
//
// In normal state, alongside:
//   - WHERE tracking (not for EXECUTE PROCEDURE / EXECUTE BLOCK): WHERE after
//     a lead-in character enters the clause with depth 0; "(" and ")" count
//     depth, a negative depth leaves it, and so does FOR, GROUP, HAVING,
//     ORDER, PLAN, START or UNION at depth 0.
//   - in EXECUTE BLOCK, a stand-alone word AS ends parameter recognition.
//   - a parameter in a WHERE clause waits for the next non-blank character to
//     decide CanForceIsNull: * + | and a lone - or / (an arithmetic or
//     concatenation operand) make it false.

#include "base/Component.h"
#include "fib/SqlLexer.h"
#include "fib/SqlTxtRtns.h"
#include "fib/fib.h"

using namespace sqllex;

namespace {

enum class TScanState { ssNormal, ssLiteral, ssBlockComment, ssLineComment };

bool IsLoadingWithOwners(const TComponent* component) {
    for (; component; component = component->Owner())
        if (component->IsLoading())
            return true;
    return false;
}

class TParamScanner {
public:
    TParamScanner(QStringView text, TStatementKind kind, TScanMode mode,
                  const TComponent* statement)
        : text_(text), s_(reinterpret_cast<const char16_t*>(text.utf16())), n_(text.size()),
          mode_(mode), statement_(statement), paramsOn_(kind != stkDDL),
          trackWhere_(kind != stkExecProcedure && kind != stkExecBlock),
          execBlock_(kind == stkExecBlock) {}

    TScanResult Run();

private:
    bool TrackWhere(char16_t c);
    bool EndsWhereClause(char16_t c) const;
    void ResolveCanForceIsNull(char16_t c, char16_t next);
    bool ScanParameter();
    void ScanMacro();
    void Blank(qsizetype from, qsizetype to, char16_t first);
    [[noreturn]] void ParseError(const char* what) const;

    QStringView text_;
    const char16_t* s_;
    qsizetype n_;
    TScanMode mode_;
    const TComponent* statement_;
    bool paramsOn_;
    bool trackWhere_;
    bool execBlock_;

    TScanResult result_;
    char16_t* out_ = nullptr;
    qsizetype i_ = 0;
    bool inWhere_ = false;
    int depth_ = 0;
    qsizetype pendingForce_ = -1; // parameter whose CanForceIsNull is undecided
};

TScanResult TParamScanner::Run() {
    if (mode_ == TScanMode::smPrepare) {
        result_.ProcessedText = text_.toString();
        out_ = reinterpret_cast<char16_t*>(result_.ProcessedText.data());
    }
    TScanState state = TScanState::ssNormal;
    char16_t quote = 0;
    while (i_ < n_) {
        const char16_t c = s_[i_];
        switch (state) {
        case TScanState::ssLiteral: {
            const qsizetype k = text_.indexOf(QChar(quote), i_);
            if (k < 0) {
                i_ = n_;
                continue;
            }
            if (At(text_, k + 1) == quote) {
                i_ = k + 2;
                continue;
            }
            i_ = k + 1;
            state = TScanState::ssNormal;
            continue;
        }
        case TScanState::ssBlockComment: {
            const qsizetype k = text_.indexOf(u"*/", i_);
            if (k < 0) {
                i_ = n_;
                continue;
            }
            i_ = k + 2;
            state = TScanState::ssNormal;
            continue;
        }
        case TScanState::ssLineComment:
            while (i_ < n_ && !Is(s_[i_], ccLineEnd))
                ++i_;
            state = TScanState::ssNormal;
            continue;
        case TScanState::ssNormal:
            break;
        }

        const char16_t next = At(text_, i_ + 1);
        if (pendingForce_ >= 0 && !Is(c, ccBlank))
            ResolveCanForceIsNull(c, next);
        if (trackWhere_ && TrackWhere(c))
            continue;
        switch (c) {
        case u'\'':
        case u'"':
            state = TScanState::ssLiteral;
            quote = c;
            ++i_;
            continue;
        case u'-':
            if (next == u'-') {
                state = TScanState::ssLineComment;
                i_ += 2;
                continue;
            }
            break;
        case u'/':
            if (next == u'*') {
                state = TScanState::ssBlockComment;
                i_ += 2;
                continue;
            }
            break;
        case u':':
        case u'?':
            if (paramsOn_) {
                if (!ScanParameter())
                    return std::move(result_);
                continue;
            }
            break;
        case u'@':
            ScanMacro();
            continue;
        case u'A':
        case u'a':
            // The AS that opens an EXECUTE BLOCK body: the body's :names are
            // its own variables. A word that merely ends in "as" is not it.
            if (execBlock_ && paramsOn_ && (next | 0x20) == u's' &&
                Is(At(text_, i_ + 2), ccTerminator) && (i_ == 0 || !Is(s_[i_ - 1], ccName))) {
                paramsOn_ = false;
                i_ += 2;
                continue;
            }
            break;
        default:
            break;
        }
        ++i_;
        // The rest of a word, or of a run of blanks, can start nothing: no
        // keyword follows a name character, and blanks decide nothing.
        if (Is(c, ccName | ccBlank)) {
            const uint16_t run = Is(c, ccName) ? ccName : ccBlank;
            while (i_ < n_ && Is(s_[i_], run))
                ++i_;
        }
    }
    if (state == TScanState::ssBlockComment)
        ParseError("EOF in comment detected");
    if (state == TScanState::ssLiteral)
        ParseError("EOF in string detected");
    return std::move(result_);
}

// Returns true when it consumed characters itself.
bool TParamScanner::TrackWhere(char16_t c) {
    if (!inWhere_) {
        if (i_ >= 1 && UpperAscii(c) == u'W' && KeywordAt(u"WHERE", text_, i_)) {
            inWhere_ = true;
            depth_ = 0;
            i_ += 5;
            return true;
        }
        return false;
    }
    if (c == u'(') {
        ++depth_;
    } else if (c == u')') {
        if (--depth_ < 0)
            inWhere_ = false;
    } else if (depth_ == 0 && EndsWhereClause(c)) {
        inWhere_ = false;
    }
    return false;
}

bool TParamScanner::EndsWhereClause(char16_t c) const {
    switch (UpperAscii(c)) {
    case u'F':
        return KeywordAt(u"FOR", text_, i_);
    case u'G':
        return KeywordAt(u"GROUP", text_, i_);
    case u'H':
        return KeywordAt(u"HAVING", text_, i_);
    case u'O':
        return KeywordAt(u"ORDER", text_, i_);
    case u'P':
        return KeywordAt(u"PLAN", text_, i_);
    case u'S':
        return KeywordAt(u"START", text_, i_);
    case u'U':
        return KeywordAt(u"UNION", text_, i_);
    default:
        return false;
    }
}

void TParamScanner::ResolveCanForceIsNull(char16_t c, char16_t next) {
    const bool operand = c == u'*' || c == u'+' || c == u'|' || (c == u'-' && next != u'-') ||
                         (c == u'/' && next != u'*');
    if (operand)
        result_.Params[pendingForce_].CanForceIsNull = false;
    pendingForce_ = -1;
}

bool TParamScanner::ScanParameter() {
    const qsizetype marker = i_;
    const qsizetype first = marker + 1;
    TSQLParamRef ref;
    qsizetype last;
    if (At(text_, first) == u'"') {
        const qsizetype close = text_.indexOf(u'"', first + 1);
        if (close < 0)
            ParseError("EOF in string detected");
        ref.Name = text_.mid(first + 1, close - first - 1).toString();
        ref.Quoted = true;
        last = close;
    } else if (first < n_ && Is(s_[first], ccName)) {
        qsizetype k = first;
        while (k < n_ && Is(s_[k], ccName))
            ++k;
        ref.Name = UpperAscii(text_.mid(first, k - first));
        last = k - 1;
    } else {
        // A form that is being loaded may hold a text that is completed later.
        if (IsLoadingWithOwners(statement_)) {
            result_.StoppedWhileLoading = true;
            return false;
        }
        ParseError("Parameter name expected");
    }
    ref.StartPos = marker + 1;
    ref.EndPos = last + 1;
    ref.InWhereClause = inWhere_;
    ref.CanForceIsNull = inWhere_;
    Blank(marker, last, u'?');
    result_.Params.append(std::move(ref));
    if (inWhere_)
        pendingForce_ = result_.Params.size() - 1;
    i_ = last + 1;
    return true;
}

void TParamScanner::ScanMacro() {
    const qsizetype marker = i_;
    const bool doubleForm = At(text_, marker + 1) == u'@';
    const qsizetype first = marker + (doubleForm ? 2 : 1);
    qsizetype stop; // one past the macro text
    qsizetype resume;
    if (doubleForm) {
        const qsizetype close = first < n_ ? text_.indexOf(u'@', first) : -1;
        stop = close < 0 ? n_ : close;
        resume = close < 0 ? n_ : close + 1;
    } else {
        stop = first;
        while (stop < n_ && !Is(s_[stop], ccMacroEnd))
            ++stop;
        resume = stop;
    }
    const qsizetype last = std::max(marker, std::min(resume, n_) - 1);
    Blank(marker, last, u' ');
    i_ = resume;
    if (mode_ == TScanMode::smPrepare)
        return; // values were substituted before the prepare scan

    const QStringView body = text_.mid(first, std::max<qsizetype>(0, stop - first));
    const qsizetype percent = body.indexOf(u'%');
    TSQLParamRef ref;
    ref.IsMacro = true;
    ref.Name = body.left(percent < 0 ? body.size() : percent).left(255).toString();
    if (percent >= 0) {
        QStringView def = body.mid(percent + 1);
        if (def.startsWith(u'#')) {
            ref.MacroQuoted = true;
            def = def.mid(1);
        }
        ref.MacroDefault = def.toString();
    }
    ref.StartPos = marker + 1;
    ref.EndPos = last + 1;
    ref.InWhereClause = inWhere_;
    result_.Params.append(std::move(ref));
}

void TParamScanner::Blank(qsizetype from, qsizetype to, char16_t first) {
    if (!out_)
        return;
    out_[from] = first;
    for (qsizetype k = from + 1; k <= to; ++k)
        out_[k] = u' ';
}

void TParamScanner::ParseError(const char* what) const {
    FIBError(fibeSQLParseError, {FullComponentName(statement_), what});
}

} // namespace

bool NeedsScan(QStringView text) {
    if (text.size() < 2)
        return false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const qsizetype j = SkipNonCode(text, i);
        if (j != i) {
            i = j;
            continue;
        }
        const char16_t c = text[i].unicode();
        if (c == u':' || c == u'?' || c == u'@')
            return true;
        ++i;
    }
    return false;
}

TScanResult TSQLParser::ScanParameters(TScanMode mode, const TComponent* statement) const {
    return TParamScanner(text_, kind_, mode, statement).Run();
}

TScanResult ScanParameters(const QString& text, TScanMode mode, const TComponent* statement) {
    return TSQLParser(text).ScanParameters(mode, statement);
}

// ---------------------------------------------------------------------------

namespace {

struct TComparison {
    qsizetype start; // first character of the operator
    bool negated;    // != ^= ~= <>
};

// The comparison operator that stands before a parameter, in the server text
// built so far (so that a macro value may supply it) followed by the source
// text from copied up to the marker. Anything but =, !=, ^=, ~= and <>
// (including <= and >=) is left alone, and so is an operator separated from
// the parameter by "(": dropping the parenthesis would unbalance the text.
// The returned position counts in that joined text.
std::optional<TComparison> ComparisonBefore(QStringView built, QStringView source) {
    const qsizetype n = built.size();
    const auto at = [&](qsizetype k) {
        return k < n ? built[k].unicode() : source[k - n].unicode();
    };
    qsizetype k = n + source.size() - 1;
    bool parenthesis = false;
    while (k >= 0 && Is(at(k), ccOperatorBlank)) {
        parenthesis = parenthesis || at(k) == u'(';
        --k;
    }
    if (k < 0 || parenthesis)
        return std::nullopt;
    const char16_t before = k > 0 ? at(k - 1) : char16_t(0);
    if (at(k) == u'=') {
        if (before == u'!' || before == u'^' || before == u'~')
            return TComparison{k - 1, true};
        if (before == u'<' || before == u'>')
            return std::nullopt;
        return TComparison{k, false};
    }
    if (at(k) == u'>' && before == u'<')
        return TComparison{k - 1, true};
    return std::nullopt;
}

} // namespace

QString QuotedMacroValue(const QString& value) {
    if (value.isEmpty())
        return QStringLiteral("''");
    if (value.startsWith(u'\''))
        return value;
    QString inner = value.startsWith(u'#') ? value.mid(1) : value;
    // The value becomes a string literal: a quote inside it must not end it.
    inner.replace(u'\'', QStringLiteral("''"));
    return u'\'' + inner + u'\'';
}

TServerText BuildServerText(const QString& text, std::span<const TSQLParamRef> refs,
                            std::span<const TServerTextValue> values, TServerTextOptions options) {
    TServerText result;
    const QStringView t(text);
    const bool forceNulls = options.ForExecute && !options.NoForceIsNull;
    QString& out = result.Text;
    out.reserve(text.size() + 16);
    qsizetype copied = 0;
    bool replaced = false;
    for (std::size_t i = 0; i < refs.size(); ++i) {
        const TSQLParamRef& ref = refs[i];
        const qsizetype start = ref.StartPos - 1;
        const qsizetype end = ref.EndPos - 1;
        if (start < copied || end < start || end >= t.size())
            continue; // not a reference of this text
        const TServerTextValue* value = i < values.size() ? &values[i] : nullptr;
        if (ref.IsMacro) {
            const QString v = value ? value->MacroValue : QString();
            out += t.mid(copied, start - copied);
            out += ref.MacroQuoted ? QuotedMacroValue(v) : v;
            copied = end + 1;
            replaced = true;
            continue;
        }
        if (!forceNulls || !value || !value->IsNull || !ref.InWhereClause || !ref.CanForceIsNull)
            continue;
        const auto op = ComparisonBefore(out, t.mid(copied, start - copied));
        if (!op)
            continue;
        if (op->start < out.size())
            out.truncate(op->start);
        else
            out += t.mid(copied, op->start - out.size());
        out += op->negated ? QStringLiteral(" IS NOT NULL ") : QStringLiteral(" IS NULL ");
        copied = end + 1;
        replaced = true;
        result.ForcedNull.push_back(static_cast<qsizetype>(i));
    }
    out += t.mid(copied);
    result.Rewritten = options.ForExecute && replaced;
    return result;
}
