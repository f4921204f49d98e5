#include "support/harness.h"
#include "support/widgets.h"

#include "windows/frmAbout.h"
#include "windows/main.h"

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>

using namespace kl;
using namespace kl::test;

namespace {

const QString kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT

    // "with" holds the tool, "without" a folder of the tool's name. The tool's
    // path is folder + "\MSINFO32.EXE": here a file beside the folder, on
    // Windows one inside it; the same text names both.
    QTemporaryDir m_tools;
    const QString m_with = m_tools.path() + "/with", m_without = m_tools.path() + "/without";

private Q_SLOTS:
    void cleanup() { verifyNoWindowLeft(); }
    void initTestCase()
    {
        QFile tool(m_with + "\\MSINFO32.EXE");
        QVERIFY(QDir().mkpath(m_with) && QDir().mkpath(m_without + "\\MSINFO32.EXE") && tool.open(QIODevice::WriteOnly));
    }

    // The tool's path is read from the first place the registry keeps it,
    // else from the folder of the second, as the bytes of the value say;
    // every way it fails ends in one box.
    void systemInformation_data()
    {
        QTest::addColumn<int>("type"); // of the first place's value; 0: the key holds another value, -1: no key
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("folder"); // of the second place; "": no key
        QTest::addColumn<QString>("seen"); // the keys opened ("first", "second"; "!": missing), starts and boxes
        const QString toolPath = m_with + "\\MSINFO32.EXE", second = "first|second|Shell " + m_with + "\\MSINFO32.EXE 1";
        const auto row = [](const char *tag, int type, const QByteArray &data, const QString &seen, const QString &folder = "") {
            QTest::newRow(tag) << type << data << folder << seen;
        };
        row("text and zero byte, second not read", 1, QByteArray("/opt/tool\0", 10), "first|Shell /opt/tool 1", m_with);
        row("one zero byte goes", 1, QByteArray("/x\0\0", 4), "first|Shell /x" + QString(QChar(0)) + " 1");
        row("local code page", 1, QStringLiteral("/ツール/情報").toLocal8Bit() + '\0', "first|Shell /ツール/情報 1");
        row("1024 bytes, no zero", 1, QByteArray(1024, 'x'), "first|Shell " + QString(1024, u'x') + " 1");
        row("1025 bytes: second place", 1, QByteArray(1024, 'x') + '\0', second, m_with);
        row("empty: fails, key left open", 1, QByteArray(), "first|unavailable open 1", m_with);
        row("other value: second place", 0, QByteArray("/opt/tool\0", 10), second, m_with);
        row("type 2 starts nothing", 2, QByteArray("/opt/tool\0", 10), "first|Shell  1 !|unavailable");
        row("start failing", 1, QByteArray("/opt/gone\0", 10), "first|Shell /opt/gone 1 !|unavailable");
        // REG_DWORD, little-endian: hexadecimal digits without leading zeros, read back as a signed number.
        row("dword 0x1234", 4, QByteArray::fromHex("34120000"), "first|Shell 4660 1");
        row("dword 0x0102 loses a zero", 4, QByteArray::fromHex("02010000"), "first|Shell 18 1");
        row("dword all ones is signed", 4, QByteArray::fromHex("ffffffff"), "first|Shell -1 1");
        row("dword of a zero byte", 4, QByteArray(1, '\0'), "first|Shell &h 1");
        row("dword of five bytes", 4, QByteArray("\x11\x22\x33\x44\x55", 5), "first|Shell &h5544332211 1");
        row("second place with the file", -1, {}, "first !|second|Shell " + toolPath + " 1", m_with);
        row("second place, no file", -1, {}, "first !|second|unavailable", m_without);
        row("both missing", -1, {}, "first !|second !|unavailable");
    }
    void systemInformation()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, folder);
        Harness h;
        h.boxes.answer(vbOK);
        if (type >= 0)
            h.registry.put(kToolKey, {type ? "path" : "Other", quint32(type), data});
        if (!folder.isEmpty())
            h.registry.put(kFolderKey, {"MSINFO", reg::TypeSz, folder.toLocal8Bit() + '\0'});
        h.starter.missing.insert("/opt/gone");
        kl::frmAbout &about = h.forms.frmAbout();
        child<QPushButton>(&about, "cmdSysInfo")->click();
        const QString seen = h.log.calls.join(u'|').replace("RegOpenKeyEx 80000002 " + kToolKey + " 0 20019", "first")
            .replace("RegOpenKeyEx 80000002 " + kFolderKey + " 0 20019", "second")
            .replace("MsgBox Kicklist: 現時点ではｼｽﾃﾑ情報を使用できません [0]", "unavailable");
        QTEST(seen + (h.registry.openKeys() ? QStringLiteral(" open %1").arg(h.registry.openKeys()) : ""), "seen");
        QCOMPARE(h.forms.loadedFrmAbout(), &about); // the box stays open
    }

    // The version button shows one box, owned by the list window (no taskbar
    // button of its own) and placed as designed; loading it reads no registry.
    // OK unloads it, and so does the close box.
    void versionButtonShowsOneBox()
    {
        Harness h;
        h.settings.putPrograms(1);
        kl::main &list = h.forms.main();
        auto *version = child<QPushButton>(&list, "Command1");
        for (bool byOK : {true, false}) {
            version->click();
            version->click();
            QPointer<kl::frmAbout> shown = h.forms.loadedFrmAbout();
            QVERIFY(shown && shown->isVisible() && shown->parentWidget() == &list && shown->geometry().topLeft() == QPoint(156, 129)
                    && child<QLabel>(shown, "picIcon")->pixmap().size() == QSize(32, 32) && h.log.matching("Reg").isEmpty());
            QCOMPARE(list.findChildren<kl::frmAbout *>().size(), 1);
            byOK ? press(shown, "cmdOK") : void(shown->close());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!h.forms.loadedFrmAbout() && !shown);
        }
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
