#include "inisettingsstore.h"

#include "inibytes.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <optional>

#include <fcntl.h>

namespace kl {

namespace {

// A path for bytes, which may not be UTF-8. Such a path is reached through
// a handle on its deepest folder that exists, held for the process's life,
// as QString cannot hold those bytes. Empty when that cannot be done.
QString pathOfBytes(const QByteArray &bytes)
{
    const QString plain = QFile::decodeName(bytes);
    if (QFile::encodeName(plain) == bytes)
        return QDir::cleanPath(plain);
    for (qsizetype cut = bytes.size(); cut > 0; cut = bytes.lastIndexOf('/', cut - 1)) {
        const QByteArray rest = bytes.mid(cut);
        const QString restName = QFile::decodeName(rest);
        if (QFile::encodeName(restName) != rest)
            break; // the bytes that are not UTF-8 would be left out
        const int fd = ::open(bytes.left(cut).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0)
            return QDir::cleanPath(QStringLiteral("/proc/self/fd/%1").arg(fd) + restName);
    }
    return QString();
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

} // namespace

IniSettingsStore::IniSettingsStore(const std::string &configDir)
    : m_configDir(QDir::cleanPath(QString::fromStdString(configDir)))
{
}

IniSettingsStore::~IniSettingsStore() = default;

std::string IniSettingsStore::defaultConfigDir(bool sayWhenNone)
{
    // The bytes as given: a name that is not UTF-8 must not turn into another.
    const QByteArray xdg = qgetenv("XDG_CONFIG_HOME");
    const QByteArray home = qgetenv("HOME");
    QString dir;
    if (xdg.startsWith('/'))
        dir = pathOfBytes(xdg);
    else if (home.startsWith('/'))
        dir = pathOfBytes(home + "/.config");
    if (dir.isEmpty() && sayWhenNone) {
        std::fprintf(stderr, "kicklist: no usable absolute home folder (HOME, XDG_CONFIG_HOME); "
                             "the list will not be saved\n");
    }
    return dir.toStdString();
}

std::string IniSettingsStore::fileName(const std::string &app) const
{
    return resolve(QString::fromStdString(app)).file.toStdString();
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

IniSettingsStore::AppFile &IniSettingsStore::appFile(const std::string &app8)
{
    // Every call names the application; it is nearly always the last one,
    // whose name needs neither converting nor checking again.
    if (m_lastFile && app8 == m_lastApp)
        return *m_lastFile;
    const QString app = QString::fromStdString(app8);
    requireAppName(app);
    const QString key = foldCase(app);
    auto it = m_apps.find(key);
    if (it == m_apps.end()) {
        it = m_apps.emplace(key, AppFile()).first;
        it->second.app = app;
    }
    m_lastApp = app8;
    m_lastFile = &it->second;
    return it->second;
}

bool IniSettingsStore::changedOnDisk(const AppFile &af) const
{
    if (m_configDir.isEmpty())
        return false;
    if (af.fileStamp.exists)
        return inifile::stampOf(af.filePath) != af.fileStamp;
    // While the file is missing, a new one shows up as a change of the
    // folder it appears in (or of the folder that gains its folder).
    return inifile::stampOf(af.dirPath) != af.dirStamp || inifile::stampOf(m_configDir) != af.baseStamp;
}

void IniSettingsStore::ensureFresh(AppFile &af)
{
    // One handler's reads and writes are one transaction: values worked
    // out from what it read never land on a file another instance changed
    // meanwhile.
    if (!m_transaction && !m_configDir.isEmpty())
        m_transaction = std::make_unique<inifile::TransactionLock>(m_configDir);
    if (af.loaded && (!af.journal.isEmpty() || !changedOnDisk(af)))
        return;
    reload(af);
}

void IniSettingsStore::reload(AppFile &af)
{
    af.loaded = m_configDir.isEmpty(); // nowhere to keep settings: none
    if (af.loaded)
        return;
    const Paths p = resolve(af.app);
    // Folders first: a file created after this look is then seen as a change.
    af.dirStamp = inifile::stampOf(p.dir);
    af.baseStamp = inifile::stampOf(m_configDir);
    inifile::Stamp st;
    af.raw = inifile::read(p.file, &st, &af.held);
    af.doc = IniDocument::parse(af.raw);
    af.fileStamp = st;
    af.filePath = p.file;
    af.dirPath = p.dir;
    af.loaded = true;
}

void IniSettingsStore::commitApp(AppFile &af)
{
    if (m_configDir.isEmpty())
        throw RuntimeError(err::PathFileAccessError, RuntimeError::describe(err::PathFileAccessError) + " (HOME)");
    const Paths p = resolve(af.app);
    inifile::ensureDir(p.dir);
    inifile::requireTrusted(p.dir, p.file);
    const inifile::CommitLock lock(p.file);
    inifile::removeLeftovers(p.file);

    // Only commits replace the file, under this lock. When it is still the
    // one doc was read from, doc holds it with our writes on top already.
    inifile::Stamp st;
    QByteArray old;
    std::shared_ptr<QFile> held;
    IniDocument doc;
    if (af.loaded && p.file == af.filePath && (st = inifile::stampOf(p.file)) == af.fileStamp) {
        doc = std::move(af.doc);
        old = af.raw;
        held = af.held;
    } else {
        // What other instances committed meanwhile stays; ours goes on top.
        old = inifile::read(p.file, &st, &held);
        doc = IniDocument::parse(old);
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
            inifile::backupDamaged(p.file, old, &af.backedUpDigest);

        inifile::replace(p.file, out, !st.exists);
        held = inifile::hold(p.file, &st);
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
        af.dirStamp = inifile::stampOf(p.dir);
        af.baseStamp = inifile::stampOf(m_configDir);
    }
    af.loaded = true;
}

std::string IniSettingsStore::GetSetting(const std::string &app8, const std::string &section8,
                                         const std::string &key8, const std::string &def)
{
    AppFile &af = appFile(app8);
    ensureFresh(af);
    if (section8.empty() || key8.empty())
        return def; // nothing can be stored under an empty name
    const QString *value = af.doc.find(QString::fromStdString(section8), QString::fromStdString(key8));
    return value ? inibytes::encode(*value) : def;
}

void IniSettingsStore::SaveSetting(const std::string &app8, const std::string &section8, const std::string &key8,
                                   const std::string &value8)
{
    AppFile &af = appFile(app8);
    if (section8.empty() || key8.empty())
        throw RuntimeError(err::InvalidProcedureCall);
    ensureFresh(af);
    const QString section = QString::fromStdString(section8);
    const QString key = QString::fromStdString(key8);
    const QString value = inibytes::decode(value8); // bytes that are not UTF-8 too
    af.doc.set(section, key, value);
    af.journal.append(Op{false, section, key, value});
}

void IniSettingsStore::DeleteSetting(const std::string &app8, const std::string &section8, const std::string &key8)
{
    AppFile &af = appFile(app8);
    ensureFresh(af);
    const QString section = QString::fromStdString(section8);
    const QString key = QString::fromStdString(key8);
    if (section.isEmpty() || key.isEmpty() || !af.doc.remove(section, key))
        throw RuntimeError(err::InvalidProcedureCall);
    af.journal.append(Op{true, section, key, {}});
}

bool IniSettingsStore::readsWhole(const std::string &app8)
{
    AppFile &af = appFile(app8);
    ensureFresh(af);
    return af.doc.clean();
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
    m_transaction.reset();
    if (firstFailure)
        throw *firstFailure;
}

} // namespace kl