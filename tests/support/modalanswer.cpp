#include "modalanswer.h"

#include "fakes.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace kl::test {

ModalAnswerer::ModalAnswerer()
{
    m_timer.callOnTimeout(this, &ModalAnswerer::poll);
    m_timer.start(5);
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        m_last = nullptr;
    if (!modal || modal == m_last || !modal->isVisible())
        return;
    if (m_queue.empty()) {
        failNow(QStringLiteral("a modal window no test answers: 「%1」 (%2)").arg(modal->windowTitle(), modal->objectName()));
        modal->hide(); // lets the waiting handler go on
        return;
    }
    auto answer = std::move(m_queue.front());
    m_queue.pop_front();
    m_seen.append(modal->objectName());
    QPointer<QWidget> window(modal);
    answer(modal);
    // A window the answer left open must not be answered twice; one it hid
    // may come back for the next answer.
    m_last = (window && window->isVisible()) ? window : nullptr;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    return QTest::qWaitFor(done, timeoutMs);
}

} // namespace kl::test
