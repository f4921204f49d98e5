#include "frmAbout.h"
#include "ui_frmAbout.h"

#include "forms.h"
#include "main.h"
#include "platform/dir.h"
#include "platform/registry.h"
#include "platform/runtime.h"

#include <algorithm>

namespace kl {

namespace {

// Where the system information tool is: its full path, or else the folder
// that holds MSINFO32.EXE.
const QString kToolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kToolValue = QStringLiteral("PATH");
const QString kToolFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kToolFolderValue = QStringLiteral("MSINFO");
const QString kToolFile = QStringLiteral("\\MSINFO32.EXE");

const QString kUnavailable = QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません");

constexpr int kValueBufferSize = 1024;

bool isAsciiHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

void paintBlack(QWidget &label)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label.setPalette(palette);
}

} // namespace

frmAbout::frmAbout(const Platform &platform, Forms &forms)
    // Owned by the list window: no taskbar button of its own.
    : Form(forms.loadedMain(), Qt::Dialog)
    , ui(std::make_unique<Ui::frmAbout>())
    , m_runtime(platform.runtime)
    , m_registry(platform.registry)
{
    ui->setupUi(this);
    fixClientSize(width(), height());
    setGeometry(QRect(QPoint(twips(2340), twips(1935)), size()));
    setDialogKeys(true);

    ui->picIcon->setPixmap(programIcon().pixmap(32, 32));
    ui->Label1->setFont(msPGothic(14.25, true));
    ui->lblTitle->setFont(msPGothic(18, true));
    ui->lblVersion->setFont(msPGothic(12, true));
    paintBlack(*ui->lblDescription);
    paintBlack(*ui->lblTitle);
    paintBlack(*ui->lblDisclaimer);
    // Tab order OK, picIcon, cmdSysInfo. Qt 6.4 will not move a widget
    // behind the last one of the focus chain, so both go in behind OK.
    setTabOrder(ui->cmdOK, ui->cmdSysInfo);
    setTabOrder(ui->cmdOK, ui->picIcon);
    ui->cmdOK->setFocus();

    connect(ui->cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(ui->cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

frmAbout::~frmAbout() = default;

void frmAbout::Form_Load()
{
    m_runtime.withoutRecovery([this] {
        setWindowTitle(QStringLiteral("キックリストのﾊﾞｰｼﾞｮﾝ情報"));
        ui->lblVersion->setText(QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.02"));
        ui->lblTitle->setText(QStringLiteral("プログラムキックリスト"));
    });
}

void frmAbout::cmdOK_Click()
{
    m_runtime.withoutRecovery([this] { unload(); });
}

void frmAbout::cmdSysInfo_Click()
{
    m_runtime.withoutRecovery([this] { StartSysInfo(); });
}

void frmAbout::reject()
{
    ui->cmdOK->click();
}

void frmAbout::StartSysInfo()
{
    try {
        QString SysInfoPath;
        // The full path is trusted as it is; only the folder is checked.
        if (!GetKeyValue(reg::LocalMachine, kToolKey, kToolValue, SysInfoPath)) {
            if (!GetKeyValue(reg::LocalMachine, kToolFolderKey, kToolFolderValue, SysInfoPath)
                || Dir(SysInfoPath + kToolFile).isEmpty())
                throw RuntimeError(err::FileNotFound);
            SysInfoPath += kToolFile;
        }
        m_runtime.Shell(SysInfoPath, vbNormalFocus);
        return;
    } catch (const RuntimeError &) {
        // Whatever went wrong, the user hears the same thing.
    }
    m_runtime.MsgBox(kUnavailable, vbOKOnly);
}

bool frmAbout::GetKeyValue(quint32 KeyRoot, const QString &KeyName, const QString &SubKeyRef, QString &KeyVal)
{
    bool result = false;
    quint32 hKey = 0;
    if (m_registry.RegOpenKeyEx(KeyRoot, KeyName, 0, reg::Read, hKey) != reg::Success) {
        KeyVal.clear();
    } else {
        QByteArray buffer(kValueBufferSize, '\0');
        quint32 KeyValSize = kValueBufferSize;
        quint32 KeyValType = 0;
        if (m_registry.RegQueryValueEx(hKey, SubKeyRef, KeyValType, buffer, KeyValSize) != reg::Success) {
            KeyVal.clear();
        } else {
            QByteArray tmpVal = buffer.first(std::min<qsizetype>(KeyValSize, buffer.size()));
            // An empty value has no last byte to look at; the caller hears of
            // it as a failure, and the key stays open.
            if (tmpVal.isEmpty())
                throw RuntimeError(err::InvalidProcedureCall);
            // Text values normally end in one zero byte; anything else keeps
            // all of its bytes.
            if (tmpVal.back() == '\0')
                tmpVal.chop(1);
            switch (KeyValType) {
            case reg::TypeSz:
                // The local 8-bit codec is the ANSI code page on Windows, and
                // what the stand-in registry writes elsewhere.
                KeyVal = QString::fromLocal8Bit(tmpVal);
                break;
            case reg::TypeDword:
                KeyVal = dwordText(KeyVal, tmpVal);
                break;
            default:
                break;
            }
            result = true;
        }
    }
    m_registry.RegCloseKey(hKey);
    return result;
}

// The bytes from the last to the first, each as hexadecimal digits without a
// leading zero, follow what KeyVal held. "&h" and those digits are then read
// as a hexadecimal number of at most 8 digits, a signed 32-bit value, and
// written in decimal; text that is no such number stays as it is. With the
// leading zeros lost, the number comes out right only when every byte below
// its highest non-zero one is 0x10 or more: 1 gives "1" and 0x1234 "4660",
// but 0x0102 gives "18".
QString frmAbout::dwordText(const QString &keyVal, const QByteArray &bytes)
{
    QString digits = keyVal;
    for (auto it = bytes.crbegin(); it != bytes.crend(); ++it)
        digits += QString::number(uchar(*it), 16).toUpper();

    const bool isNumber = !digits.isEmpty() && digits.size() <= 8
        && std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return isAsciiHexDigit(c); });
    if (!isNumber)
        return QStringLiteral("&h") + digits;
    return QString::number(qint32(digits.toUInt(nullptr, 16)));
}

} // namespace kl
