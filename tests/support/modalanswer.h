#pragma once

#include "fakes.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

namespace kl::test {

// Answers modal windows as a user would: each queued answer runs once a new
// modal window is up (QApplication::activeModalWidget()); a modal window with
// no answer queued fails the test at once, with its title. A failed check
// inside an answer only leaves the lambda: answers record, the test checks.
class ModalAnswerer final
{
public:
    ModalAnswerer() { m_timer.callOnTimeout([this] { poll(); }), m_timer.start(5); }
    void expect(std::function<void(QWidget *)> answer) { m_queue.push_back(std::move(answer)); }
    QStringList seen() const { return m_seen; }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        m_last = modal ? m_last : nullptr;
        if (!modal || modal == m_last || !modal->isVisible())
            return;
        if (m_queue.empty()) {
            failNow(QStringLiteral("a modal window no test answers: 「%1」 (%2)").arg(modal->windowTitle(), modal->objectName()));
            return modal->hide(); // lets the waiting handler go on
        }
        const auto answer = std::move(m_queue.front());
        m_queue.pop_front();
        m_seen.append(modal->objectName());
        const QPointer<QWidget> window(modal);
        answer(modal);
        // A window the answer left open must not be answered twice; one it
        // hid may come back for the next answer.
        m_last = (window && window->isVisible()) ? window : nullptr;
    }

    QTimer m_timer;
    std::deque<std::function<void(QWidget *)>> m_queue;
    QPointer<QWidget> m_last;
    QStringList m_seen; // object names of the windows answered
};

} // namespace kl::test
