#pragma once

#include "ui/mainview.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Shared set-up of the main view tests: private settings folders, pictures from
// the build tree, and look-ups of the panel's widgets by object name.
namespace mvtest {

inline QString resourcePrefix()
{
    const QString bin = qEnvironmentVariable("ZALDO_BIN_DIR");
    return bin.isEmpty() ? QString() : bin + QLatin1Char('/');
}

// Point every per-user folder into dir so nothing touches the real home.
inline void isolate(const QTemporaryDir &dir)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path() + "/config"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir.path() + "/runtime"));
    qputenv("HOME", QFile::encodeName(dir.path()));
}

// The one child of root with that object name (and "role" property, when given).
template <class T>
T *child(const QWidget *root, const QString &name, const QString &role = QString())
{
    T *found = nullptr;
    for (T *w : root->findChildren<T *>(name)) {
        if (!role.isEmpty() && w->property("role").toString() != role)
            continue;
        if (found)
            return nullptr; // ambiguous
        found = w;
    }
    return found;
}

inline QAbstractButton *boxButton(const QWidget *view, int n)
{
    return child<QAbstractButton>(view, QString::number(n), QStringLiteral("box"));
}
inline QAbstractButton *profileButton(const QWidget *view, int n)
{
    return child<QAbstractButton>(view, QString::number(n), QStringLiteral("profile"));
}
inline QAbstractButton *monitorSwitch(const QWidget *view, int n)
{
    return child<QAbstractButton>(view, QString::number(n), QStringLiteral("monitor"));
}
inline QAbstractButton *menuEntry(const QWidget *view, int k)
{
    return child<QAbstractButton>(view, QStringLiteral("MutiLang%1").arg(k));
}
inline QAbstractButton *key(const QWidget *view, int k)
{
    return child<QAbstractButton>(view, QStringLiteral("Keyboard%1").arg(k));
}
inline QLabel *label(const QWidget *view, const QString &name)
{
    return child<QLabel>(view, name);
}

inline void click(QAbstractButton *button)
{
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void sendMouse(QWidget *target, QEvent::Type type, const QPoint &pos)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, pos, target->mapToGlobal(pos), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

inline QStringList list(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *s : items)
        out << QString::fromUtf8(s);
    return out;
}

// Every list the spy caught, in order.
inline QList<QStringList> lists(const QSignalSpy &spy)
{
    QList<QStringList> out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0).toStringList();
    return out;
}

} // namespace mvtest
