#pragma once
// While a search runs, message boxes titled with the owner's title close
// themselves, one per tick, so that the code that raised them goes on.

#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

class SearchDialogCloser : public QObject {
    Q_OBJECT
public:
    // `owner`'s title names the boxes to close; `searching` tells whether a
    // search runs now (nothing is closed otherwise).
    SearchDialogCloser(QWidget *owner, std::function<bool()> searching);

    void Start() { m_timer.start(); }
    void Stop() { m_timer.stop(); }
    // One tick of the timer: closes at most one box.
    void Tick();

private:
    QWidget *m_owner;
    std::function<bool()> m_searching;
    QTimer m_timer;
};
