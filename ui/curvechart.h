#pragma once

#include "core/usercurve.h"

#include <QVector>
#include <QWidget>

#include <optional>

// A fan curve drawn as temperature (x) against percent (y), edited in place:
// drag a point (it stays between its neighbours), double-click empty chart to
// add one, Delete removes the selected one. From the keyboard: [ and ] select
// the previous and next point, the arrows move it by 1 °C or 1 % (5 with
// Shift), Insert adds one after it. Points snap to whole degrees and percent.
class CurveChart : public QWidget {
    Q_OBJECT
public:
    explicit CurveChart(QWidget *parent = nullptr);

    // Also sets the temperatures shown: 0..120 °C, widened to take every point.
    void setPoints(const QVector<CurvePoint> &points);
    QVector<CurvePoint> points() const { return m_points; }
    int selected() const { return m_selected; }
    // The live reading of the curve's sensor (none: unknown) and the percent
    // the fan is sent (below 0: unknown), drawn as markers.
    void setLive(std::optional<int> tenths, int percent);
    std::optional<int> liveTenths() const { return m_liveTenths; }
    int sentPercent() const { return m_sentPercent; }
    // Where a point at this temperature and percent is drawn.
    QPointF positionOf(const CurvePoint &p) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void pointsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QRectF plotArea() const;
    CurvePoint valueAt(const QPointF &pos) const;
    int pointAt(const QPointF &pos) const;
    // The temperature point i may take nearest to wanted: a whole degree
    // strictly between its neighbours and within the shown range.
    int boundTenths(int i, int wanted) const;
    void moveTo(int i, int tenths, int percent);
    void addPoint(CurvePoint p);
    void insertAfterSelected();
    void removeSelected();
    void select(int i);

    void paintGrid(QPainter &p, const QRectF &plot) const;
    void paintLive(QPainter &p, const QRectF &plot) const;
    void paintCurve(QPainter &p, const QRectF &plot) const;

    QVector<CurvePoint> m_points;
    int m_selected = -1;
    bool m_dragging = false;
    int m_lowTenths = 0;
    int m_highTenths = 1200;
    std::optional<int> m_liveTenths;
    int m_sentPercent = -1;
};
