#pragma once

// Shared set-up of the view tests: private per-user folders, the pictures and
// translations beside the test programs, and look-ups of widgets by name.

#include "ui/mainview.h"

#include <QAbstractButton>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Lists = QList<QStringList>;

// Points every per-user folder into dir so nothing touches the real home.
inline void isolate(const QTemporaryDir &dir)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + "/config"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path() + "/runtime"));
    qputenv("HOME", QFile::encodeName(dir.path()));
}

inline QString resourcePrefix() { return QCoreApplication::applicationDirPath() + QLatin1Char('/'); }
inline QString imageDir() { return resourcePrefix() + QStringLiteral("Image"); }

// The one child of root with that object name (and "role" property, when given).
template <class T = QAbstractButton>
T *child(const QWidget *root, const QString &name, const QString &role = QString())
{
    T *found = nullptr;
    for (T *w : root->findChildren<T *>(name)) {
        if (!role.isEmpty() && w->property("role").toString() != role)
            continue;
        if (found)
            return nullptr;  // ambiguous
        found = w;
    }
    return found;
}
inline QAbstractButton *boxButton(const QWidget *v, int n) { return child(v, QString::number(n), "box"); }
inline QAbstractButton *monitorSwitch(const QWidget *v, int n) { return child(v, QString::number(n), "monitor"); }
inline QAbstractButton *menuEntry(const QWidget *v, int k) { return child(v, QStringLiteral("MutiLang%1").arg(k)); }
inline QAbstractButton *key(const QWidget *v, int k) { return child(v, QStringLiteral("Keyboard%1").arg(k)); }
inline QLabel *label(const QWidget *v, const QString &name) { return child<QLabel>(v, name); }

inline void click(QAbstractButton *button)
{
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Every list a spy on a sendData(QStringList) signal has seen.
inline Lists lists(const QSignalSpy &spy)
{
    Lists out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0).toStringList();
    return out;
}

// A shown main view and a spy on its commands; made afresh in each test's init().
struct Shown {
    MainView view{resourcePrefix()};
    QSignalSpy spy{&view, &MainView::sendData};
    bool exposed = (view.show(), QTest::qWaitForWindowExposed(&view));
};
