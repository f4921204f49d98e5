#include "support/harness.h"

#include "platform/designlabel.h"
#include "windows/frmAbout.h"
#include "windows/main.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace kl;
using namespace kl::test;

namespace {

const QString kTestKey = QStringLiteral("SOFTWARE\\Test");
const QString kToolKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kUnavailable = QStringLiteral("MsgBox Kicklist: 現時点ではｼｽﾃﾑ情報を使用できません [0]");

QString openLine(const QString &key, long status, int handle = 0)
{
    return QStringLiteral("RegOpenKeyEx 80000002 %1 0 2003F = %2").arg(key).arg(status)
        + (handle ? QStringLiteral(" [%1]").arg(handle) : QString());
}

QByteArray dword(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xFF);
    return bytes;
}

template <typename T = QWidget>
T *child(QWidget &window, const char *name)
{
    return window.findChild<T *>(QLatin1String(name));
}

// Runs the deletions that unload() scheduled.
void runDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestFrmAbout : public QObject
{
    Q_OBJECT

private:
    // "with" holds the tool, "without" a folder of the tool's name. The tool's
    // path is folder + "\MSINFO32.EXE": here a file beside the folder, on
    // Windows one inside it; the same text names both.
    QTemporaryDir m_tools;
    QString withTool() const { return m_tools.path() + QStringLiteral("/with"); }
    QString withoutTool() const { return m_tools.path() + QStringLiteral("/without"); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_tools.isValid());
        QVERIFY(QDir().mkpath(withTool()));
        QVERIFY(QDir().mkpath(withoutTool()));
        QFile tool(withTool() + QStringLiteral("\\MSINFO32.EXE"));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        QVERIFY(QDir().mkpath(withoutTool() + QStringLiteral("\\MSINFO32.EXE")));
    }

    void getKeyValue_data()
    {
        QTest::addColumn<bool>("keyExists");
        QTest::addColumn<int>("type"); // 0: the key has no such value
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("query"); // status, type and size handed back

        const QByteArray path("C:\\Tools\\msinfo32.exe");
        QTest::newRow("text with its zero byte") << true << 1 << path + '\0' << "old" << true
                                                 << QString::fromLatin1(path) << "0 type 1 size 22";
        QTest::newRow("text without a zero byte keeps all") << true << 1 << QByteArray("abc") << "" << true << "abc"
                                                            << "0 type 1 size 3";
        QTest::newRow("only the last zero byte goes") << true << 1 << QByteArray("ab\0\0", 4) << "" << true
                                                      << QString::fromLatin1("ab\0", 3) << "0 type 1 size 4";
        const QString japanese = QStringLiteral("C:\\ツール\\システム情報.exe");
        QTest::newRow("text in the local code page") << true << 1 << japanese.toLocal8Bit() + '\0' << "" << true
                                                     << japanese
                                                     << QStringLiteral("0 type 1 size %1").arg(japanese.toLocal8Bit().size() + 1);
        QTest::newRow("1024 bytes, zero last") << true << 1 << QByteArray(1023, 'x') + '\0' << "" << true
                                               << QString(1023, u'x') << "0 type 1 size 1024";
        QTest::newRow("1024 bytes, no zero") << true << 1 << QByteArray(1024, 'x') << "" << true
                                             << QString(1024, u'x') << "0 type 1 size 1024";
        QTest::newRow("1025 bytes") << true << 1 << QByteArray(1024, 'x') + '\0' << "old" << false << ""
                                    << "234 type 1 size 1025";
        QTest::newRow("missing value") << true << 0 << QByteArray() << "old" << false << "" << "2";
        QTest::newRow("type 2 keeps what came in") << true << 2 << QByteArray("%SystemRoot%\\x.exe\0", 19) << "old"
                                                   << true << "old" << "0 type 2 size 19";
        QTest::newRow("type 3 keeps what came in") << true << 3 << QByteArray("\x01\x02", 2) << "" << true << ""
                                                   << "0 type 3 size 2";

        // REG_DWORD: see frmAbout::dwordText.
        QTest::newRow("dword 1") << true << 4 << dword(1) << "" << true << "1" << "0 type 4 size 4";
        QTest::newRow("dword 0") << true << 4 << dword(0) << "" << true << "0" << "0 type 4 size 4";
        QTest::newRow("dword 0x1234") << true << 4 << dword(0x1234) << "" << true << "4660" << "0 type 4 size 4";
        QTest::newRow("dword 0x0102 loses a zero digit") << true << 4 << dword(0x0102) << "" << true << "18"
                                                         << "0 type 4 size 4";
        QTest::newRow("dword all ones is signed") << true << 4 << dword(0xFFFFFFFF) << "" << true << "-1"
                                                  << "0 type 4 size 4";
        QTest::newRow("dword digits follow what came in") << true << 4 << dword(2) << "1" << true << "4098"
                                                          << "0 type 4 size 4";
        QTest::newRow("dword of one zero byte") << true << 4 << QByteArray(1, '\0') << "" << true << "&h"
                                                << "0 type 4 size 1";
        QTest::newRow("dword of five bytes") << true << 4 << QByteArray("\x11\x22\x33\x44\x55", 5) << "" << true
                                             << "&h5544332211" << "0 type 4 size 5";
    }
    void getKeyValue()
    {
        QFETCH(bool, keyExists);
        QFETCH(int, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, before);
        QFETCH(bool, result);
        QFETCH(QString, after);
        QFETCH(QString, query);

        Harness h;
        if (keyExists)
            h.registry.putKey(kTestKey);
        if (type)
            h.registry.putValue(kTestKey, QStringLiteral("Value"), quint32(type), data);

        QString keyVal = before;
        QCOMPARE(h.forms.frmAbout().GetKeyValue(reg::LocalMachine, kTestKey, QStringLiteral("Value"), keyVal),
                 result);
        QCOMPARE(keyVal, after);
        QCOMPARE(h.log.take(), (QStringList{openLine(kTestKey, 0, 1),
                                            QStringLiteral("RegQueryValueEx 1 Value 1024/1024 zeroed = ") + query,
                                            QStringLiteral("RegCloseKey 1 = 0")}));
    }

    void unopenedKeyIsClosedAsZero_data()
    {
        QTest::addColumn<long>("status");
        QTest::newRow("missing") << reg::FileNotFound;
        QTest::newRow("denied") << reg::AccessDenied;
    }
    void unopenedKeyIsClosedAsZero()
    {
        QFETCH(long, status);
        Harness h;
        if (status == reg::AccessDenied)
            h.registry.denyKey(kTestKey);

        QString keyVal = QStringLiteral("old");
        QVERIFY(!h.forms.frmAbout().GetKeyValue(reg::LocalMachine, kTestKey, QStringLiteral("V"), keyVal));
        QCOMPARE(keyVal, QString());
        QCOMPARE(h.log.take(), (QStringList{openLine(kTestKey, status), QStringLiteral("RegCloseKey 0 = 6")}));
    }

    void emptyValueIsARuntimeFailure()
    {
        Harness h;
        h.registry.putValue(kTestKey, QStringLiteral("V"), reg::TypeSz, QByteArray());
        QString keyVal = QStringLiteral("old");
        try {
            h.forms.frmAbout().GetKeyValue(reg::LocalMachine, kTestKey, QStringLiteral("V"), keyVal);
            QFAIL("an empty value should fail");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), err::InvalidProcedureCall);
        }
        QCOMPARE(keyVal, QStringLiteral("old"));
        // The failure leaves at once: the key is not closed.
        QCOMPARE(h.log.take(), (QStringList{openLine(kTestKey, 0, 1),
                                            QStringLiteral("RegQueryValueEx 1 V 1024/1024 zeroed = 0 type 1 size 0")}));
    }

    void startSysInfo_data()
    {
        QTest::addColumn<int>("firstType"); // 0: first place missing
        QTest::addColumn<QByteArray>("firstData");
        QTest::addColumn<QString>("folder"); // empty: second place missing
        QTest::addColumn<QString>("missing"); // a path that cannot be started
        QTest::addColumn<QStringList>("calls"); // opens, starts and boxes

        const QString tool = withTool() + QStringLiteral("\\MSINFO32.EXE");
        QTest::newRow("first place found, second not read")
            << 1 << QByteArray("/opt/info/tool\0", 15) << withTool() << ""
            << QStringList{openLine(kToolKey, 0, 1), "Shell /opt/info/tool 1"};
        QTest::newRow("first place of another type")
            << 2 << QByteArray("%ProgramFiles%\\info.exe\0", 24) << withTool() << ""
            << QStringList{openLine(kToolKey, 0, 1), "Shell  1 !", kUnavailable};
        QTest::newRow("first place empty") << 1 << QByteArray() << withTool() << ""
                                           << QStringList{openLine(kToolKey, 0, 1), kUnavailable};
        QTest::newRow("tool that cannot start")
            << 1 << QByteArray("/opt/gone\0", 10) << "" << "/opt/gone"
            << QStringList{openLine(kToolKey, 0, 1), "Shell /opt/gone 1 !", kUnavailable};
        QTest::newRow("second place, tool in the folder")
            << 0 << QByteArray() << withTool() << ""
            << QStringList{openLine(kToolKey, 2), openLine(kFolderKey, 0, 1), "Shell " + tool + " 1"};
        QTest::newRow("first place too long, second used")
            << 1 << QByteArray(1025, 'x') << withTool() << ""
            << QStringList{openLine(kToolKey, 0, 1), openLine(kFolderKey, 0, 2), "Shell " + tool + " 1"};
        QTest::newRow("second place, no tool in the folder")
            << 0 << QByteArray() << withoutTool() << ""
            << QStringList{openLine(kToolKey, 2), openLine(kFolderKey, 0, 1), kUnavailable};
        QTest::newRow("second place, tool that cannot start")
            << 0 << QByteArray() << withTool() << tool
            << QStringList{openLine(kToolKey, 2), openLine(kFolderKey, 0, 1), "Shell " + tool + " 1 !", kUnavailable};
        QTest::newRow("both places missing") << 0 << QByteArray() << "" << ""
                                             << QStringList{openLine(kToolKey, 2), openLine(kFolderKey, 2), kUnavailable};
    }
    void startSysInfo()
    {
        QFETCH(int, firstType);
        QFETCH(QByteArray, firstData);
        QFETCH(QString, folder);
        QFETCH(QString, missing);
        QFETCH(QStringList, calls);

        Harness h;
        if (firstType)
            h.registry.putValue(kToolKey, QStringLiteral("PATH"), quint32(firstType), firstData);
        if (!folder.isEmpty())
            h.registry.putText(kFolderKey, QStringLiteral("MSINFO"), folder);
        if (!missing.isEmpty())
            h.starter.missing.insert(missing);

        kl::frmAbout &about = h.forms.frmAbout();
        about.cmdSysInfo_Click();
        QStringList seen;
        for (const QString &call : h.log.take()) {
            if (call.startsWith(QLatin1String("RegOpenKeyEx")) || call.startsWith(QLatin1String("Shell"))
                || call.startsWith(QLatin1String("MsgBox")))
                seen.append(call);
        }
        QCOMPARE(seen, calls);
        QCOMPARE(h.process.ends, 0);
        QCOMPARE(h.forms.loadedFrmAbout(), &about); // the box stays open
        // Closed on every path but the empty value's.
        QCOMPARE(h.registry.openKeys(), firstType && firstData.isEmpty() ? 1 : 0);
    }

    void designAfterLoad()
    {
        Harness h;
        kl::frmAbout &about = h.forms.frmAbout();
        QCOMPARE(about.windowTitle(), QStringLiteral("キックリストのﾊﾞｰｼﾞｮﾝ情報"));
        QCOMPARE(child<QLabel>(about, "lblVersion")->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.02"));
        QCOMPARE(child<QLabel>(about, "lblTitle")->text(), QStringLiteral("プログラムキックリスト"));
        QCOMPARE(child<QLabel>(about, "lblDescription")->text(),
                 QStringLiteral("このプログラムは名前のとうり、キックリストです。") + QChar(0x3000)
                     + QStringLiteral("これはまだ未完成でより使いやすくしたいと思っております。"));
        QCOMPARE(child<QPushButton>(about, "cmdSysInfo")->text(), QStringLiteral("ｼｽﾃﾑ情報(&S)..."));
        QVERIFY(child<QPushButton>(about, "cmdOK")->isDefault());
        QVERIFY(!child<QLabel>(about, "picIcon")->pixmap().isNull());
        QCOMPARE(child<QLabel>(about, "picIcon")->pixmap().size(), QSize(32, 32));
        QCOMPARE(about.minimumSize(), QSize(382, 219));
        QCOMPARE(about.maximumSize(), QSize(382, 219));
        QVERIFY(!(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(h.log.calls, QStringList()); // loading reads no registry
    }

    void fonts_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<qreal>("points");
        QTest::newRow("credit") << "Label1" << 14.25;
        QTest::newRow("title") << "lblTitle" << 18.0;
        QTest::newRow("version") << "lblVersion" << 12.0;
    }
    void fonts()
    {
        QFETCH(QString, label);
        QFETCH(qreal, points);
        Harness h;
        const QFont font = child<QLabel>(h.forms.frmAbout(), qPrintable(label))->font();
        QCOMPARE(font.families().value(0), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(font.pointSizeF(), points);
        QVERIFY(font.bold());
        // Where the design's face is missing, a Japanese one stands in.
        const QString used = QFontInfo(font).family();
        QVERIFY2(font.families().contains(used) || QFontDatabase::hasFamily(QStringLiteral("ＭＳ Ｐゴシック")),
                 qPrintable(used));
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("pixels");
        const auto box = [](int left, int top, int width, int height) {
            return QRect(twips(left), twips(top), twips(width), twips(height));
        };
        // A line from x1 to x2, both ends drawn, width pixels thick.
        const auto line = [](int x1, int y, int x2, int width) {
            return QRect(QPoint(twips(x1), twips(y)), QPoint(twips(x2), twips(y) + width - 1));
        };
        QTest::newRow("picIcon") << "picIcon" << box(240, 240, 540, 540);
        QTest::newRow("cmdOK") << "cmdOK" << box(4200, 2400, 1380, 345);
        QTest::newRow("cmdSysInfo") << "cmdSysInfo" << box(4200, 2880, 1380, 345);
        QTest::newRow("Label1") << "Label1" << box(2040, 1680, 3135, 375);
        QTest::newRow("lblDescription") << "lblDescription" << box(1050, 1125, 3885, 570);
        QTest::newRow("lblTitle") << "lblTitle" << box(1050, 240, 3885, 480);
        QTest::newRow("lblVersion") << "lblVersion" << box(960, 780, 3885, 225);
        QTest::newRow("lblDisclaimer") << "lblDisclaimer" << box(120, 2400, 3870, 825);
        QTest::newRow("Line1(0)") << "Line1_0" << line(120, 2160, 5669, 2);
        QTest::newRow("Line1(1)") << "Line1_1" << line(90, 2160, 5654, 1);
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, pixels);
        Harness h;
        const QWidget *control = child(h.forms.frmAbout(), qPrintable(name));
        QVERIFY(control);
        // A label grows downwards only as far as a stand-in face needs.
        if (auto *label = qobject_cast<const DesignLabel *>(control))
            pixels.setHeight(std::max(pixels.height(), label->inkHeight()));
        QCOMPARE(control->geometry(), pixels);
    }

    void stackingAndTabOrder()
    {
        Harness h;
        kl::frmAbout &about = h.forms.frmAbout();
        // The gray line lies on the white one: together an etched groove.
        const QObjectList &children = about.children();
        QVERIFY(children.indexOf(child(about, "Line1_1")) > children.indexOf(child(about, "Line1_0")));
        QCOMPARE(child(about, "cmdOK")->nextInFocusChain(), child(about, "picIcon"));
        QCOMPARE(child(about, "picIcon")->nextInFocusChain(), child(about, "cmdSysInfo"));
        for (const char *name : {"Label1", "lblDescription", "lblTitle", "lblVersion", "lblDisclaimer"})
            QCOMPARE(child(about, name)->focusPolicy(), Qt::NoFocus);
    }

    // Japanese faces other than the design's space their lines wider and
    // may draw taller; the texts must still be drawn whole, and the
    // wrapped ones inside the design's height.
    void textsAreDrawnWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("designHeight");
        QTest::newRow("description") << "lblDescription" << true;
        QTest::newRow("warning") << "lblDisclaimer" << true;
        QTest::newRow("title") << "lblTitle" << true;
        QTest::newRow("credit") << "Label1" << true;
        QTest::newRow("version") << "lblVersion" << false;
    }
    void textsAreDrawnWhole()
    {
        QFETCH(QString, name);
        QFETCH(bool, designHeight);
        Harness h;
        auto *label = child<DesignLabel>(h.forms.frmAbout(), qPrintable(name));
        QVERIFY(label);
        QVERIFY(label->lineCount() > 0);
        QVERIFY2(label->inkHeight() <= label->height(),
                 qPrintable(QStringLiteral("%1 of %2 px").arg(label->inkHeight()).arg(label->height())));
        if (designHeight)
            QVERIFY(label->lineCount() * label->linePitch() <= label->height());
    }

    void placedOnScreenOwnedByTheListWindow()
    {
        Harness h;
        h.settings.putPrograms(1);
        kl::main &list = h.forms.main();
        child<QPushButton>(list, "Command1")->click();
        kl::frmAbout *about = h.forms.loadedFrmAbout();
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->parentWidget(), &list);
        QVERIFY(about->isWindow());
        QCOMPARE(about->geometry().topLeft(), QPoint(156, 129));
    }

    void keys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("unloads");
        QTest::newRow("Enter on OK") << "cmdOK" << int(Qt::Key_Return) << 0 << true;
        QTest::newRow("keypad Enter on OK") << "cmdOK" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Enter on the icon presses OK") << "picIcon" << int(Qt::Key_Return) << 0 << true;
        QTest::newRow("Esc") << "cmdOK" << int(Qt::Key_Escape) << 0 << true;
        QTest::newRow("Esc on the other button") << "cmdSysInfo" << int(Qt::Key_Escape) << 0 << true;
        QTest::newRow("Alt+S") << "cmdOK" << int(Qt::Key_S) << int(Qt::AltModifier) << false;
        QTest::newRow("Enter on the focused other button") << "cmdSysInfo" << int(Qt::Key_Return) << 0 << false;
    }
    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, unloads);

        Harness h;
        h.registry.putText(kToolKey, QStringLiteral("PATH"), QStringLiteral("/opt/info/tool"));
        QPointer<kl::frmAbout> about = &h.forms.frmAbout();
        about->show();
        about->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(about));
        QWidget *target = child(*about, qPrintable(focus));
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);

        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (!unloads) {
            // An access key clicks its button once the button has shown
            // itself pressed.
            QVERIFY(waitFor([&] { return !h.log.matching(QStringLiteral("Shell")).isEmpty(); }));
        }
        QCOMPARE(h.forms.loadedFrmAbout() == nullptr, unloads);
        runDeferredDeletes();
        QCOMPARE(about.isNull(), unloads);
        QCOMPARE(h.log.matching(QStringLiteral("Shell")),
                 unloads ? QStringList() : QStringList{QStringLiteral("Shell /opt/info/tool 1")});
    }

    void versionButtonShowsOneBoxLoadedOnce()
    {
        Harness h;
        h.settings.putPrograms(1);
        kl::main &list = h.forms.main();
        auto *version = child<QPushButton>(list, "Command1");

        version->click();
        QPointer<kl::frmAbout> first = h.forms.loadedFrmAbout();
        QVERIFY(first && first->isVisible());
        auto *title = child<QLabel>(*first, "lblTitle");
        title->setText(QStringLiteral("changed"));

        version->click();
        QCOMPARE(h.forms.loadedFrmAbout(), first.data());
        QCOMPARE(list.findChildren<kl::frmAbout *>().size(), 1);
        QCOMPARE(title->text(), QStringLiteral("changed")); // Load did not run again

        child<QPushButton>(*first, "cmdOK")->click();
        QVERIFY(!h.forms.loadedFrmAbout());
        runDeferredDeletes();
        QVERIFY(first.isNull());

        version->click();
        kl::frmAbout *second = h.forms.loadedFrmAbout();
        QVERIFY(second && second->isVisible());
        QCOMPARE(child<QLabel>(*second, "lblTitle")->text(), QStringLiteral("プログラムキックリスト"));
        QCOMPARE(h.process.ends, 0);
    }

    void closeBoxUnloads()
    {
        Harness h;
        QPointer<kl::frmAbout> about = &h.forms.frmAbout();
        about->show();
        QVERIFY(about->close());
        QVERIFY(!h.forms.loadedFrmAbout());
        runDeferredDeletes();
        QVERIFY(about.isNull());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
