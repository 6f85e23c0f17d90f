// Finding a window's controls the way a user finds them: by object name. A missing control ends the
// test at once, naming it.
#pragma once

#include <QObject>
#include <QPushButton>
#include <QString>

template <class T> T* Child(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromUtf8(name));
    if (!child)
        qFatal("no control %s", name);
    return child;
}

inline QPushButton* Button(const QObject* parent, const char* name) {
    return Child<QPushButton>(parent, name);
}
