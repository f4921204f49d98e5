#include "platform/numbers.h"
#include "platform/runtimeerror.h"

#include <QTest>

using namespace kl;

class TestNumbers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Text to a 16-bit number and back: each result, or "E" and the error number.
    void conversions()
    {
        const auto convert = [](const QString &text) {
            try {
                return str(toInt16(text));
            } catch (const RuntimeError &e) {
                return QStringLiteral("E%1").arg(e.number());
            }
        };
        QStringList got;
        for (const QString &text : QStringList{"42", "  7 ", "-5", "-32768", "32767", "0", "2.5", "3.5", "", "abc", "12abc", "1e3",
                                    "１２", "32768", "-32769", QString(400, u'9')})
            got << convert(text);
        QCOMPARE(got.join(u' '), "42 7 -5 -32768 32767 0 2 4 E13 E13 E13 E13 E13 E6 E6 E6");
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
    }
};

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
