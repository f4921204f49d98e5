#include "platform/numbers.h"
#include "platform/runtimeerror.h"

#include <QTest>

using namespace kl;

class TestNumbers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toInt16_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // or the error number, negated
        QTest::addColumn<bool>("fails");
        QTest::newRow("plain") << "42" << 42 << false;
        QTest::newRow("blanks around") << "  7 " << 7 << false;
        QTest::newRow("negative") << "-5" << -5 << false;
        QTest::newRow("lowest") << "-32768" << -32768 << false;
        QTest::newRow("highest") << "32767" << 32767 << false;
        QTest::newRow("half rounds to even, down") << "2.5" << 2 << false;
        QTest::newRow("half rounds to even, up") << "3.5" << 4 << false;
        QTest::newRow("empty") << "" << err::TypeMismatch << true;
        QTest::newRow("word") << "abc" << err::TypeMismatch << true;
        QTest::newRow("digits then junk") << "12abc" << err::TypeMismatch << true;
        QTest::newRow("exponent") << "1e3" << err::TypeMismatch << true;
        QTest::newRow("full-width digits") << "１２" << err::TypeMismatch << true;
        QTest::newRow("one past highest") << "32768" << err::Overflow << true;
        QTest::newRow("one past lowest") << "-32769" << err::Overflow << true;
        QTest::newRow("huge") << QString(400, u'9') << err::Overflow << true;
    }
    void toInt16()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(bool, fails);
        try {
            const qint16 got = kl::toInt16(text);
            QVERIFY2(!fails, "conversion should have failed");
            QCOMPARE(int(got), value);
        } catch (const RuntimeError &e) {
            QVERIFY2(fails, qPrintable(e.description()));
            QCOMPARE(e.number(), value);
        }
    }

    void textHasNoPadding()
    {
        QCOMPARE(str(0), QStringLiteral("0"));
        QCOMPARE(str(-12), QStringLiteral("-12"));
        QCOMPARE(str(100), QStringLiteral("100"));
    }

    void additionOverflows()
    {
        QCOMPARE(add16(32766, 1), qint16(32767));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, add16(32767, 1));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, add16(-32768, -1));
    }

    void failuresCarryJapaneseDescriptions()
    {
        QCOMPARE(RuntimeError(err::TypeMismatch).description(), QStringLiteral("型が一致しません。"));
        QCOMPARE(RuntimeError(err::DeviceUnavailable).description(), QStringLiteral("デバイスが準備されていません。"));
        QCOMPARE(RuntimeError(err::Overflow).number(), 6);
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
