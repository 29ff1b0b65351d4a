#include "ui/curvechart.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kWhole = 10;  // tenths in a degree
constexpr int kShownLow = 0;
constexpr int kShownHigh = 1200;

int floorTo(int tenths, int step) { return int(std::floor(tenths / double(step))) * step; }
int ceilTo(int tenths, int step) { return int(std::ceil(tenths / double(step))) * step; }
int floorWhole(int tenths) { return floorTo(tenths, kWhole); }
int ceilWhole(int tenths) { return ceilTo(tenths, kWhole); }
int snapWhole(double tenths) { return int(std::lround(tenths / kWhole)) * kWhole; }

QString degreesText(int tenths)
{
    return QString::number(tenths / double(kWhole), 'f', tenths % kWhole ? 1 : 0) + QStringLiteral(" °C");
}
} // namespace

CurveChart::CurveChart(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Fan curve points"));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void CurveChart::setPoints(const QVector<CurvePoint> &points)
{
    m_points = points;
    m_lowTenths = kShownLow;
    m_highTenths = kShownHigh;
    if (!points.isEmpty()) {
        m_lowTenths = std::max(UserCurve::kMinTenths, std::min(kShownLow, floorTo(points.first().tenths, 100)));
        m_highTenths = std::min(UserCurve::kMaxTenths, std::max(kShownHigh, ceilTo(points.last().tenths, 100)));
    }
    m_selected = points.isEmpty() ? -1 : 0;
    update();
}

void CurveChart::setLive(std::optional<int> tenths, int percent)
{
    m_liveTenths = tenths;
    m_sentPercent = percent;
    update();
}

QSize CurveChart::sizeHint() const
{
    return QSize(fontMetrics().averageCharWidth() * 64, fontMetrics().height() * 20);
}

QSize CurveChart::minimumSizeHint() const
{
    return QSize(fontMetrics().averageCharWidth() * 36, fontMetrics().height() * 11);
}

QRectF CurveChart::plotArea() const
{
    const QFontMetrics fm = fontMetrics();
    const qreal left = fm.horizontalAdvance(QStringLiteral("100 %")) + fm.averageCharWidth() * 2;
    const qreal right = fm.horizontalAdvance(QStringLiteral("150")) / 2.0 + fm.averageCharWidth() * 2;
    return QRectF(rect()).adjusted(left, fm.height() * 1.5, -right, -fm.height() * 2.2);
}

QPointF CurveChart::positionOf(const CurvePoint &p) const
{
    const QRectF plot = plotArea();
    const double x = (p.tenths - m_lowTenths) / double(m_highTenths - m_lowTenths);
    return QPointF(plot.left() + x * plot.width(), plot.bottom() - p.percent / 100.0 * plot.height());
}

CurvePoint CurveChart::valueAt(const QPointF &pos) const
{
    const QRectF plot = plotArea();
    const double x = (pos.x() - plot.left()) / plot.width();
    const int tenths = snapWhole(m_lowTenths + x * (m_highTenths - m_lowTenths));
    const int percent = int(std::lround((plot.bottom() - pos.y()) / plot.height() * 100.0));
    return {std::clamp(tenths, m_lowTenths, m_highTenths), std::clamp(percent, 0, 100)};
}

int CurveChart::pointAt(const QPointF &pos) const
{
    const qreal reach = std::max(8, fontMetrics().height() / 2);
    int best = -1;
    qreal bestDistance = reach * reach;
    for (int i = 0; i < m_points.size(); ++i) {
        const QPointF d = positionOf(m_points[i]) - pos;
        const qreal distance = QPointF::dotProduct(d, d);
        if (distance <= bestDistance)
            best = i, bestDistance = distance;
    }
    return best;
}

int CurveChart::boundTenths(int i, int wanted) const
{
    const int low = i > 0 ? std::max(m_lowTenths, floorWhole(m_points[i - 1].tenths) + kWhole) : m_lowTenths;
    const int high = i + 1 < m_points.size() ? std::min(m_highTenths, ceilWhole(m_points[i + 1].tenths) - kWhole)
                                              : m_highTenths;
    if (low > high)  // no whole degree between the neighbours: it stays
        return m_points[i].tenths;
    return std::clamp(snapWhole(wanted), low, high);
}

void CurveChart::moveTo(int i, int tenths, int percent)
{
    if (i < 0 || i >= m_points.size())
        return;
    const CurvePoint moved{boundTenths(i, tenths), std::clamp(percent, 0, 100)};
    if (moved == m_points[i])
        return;
    m_points[i] = moved;
    update();
    Q_EMIT pointsChanged();
}

void CurveChart::addPoint(CurvePoint p)
{
    if (m_points.size() >= UserCurve::kMaxPoints)
        return;
    const auto at = std::lower_bound(m_points.begin(), m_points.end(), p.tenths,
                                     [](const CurvePoint &q, int t) { return q.tenths < t; });
    if (at != m_points.end() && at->tenths == p.tenths)
        return;
    const int i = int(at - m_points.begin());
    m_points.insert(i, p);
    select(i);
    Q_EMIT pointsChanged();
}

void CurveChart::insertAfterSelected()
{
    if (m_selected < 0)
        return;
    const CurvePoint a = m_points[m_selected];
    if (m_selected + 1 == m_points.size()) {
        if (a.tenths + kWhole <= m_highTenths)
            addPoint({std::min(m_highTenths, floorWhole(a.tenths) + 5 * kWhole), a.percent});
        return;
    }
    const CurvePoint b = m_points[m_selected + 1];
    const int tenths = snapWhole((a.tenths + b.tenths) / 2.0);
    if (tenths > a.tenths && tenths < b.tenths)
        addPoint({tenths, int(std::lround((a.percent + b.percent) / 2.0))});
}

void CurveChart::removeSelected()
{
    if (m_selected < 0 || m_points.size() <= UserCurve::kMinPoints)
        return;
    m_points.remove(m_selected);
    select(std::min(m_selected, int(m_points.size()) - 1));
    Q_EMIT pointsChanged();
}

void CurveChart::select(int i)
{
    m_selected = m_points.isEmpty() ? -1 : std::clamp(i, 0, int(m_points.size()) - 1);
    update();
}

void CurveChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const int i = pointAt(event->localPos());
    if (i >= 0) {
        select(i);
        m_dragging = true;
    }
}

void CurveChart::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging)
        return QWidget::mouseMoveEvent(event);
    const CurvePoint to = valueAt(event->localPos());
    moveTo(m_selected, to.tenths, to.percent);
}

void CurveChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void CurveChart::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || pointAt(event->localPos()) >= 0)
        return mousePressEvent(event);
    if (plotArea().contains(event->localPos()))
        addPoint(valueAt(event->localPos()));
}

void CurveChart::keyPressEvent(QKeyEvent *event)
{
    const int step = event->modifiers() & Qt::ShiftModifier ? 5 : 1;
    const int i = m_selected;
    const CurvePoint p = i >= 0 ? m_points[i] : CurvePoint{};
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
        moveTo(i, p.tenths + (event->key() == Qt::Key_Left ? -step : step) * kWhole, p.percent);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        moveTo(i, p.tenths, p.percent + (event->key() == Qt::Key_Down ? -step : step));
        break;
    case Qt::Key_BracketLeft:
        select(std::max(0, i - 1));
        break;
    case Qt::Key_BracketRight:
        select(std::min(int(m_points.size()) - 1, i + 1));
        break;
    case Qt::Key_Insert:
        insertAfterSelected();
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        removeSelected();
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
}

void CurveChart::paintEvent(QPaintEvent *)
{
    QStylePainter p(this);
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.backgroundColor = palette().color(QPalette::Base);
        p.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF plot = plotArea();
    if (plot.width() < 4 || plot.height() < 4)
        return;
    paintGrid(p, plot);
    paintLive(p, plot);
    paintCurve(p, plot);
}

void CurveChart::paintGrid(QPainter &p, const QRectF &plot) const
{
    const QFontMetrics fm = fontMetrics();
    const QColor text = palette().color(QPalette::Text);
    QColor grid = text;
    grid.setAlphaF(0.15);
    // A label every 10 °C where they fit, else every 20 °C.
    const int labelWidth = fm.horizontalAdvance(QStringLiteral("-50")) + fm.averageCharWidth() * 2;
    const int labelEvery = labelWidth * (m_highTenths - m_lowTenths) / 100 > plot.width() ? 200 : 100;
    for (int t = ceilTo(m_lowTenths, 100); t <= m_highTenths; t += 100) {
        const qreal x = positionOf({t, 0}).x();
        p.setPen(QPen(grid, 0));
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        if (t % labelEvery == 0) {
            p.setPen(text);
            const QString label = QString::number(t / kWhole);
            p.drawText(QRectF(x - 40, plot.bottom() + 2, 80, fm.height()), Qt::AlignHCenter | Qt::AlignTop, label);
        }
    }
    for (int percent = 0; percent <= 100; percent += 10) {
        const qreal y = positionOf({m_lowTenths, percent}).y();
        p.setPen(QPen(grid, 0));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        if (percent % 20 == 0) {
            p.setPen(text);
            p.drawText(QRectF(0, y - fm.height() / 2.0, plot.left() - fm.averageCharWidth(), fm.height()),
                       Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 %").arg(percent));
        }
    }
    p.setPen(QPen(text, 1));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.drawLine(plot.bottomLeft(), plot.topLeft());
    p.drawText(QRectF(plot.left(), plot.bottom() + fm.height(), plot.width(), fm.height() * 1.2),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("°C"));
}

void CurveChart::paintLive(QPainter &p, const QRectF &plot) const
{
    const QColor live(0xE0, 0x70, 0x10);
    const bool knownReading = m_liveTenths && *m_liveTenths >= m_lowTenths && *m_liveTenths <= m_highTenths;
    const bool knownPercent = m_sentPercent >= 0 && m_sentPercent <= 100;
    p.setPen(QPen(live, 1.5, Qt::DashLine));
    if (knownReading) {
        const qreal x = positionOf({*m_liveTenths, 0}).x();
        p.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        p.drawText(QRectF(x - 60, 0, 120, plot.top()), Qt::AlignCenter, degreesText(*m_liveTenths));
    }
    if (knownPercent) {
        const qreal y = positionOf({m_lowTenths, m_sentPercent}).y();
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.drawText(QRectF(plot.left() + 4, y - fontMetrics().height(), plot.width(), fontMetrics().height()),
                   Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("%1 %").arg(m_sentPercent));
    }
    if (knownReading && knownPercent) {
        const qreal r = std::max(3, fontMetrics().height() / 5);
        p.setPen(Qt::NoPen);
        p.setBrush(live);
        p.drawEllipse(positionOf({*m_liveTenths, m_sentPercent}), r, r);
    }
}

void CurveChart::paintCurve(QPainter &p, const QRectF &plot) const
{
    if (m_points.isEmpty())
        return;
    const QColor line = palette().color(QPalette::Highlight);
    // Flat beyond the ends, as the curve is followed.
    QPainterPath path(QPointF(plot.left(), positionOf(m_points.first()).y()));
    for (const CurvePoint &c : m_points)
        path.lineTo(positionOf(c));
    path.lineTo(QPointF(plot.right(), positionOf(m_points.last()).y()));
    p.setPen(QPen(line, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);

    const qreal r = std::max(4, fontMetrics().height() / 4);
    for (int i = 0; i < m_points.size(); ++i) {
        const QPointF at = positionOf(m_points[i]);
        const bool chosen = i == m_selected;
        p.setPen(QPen(line, 2));
        p.setBrush(chosen ? line : palette().color(QPalette::Base));
        p.drawEllipse(at, chosen ? r * 1.4 : r, chosen ? r * 1.4 : r);
        if (chosen && hasFocus()) {
            p.setPen(QPen(palette().color(QPalette::Text), 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(at, r * 2.3, r * 2.3);
        }
    }
    if (m_selected >= 0) {
        const CurvePoint c = m_points[m_selected];
        const QPointF at = positionOf(c);
        const QString label = degreesText(c.tenths) + QStringLiteral(", %1 %").arg(c.percent);
        const QFontMetrics fm = fontMetrics();
        const qreal w = fm.horizontalAdvance(label) + fm.averageCharWidth();
        const qreal x = std::clamp(at.x() + r * 2, plot.left(), plot.right() - w);
        const qreal y = at.y() - r * 2 - fm.height() < plot.top() ? at.y() + r * 2 : at.y() - r * 2 - fm.height();
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRectF(x, y, w, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, label);
    }
}
