#pragma once

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

// Drags a frameless window by a strip of its own. The window system moves it
// where it can: Wayland lets no program place its own windows, so there
// move() does nothing. Platforms without system moves (offscreen) fall back to
// moving the widget.
class WindowDrag {
public:
    void press(QWidget *window, const QMouseEvent *event, bool inStrip)
    {
        m_pressPos = event->pos();
        QWindow *handle = window->windowHandle();
        m_bySystem = inStrip && event->button() == Qt::LeftButton && handle && handle->startSystemMove();
    }

    void move(QWidget *window, const QMouseEvent *event, bool inStrip) const
    {
        if (!m_bySystem && inStrip)
            window->move(window->pos() + (event->pos() - m_pressPos));
    }

private:
    QPoint m_pressPos;
    bool m_bySystem = false;
};
