#include "tests/monkey/Action.h"

namespace veltor::test::monkey {

namespace {

const char* const kKindNames[] = {"view",    "key",    "ctrldel", "type", "nav",  "click",
                                  "faculty", "course", "options", "exit", "other"};

QString Escape(const QString& text) {
    QString out;
    for (const QChar ch : text) {
        if (ch == u'\\')
            out += QStringLiteral("\\\\");
        else if (ch == u'\n')
            out += QStringLiteral("\\n");
        else if (ch == u'\t')
            out += QStringLiteral("\\t");
        else if (ch == u'\b')
            out += QStringLiteral("\\b"); // Backspace
        else
            out += ch;
    }
    return out;
}

QString Unescape(const QString& text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const QChar next = text[++i];
        out += next == u'n'   ? QChar(u'\n')
               : next == u't' ? QChar(u'\t')
               : next == u'b' ? QChar(u'\b')
                              : next;
    }
    return out;
}

// The first n words of a line, and the rest after the separator that follows
// them (the rest keeps its spaces).
bool Split(const QString& line, int n, QStringList& words, QString& rest) {
    int pos = 0;
    words.clear();
    for (int i = 0; i < n; ++i) {
        const int space = line.indexOf(u' ', pos);
        if (space < 0) {
            words << line.mid(pos);
            pos = line.size();
            rest.clear();
            return i == n - 1;
        }
        words << line.mid(pos, space - pos);
        pos = space + 1;
    }
    rest = line.mid(pos);
    return true;
}

} // namespace

QString Action::ToLine() const {
    const QString name = QString::fromLatin1(kKindNames[static_cast<int>(kind)]);
    switch (kind) {
    case Kind::View:
    case Kind::FacultyItem:
    case Kind::CourseMark:
        return name + QStringLiteral(" %1").arg(grid);
    case Kind::Key:
        return name + QStringLiteral(" %1 %2").arg(grid).arg(word);
    case Kind::CtrlDelete:
        return name + QStringLiteral(" %1 %2").arg(grid).arg(ok ? "ok" : "cancel");
    case Kind::Type:
        return name + QStringLiteral(" %1 %2 %3").arg(grid).arg(a).arg(Escape(text));
    case Kind::Nav:
        return name + QStringLiteral(" %1 %2").arg(grid).arg(word) +
               (word == QStringLiteral("Delete")
                    ? (ok ? QStringLiteral(" ok") : QStringLiteral(" cancel"))
                    : QString());
    case Kind::Click:
        return name + QStringLiteral(" %1 %2 %3").arg(grid).arg(a).arg(b);
    case Kind::Options:
    case Kind::Exit:
        return name;
    case Kind::Other:
        if (word == QStringLiteral("link") || word == QStringLiteral("unlink"))
            return name + QStringLiteral(" %1 %2 %3 %4").arg(word).arg(key).arg(a).arg(b);
        if (word == QStringLiteral("delete"))
            return name + QStringLiteral(" %1 %2 %3").arg(word, table).arg(key);
        if (word == QStringLiteral("update"))
            return name + QStringLiteral(" %1 %2 %3 %4 %5")
                              .arg(word, table)
                              .arg(key)
                              .arg(column, Escape(text));
        return name + QStringLiteral(" %1 %2 %3 %4").arg(word, table).arg(key).arg(Escape(text));
    }
    return name;
}

std::optional<Action> Action::FromLine(const QString& raw) {
    QString line = raw;
    while (line.endsWith(u'\r'))
        line.chop(1);
    QStringList w;
    QString rest;
    Split(line, 1, w, rest);
    Action act;
    int kind = -1;
    for (int i = 0; i < static_cast<int>(std::size(kKindNames)); ++i)
        if (w[0] == QLatin1String(kKindNames[i]))
            kind = i;
    if (kind < 0)
        return std::nullopt;
    act.kind = static_cast<Kind>(kind);
    bool ok = true;
    const auto num = [&](const QString& s) {
        bool good = false;
        const long long v = s.toLongLong(&good);
        ok = ok && good;
        return v;
    };
    switch (act.kind) {
    case Kind::View:
    case Kind::FacultyItem:
    case Kind::CourseMark:
        if (!Split(line, 2, w, rest) || !rest.isEmpty())
            return std::nullopt;
        act.grid = static_cast<int>(num(w[1]));
        break;
    case Kind::Key:
    case Kind::CtrlDelete:
        if (!Split(line, 3, w, rest) || !rest.isEmpty())
            return std::nullopt;
        act.grid = static_cast<int>(num(w[1]));
        act.word = w[2];
        if (act.kind == Kind::CtrlDelete) {
            act.ok = w[2] == QStringLiteral("ok");
            act.word.clear();
        }
        break;
    case Kind::Type:
        if (!Split(line, 3, w, rest))
            return std::nullopt;
        act.grid = static_cast<int>(num(w[1]));
        act.a = static_cast<int>(num(w[2]));
        act.text = Unescape(rest);
        break;
    case Kind::Nav:
        if (!Split(line, 3, w, rest))
            return std::nullopt;
        act.grid = static_cast<int>(num(w[1]));
        act.word = w[2];
        act.ok = rest != QStringLiteral("cancel");
        break;
    case Kind::Click:
        if (!Split(line, 4, w, rest) || !rest.isEmpty())
            return std::nullopt;
        act.grid = static_cast<int>(num(w[1]));
        act.a = static_cast<int>(num(w[2]));
        act.b = static_cast<int>(num(w[3]));
        break;
    case Kind::Options:
    case Kind::Exit:
        if (line != w[0])
            return std::nullopt;
        break;
    case Kind::Other: {
        if (!Split(line, 2, w, rest))
            return std::nullopt;
        act.word = w[1];
        if (act.word == QStringLiteral("link") || act.word == QStringLiteral("unlink")) {
            if (!Split(line, 5, w, rest) || !rest.isEmpty())
                return std::nullopt;
            act.key = num(w[2]);
            act.a = static_cast<int>(num(w[3]));
            act.b = static_cast<int>(num(w[4]));
        } else if (act.word == QStringLiteral("delete")) {
            if (!Split(line, 4, w, rest) || !rest.isEmpty())
                return std::nullopt;
            act.table = w[2];
            act.key = num(w[3]);
        } else if (act.word == QStringLiteral("update")) {
            if (!Split(line, 5, w, rest))
                return std::nullopt;
            act.table = w[2];
            act.key = num(w[3]);
            act.column = w[4];
            act.text = Unescape(rest);
        } else if (act.word == QStringLiteral("insert")) {
            if (!Split(line, 4, w, rest))
                return std::nullopt;
            act.table = w[2];
            act.key = num(w[3]);
            act.text = Unescape(rest);
        } else {
            return std::nullopt;
        }
        break;
    }
    }
    if (!ok)
        return std::nullopt;
    return act;
}

QString ToText(const ActionList& list) {
    QString text;
    for (const Action& a : list)
        text += a.ToLine() + QLatin1Char('\n');
    return text;
}

ActionList FromText(const QString& text, QString* error) {
    ActionList list;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        if (std::optional<Action> a = Action::FromLine(line)) {
            list.push_back(*a);
        } else if (error) {
            *error = QStringLiteral("line %1 is not an action: %2").arg(i + 1).arg(line);
            return {};
        }
    }
    return list;
}

} // namespace veltor::test::monkey
