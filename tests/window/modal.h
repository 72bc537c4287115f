#pragma once
// Answers the real modal dialog that exec() shows, from the event loop it runs.
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `act` on the modal dialog once it is up.
inline void whenModal(const std::function<void(QWidget *)> &act)
{
    QTimer::singleShot(0, [act] {
        QWidget *w = QApplication::activeModalWidget();
        QVERIFY(w);
        act(w);
    });
}
