#include "support/modalanswer.h"
#include "support/widgets.h"

#include "widgets/qtmessageboxes.h"

using namespace kl;
using namespace kl::test;

class TestQtMessageBoxes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { verifyNoWindowLeft(); }

    // Each way out of each box: title, buttons, then the answer.
    void answers()
    {
        const QList<std::tuple<int, QString, QString>> ways{
            {vbOKOnly, "OK", "注意 OK 1"}, {vbOKOnly, "esc", "注意 OK 1"}, {vbOKOnly, "enter", "注意 OK 1"},
            {vbOKCancel, "OK", "注意 OK キャンセル 1"}, {vbOKCancel, "Cancel", "注意 OK キャンセル 2"},
            {vbOKCancel, "esc", "注意 OK キャンセル 2"}, {vbOKCancel, "close", "注意 OK キャンセル 2"},
            {vbOKCancel, "enter", "注意 OK キャンセル 1"}};
        for (const auto &[buttons, action, expected] : ways) {
            ModalAnswerer modals;
            QStringList seen;
            modals.expect([&, way = action](QWidget *box) {
                for (QPushButton *b : box->findChildren<QPushButton *>())
                    seen.append(b->text());
                seen.sort();
                seen.prepend(box->windowTitle());
                if (way == "esc" || way == "enter")
                    QTest::keyClick(box, way == "esc" ? Qt::Key_Escape : Qt::Key_Return);
                else if (way == "close")
                    box->close();
                else
                    box->findChild<QPushButton *>(way)->click();
            });
            seen.append(QString::number(QtMessageBoxes().MsgBox(QStringLiteral("本文"), buttons, QStringLiteral("注意"))));
            QCOMPARE(action + ": " + seen.join(u' '), action + ": " + expected);
        }
    }
};

QTEST_MAIN(TestQtMessageBoxes)
#include "tst_qtmessageboxes.moc"
