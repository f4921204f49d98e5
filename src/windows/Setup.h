#pragma once

#include "widgets/form.h"

#include <memory>


class QListWidget;

namespace Ui {
class Setup;
}

namespace kl {

class AppStore;
class DriveSystem;
class Forms;
class Runtime;
struct Platform;

// The program picker: a drive, a folder and a program file chosen in three
// linked lists, then registered through the store. It hides when done and
// keeps its lists and buttons for the next showing.
class Setup final : public Form
{
    Q_OBJECT

public:
    Setup(const Platform &platform, Forms &forms);
    ~Setup() override;

    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void Dir1_Click();
    void File1_Click();
    void File1_DblClick();
    void AddProgram_Click();
    void cxsetup_Click();

    // What the lists show: Drive1's drive, Dir1's path (the open folder),
    // File1's path and its file name (empty when no file is selected).
    QString drive() const;
    QString dirPath() const { return m_dirPath; }
    QString filePath() const { return m_filePath; }
    QString fileName() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void AddSelectedProgram();
    // The control side of the lists: what changes when a property is set,
    // raising the change handler as the platform's lists do.
    void setDrive(const QString &drive);
    void setDirPath(const QString &folder);
    // Fills Dir1 for a folder; false when it already shows it.
    bool showFolder(const QString &folder);
    void setFilePath(const QString &folder);
    // Fills Drive1 and chooses the drive given, else the system drive.
    void fillDrives(QString current);
    void connectClick(QListWidget &list, void (Setup::*handler)());
    void openFolderAt(int row);
    void driveFailed(int number, const QString &description);

    std::unique_ptr<Ui::Setup> ui;
    Runtime &m_runtime;
    AppStore &m_store;
    DriveSystem &m_drives;
    Forms &m_forms;

    QString m_dirPath;
    QString m_filePath;
    // Whether the row under a mouse press was selected already: Qt raises no
    // selection change for it, yet the press is a click all the same.
    bool m_pressOnSelected = false;
};

} // namespace kl
