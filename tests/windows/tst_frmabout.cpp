#include "support/harness.h"
#include "support/widgets.h"

#include "windows/frmAbout.h"
#include "windows/main.h"

#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QTemporaryDir>

using namespace kl;
using namespace kl::test;

namespace {

const QString kTestKey = "SOFTWARE\\Test", kToolKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
              kFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location", kToolFile = "\\MSINFO32.EXE";
const QString kUnavailable = QStringLiteral("MsgBox Kicklist: 現時点ではｼｽﾃﾑ情報を使用できません [0]");

QString openLine(const QString &key, int handle) // handle 0: the key is missing
{
    return QStringLiteral("RegOpenKeyEx 80000002 %1 0 20019 = ").arg(key)
        + (handle ? QStringLiteral("0 [%1]").arg(handle) : QStringLiteral("2"));
}

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
    void initTestCase()
    {
        QFile tool(m_with + kToolFile);
        QVERIFY(QDir().mkpath(m_with) && QDir().mkpath(m_without + kToolFile) && tool.open(QIODevice::WriteOnly));
    }

    void getKeyValue_data()
    {
        QTest::addColumn<int>("type"); // -1: no key, 0: the key with another value
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("keyVal"); // before the call
        QTest::addColumn<QString>("result"); // what it returns (-1: throws), then KeyVal
        const QByteArray local = QStringLiteral("C:\\ツール\\情報.exe").toLocal8Bit();
        QTest::newRow("text and zero byte") << 1 << QByteArray("C:\\x", 5) << "old" << "1 C:\\x";
        QTest::newRow("one zero byte goes") << 1 << QByteArray("a\0\0", 3) << "" << QString::fromLatin1("1 a\0", 4);
        QTest::newRow("local code page") << 1 << local + '\0' << "" << "1 " + QString::fromLocal8Bit(local);
        QTest::newRow("1024 bytes, no zero") << 1 << QByteArray(1024, 'x') << "" << "1 " + QString(1024, u'x');
        QTest::newRow("1025 bytes") << 1 << QByteArray(1024, 'x') + '\0' << "old" << "0 ";
        QTest::newRow("empty: throws, key left open") << 1 << QByteArray() << "old" << "-1 old";
        QTest::newRow("missing value") << 0 << QByteArray() << "old" << "0 ";
        QTest::newRow("missing key, 0 closed") << -1 << QByteArray() << "old" << "0 ";
        QTest::newRow("type 2 keeps what came") << 2 << QByteArray("%x%\0", 4) << "old" << "1 old";
        // REG_DWORD, little-endian: hexadecimal digits without leading zeros; see frmAbout::dwordText.
        QTest::newRow("dword 0x1234") << 4 << QByteArray::fromHex("34120000") << "" << "1 4660";
        QTest::newRow("dword 0x0102 loses a zero") << 4 << QByteArray::fromHex("02010000") << "" << "1 18";
        QTest::newRow("dword all ones is signed") << 4 << QByteArray::fromHex("ffffffff") << "" << "1 -1";
        QTest::newRow("dword after what came") << 4 << QByteArray::fromHex("02000000") << "1" << "1 4098";
        QTest::newRow("dword of a zero byte") << 4 << QByteArray(1, '\0') << "" << "1 &h";
        QTest::newRow("dword of five bytes") << 4 << QByteArray("\x11\x22\x33\x44\x55", 5) << "" << "1 &h5544332211";
    }
    void getKeyValue()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, keyVal);
        Harness h;
        if (type >= 0)
            h.registry.putValue(kTestKey, type ? "Value" : "Other", quint32(type), data);
        int got = -1;
        try {
            got = h.forms.frmAbout().GetKeyValue(reg::LocalMachine, kTestKey, QStringLiteral("Value"), keyVal);
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), err::InvalidProcedureCall);
        }
        QTEST(QString::number(got) + ' ' + keyVal, "result");
        // Closed on every path but the failure's; a key never opened is closed as 0.
        QStringList calls{openLine(kTestKey, type < 0 ? 0 : 1)};
        if (type >= 0)
            calls << QStringLiteral("RegQueryValueEx 1 Value 1024 = %1").arg(!type ? 2 : data.size() > 1024 ? 234 : 0);
        if (got >= 0)
            calls << (type < 0 ? "RegCloseKey 0 = 6" : "RegCloseKey 1 = 0");
        QCOMPARE(h.log.take(), calls);
    }

    void startSysInfo_data()
    {
        QTest::addColumn<int>("firstType"); // 0: first place missing
        QTest::addColumn<QByteArray>("firstData");
        QTest::addColumn<QString>("folder"); // empty: second place missing
        QTest::addColumn<QStringList>("calls"); // opens, starts and boxes
        const QString first = openLine(kToolKey, 1), noFirst = openLine(kToolKey, 0), second = openLine(kFolderKey, 1);
        const QString shell = "Shell " + m_with + kToolFile + " 1";
        const QByteArray none, tool("/opt/tool\0", 10), gone("/opt/gone\0", 10), tooLong(1025, 'x');
        QTest::newRow("first place, second not read") << 1 << tool << m_with << QStringList{first, "Shell /opt/tool 1"};
        QTest::newRow("first, other type") << 2 << tool << m_with << QStringList{first, "Shell  1 !", kUnavailable};
        QTest::newRow("first place empty") << 1 << none << m_with << QStringList{first, kUnavailable};
        QTest::newRow("start failing") << 1 << gone << "" << QStringList{first, "Shell /opt/gone 1 !", kUnavailable};
        QTest::newRow("second place with the file") << 0 << none << m_with << QStringList{noFirst, second, shell};
        QTest::newRow("first too long, second used")
            << 1 << tooLong << m_with << QStringList{first, openLine(kFolderKey, 2), shell};
        QTest::newRow("second place, no file") << 0 << none << m_without << QStringList{noFirst, second, kUnavailable};
        QTest::newRow("both missing") << 0 << none << "" << QStringList{noFirst, openLine(kFolderKey, 0), kUnavailable};
    }
    void startSysInfo()
    {
        QFETCH(int, firstType);
        QFETCH(QByteArray, firstData);
        QFETCH(QString, folder);
        Harness h;
        h.boxes.answer(vbOK);
        if (firstType)
            h.registry.putValue(kToolKey, QStringLiteral("PATH"), quint32(firstType), firstData);
        if (!folder.isEmpty())
            h.registry.putValue(kFolderKey, QStringLiteral("MSINFO"), reg::TypeSz, folder.toLocal8Bit() + '\0');
        h.starter.missing.insert(QStringLiteral("/opt/gone"));
        kl::frmAbout &about = h.forms.frmAbout();
        about.cmdSysInfo_Click();
        QStringList seen = h.log.take();
        seen.removeIf([](const QString &call) { return call.startsWith("RegQuery") || call.startsWith("RegClose"); });
        QTEST(seen, "calls");
        QCOMPARE(h.forms.loadedFrmAbout(), &about); // the box stays open
        QCOMPARE(h.registry.openKeys(), firstType && firstData.isEmpty() ? 1 : 0);
    }

    // Enter presses OK, the default, but on the other button; Esc presses OK; Alt+S the other button.
    void keys()
    {
        const QList<std::tuple<const char *, QKeyCombination, bool>> presses{
            {"picIcon", Qt::Key_Return, true}, {"cmdOK", Qt::KeypadModifier | Qt::Key_Enter, true},
            {"cmdSysInfo", Qt::Key_Escape, true}, {"cmdOK", Qt::AltModifier | Qt::Key_S, false},
            {"cmdSysInfo", Qt::Key_Return, false}};
        for (auto [focus, key, unloads] : presses) {
            Harness h;
            h.registry.putValue(kToolKey, QStringLiteral("PATH"), reg::TypeSz, "/opt/tool");
            QPointer<kl::frmAbout> about = &h.forms.frmAbout();
            about->show();
            about->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(about));
            child(about, focus)->setFocus();
            QCOMPARE(QApplication::focusWidget(), child(about, focus));
            QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
            // An access key clicks its button once the button has shown itself pressed.
            QVERIFY2(unloads || waitFor([&] { return !h.log.matching("Shell").isEmpty(); }), focus);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            const QString shell = h.log.matching("Shell").join(u' ');
            const QString state = (h.forms.loadedFrmAbout() ? " loaded " : " gone ") + QString(about ? "kept " : "deleted ");
            QCOMPARE(focus + state + shell,
                     QString(focus) + (unloads ? " gone deleted " : " loaded kept Shell /opt/tool 1"));
        }
    }

    void versionButtonShowsOneBoxLoadedOnce()
    {
        Harness h;
        h.settings.putPrograms(1);
        kl::main &list = h.forms.main();
        auto *version = child<QPushButton>(&list, "Command1");
        version->click();
        QPointer<kl::frmAbout> first = h.forms.loadedFrmAbout();
        QVERIFY(first && first->isVisible() && first->isWindow());
        // Owned (no taskbar button of its own), placed, fixed, no minimise or maximise; loading reads no
        // registry.
        QVERIFY(first->parentWidget() == &list && first->geometry().topLeft() == QPoint(156, 129)
                && first->minimumSize() == first->maximumSize() && h.log.matching("Reg").isEmpty()
                && !(first->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))
                && child<QLabel>(first, "picIcon")->pixmap().size() == QSize(32, 32));
        QCOMPARE(child(first, "cmdOK")->nextInFocusChain(), child(first, "picIcon"));
        QCOMPARE(child(first, "picIcon")->nextInFocusChain(), child(first, "cmdSysInfo"));
        for (auto [name, points] : {std::pair{"Label1", 14.25}, {"lblTitle", 18.0}, {"lblVersion", 12.0}}) {
            const QFont font = child(first, name)->font();
            QVERIFY2(font.families().value(0) == "ＭＳ Ｐゴシック" && font.pointSizeF() == points && font.bold(), name);
            // Where the design's face is missing, a Japanese one stands in.
            QVERIFY(font.families().contains(QFontInfo(font).family()) || QFontDatabase::hasFamily("ＭＳ Ｐゴシック"));
        }
        child<QLabel>(first, "lblTitle")->setText(QStringLiteral("changed"));
        // While loaded, the button shows the same box; OK unloads it, and so does the close box.
        for (bool byOK : {true, false}) {
            version->click();
            QPointer<kl::frmAbout> shown = h.forms.loadedFrmAbout();
            QCOMPARE(list.findChildren<kl::frmAbout *>(), QList<kl::frmAbout *>{shown});
            QCOMPARE(child<QLabel>(shown, "lblTitle")->text(), QString(byOK ? "changed" : "プログラムキックリスト"));
            QVERIFY(byOK ? (child<QPushButton>(shown, "cmdOK")->click(), true) : shown->close());
            QVERIFY(!h.forms.loadedFrmAbout());
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(shown.isNull());
        }
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
