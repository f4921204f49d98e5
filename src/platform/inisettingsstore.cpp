#include "inisettingsstore.h"

#include "runtimeerror.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <optional>

#ifdef Q_OS_WIN
#include <QLockFile>
#else
#include <QDeadlineTimer>
#include <QThread>
#endif

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kl {

namespace {

// Another instance holds the lock only for one read-merge-write.
constexpr int LockWaitMs = 5000;
#ifdef Q_OS_WIN
constexpr int StaleLockMs = 10000;
#endif

const QFile::Permissions OwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;
const QFile::Permissions OwnerOnlyDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;


RuntimeError failure(int number, const QString &path)
{
    return RuntimeError(number, QStringLiteral("%1 (%2)").arg(RuntimeError::describe(number),
                                                              QDir::toNativeSeparators(path)));
}

bool isHexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

int hexValue(char16_t c)
{
    if (c <= u'9')
        return c - u'0';
    if (c >= u'a')
        return c - u'a' + 10;
    return c - u'A' + 10;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// --- The INI text layout QSettings uses, so that either side reads the other.

void escapeKey(QStringView key, QByteArray &out)
{
    static const char hex[] = "0123456789ABCDEF";
    for (QChar qc : key) {
        const char16_t ch = qc.unicode();
        if (ch == u'/') {
            out += '\\';
        } else if ((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9')
                   || ch == u'_' || ch == u'-' || ch == u'.') {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += hex[ch / 16];
            out += hex[ch % 16];
        } else {
            out += "%U";
            out += hex[(ch >> 12) & 0xF];
            out += hex[(ch >> 8) & 0xF];
            out += hex[(ch >> 4) & 0xF];
            out += hex[ch & 0xF];
        }
    }
}

QString unescapeKey(QStringView s)
{
    QString out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        if (c == u'\\') {
            out += u'/';
            continue;
        }
        if (c != u'%' || i + 1 >= n) {
            out += c;
            continue;
        }
        qsizetype first = i + 1;
        qsizetype digits = 2;
        if (s[first] == u'U') {
            ++first;
            digits = 4;
        }
        bool ok = first + digits <= n;
        char16_t value = 0;
        for (qsizetype d = 0; ok && d < digits; ++d) {
            const char16_t h = s[first + d].unicode();
            ok = isHexDigit(h);
            value = char16_t(value * 16 + (ok ? hexValue(h) : 0));
        }
        if (!ok) {
            out += c; // a lone '%' is just a character
            continue;
        }
        out += QChar(value);
        i = first + digits - 1;
    }
    return out;
}

// QSettings marks strings it cannot write plainly with a leading '@'.
void escapeValue(const QString &text, QByteArray &out)
{
    QString marked;
    const QString *v = &text;
    if (text.contains(QChar(0))) {
        marked = QStringLiteral("@String(") + text + u')';
        v = &marked;
    } else if (text.startsWith(u'@')) {
        marked = u'@' + text;
        v = &marked;
    }

    const qsizetype start = out.size();
    bool needsQuotes = false;
    bool escapeNextIfHex = false; // after \0 or \xHH a hex digit would join the escape
    const qsizetype n = v->size();
    for (qsizetype i = 0; i < n;) {
        const char16_t ch = v->at(i).unicode();
        if (ch == u';' || ch == u',' || ch == u'=')
            needsQuotes = true;
        if (escapeNextIfHex && isHexDigit(ch)) {
            out += "\\x";
            out += QByteArray::number(ch, 16);
            ++i;
            continue;
        }
        escapeNextIfHex = false;
        switch (ch) {
        case u'\0': out += "\\0"; escapeNextIfHex = true; ++i; continue;
        case u'\a': out += "\\a"; ++i; continue;
        case u'\b': out += "\\b"; ++i; continue;
        case u'\f': out += "\\f"; ++i; continue;
        case u'\n': out += "\\n"; ++i; continue;
        case u'\r': out += "\\r"; ++i; continue;
        case u'\t': out += "\\t"; ++i; continue;
        case u'\v': out += "\\v"; ++i; continue;
        case u'"':
        case u'\\':
            out += '\\';
            out += char(ch);
            ++i;
            continue;
        default:
            break;
        }
        if (ch < 0x20) {
            out += "\\x";
            out += QByteArray::number(ch, 16);
            escapeNextIfHex = true;
            ++i;
            continue;
        }
        // A run of plain characters, written raw as UTF-8.
        qsizetype j = i + 1;
        while (j < n) {
            const char16_t c = v->at(j).unicode();
            if (c < 0x20 || c == u'"' || c == u'\\')
                break;
            if (c == u';' || c == u',' || c == u'=')
                needsQuotes = true;
            ++j;
        }
        out += QStringView(*v).sliced(i, j - i).toUtf8();
        i = j;
    }

    if (needsQuotes || (out.size() > start && (out.at(start) == ' ' || out.back() == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

// Reads the value part of a line. *lossy is set when the text holds
// something QSettings reads by dropping characters, so that writing the value
// back would not reproduce what the user had.
QString unescapeValue(QStringView s, bool *lossy)
{
    QString out;
    out.reserve(s.size());
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n && isBlank(s[i]))
        ++i;
    bool quoted = false;
    bool inQuotes = false;
    qsizetype chopLimit = 0; // escaped characters are never trimmed
    while (i < n) {
        const QChar c = s[i];
        if (c == u'\\') {
            if (++i >= n)
                break;
            const char16_t e = s[i++].unicode();
            switch (e) {
            case u'a': out += u'\a'; break;
            case u'b': out += u'\b'; break;
            case u'f': out += u'\f'; break;
            case u'n': out += u'\n'; break;
            case u'r': out += u'\r'; break;
            case u't': out += u'\t'; break;
            case u'v': out += u'\v'; break;
            case u'"': out += u'"'; break;
            case u'?': out += u'?'; break;
            case u'\'': out += u'\''; break;
            case u'\\': out += u'\\'; break;
            case u'x': {
                if (i >= n || !isHexDigit(s[i].unicode())) {
                    *lossy = true;
                    break;
                }
                quint32 value = 0;
                while (i < n && isHexDigit(s[i].unicode()))
                    value = value * 16 + quint32(hexValue(s[i++].unicode()));
                out += QChar(char16_t(value & 0xFFFF));
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    quint32 value = e - u'0';
                    while (i < n && s[i] >= u'0' && s[i] <= u'7')
                        value = value * 8 + quint32(s[i++].unicode() - u'0');
                    out += QChar(char16_t(value & 0xFFFF));
                } else {
                    *lossy = true; // an unknown escape: the character is dropped
                }
                break;
            }
            chopLimit = out.size();
        } else if (c == u'"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                while (i < n && isBlank(s[i]))
                    ++i;
                chopLimit = out.size();
            }
        } else {
            qsizetype j = i + 1;
            while (j < n && s[j] != u'\\' && s[j] != u'"')
                ++j;
            out += s.sliced(i, j - i);
            i = j;
        }
    }
    if (!quoted) {
        qsizetype end = out.size();
        while (end > chopLimit && isBlank(out.at(end - 1)))
            --end;
        out.truncate(end);
    }
    return out;
}

// Undoes the '@' marks QSettings puts on values. Typed values (@Rect and the
// like) have no text form and are kept as written.
QString unmarkValue(QString s)
{
    if (!s.startsWith(u'@'))
        return s;
    if (s.endsWith(u')')) {
        if (s.startsWith(QLatin1String("@ByteArray("))) {
            const QString inner = s.mid(11, s.size() - 12);
            for (QChar c : inner) {
                if (c.unicode() > 0xFF)
                    return inner;
            }
            const QByteArray bytes = inner.toLatin1();
            return QByteArrayView(bytes).isValidUtf8() ? QString::fromUtf8(bytes) : inner;
        }
        if (s.startsWith(QLatin1String("@String(")))
            return s.mid(8, s.size() - 9);
        if (s == QLatin1String("@Invalid()"))
            return QString();
    }
    if (s.startsWith(QLatin1String("@@")))
        s.remove(0, 1);
    return s;
}

struct LineScan
{
    qsizetype end = 0;     // where a trailing comment starts, or the line's end
    qsizetype equals = -1; // the first '=' outside quotes
    bool openQuote = false;
    bool danglingEscape = false;
};

// Quotes and backslash escapes hide ';' and '=' from the line structure.
LineScan scanLine(QStringView s)
{
    LineScan r;
    bool inQuotes = false;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        if (c == u'\\') {
            if (i + 1 >= n) {
                r.danglingEscape = true;
                break;
            }
            ++i;
        } else if (c == u'"') {
            inQuotes = !inQuotes;
        } else if (inQuotes) {
            continue;
        } else if (c == u'=' && r.equals < 0) {
            r.equals = i;
        } else if (c == u';') {
            r.end = i;
            return r;
        }
    }
    r.end = n;
    r.openQuote = inQuotes;
    return r;
}

QString sectionHeader(QStringView raw)
{
    if (raw.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0)
        return QString(); // the settings outside any section
    if (raw.compare(QLatin1String("%general"), Qt::CaseInsensitive) == 0)
        return raw.mid(1).toString();
    return unescapeKey(raw);
}

#ifdef Q_OS_UNIX
QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

// The error number that opening path for reading meets, for a file that
// QFile would not open.
int readErrorNumber(const QString &path)
{
    const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return err::PathFileAccessError; // opens, but is not a regular file
    }
    switch (errno) {
    case EACCES:
    case EPERM:
        return err::PermissionDenied;
    case EIO:
        return err::DeviceIoError;
    default:
        return err::PathFileAccessError;
    }
}

void syncDirectory(const QString &dir)
{
    const int fd = ::open(nativePath(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Some file systems refuse fsync on a folder; the rename is done either way.
    (void)::fsync(fd);
    ::close(fd);
}
#else
int readErrorNumber(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isDir() && !info.isReadable())
        return err::PermissionDenied;
    return err::PathFileAccessError;
}

void syncDirectory(const QString &)
{
}
#endif

// Why a write into dir failed, as well as Qt can tell.
int writeErrorNumber(QFileDevice::FileError error, const QString &dir, qint64 needed)
{
    if (error == QFileDevice::ResourceError)
        return err::DiskFull;
    const QStorageInfo storage(dir);
    if (storage.isValid() && storage.isReady() && storage.bytesAvailable() >= 0
        && storage.bytesAvailable() < needed + 4096)
        return err::DiskFull;
    if (error == QFileDevice::PermissionsError || storage.isReadOnly())
        return err::PermissionDenied;
    const QFileInfo info(dir);
    if (info.isDir() && !info.isWritable())
        return err::PermissionDenied;
    return err::PathFileAccessError;
}

// QString::toCaseFolded allocates even when nothing changes; names here are
// mostly ASCII, often without capitals, and folded on every call.
QString foldCase(const QString &name)
{
    bool upper = false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return name.toCaseFolded();
        upper = upper || (u >= u'A' && u <= u'Z');
    }
    if (!upper)
        return name;
    QString folded(name.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(folded.data());
    for (QChar c : name) {
        const char16_t u = c.unicode();
        *out++ = u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u;
    }
    return folded;
}

bool validAppName(const QString &app)
{
    return !app.isEmpty() && app != QLatin1String(".") && app != QLatin1String("..")
        && !app.contains(u'/') && !app.contains(u'\\') && !app.contains(QChar(0));
}

void requireAppName(const QString &app)
{
    if (!validAppName(app))
        throw RuntimeError(err::InvalidProcedureCall);
}

// Serialises the commits of one file between processes, for its lifetime.
// Not QLockFile: it tells a dead holder's lock only by pid or age, so a
// writer killed at the wrong moment (an empty lock file, a leftover .rmlock)
// blocks saving for seconds. The kernel drops an flock() with its holder; the
// lock file itself is kept.
class CommitLock
{
public:
    explicit CommitLock(const QString &iniFile);
    ~CommitLock();
    CommitLock(const CommitLock &) = delete;
    CommitLock &operator=(const CommitLock &) = delete;

private:
#ifdef Q_OS_WIN
    QLockFile m_lock;
#else
    int m_fd = -1;
#endif
};

#ifdef Q_OS_WIN
CommitLock::CommitLock(const QString &iniFile)
    : m_lock(iniFile + QStringLiteral(".lock"))
{
    m_lock.setStaleLockTime(StaleLockMs);
    if (!m_lock.tryLock(LockWaitMs)) {
        throw failure(m_lock.error() == QLockFile::UnknownError ? err::PathFileAccessError : err::PermissionDenied,
                      iniFile);
    }
}

CommitLock::~CommitLock() = default;
#else
CommitLock::CommitLock(const QString &iniFile)
{
    // O_RDWR: over NFS an exclusive flock() needs a file open for writing.
    m_fd = ::open(nativePath(iniFile + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        const int e = errno;
        throw failure(e == EACCES || e == EPERM || e == EROFS ? err::PermissionDenied
                          : e == ENOSPC || e == EDQUOT        ? err::DiskFull
                                                              : err::PathFileAccessError,
                      iniFile);
    }
    // Polled, as a blocking flock() cannot give up at a deadline.
    const QDeadlineTimer deadline(LockWaitMs);
    unsigned long pauseMs = 1;
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        if (e == EINTR)
            continue;
        if (e == ENOLCK || e == EOPNOTSUPP)
            return; // a file system without locks: saving works, unguarded
        if (e != EWOULDBLOCK || deadline.hasExpired()) {
            ::close(m_fd);
            throw failure(e == EWOULDBLOCK ? err::PermissionDenied : err::PathFileAccessError, iniFile);
        }
        QThread::msleep(pauseMs);
        pauseMs = qMin(pauseMs * 2, 50ul);
    }
}

CommitLock::~CommitLock()
{
    ::close(m_fd); // drops the lock
}
#endif

} // namespace

// --- Document

IniSettingsStore::FoldedName IniSettingsStore::FoldedName::of(const QString &name)
{
    FoldedName f{foldCase(name)};
    // FNV-1a over the UTF-16 units, with a final mix for the low bits.
    quint64 h = 14695981039346656037ULL;
    for (QChar c : std::as_const(f.text)) {
        h ^= c.unicode();
        h *= 1099511628211ULL;
    }
    h ^= h >> 32;
    f.hash = size_t(h);
    return f;
}

IniSettingsStore::Document IniSettingsStore::Document::parse(QByteArrayView data)
{
    Document doc;
    qsizetype pos = 0;
    const qsizetype n = data.size();
    if (data.startsWith("\xEF\xBB\xBF"))
        pos = 3;

    qsizetype section = -1; // before any header: the settings outside a section
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && data[end] != '\n' && data[end] != '\r')
            ++end;
        const QByteArrayView raw = data.sliced(pos, end - pos);
        pos = end;
        if (pos < n) {
            const char first = data[pos++];
            if (pos < n && (data[pos] == '\n' || data[pos] == '\r') && data[pos] != first)
                ++pos;
        }
        if (raw.isEmpty())
            continue;
        if (raw.contains('\0') || !raw.isValidUtf8()) {
            doc.m_clean = false;
            continue;
        }
        doc.parseLine(QString::fromUtf8(raw), section);
    }
    return doc;
}

void IniSettingsStore::Document::parseLine(QStringView line, qsizetype &currentSection)
{
    qsizetype start = 0;
    while (start < line.size() && isBlank(line[start]))
        ++start;
    line = line.sliced(start);
    if (line.isEmpty() || line.front() == u';')
        return;

    if (line.front() == u'[') {
        const qsizetype close = line.indexOf(u']');
        if (close < 0) {
            // Read as QSettings does, but keep the original aside on write.
            m_clean = false;
            currentSection = sectionFor(sectionHeader(line.sliced(1).trimmed()));
            return;
        }
        const QStringView rest = line.sliced(close + 1).trimmed();
        if (!rest.isEmpty() && rest.front() != u';')
            m_clean = false;
        currentSection = sectionFor(sectionHeader(line.sliced(1, close - 1).trimmed()));
        return;
    }

    // A trailing backslash would join the next line in QSettings; such a
    // line is hand-made, and is left out rather than guessed at.
    const LineScan scan = scanLine(line);
    if (scan.danglingEscape || scan.openQuote || scan.equals < 0) {
        m_clean = false;
        return;
    }
    qsizetype keyEnd = scan.equals;
    while (keyEnd > 0 && isBlank(line[keyEnd - 1]))
        --keyEnd;
    const QString key = unescapeKey(line.first(keyEnd));
    if (key.isEmpty()) {
        m_clean = false;
        return;
    }
    bool lossy = false;
    QString value = unmarkValue(unescapeValue(line.sliced(scan.equals + 1, scan.end - scan.equals - 1), &lossy));
    if (lossy)
        m_clean = false;

    if (currentSection < 0)
        currentSection = sectionFor(QString());
    Section &sec = m_sections[currentSection];
    FoldedName folded = FoldedName::of(key);
    const auto it = sec.index.constFind(folded);
    if (it != sec.index.cend()) {
        // The same name twice: the later line wins, the earlier is kept aside.
        m_clean = false;
        sec.entries[*it].value = std::move(value);
        return;
    }
    sec.index.insert(std::move(folded), sec.entries.size());
    sec.entries.append(Entry{key, std::move(value)});
}

qsizetype IniSettingsStore::Document::sectionFor(const QString &name)
{
    FoldedName folded = FoldedName::of(name);
    const auto it = m_sectionIndex.constFind(folded);
    if (it != m_sectionIndex.cend())
        return *it;
    m_sectionIndex.insert(std::move(folded), m_sections.size());
    m_sections.append(Section{name, {}, {}});
    return m_sections.size() - 1;
}

const QString *IniSettingsStore::Document::find(const QString &section, const QString &key) const
{
    const auto s = m_sectionIndex.constFind(FoldedName::of(section));
    if (s == m_sectionIndex.cend())
        return nullptr;
    const Section &sec = m_sections.at(*s);
    const auto k = sec.index.constFind(FoldedName::of(key));
    if (k == sec.index.cend())
        return nullptr;
    return &sec.entries.at(*k).value;
}

void IniSettingsStore::Document::set(const QString &section, const QString &key, const QString &value)
{
    Section &sec = m_sections[sectionFor(section)];
    FoldedName folded = FoldedName::of(key);
    const auto it = sec.index.constFind(folded);
    if (it != sec.index.cend()) {
        sec.entries[*it].value = value;
        return;
    }
    sec.index.insert(std::move(folded), sec.entries.size());
    sec.entries.append(Entry{key, value});
}

bool IniSettingsStore::Document::remove(const QString &section, const QString &key)
{
    const auto s = m_sectionIndex.constFind(FoldedName::of(section));
    if (s == m_sectionIndex.cend())
        return false;
    Section &sec = m_sections[*s];
    const auto k = sec.index.find(FoldedName::of(key));
    if (k == sec.index.end())
        return false;
    Entry &entry = sec.entries[*k];
    entry.removed = true;
    entry.value.clear();
    sec.index.erase(k);
    return true;
}

void IniSettingsStore::Document::compact()
{
    // Indexes are rebuilt only where something went: after each commit.
    const auto removed = [](const Entry &e) { return e.removed; };
    for (Section &sec : m_sections) {
        if (std::none_of(sec.entries.cbegin(), sec.entries.cend(), removed))
            continue;
        sec.entries.removeIf(removed);
        sec.index.clear();
        for (qsizetype i = 0; i < sec.entries.size(); ++i)
            sec.index.insert(FoldedName::of(sec.entries.at(i).key), i);
    }
    const auto empty = [](const Section &sec) { return sec.entries.isEmpty(); };
    if (std::any_of(m_sections.cbegin(), m_sections.cend(), empty)) {
        m_sections.removeIf(empty);
        m_sectionIndex.clear();
        for (qsizetype i = 0; i < m_sections.size(); ++i)
            m_sectionIndex.insert(FoldedName::of(m_sections.at(i).name), i);
    }
    m_clean = true;
}

QByteArray IniSettingsStore::Document::serialize() const
{
    QByteArray out;
    bool first = true;
    for (const Section &sec : m_sections) {
        if (sec.index.isEmpty())
            continue; // QSettings drops empty sections too
        if (!first)
            out += '\n';
        first = false;
        if (sec.name.isEmpty()) {
            out += "[General]";
        } else if (sec.name.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0) {
            out += "[%" + sec.name.toLatin1() + ']';
        } else {
            out += '[';
            escapeKey(sec.name, out);
            out += ']';
        }
        out += '\n';
        for (const Entry &e : sec.entries) {
            if (e.removed)
                continue;
            escapeKey(e.key, out);
            out += '=';
            escapeValue(e.value, out);
            out += '\n';
        }
    }
    return out;
}

// --- The store

IniSettingsStore::IniSettingsStore(QString configDir)
    : m_configDir(QDir::cleanPath(std::move(configDir)))
{
}

IniSettingsStore::~IniSettingsStore() = default;

QString IniSettingsStore::defaultConfigDir()
{
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    return QDir::homePath() + QStringLiteral("/.config");
}

QString IniSettingsStore::fileName(const QString &app) const
{
    return resolve(app).file;
}

IniSettingsStore::Paths IniSettingsStore::resolve(const QString &app) const
{
    const QDir base(m_configDir);
    QString dirName = app;
    if (!QFileInfo(base.filePath(app)).isDir()) {
        const QStringList names = base.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                                 QDir::Name);
        for (const QString &name : names) {
            if (name.compare(app, Qt::CaseInsensitive) == 0) {
                dirName = name;
                break;
            }
        }
    }
    Paths p;
    p.dir = base.filePath(dirName);
    const QString wanted = dirName + QStringLiteral(".ini");
    p.file = p.dir + u'/' + wanted;
    if (!QFileInfo::exists(p.file)) {
        const QStringList names = QDir(p.dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                                            | QDir::System,
                                                        QDir::Name);
        for (const QString &name : names) {
            if (name.compare(wanted, Qt::CaseInsensitive) == 0) {
                p.file = p.dir + u'/' + name;
                break;
            }
        }
    }
    return p;
}

#ifdef Q_OS_UNIX
IniSettingsStore::Stamp IniSettingsStore::stampOfStat(const struct stat &st)
{
    Stamp s;
    s.exists = true;
    s.device = qint64(st.st_dev);
    s.inode = qint64(st.st_ino);
    s.size = qint64(st.st_size);
    s.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}
#endif

IniSettingsStore::Stamp IniSettingsStore::stampOf(const QString &path)
{
    Stamp s;
#ifdef Q_OS_UNIX
    struct stat st;
    if (::stat(nativePath(path).constData(), &st) != 0)
        return s;
    s = stampOfStat(st);
#else
    const QFileInfo info(path);
    if (!info.exists())
        return s;
    s.exists = true;
    s.size = info.size();
    s.mtimeNs = info.lastModified().toMSecsSinceEpoch() * 1000000;
    s.ctimeNs = info.metadataChangeTime().toMSecsSinceEpoch() * 1000000;
    s.inode = info.birthTime().toMSecsSinceEpoch();
#endif
    return s;
}

IniSettingsStore::AppFile &IniSettingsStore::appFile(const QString &app)
{
    // Every call names the application; it is nearly always the last one.
    if (m_lastFile && app == m_lastApp)
        return *m_lastFile;
    const QString key = foldCase(app);
    auto it = m_apps.find(key);
    if (it == m_apps.end()) {
        it = m_apps.emplace(key, AppFile()).first;
        it->second.app = app;
    }
    m_lastApp = app;
    m_lastFile = &it->second;
    return it->second;
}

bool IniSettingsStore::changedOnDisk(const AppFile &af) const
{
    if (af.fileStamp.exists)
        return stampOf(af.filePath) != af.fileStamp;
    // While the file is missing, a new one shows up as a change of the
    // folder it appears in (or of the folder that gains its folder).
    return stampOf(af.dirPath) != af.dirStamp || stampOf(m_configDir) != af.baseStamp;
}

void IniSettingsStore::ensureFresh(AppFile &af)
{
    if (af.loaded && (!af.journal.isEmpty() || !changedOnDisk(af)))
        return;
    reload(af);
}

void IniSettingsStore::reload(AppFile &af)
{
    af.loaded = false;
    const Paths p = resolve(af.app);
    // Folders first: a file created after this look is then seen as a change.
    af.dirStamp = stampOf(p.dir);
    af.baseStamp = stampOf(m_configDir);
    Stamp st;
    af.raw = readFile(p.file, &st, &af.held);
    af.doc = Document::parse(af.raw);
    af.fileStamp = st;
    af.filePath = p.file;
    af.dirPath = p.dir;
    af.loaded = true;
}

QByteArray IniSettingsStore::readFile(const QString &path, Stamp *stamp, std::shared_ptr<QFile> *held) const
{
    *stamp = Stamp();
    held->reset();
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
#ifdef Q_OS_UNIX
        struct stat st;
        if (::stat(nativePath(path).constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
            return QByteArray(); // no file yet: no settings yet
#else
        if (!QFileInfo::exists(path))
            return QByteArray();
#endif
        throw failure(readErrorNumber(path), path);
    }
#ifdef Q_OS_UNIX
    // The stamp of what is actually read, not of what the path names later.
    bool regular = false;
    *stamp = stampOfHandle(file->handle(), &regular);
    if (!stamp->exists)
        throw failure(err::DeviceIoError, path);
    if (!regular)
        throw failure(err::PathFileAccessError, path);
#else
    *stamp = stampOf(path);
#endif
    QByteArray data = file->readAll();
    if (file->error() != QFileDevice::NoError)
        throw failure(err::DeviceIoError, path);
#ifdef Q_OS_UNIX
    *held = std::move(file);
#endif
    return data;
}

IniSettingsStore::Stamp IniSettingsStore::stampOfHandle(int fd, bool *regular)
{
    Stamp s;
#ifdef Q_OS_UNIX
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return s;
    s = stampOfStat(st);
    *regular = S_ISREG(st.st_mode);
#else
    Q_UNUSED(fd);
    *regular = false;
#endif
    return s;
}

std::shared_ptr<QFile> IniSettingsStore::hold(const QString &path, Stamp *stamp)
{
#ifdef Q_OS_UNIX
    auto file = std::make_shared<QFile>(path);
    bool regular = false;
    if (file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        *stamp = stampOfHandle(file->handle(), &regular);
        if (stamp->exists)
            return file;
    }
#endif
    *stamp = stampOf(path);
    return nullptr;
}

void IniSettingsStore::ensureDir(const QString &dir) const
{
    if (QFileInfo(dir).isDir())
        return;
    // Create each missing folder in turn, private to the user.
    QStringList missing;
    QString path = QDir::cleanPath(QFileInfo(dir).absoluteFilePath());
    while (!QFileInfo(path).isDir()) {
        if (QFileInfo::exists(path))
            throw failure(err::PathFileAccessError, path); // a file stands where a folder must be
        missing.prepend(path);
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    const QString firstParent = missing.isEmpty() ? QString() : QFileInfo(missing.first()).path();
    for (const QString &p : std::as_const(missing)) {
        if (!QDir().mkdir(p, OwnerOnlyDir) && !QFileInfo(p).isDir()) {
            const QFileInfo parent(QFileInfo(p).path());
            throw failure(parent.isDir() && !parent.isWritable() ? err::PermissionDenied
                                                                  : err::PathFileAccessError,
                          p);
        }
    }
    if (!firstParent.isEmpty())
        syncDirectory(firstParent);
}

void IniSettingsStore::backupDamaged(AppFile &af, const QString &file, const QByteArray &data) const
{
    const QByteArray digest = QCryptographicHash::hash(data, QCryptographicHash::Sha256);
    if (digest == af.backedUpDigest)
        return; // this very content was already copied aside
    const QString base = file + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? base : base + u'-' + QString::number(n);
        QFile copy(name);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly, OwnerOnlyFile)) {
            if (QFileInfo::exists(name))
                continue; // never over an older copy
            throw failure(writeErrorNumber(copy.error(), QFileInfo(file).path(), data.size()), name);
        }
        bool ok = copy.write(data) == data.size() && copy.flush();
#ifdef Q_OS_UNIX
        ok = ok && ::fsync(copy.handle()) == 0;
#endif
        if (!ok) {
            const QFileDevice::FileError error = copy.error();
            copy.close();
            copy.remove();
            throw failure(writeErrorNumber(error, QFileInfo(file).path(), data.size()), name);
        }
        af.backedUpDigest = digest;
        return;
    }
    throw failure(err::PathFileAccessError, base);
}

void IniSettingsStore::commitApp(AppFile &af)
{
    const Paths p = resolve(af.app);
    ensureDir(p.dir);
    const CommitLock lock(p.file);

    // Only commits replace the file, under this lock. When it is still the
    // one doc was read from, doc holds it with our writes on top already.
    Stamp st;
    QByteArray old;
    std::shared_ptr<QFile> held;
    Document doc;
    if (af.loaded && p.file == af.filePath && (st = stampOf(p.file)) == af.fileStamp) {
        doc = std::move(af.doc);
        old = af.raw;
        held = af.held;
    } else {
        // What other instances committed meanwhile stays; ours goes on top.
        old = readFile(p.file, &st, &held);
        doc = Document::parse(old);
        for (const Op &op : std::as_const(af.journal)) {
            if (op.remove)
                doc.remove(op.section, op.key); // gone already: nothing to do
            else
                doc.set(op.section, op.key, op.value);
        }
    }
    const bool damaged = !doc.clean();
    QByteArray out = doc.serialize();

    if (st.exists ? out != old : !out.isEmpty()) {
        if (damaged && !old.isEmpty())
            backupDamaged(af, p.file, old);

        // Unbuffered: a buffered QSaveFile leaves the write to commit(),
        // which in Qt 6.4 ignores a failed flush and renames a cut-off file.
        QSaveFile save(p.file);
        bool ok = save.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        if (ok && !st.exists)
            ok = save.setPermissions(OwnerOnlyFile);
        ok = ok && save.write(out) == out.size();
        if (!ok) {
            const QFileDevice::FileError error = save.error();
            save.cancelWriting();
            throw failure(writeErrorNumber(error, p.dir, out.size()), p.file);
        }
        if (!save.commit())
            throw failure(writeErrorNumber(save.error(), p.dir, out.size()), p.file);
        // QSaveFile syncs the file but not the rename that put it in place.
        syncDirectory(p.dir);
        held = hold(p.file, &st);
        old = std::move(out);
    }

    doc.compact();
    af.doc = std::move(doc);
    af.journal.clear();
    af.raw = std::move(old);
    af.held = std::move(held);
    af.fileStamp = st;
    af.filePath = p.file;
    af.dirPath = p.dir;
    if (!st.exists) {
        af.dirStamp = stampOf(p.dir);
        af.baseStamp = stampOf(m_configDir);
    }
    af.loaded = true;
}

QString IniSettingsStore::GetSetting(const QString &app, const QString &section, const QString &key,
                                     const QString &def)
{
    requireAppName(app);
    AppFile &af = appFile(app);
    ensureFresh(af);
    if (section.isEmpty() || key.isEmpty())
        return def; // nothing can be stored under an empty name
    const QString *value = af.doc.find(section, key);
    return value ? *value : def;
}

void IniSettingsStore::SaveSetting(const QString &app, const QString &section, const QString &key,
                                   const QString &value)
{
    requireAppName(app);
    if (section.isEmpty() || key.isEmpty())
        throw RuntimeError(err::InvalidProcedureCall);
    AppFile &af = appFile(app);
    ensureFresh(af);
    af.doc.set(section, key, value);
    af.journal.append(Op{false, section, key, value});
}

void IniSettingsStore::DeleteSetting(const QString &app, const QString &section, const QString &key)
{
    requireAppName(app);
    AppFile &af = appFile(app);
    ensureFresh(af);
    if (section.isEmpty() || key.isEmpty() || !af.doc.remove(section, key))
        throw RuntimeError(err::InvalidProcedureCall);
    af.journal.append(Op{true, section, key, {}});
}

void IniSettingsStore::commit()
{
    std::optional<RuntimeError> firstFailure;
    for (auto &[name, af] : m_apps) {
        if (af.journal.isEmpty())
            continue;
        try {
            commitApp(af);
        } catch (const RuntimeError &e) {
            // Memory follows the disk again: what could not be written is gone.
            af.journal.clear();
            af.loaded = false;
            try {
                reload(af);
            } catch (const RuntimeError &) {
                // Still unreadable: the next operation reports it.
            }
            if (!firstFailure)
                firstFailure = e;
        }
    }
    if (firstFailure)
        throw *firstFailure;
}

} // namespace kl
