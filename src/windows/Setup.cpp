#include "Setup.h"

#include "forms.h"
#include "main.h"
#include "platform/drives.h"
#include "platform/runtime.h"
#include "store/appstore.h"

#include <algorithm>
#include <array>

namespace kl {

Setup::Setup(const Platform &platform, Forms &forms)
    : m_runtime(platform.runtime)
    , m_store(platform.store)
    , m_drives(platform.drives)
    , m_forms(forms)
    , m_view(platform.face.Setup(*this))
{
    // The lists open at the process's current drive and folder, raising no
    // handler; where that folder has gone or its name is not text, at the
    // home folder, else at the system drive's root.
    const std::string current = m_drives.currentFolder();
    const std::array<std::string, 3> starts{current, m_drives.homeFolder(), m_drives.systemDrive()};
    for (std::size_t i = 0; m_dirPath.empty() && i < starts.size(); ++i) {
        if (starts[i].empty())
            continue;
        try {
            showFolder(starts[i]);
        } catch (const RuntimeError &) {
            if (i + 1 == starts.size())
                throw;
        }
    }
    fillDrives(!current.empty() && m_dirPath == paths::folderPath(current)
                   ? m_drives.currentDrive()
                   : paths::driveOf(m_dirPath, m_drives.drives()));
    setFilePath(m_dirPath);
}

Setup::~Setup() = default;

void Setup::showModal()
{
    m_runtime.commit();
    m_view->form().ShowModal();
}

void Setup::Unload()
{
    m_unloaded = true;
    m_view->form().Unload();
}

std::string Setup::drive() const
{
    const int row = m_view->Drive1().ListIndex();
    return row >= 0 && std::size_t(row) < m_driveRows.size() ? m_driveRows[std::size_t(row)] : std::string();
}

std::string Setup::fileName() const
{
    const int row = m_view->File1().ListIndex();
    return row >= 0 && std::size_t(row) < m_fileRows.size() ? m_fileRows[std::size_t(row)].name : std::string();
}

void Setup::Form_Load()
{
    m_runtime.withoutRecovery([this] { m_view->AddProgram().setEnabled(false); });
}

void Setup::Drive1_Change()
{
    int number = 0;
    std::string description;
    m_runtime.withRecovery(
        [&] {
            try {
                m_view->AddProgram().setValue(false);
                setDirPath(m_drives.openDrive(drive()));
            } catch (const RuntimeError &e) {
                number = e.number();
                description = e.description();
                throw;
            }
        },
        [&] { driveFailed(number, description); });
}

void Setup::driveFailed(int number, const std::string &description)
{
    m_runtime.MsgBox(description, vbOKOnly, "エラー");
    if (number == err::DeviceUnavailable) {
        // Raises Drive1_Change again, which moves the folder and file lists.
        setDrive(m_drives.systemDrive());
    } else {
        m_runtime.MsgBox("エラーナンバーを作成者に伝えてください。", vbOKOnly, "予期せぬエラー");
    }
}

void Setup::Dir1_Change()
{
    m_runtime.withoutRecovery([this] {
        m_view->AddProgram().setValue(false);
        setFilePath(m_dirPath);
    });
}

void Setup::Dir1_Click()
{
    m_runtime.withoutRecovery([this] { m_view->AddProgram().setValue(false); });
}

void Setup::Dir1_Open(int row)
{
    if (row < 0 || std::size_t(row) >= m_folderRows.size())
        return;
    const std::string folder = m_folderRows[std::size_t(row)].path;
    m_runtime.withoutRecovery([this, &folder] {
        // A folder removed since it was listed is not worth ending the
        // program for: say so, and the lists stay where they were.
        try {
            if (folder.empty())
                m_runtime.MsgBox(kFolderNotText, vbOKOnly, "注意");
            else
                setDirPath(folder);
        } catch (const RuntimeError &e) {
            m_runtime.MsgBox(e.description(), vbOKOnly, "エラー");
        }
    });
}

void Setup::File1_Click()
{
    m_runtime.withoutRecovery([this] { m_view->AddProgram().setEnabled(true); });
}

void Setup::File1_DblClick()
{
    m_runtime.withoutRecovery([this] { AddSelectedProgram(); });
}

void Setup::AddProgram_Click()
{
    m_runtime.withoutRecovery([this] { AddSelectedProgram(); });
}

void Setup::cxsetup_Click()
{
    m_runtime.withoutRecovery([this] {
        m_view->AddProgram().setValue(false);
        m_view->form().Hide();
    });
}

void Setup::AddSelectedProgram()
{
    m_runtime.withoutRecovery([this] {
        const std::string name = fileName();
        if (name.empty() || !m_fileRows[std::size_t(m_view->File1().ListIndex())].isText) {
            m_runtime.MsgBox(name.empty() ? ".EXE ファイルを選択して下さい。" : kFileNotText, vbOKOnly, "注意");
            return;
        }
        // Joined as they are: a root folder already ends in a separator and
        // the path then holds two in a row, which is what gets registered.
        const std::string path = m_dirPath + paths::separator + name;
        const int answer =
            m_runtime.MsgBox("選択したアプリケーションを登録しますか？", vbOKCancel, "アプリケーションの登録");
        if (answer == vbOK) {
            kl::main &list = m_forms.main();
            list.followStore(); // the row goes where the store puts it
            // Another process may have filled the list meanwhile; a 101st
            // entry could not be loaded again.
            if (list.List1().ListCount() >= 100)
                m_runtime.MsgBox("これ以上は登録できません。", vbOKOnly, "注意");
            else
                m_store.Append(path, list.List1(), list.AllRan());
        }
        m_view->AddProgram().setValue(false);
        m_view->form().Hide();
    });
}

void Setup::fillDrives(std::string current)
{
    m_driveRows = m_drives.drives();
    if (current.empty())
        current = m_drives.systemDrive();
    auto found = std::find(m_driveRows.begin(), m_driveRows.end(), current);
    if (found == m_driveRows.end())
        found = m_driveRows.insert(m_driveRows.end(), current);
    m_view->Drive1().setRows(m_driveRows);
    m_view->Drive1().setListIndex(int(found - m_driveRows.begin()));
}

void Setup::setDrive(const std::string &drive)
{
    const auto found = std::find(m_driveRows.begin(), m_driveRows.end(), drive);
    if (found == m_driveRows.end())
        throw RuntimeError(err::DeviceUnavailable);
    // The list raises its change event only when the choice moves.
    const int row = int(found - m_driveRows.begin());
    if (row == m_view->Drive1().ListIndex())
        return;
    m_view->Drive1().setListIndex(row);
    Drive1_Change();
}

void Setup::setDirPath(const std::string &folder)
{
    if (showFolder(folder))
        Dir1_Change();
}

bool Setup::showFolder(const std::string &folder)
{
    const std::string path = paths::folderPath(folder);
    if (path == m_dirPath)
        return false;
    // Read the folder before touching the list, so a failure leaves it as it was.
    const std::vector<std::string> subfolders = m_drives.folders(path);
    const std::vector<std::string> unnamed = m_drives.unnamed(path, DriveSystem::Kind::Folders);
    const std::vector<std::string> chain = paths::folderChain(path);

    std::vector<FolderRow> rows;
    const int depth = int(chain.size());
    for (int level = 0; level < depth; ++level) {
        const std::string &at = chain[std::size_t(level)];
        rows.push_back({paths::lastName(at), at, level, true});
    }
    for (const std::string &name : subfolders)
        rows.push_back({name, paths::subfolderPath(path, name), depth, false});
    for (const std::string &name : unnamed)
        rows.push_back({name, std::string(), depth, false});
    m_view->Dir1().setRows(rows, depth - 1);
    m_folderRows = std::move(rows);
    m_dirPath = path;
    return true;
}

void Setup::setFilePath(const std::string &folder)
{
    const std::vector<std::string> programs = m_drives.programs(folder);
    const std::vector<std::string> unnamed = m_drives.unnamed(folder, DriveSystem::Kind::Programs);
    std::vector<FileRow> rows;
    rows.reserve(programs.size() + unnamed.size());
    for (const std::string &name : programs)
        rows.push_back({name, true});
    for (const std::string &name : unnamed)
        rows.push_back({name, false});
    m_view->File1().setRows(rows);
    m_fileRows = std::move(rows);
    m_filePath = folder;
}

} // namespace kl
