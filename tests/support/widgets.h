#pragma once

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <tuple>

namespace kl::test {

// A control of a window, by its object name.
template <typename W = QWidget>
W *child(QWidget *window, const char *name)
{
    return window->findChild<W *>(QLatin1String(name));
}

inline void press(QWidget *window, const char *button)
{
    QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton);
}

inline QStringList rowTexts(QWidget *window, const char *list)
{
    QStringList result;
    for (auto *l = child<QListWidget>(window, list); result.size() < l->count();)
        result.append(l->item(int(result.size()))->text());
    return result;
}

// A click on the row of a list showing text, or a double-click as the
// platform delivers it: press, release, double-click, release.
inline void clickRow(QWidget *window, const char *list, const QString &text, bool twice = false)
{
    auto *l = child<QListWidget>(window, list);
    const QList<QListWidgetItem *> found = l->findItems(text, Qt::MatchExactly);
    QVERIFY2(found.size() == 1, qPrintable(text));
    const QPoint pos = l->visualItemRect(found.first()).center();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, pos);
    if (twice) {
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, pos);
        QTest::mouseRelease(l->viewport(), Qt::LeftButton, {}, pos);
    }
}

// The window's own controls from first on, in tab order: each has its
// designed name, caption and geometry, and no button takes Enter.
using DesignedControl = std::tuple<const char *, QRect, QString>;
inline void verifyControls(QWidget *window, QWidget *first, const QList<DesignedControl> &controls)
{
    QWidget *next = first;
    for (const auto &[name, geometry, caption] : controls) {
        QCOMPARE(next->objectName() + next->property("text").toString(), name + caption);
        QCOMPARE(next->geometry(), geometry);
        auto *button = qobject_cast<QPushButton *>(next);
        QVERIFY(!button || (!button->autoDefault() && !button->isDefault()));
        do
            next = next->nextInFocusChain();
        while (next->parentWidget() != window);
    }
}

// For a test's cleanup(): windows unloaded during the test are gone, and no
// window outlived the test.
inline void verifyNoWindowLeft()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a window outlived its test");
}

} // namespace kl::test
