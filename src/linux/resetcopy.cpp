#include "resetcopy.h"

#include "inifile.h"
#include "inisettingsstore.h"
#include "platform/runtimeerror.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace kl {

namespace {

const QString kTag = QStringLiteral(".reset-");

int accessError(QFileDevice::FileError error)
{
    return error == QFileDevice::PermissionsError ? err::PermissionDenied : err::PathFileAccessError;
}

// Writes data to a new file name (never over another), private to the user
// and synced, or throws naming it.
void writeNew(const QString &name, const QByteArray &data)
{
    QFile copy(name);
    if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        throw inifile::failure(accessError(copy.error()), name);
    bool ok = copy.write(data) == data.size() && copy.flush();
    ok = ok && ::fsync(copy.handle()) == 0;
    if (!ok) {
        copy.close(); // fails as the write did; then the cut-off copy goes, as it would restore a cut-off list
        QFile::remove(name);
        throw inifile::failure(data.isEmpty() ? err::PathFileAccessError : err::DiskFull, name);
    }
}

} // namespace

IniResetCopy::IniResetCopy(IniSettingsStore &store, std::string app)
    : m_store(store)
    , m_app(std::move(app))
{
}

QStringList IniResetCopy::copiesOf(const QString &file)
{
    const QFileInfo info(file);
    const QRegularExpression name(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(info.fileName() + kTag) + QStringLiteral("(\\d{8}-\\d{6})(?:-(\\d+))?")));
    struct Copy
    {
        QString stamp;
        int n;
        QString path;
    };
    std::vector<Copy> copies;
    const QDir dir = info.dir();
    for (const QString &entry : dir.entryList({info.fileName() + kTag + u'*'}, QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch m = name.match(entry);
        if (m.hasMatch())
            copies.push_back({m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt(), dir.filePath(entry)});
    }
    std::sort(copies.begin(), copies.end(),
              [](const Copy &a, const Copy &b) { return a.stamp != b.stamp ? a.stamp > b.stamp : a.n > b.n; });
    QStringList paths;
    for (const Copy &c : copies)
        paths.append(c.path);
    return paths;
}

void IniResetCopy::keepBeforeReset()
{
    // A read joins the reset's transaction: no one changes the file between
    // the copy and the reset.
    m_store.GetSetting(m_app, "SetApp", "AppCount", "");
    if (m_store.configDir().empty())
        return; // no settings folder: the store holds nothing
    const QString file = QString::fromStdString(m_store.fileName(m_app));
    QFile in(file);
    if (!in.exists())
        return; // nothing stored, nothing to lose
    if (!in.open(QIODevice::ReadOnly))
        throw inifile::failure(accessError(in.error()), file);
    const QByteArray data = in.readAll();
    if (in.error() != QFileDevice::NoError)
        throw inifile::failure(err::DeviceIoError, file);

    const QString base = file + kTag + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n) {
        if (n > 999)
            throw inifile::failure(err::PathFileAccessError, base);
        name = base + u'-' + QString::number(n);
    }
    writeNew(name, data);

    // Older copies beyond the few kept go; only regular files of this user.
    const QStringList copies = copiesOf(file);
    for (qsizetype i = Kept; i < copies.size(); ++i) {
        struct stat st;
        const QByteArray path = QFile::encodeName(copies[i]);
        if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlink(path.constData());
    }
}

} // namespace kl
