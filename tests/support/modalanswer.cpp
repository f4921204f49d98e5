#include "modalanswer.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace kl::test {

ModalAnswerer::ModalAnswerer()
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
}

void ModalAnswerer::expect(std::function<void(QWidget *)> answer)
{
    m_queue.push_back(std::move(answer));
    m_timer.start();
}

void ModalAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        m_last = nullptr;
    if (!modal || modal == m_last || !modal->isVisible() || m_queue.empty())
        return;
    auto answer = std::move(m_queue.front());
    m_queue.pop_front();
    ++m_answered;
    m_seen.append(modal->objectName());
    if (m_queue.empty())
        m_timer.stop();
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
