// Shared pieces of the widget tests.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal dialog of type T once it is open.
template <typename T>
void answerNextDialog(const std::function<void(T *)> &answer)
{
    QTimer::singleShot(0, [answer] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *d = qobject_cast<T *>(w); d && d->isVisible()) {
                answer(d);
                return;
            }
    });
}
