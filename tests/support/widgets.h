#pragma once

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace kl::test {

// A control of a window, by its object name.
template <typename W = QWidget>
W *child(QWidget *window, const char *name) { return window->findChild<W *>(QLatin1String(name)); }

inline void press(QWidget *window, const char *button) { QTest::mouseClick(child<QPushButton>(window, button), Qt::LeftButton); }

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
    if (twice)
        QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, pos), QTest::mouseRelease(l->viewport(), Qt::LeftButton, {}, pos);
}

// How a window behaves as a whole: "fixed" when it cannot be resized or
// maximised, "tool", "dialog" and "owned" when it is one, "modal" when it
// blocks others, "icon" when it shows one, then its own controls that take the
// focus in tab order, a button Enter presses when it has the focus marked
// "!", the one a window's Enter presses from elsewhere "(default)".
inline QString traits(QWidget *window)
{
    QString result = window->minimumSize() == window->maximumSize() && !(window->windowFlags() & Qt::WindowMinMaxButtonsHint) ? "fixed" : "sizable";
    result += QString(window->windowType() == Qt::Tool ? " tool" : window->windowType() == Qt::Dialog ? " dialog" : "")
        + (window->parentWidget() ? " owned" : "") + (window->isModal() ? " modal" : "") + (window->windowIcon().isNull() ? "" : " icon");
    for (QWidget *next = window->nextInFocusChain(); next != window; next = next->nextInFocusChain()) {
        auto *button = qobject_cast<QPushButton *>(next);
        if (next->parentWidget() == window && next->focusPolicy() & Qt::TabFocus)
            result += u' ' + next->objectName() + (button && button->autoDefault() ? "!" : "") + (button && button->isDefault() ? "(default)" : "");
    }
    return result;
}

// For a test's cleanup(): windows unloaded during the test are gone, and no
// window outlived the test.
inline void verifyNoWindowLeft()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(QApplication::topLevelWidgets().isEmpty(), "a window outlived its test");
}

} // namespace kl::test
