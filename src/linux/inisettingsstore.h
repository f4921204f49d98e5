#pragma once

#include "inidocument.h"
#include "inifile.h"
#include "inilocks.h"
#include "platform/settingsstore.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <string>
#include <unordered_map>

class QFile;

namespace kl {

// Settings kept as one INI file per application:
// <configDir>/<App>/<App>.ini, written in the layout QSettings reads
// (QSettings::IniFormat), so the file can be edited by hand or by other tools.
//
// Names are matched without regard to letter case; the first spelling written
// stays in the file. Writes are journalled in memory and replayed on top of
// the file as it is on disk at commit(), and each stretch from a first access
// to commit() is one transaction between processes, so two instances running
// at once do not lose each other's writes. The first access makes configDir
// (private) if it is missing, as that is where the transaction is locked.
class IniSettingsStore final : public SettingsStore
{
public:
    // configDir is UTF-8 text or, as defaultConfigDir() may give, a path
    // reaching a folder whose name is not text.
    explicit IniSettingsStore(const std::string &configDir);
    ~IniSettingsStore() override;

    IniSettingsStore(const IniSettingsStore &) = delete;
    IniSettingsStore &operator=(const IniSettingsStore &) = delete;

    // ${XDG_CONFIG_HOME:-$HOME/.config}, each counting only when absolute,
    // with its bytes as given. With neither, says so on stderr and returns
    // an empty folder: a store made on it reads nothing and writes nothing.
    // A caller with a message of its own asks for silence.
    static std::string defaultConfigDir(bool sayWhenNone = true);

    std::string configDir() const { return m_configDir.toStdString(); }

    // The file that holds app's settings: an existing folder and file whose
    // names match app without regard to case, else the spelling given.
    std::string fileName(const std::string &app) const;

    std::string GetSetting(const std::string &app, const std::string &section, const std::string &key,
                           const std::string &def) override;
    void SaveSetting(const std::string &app, const std::string &section, const std::string &key,
                     const std::string &value) override;
    void DeleteSetting(const std::string &app, const std::string &section, const std::string &key) override;

    void commit() override;

    // Whether app's file holds only lines a write keeps: false when some
    // line cannot be read as a setting, so that the next write leaves it
    // out (the file as it was is first copied beside it). An access like
    // any other: commit() ends it.
    bool readsWhole(const std::string &app);

private:
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
        IniDocument doc;
        QList<Op> journal;
        // What the disk looked like when doc was read: the file itself, or
        // while it is missing, the folders a new file would appear in.
        inifile::Stamp fileStamp;
        inifile::Stamp dirStamp;
        inifile::Stamp baseStamp;
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

    // The state of application app, whose name it checks (UTF-8, as callers give it).
    AppFile &appFile(const std::string &app);
    Paths resolve(const QString &app) const;
    void ensureFresh(AppFile &af);
    bool changedOnDisk(const AppFile &af) const;
    void reload(AppFile &af);
    void commitApp(AppFile &af);

    QString m_configDir;
    // Folded application name -> state; a node map, so m_lastFile stays put.
    std::unordered_map<QString, AppFile> m_apps;
    std::string m_lastApp;
    std::unique_ptr<inifile::TransactionLock> m_transaction; // from first access to commit
    AppFile *m_lastFile = nullptr;
};

} // namespace kl
