#include "ui/qt_event_loop.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>

#include <exception>

namespace pelmo {

namespace {

// One posted task. Qt queues events thread-safely and delivers them on the
// receiver's thread in the order they were posted.
class TaskEvent final : public QEvent {
 public:
  static QEvent::Type Kind() {
    static const auto kind = static_cast<QEvent::Type>(QEvent::registerEventType());
    return kind;
  }
  explicit TaskEvent(EventLoop::Task task) : QEvent(Kind()), m_task(std::move(task)) {}
  EventLoop::Task& Task() { return m_task; }

 private:
  EventLoop::Task m_task;
};

}  // namespace

QtEventLoop::QtEventLoop() { (void)TaskEvent::Kind(); }

QtEventLoop::~QtEventLoop() {
  for (auto& [id, timer] : m_timers) killTimer(timer.qtId);
  // Tasks still queued for this object are dropped with it.
  QCoreApplication::removePostedEvents(this, TaskEvent::Kind());
}

void QtEventLoop::Post(Task task) {
  QCoreApplication::postEvent(this, new TaskEvent(std::move(task)));
}

EventLoop::TimerId QtEventLoop::StartTimer(std::chrono::milliseconds interval, bool repeating,
                                           Task task) {
  const int qtId = startTimer(interval, Qt::PreciseTimer);
  if (qtId == 0) return 0;
  const TimerId id = m_nextId++;
  m_timers[id] = Timer{qtId, repeating, std::move(task)};
  m_byQtId[qtId] = id;
  return id;
}

void QtEventLoop::StopTimer(TimerId id) {
  auto it = m_timers.find(id);
  if (it == m_timers.end()) return;
  killTimer(it->second.qtId);
  m_byQtId.erase(it->second.qtId);
  m_timers.erase(it);
}

void QtEventLoop::WatchFd(int fd, Task onReadable) {
  UnwatchFd(fd);
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  m_watches[fd] = Watch{notifier, std::move(onReadable)};
  connect(notifier, &QSocketNotifier::activated, this, [this, fd, notifier] {
    auto found = m_watches.find(fd);
    if (found == m_watches.end() || found->second.notifier != notifier) return;
    // A copy: the task may unwatch (and so drop) itself.
    Task task = found->second.task;
    RunGuarded(task);
  });
}

void QtEventLoop::UnwatchFd(int fd) {
  auto found = m_watches.find(fd);
  if (found == m_watches.end()) return;
  // Possibly from the notifier's own signal: it goes once that returns.
  found->second.notifier->setEnabled(false);
  found->second.notifier->deleteLater();
  m_watches.erase(found);
}

bool QtEventLoop::event(QEvent* event) {
  if (event->type() == TaskEvent::Kind()) {
    RunGuarded(static_cast<TaskEvent*>(event)->Task());
    return true;
  }
  return QObject::event(event);
}

void QtEventLoop::timerEvent(QTimerEvent* event) {
  auto byQt = m_byQtId.find(event->timerId());
  if (byQt == m_byQtId.end()) return;
  const TimerId id = byQt->second;
  // A copy: the task may stop its own timer (or start others) while it runs.
  Task task = m_timers.at(id).task;
  if (!m_timers.at(id).repeating) StopTimer(id);
  RunGuarded(task);
}

void QtEventLoop::RunGuarded(const Task& task) {
  if (!task) return;
  try {
    task();
  } catch (const std::exception& e) {
    if (m_onError) m_onError(e);
  }
}

}  // namespace pelmo
