#pragma once

#include "settingsstore.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <unordered_map>

class QFile;

#ifdef Q_OS_UNIX
struct stat;
#endif

namespace kl {

// Settings kept as one INI file per application:
// <configDir>/<App>/<App>.ini, written in the layout QSettings reads
// (QSettings::IniFormat), so the file can be edited by hand or by other tools.
//
// Names are matched without regard to letter case; the first spelling written
// stays in the file. Writes are journalled in memory and replayed on top of
// the file as it is on disk at commit(), under a lock, so two instances
// running at once do not lose each other's writes.
class IniSettingsStore final : public SettingsStore
{
public:
    explicit IniSettingsStore(QString configDir);
    ~IniSettingsStore() override;

    IniSettingsStore(const IniSettingsStore &) = delete;
    IniSettingsStore &operator=(const IniSettingsStore &) = delete;

    // ${XDG_CONFIG_HOME:-$HOME/.config}; XDG_CONFIG_HOME counts only when it
    // is an absolute path.
    static QString defaultConfigDir();

    QString configDir() const { return m_configDir; }

    // The file that holds app's settings: an existing folder and file whose
    // names match app without regard to case, else the spelling given.
    QString fileName(const QString &app) const;

    QString GetSetting(const QString &app, const QString &section, const QString &key,
                       const QString &def) override;
    void SaveSetting(const QString &app, const QString &section, const QString &key,
                     const QString &value) override;
    void DeleteSetting(const QString &app, const QString &section, const QString &key) override;

    void commit() override;

private:
    // A name folded to one letter case, with its hash worked out once: files
    // of many thousand keys would otherwise spend their load time hashing.
    struct FoldedName
    {
        QString text;
        size_t hash = 0;
        static FoldedName of(const QString &name);
        friend bool operator==(const FoldedName &a, const FoldedName &b)
        {
            return a.hash == b.hash && a.text == b.text;
        }
        friend size_t qHash(const FoldedName &name, size_t seed = 0) noexcept { return name.hash ^ seed; }
    };

    // The parsed form of one file, in file order, with case-folded indexes.
    class Document
    {
    public:
        // Parses INI text. Lines that do not parse are skipped, and clean()
        // turns false: writing the document back would lose them.
        static Document parse(QByteArrayView data);
        QByteArray serialize() const;

        bool clean() const { return m_clean; }
        const QString *find(const QString &section, const QString &key) const;
        void set(const QString &section, const QString &key, const QString &value);
        bool remove(const QString &section, const QString &key);
        // Drops what remove() left behind; the result is clean.
        void compact();

    private:
        struct Entry
        {
            QString key;
            QString value;
            bool removed = false;
        };
        struct Section
        {
            QString name;
            QList<Entry> entries;
            QHash<FoldedName, qsizetype> index; // key -> entries position
        };

        qsizetype sectionFor(const QString &name);
        void parseLine(QStringView line, qsizetype &currentSection);

        QList<Section> m_sections;
        QHash<FoldedName, qsizetype> m_sectionIndex; // name -> m_sections position
        bool m_clean = true;
    };

    struct Stamp
    {
        bool exists = false;
        qint64 device = 0;
        qint64 inode = 0;
        qint64 size = 0;
        qint64 mtimeNs = 0;
        qint64 ctimeNs = 0;
        friend bool operator==(const Stamp &, const Stamp &) = default;
    };

    struct Op
    {
        bool remove = false;
        QString section;
        QString key;
        QString value;
    };

    struct AppFile
    {
        QString app; // the spelling first used in this process
        QString filePath;
        QString dirPath;
        bool loaded = false;
        Document doc;
        QList<Op> journal;
        // What the disk looked like when doc was read: the file itself, or
        // while it is missing, the folders a new file would appear in.
        Stamp fileStamp;
        Stamp dirStamp;
        Stamp baseStamp;
        QByteArray raw; // the bytes behind fileStamp
        // Kept open so that the inode in fileStamp cannot pass to a new file
        // while the stamp is in use.
        std::shared_ptr<QFile> held;
        QByteArray backedUpDigest; // damaged content already copied aside
    };

    struct Paths
    {
        QString dir;
        QString file;
    };

    AppFile &appFile(const QString &app);
    Paths resolve(const QString &app) const;
    void ensureFresh(AppFile &af);
    bool changedOnDisk(const AppFile &af) const;
    void reload(AppFile &af);
    void commitApp(AppFile &af);
    QByteArray readFile(const QString &path, Stamp *stamp, std::shared_ptr<QFile> *held) const;
    void ensureDir(const QString &dir) const;
    void backupDamaged(AppFile &af, const QString &file, const QByteArray &data) const;

    static Stamp stampOf(const QString &path);
#ifdef Q_OS_UNIX
    static Stamp stampOfStat(const struct stat &st);
#endif
    static Stamp stampOfHandle(int fd, bool *regular);
    static std::shared_ptr<QFile> hold(const QString &path, Stamp *stamp);

    QString m_configDir;
    // Folded application name -> state; a node map, so m_lastFile stays put.
    std::unordered_map<QString, AppFile> m_apps;
    QString m_lastApp;
    AppFile *m_lastFile = nullptr;
};

} // namespace kl
