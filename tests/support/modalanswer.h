#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>

class QWidget;

namespace kl::test {

// Answers modal windows as a user would: each queued answer runs once a new
// modal window is up (QApplication::activeModalWidget()); a modal window with
// no answer queued fails the test at once, with its title. A test then checks
// answered(): a failed check inside an answer would only leave the lambda.
class ModalAnswerer final : public QObject
{
    Q_OBJECT

public:
    ModalAnswerer();

    void expect(std::function<void(QWidget *)> answer) { m_queue.push_back(std::move(answer)); }
    int answered() const { return int(m_seen.size()); }
    QStringList seen() const { return m_seen; }

private:
    void poll();

    QTimer m_timer;
    std::deque<std::function<void(QWidget *)>> m_queue;
    QPointer<QWidget> m_last;
    QStringList m_seen; // object names of the windows answered
};

// Waits, processing events, until done() or the time runs out.
bool waitFor(const std::function<bool()> &done, int timeoutMs = 5000);

} // namespace kl::test
