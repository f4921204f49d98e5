#include "support/modalanswer.h"
#include "support/widgets.h"

#include "widgets/qtmessageboxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace kl;
using namespace kl::test;

class TestQtMessageBoxes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { verifyNoWindowLeft(); }

    void answers_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("answer");
        QTest::newRow("OK only, OK") << vbOKOnly << "OK" << vbOK;
        QTest::newRow("OK only, Esc") << vbOKOnly << "esc" << vbOK;
        QTest::newRow("OK only, Enter") << vbOKOnly << "enter" << vbOK;
        QTest::newRow("OK/Cancel, OK") << vbOKCancel << "OK" << vbOK;
        QTest::newRow("OK/Cancel, Cancel") << vbOKCancel << "Cancel" << vbCancel;
        QTest::newRow("OK/Cancel, Esc") << vbOKCancel << "esc" << vbCancel;
        QTest::newRow("OK/Cancel, close box") << vbOKCancel << "close" << vbCancel;
        QTest::newRow("OK/Cancel, Enter") << vbOKCancel << "enter" << vbOK;
    }
    void answers()
    {
        QFETCH(int, buttons);
        QFETCH(QString, action);
        QFETCH(int, answer);

        ModalAnswerer modals;
        QString title;
        QStringList texts;
        modals.expect([&](QWidget *box) {
            title = box->windowTitle();
            for (QPushButton *b : box->findChildren<QPushButton *>())
                texts.append(b->text());
            if (action == "esc" || action == "enter")
                QTest::keyClick(box, action == "esc" ? Qt::Key_Escape : Qt::Key_Return);
            else if (action == "close")
                box->close();
            else
                box->findChild<QPushButton *>(action)->click();
        });

        QtMessageBoxes boxes;
        const int got = boxes.MsgBox(QStringLiteral("本文"), buttons, QStringLiteral("注意"));

        QCOMPARE(modals.answered(), 1);
        QCOMPARE(got, answer);
        QCOMPARE(title, QStringLiteral("注意"));
        texts.sort();
        const QStringList expected = buttons == vbOKCancel ? QStringList{"OK", "キャンセル"} : QStringList{"OK"};
        QCOMPARE(texts, expected);
    }
};

QTEST_MAIN(TestQtMessageBoxes)
#include "tst_qtmessageboxes.moc"
