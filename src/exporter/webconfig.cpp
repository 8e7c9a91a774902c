#include "exporter/webconfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <utility>
#include <vector>

namespace {

// The YAML a web configuration needs: nested block mappings of plain or quoted texts,
// comments, empty values and "{}". Lists, flow collections, anchors, tags and texts over
// several lines are reported as unsupported instead of being half understood.
struct YamlEntry;
struct YamlNode
{
    enum class Kind { Null, Scalar, Map };
    Kind kind = Kind::Null;
    QString text;
    std::vector<YamlEntry> entries; // in file order
};
struct YamlEntry
{
    QString key;
    int line = 0;
    YamlNode value;
};

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Nothing but blanks and perhaps a comment from pos on.
bool restIsEmpty(const QString &s, qsizetype pos)
{
    const qsizetype start = pos;
    while (pos < s.size() && isBlank(s[pos]))
        ++pos;
    return pos == s.size() ||
           (s[pos] == QLatin1Char('#') && (pos == 0 || pos > start || isBlank(s[pos - 1])));
}

class YamlReader
{
public:
    bool read(const QByteArray &bytes, YamlNode *root);
    QString error;

private:
    bool fail(int line, const QString &why)
    {
        error = QStringLiteral("Zeile %1: %2").arg(line).arg(why);
        return false;
    }
    bool quoted(const QString &s, qsizetype &pos, QString *out, QString *why) const;
    bool key(const QString &s, qsizetype &pos, QString *out, QString *why) const;
    bool value(const QString &s, qsizetype pos, YamlNode *out, QString *why) const;
};

bool YamlReader::quoted(const QString &s, qsizetype &pos, QString *out, QString *why) const
{
    const QChar quote = s[pos++];
    out->clear();
    while (pos < s.size()) {
        const QChar c = s[pos++];
        if (c == quote) {
            // '' stands for ' inside single quotes.
            if (quote == QLatin1Char('\'') && pos < s.size() && s[pos] == quote) {
                *out += quote;
                ++pos;
                continue;
            }
            return true;
        }
        if (c != QLatin1Char('\\') || quote == QLatin1Char('\'')) {
            *out += c;
            continue;
        }
        if (pos == s.size())
            break;
        const QChar e = s[pos++];
        static const QString plain = QStringLiteral("\"\\/ ");
        static const QString from = QStringLiteral("ntr0");
        static const QString to = QStringLiteral("\n\t\r");
        if (plain.contains(e)) {
            *out += e;
        } else if (from.contains(e)) {
            *out += e == QLatin1Char('0') ? QChar(0) : to[from.indexOf(e)];
        } else if (e == QLatin1Char('x') || e == QLatin1Char('u') || e == QLatin1Char('U')) {
            const int digits = e == QLatin1Char('x') ? 2 : e == QLatin1Char('u') ? 4 : 8;
            bool ok = false;
            const uint code = s.mid(pos, digits).toUInt(&ok, 16);
            if (!ok || pos + digits > s.size() || code > 0x10FFFF) {
                *why = QStringLiteral("ungültige Escape-Folge \\%1").arg(e);
                return false;
            }
            *out += QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
            pos += digits;
        } else {
            *why = QStringLiteral("unbekannte Escape-Folge \\%1").arg(e);
            return false;
        }
    }
    *why = QStringLiteral("Anführungszeichen nicht geschlossen (Texte über mehrere Zeilen werden nicht "
                          "unterstützt)");
    return false;
}

bool YamlReader::key(const QString &s, qsizetype &pos, QString *out, QString *why) const
{
    const QChar c = s[pos];
    if (c == QLatin1Char('-') && (pos + 1 == s.size() || isBlank(s[pos + 1]))) {
        *why = QStringLiteral("Listen werden nicht unterstützt");
        return false;
    }
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
        if (!quoted(s, pos, out, why))
            return false;
        while (pos < s.size() && isBlank(s[pos]))
            ++pos;
    } else {
        if (QStringLiteral("?:,[]{}&*!|>%@`").contains(c)) {
            *why = QStringLiteral("\"%1\" am Zeilenanfang wird nicht unterstützt").arg(c);
            return false;
        }
        qsizetype end = pos;
        while (end < s.size() &&
               !(s[end] == QLatin1Char(':') && (end + 1 == s.size() || isBlank(s[end + 1])))) {
            if (s[end] == QLatin1Char('#') && isBlank(s[end - 1]))
                end = s.size() - 1; // a comment: no colon follows
            ++end;
        }
        *out = s.mid(pos, end - pos).trimmed();
        pos = end;
    }
    if (pos == s.size() || s[pos] != QLatin1Char(':')) {
        *why = QStringLiteral("\"Schlüssel: Wert\" erwartet");
        return false;
    }
    ++pos;
    return true;
}

bool YamlReader::value(const QString &s, qsizetype pos, YamlNode *out, QString *why) const
{
    while (pos < s.size() && isBlank(s[pos]))
        ++pos;
    const QChar c = s[pos];
    if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
        if (!quoted(s, pos, &out->text, why))
            return false;
        if (!restIsEmpty(s, pos)) {
            *why = QStringLiteral("Text nach dem schließenden Anführungszeichen");
            return false;
        }
        out->kind = YamlNode::Kind::Scalar;
        return true;
    }
    if (s.mid(pos, 2) == QLatin1String("{}") && restIsEmpty(s, pos + 2)) {
        out->kind = YamlNode::Kind::Map;
        return true;
    }
    if (QStringLiteral("[]{}&*!|>%@`").contains(c) ||
        (c == QLatin1Char('-') && (pos + 1 == s.size() || isBlank(s[pos + 1])))) {
        *why =
            QStringLiteral("Listen, Flusssyntax, Anker, Verweise, Markierungen und Blocktexte werden nicht "
                           "unterstützt");
        return false;
    }
    qsizetype end = pos;
    while (end < s.size() && !(s[end] == QLatin1Char('#') && isBlank(s[end - 1])))
        ++end;
    const QString text = s.mid(pos, end - pos).trimmed();
    if (text.contains(QLatin1String(": ")) || text.contains(QLatin1String(":\t")) ||
        text.endsWith(QLatin1Char(':'))) {
        *why = QStringLiteral("\": \" in einem Wert (Wert in Anführungszeichen setzen)");
        return false;
    }
    static const QStringList nulls{QStringLiteral("~"), QStringLiteral("null"), QStringLiteral("Null"),
                                   QStringLiteral("NULL")};
    if (!nulls.contains(text)) {
        out->kind = YamlNode::Kind::Scalar;
        out->text = text;
    }
    return true;
}

bool YamlReader::read(const QByteArray &bytes, YamlNode *root)
{
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    // The mappings being filled, innermost last, with their indentation.
    std::vector<std::pair<qsizetype, YamlNode *>> open;
    // The last key's value while it has none on its line: a deeper line makes it a mapping.
    YamlNode *pending = nullptr;
    bool started = false;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString s = lines[n];
        if (s.endsWith(QLatin1Char('\r')))
            s.chop(1);
        const int line = int(n + 1);
        if (restIsEmpty(s, 0))
            continue;
        qsizetype indent = 0;
        while (indent < s.size() && s[indent] == QLatin1Char(' '))
            ++indent;
        if (s[indent] == QLatin1Char('\t'))
            return fail(line, QStringLiteral("Tabulator in der Einrückung"));
        const bool marker =
            indent == 0 && (s.startsWith(QLatin1String("---")) || s.startsWith(QLatin1String("...")));
        if (marker && restIsEmpty(s, 3)) {
            if (s.startsWith(QLatin1String("...")))
                break;
            if (started)
                return fail(line, QStringLiteral("mehrere Dokumente werden nicht unterstützt"));
            continue;
        }
        started = true;
        if (open.empty()) {
            root->kind = YamlNode::Kind::Map;
            open.emplace_back(indent, root);
        } else if (pending && indent > open.back().first) {
            pending->kind = YamlNode::Kind::Map;
            open.emplace_back(indent, pending);
        } else {
            while (open.back().first > indent && open.size() > 1)
                open.pop_back();
            if (open.back().first != indent)
                return fail(line, QStringLiteral("die Einrückung passt zu keiner Ebene darüber"));
        }
        pending = nullptr;

        qsizetype pos = indent;
        QString name;
        QString why;
        if (!key(s, pos, &name, &why))
            return fail(line, why);
        YamlNode *map = open.back().second;
        for (const YamlEntry &e : map->entries) {
            if (e.key == name)
                return fail(
                    line,
                    QStringLiteral("Schlüssel \"%1\" doppelt (zuerst in Zeile %2)").arg(name).arg(e.line));
        }
        map->entries.push_back(YamlEntry{name, line, {}});
        YamlNode *v = &map->entries.back().value;
        if (restIsEmpty(s, pos))
            pending = v;
        else if (!value(s, pos, v, &why))
            return fail(line, QStringLiteral("\"%1\": %2").arg(name, why));
    }
    return true;
}

// The toolkit's keys this exporter leaves to others: named as unsupported, not unknown.
const QStringList unsupportedTop{QStringLiteral("http_server_config")};
const QStringList unsupportedTls{QStringLiteral("cert"),
                                 QStringLiteral("key"),
                                 QStringLiteral("client_ca"),
                                 QStringLiteral("min_version"),
                                 QStringLiteral("max_version"),
                                 QStringLiteral("cipher_suites"),
                                 QStringLiteral("curve_preferences"),
                                 QStringLiteral("prefer_server_cipher_suites"),
                                 QStringLiteral("client_allowed_sans")};

QString keyError(const YamlEntry &e, const QString &path, const QStringList &unsupported)
{
    const QString why = unsupported.contains(e.key)
                            ? QStringLiteral("Schlüssel \"%1\" wird nicht unterstützt")
                            : QStringLiteral("unbekannter Schlüssel \"%1\"");
    return QStringLiteral("Zeile %1: ").arg(e.line) + why.arg(path + e.key);
}

// A mapping or nothing; an empty value counts as an empty mapping.
bool isMap(const YamlEntry &e, const QString &path, QString *why)
{
    if (e.value.kind != YamlNode::Kind::Scalar)
        return true;
    *why = QStringLiteral("Zeile %1: \"%2\" erwartet Schlüssel darunter").arg(e.line).arg(path + e.key);
    return false;
}

bool scalar(const YamlEntry &e, const QString &path, QString *out, QString *why)
{
    if (e.value.kind == YamlNode::Kind::Map) {
        *why = QStringLiteral("Zeile %1: \"%2\" erwartet einen Text").arg(e.line).arg(path + e.key);
        return false;
    }
    *out = e.value.text;
    return true;
}

std::optional<ClientAuth> clientAuthFrom(const QString &text)
{
    static const std::pair<const char *, ClientAuth> names[] = {
        {"", ClientAuth::NoClientCert},
        {"NoClientCert", ClientAuth::NoClientCert},
        {"RequestClientCert", ClientAuth::RequestClientCert},
        {"RequireAnyClientCert", ClientAuth::RequireAnyClientCert},
        {"RequireClientCert", ClientAuth::RequireAnyClientCert}, // the older name
        {"VerifyClientCertIfGiven", ClientAuth::VerifyClientCertIfGiven},
        {"RequireAndVerifyClientCert", ClientAuth::RequireAndVerifyClientCert}};
    for (const auto &[name, auth] : names) {
        if (text == QLatin1String(name))
            return auth;
    }
    return std::nullopt;
}

} // namespace

bool isBcryptHash(const QByteArray &hash)
{
    static const QRegularExpression form(
        QStringLiteral("^\\$2[abxy]\\$(0[4-9]|[12][0-9]|3[01])\\$[./A-Za-z0-9]{53}$"));
    return form.match(QString::fromLatin1(hash)).hasMatch();
}

std::optional<WebConfig> parseWebConfig(const QByteArray &yaml, const QString &baseDir, QString *error)
{
    QString why;
    const auto failed = [&] {
        if (error)
            *error = why;
        return std::nullopt;
    };
    YamlReader reader;
    YamlNode root;
    if (!reader.read(yaml, &root)) {
        why = reader.error;
        return failed();
    }
    const auto path = [&baseDir](const QString &name) {
        return name.isEmpty() ? name : QDir::cleanPath(QDir(baseDir).absoluteFilePath(name));
    };
    WebConfig c;
    const YamlEntry *clientCa = nullptr;
    int certLine = 0;
    for (const YamlEntry &top : root.entries) {
        if (top.key == QLatin1String("tls_server_config")) {
            const QString at = QStringLiteral("tls_server_config.");
            if (!isMap(top, QString(), &why))
                return failed();
            for (const YamlEntry &e : top.value.entries) {
                QString text;
                if (!scalar(e, at, &text, &why))
                    return failed();
                if (e.key == QLatin1String("cert_file")) {
                    c.certFile = path(text);
                    certLine = e.line;
                } else if (e.key == QLatin1String("key_file")) {
                    c.keyFile = path(text);
                    certLine = e.line;
                } else if (e.key == QLatin1String("client_ca_file")) {
                    c.clientCaFile = path(text);
                    clientCa = &e;
                } else if (e.key == QLatin1String("client_auth_type")) {
                    const std::optional<ClientAuth> auth = clientAuthFrom(text);
                    if (!auth) {
                        why = QStringLiteral(
                                  "Zeile %1: \"%2client_auth_type\" kennt \"%3\" nicht (NoClientCert, "
                                  "RequestClientCert, RequireAnyClientCert, VerifyClientCertIfGiven, "
                                  "RequireAndVerifyClientCert)")
                                  .arg(e.line)
                                  .arg(at, text);
                        return failed();
                    }
                    c.clientAuth = *auth;
                } else {
                    why = keyError(e, at, unsupportedTls);
                    return failed();
                }
            }
        } else if (top.key == QLatin1String("basic_auth_users")) {
            if (!isMap(top, QString(), &why))
                return failed();
            for (const YamlEntry &e : top.value.entries) {
                QString hash;
                if (!scalar(e, QStringLiteral("basic_auth_users."), &hash, &why))
                    return failed();
                // Only whether it is a hash is said: the hash is as secret as a password.
                if (!isBcryptHash(hash.toLatin1())) {
                    why = QStringLiteral("Zeile %1: \"basic_auth_users.%2\" ist kein bcrypt-Hash")
                              .arg(e.line)
                              .arg(e.key);
                    return failed();
                }
                c.users.insert(e.key, hash.toLatin1());
            }
        } else {
            why = keyError(top, QString(), unsupportedTop);
            return failed();
        }
    }
    // The toolkit's rules: certificate and key come together; without them, plain HTTP.
    if (c.certFile.isEmpty() != c.keyFile.isEmpty()) {
        why = QStringLiteral("Zeile %1: \"tls_server_config.%2\" fehlt")
                  .arg(certLine)
                  .arg(c.certFile.isEmpty() ? QStringLiteral("cert_file") : QStringLiteral("key_file"));
        return failed();
    }
    if (c.tls() && clientCa && c.clientAuth == ClientAuth::NoClientCert) {
        why = QStringLiteral("Zeile %1: \"tls_server_config.client_ca_file\" ohne \"client_auth_type\", der "
                             "Zertifikate verlangt")
                  .arg(clientCa->line);
        return failed();
    }
    return c;
}

std::optional<WebConfig> loadWebConfig(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Web-Konfiguration %1 nicht lesbar: %2")
                         .arg(QDir::toNativeSeparators(path), file.errorString());
        return std::nullopt;
    }
    QString why;
    std::optional<WebConfig> c = parseWebConfig(file.readAll(), QFileInfo(path).absolutePath(), &why);
    if (!c && error)
        *error = QStringLiteral("Web-Konfiguration %1: %2").arg(QDir::toNativeSeparators(path), why);
    return c;
}
