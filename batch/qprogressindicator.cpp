#include "qprogressindicator.h"

#include <QPainter>

QProgressIndicator::Geometry QProgressIndicator::geometryFor(int width)
{
    Geometry g{};
    g.outerRadius = static_cast<int>((width - 1) * 0.5);
    g.innerRadius = static_cast<int>((width - 1) * 0.5 * 0.38);
    g.capsuleHeight = g.outerRadius - g.innerRadius;
    // Thinner bars on big wheels keep the gaps between them visible.
    g.capsuleWidth = static_cast<int>(g.capsuleHeight * (width > 32 ? 0.23 : 0.35));
    g.capsuleRadius = g.capsuleWidth / 2;
    return g;
}

QProgressIndicator::QProgressIndicator(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
}

QSize QProgressIndicator::sizeHint() const
{
    return {20, 20};
}

int QProgressIndicator::heightForWidth(int w) const
{
    return w;
}

void QProgressIndicator::startAnimation()
{
    m_angle = 0;
    if (m_timerId == -1)
        m_timerId = startTimer(m_delay, Qt::CoarseTimer);
}

void QProgressIndicator::stopAnimation()
{
    if (m_timerId != -1)
        killTimer(m_timerId);
    m_timerId = -1;
    update();
}

void QProgressIndicator::setAnimationDelay(int delay)
{
    const bool running = m_timerId != -1;
    if (running)
        killTimer(m_timerId);
    m_delay = delay;
    m_timerId = running ? startTimer(m_delay, Qt::CoarseTimer) : -1;
}

void QProgressIndicator::setDisplayedWhenStopped(bool state)
{
    m_displayedWhenStopped = state;
    update();
}

void QProgressIndicator::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void QProgressIndicator::timerEvent(QTimerEvent *)
{
    m_angle = (m_angle + 30) % 360;
    update();
}

void QProgressIndicator::paintEvent(QPaintEvent *)
{
    if (!m_displayedWhenStopped && !isAnimated())
        return;
    const Geometry g = geometryFor(qMin(width(), height()));
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        QColor bar = m_color;
        bar.setAlphaF(1.0f - i / 12.0f);
        p.setBrush(bar);
        p.save();
        p.translate(rect().center());
        p.rotate(m_angle - i * 30.0);
        p.drawRoundedRect(static_cast<int>(-g.capsuleWidth * 0.5), -g.outerRadius, g.capsuleWidth, g.capsuleHeight,
                          g.capsuleRadius, g.capsuleRadius);
        p.restore();
    }
}
