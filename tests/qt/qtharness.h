#pragma once

#include "support/std/fakes.h"

#include "platform/runtime.h"
#include "qt/qtface.h"
#include "qt/qtmessageboxes.h"
#include "store/appstore.h"
#include "windows/forms.h"
#include "windows/main.h"

#include <doctest/doctest.h>

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <deque>

namespace doctest {
template <> struct StringMaker<QString> { static String convert(const QString &text) { return text.toUtf8().constData(); } };
template <> struct StringMaker<QStringList> { static String convert(const QStringList &lines) { return ("\n" + lines.join(u'\n')).toUtf8().constData(); } };
} // namespace doctest

namespace kl::test {

// The Qt window drawing a form.
template <typename Form> QWidget *view(Form &form) { return dynamic_cast<QWidget *>(&form.view()); }

// Answers modal windows as a user would: each queued answer runs once a new
// modal window is up, those the answer itself opens included. A modal window
// with no answer queued fails the test at once, with its title, and is hidden
// so that the handler waiting on it goes on.
class ModalAnswerer final
{
public:
    ModalAnswerer() { arm(); }
    void expect(std::function<void(QWidget *)> answer) { m_queue.push_back(std::move(answer)); }
    std::size_t pending() const { return m_queue.size(); }

private:
    // A new timer each turn: a timer whose slot still runs does not fire in
    // the modal loops that slot opens.
    void arm() { QTimer::singleShot(5, &m_context, [this] { poll(); }); }
    void poll()
    {
        arm();
        QWidget *modal = QApplication::activeModalWidget();
        m_last = modal ? m_last : nullptr;
        if (!modal || modal == m_last || !modal->isVisible())
            return;
        if (m_queue.empty()) {
            FAIL_CHECK("a modal window no test answers: 「" << modal->windowTitle() << "」 " << modal->objectName());
            return modal->hide();
        }
        const auto answer = std::move(m_queue.front());
        m_queue.pop_front();
        const QPointer<QWidget> window(modal);
        answer(m_last = modal);
        // One the answer left open is not answered twice; one it hid may
        // come back for the next answer.
        m_last = (window && window->isVisible()) ? window : nullptr;
    }

    QObject m_context;
    std::deque<std::function<void(QWidget *)>> m_queue;
    QPointer<QWidget> m_last;
};

// No window outlives a test: checked when the harness is gone.
struct NoWindowLeft
{
    ~NoWindowLeft() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); CHECK_MESSAGE(QApplication::topLevelWidgets().isEmpty(), "a window outlived its test"); }
};

// The five windows drawn by the Qt face over the recording fakes, the message
// boxes Qt's own. Boxes and modal windows are answered in the order queued.
struct QtHarness : NoWindowLeft, Services
{
    kl::qt::QtMessageBoxes boxes;
    Runtime runtime{settings, starter, boxes, process};
    AppStore store{settings};
    kl::qt::QtFace face;
    ModalAnswerer modals;
    Forms forms{Platform{runtime, store, drives, registry, face}};

    QtHarness() { settings.putPrograms(3); }
    ~QtHarness() { CHECK_MESSAGE(modals.pending() == 0, "an answer no modal window took"); }

    // The list window, shown and active.
    QWidget *list()
    {
        auto *w = view(forms.main());
        if (!w->isVisible())
            w->show(), QApplication::setActiveWindow(w);
        return w;
    }
    // Answers the next message box with a button.
    void answer(int button)
    {
        modals.expect([button](QWidget *w) {
            REQUIRE_MESSAGE(qobject_cast<QMessageBox *>(w), "not a message box: " << w->objectName());
            child<QPushButton>(w, button == vbOK ? "OK" : "Cancel")->click();
        });
    }
    // Runs steps in the next modal window, which must be the one named.
    void whenModal(const QString &name, std::function<void(QWidget *)> steps)
    {
        modals.expect([name, steps = std::move(steps)](QWidget *w) {
            REQUIRE(w->objectName() == name);
            steps(w);
        });
    }
    // Whether the program ended during action.
    static bool ends(const std::function<void()> &action)
    {
        try { action(); } catch (const ProgramEnded &) { return true; }
        return false;
    }

    template <typename W = QWidget>
    static W *child(QWidget *window, const char *name)
    {
        W *found = window->findChild<W *>(QLatin1String(name));
        REQUIRE_MESSAGE(found, name);
        return found;
    }
};

// Mouse steps on a list's rows, as the platform delivers them.
inline QPoint rowAt(QListWidget *list, int row) { return list->visualItemRect(list->item(row)).center(); }
inline void clickAt(QListWidget *list, QPoint at, Qt::KeyboardModifiers modifiers = {}) { QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, at); }
// Press, release, double-click, release.
inline void doubleClickAt(QListWidget *list, QPoint at)
{
    clickAt(list, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

} // namespace kl::test
