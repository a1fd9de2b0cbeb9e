#include "appearance/picturebox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <cmath>

namespace tavik {

PictureBox::PictureBox(QWidget *parent) : QFrame(parent) {}

void PictureBox::setSource(const QString &path)
{
    m_source = path;
    m_image = QImage(path);
    m_scaled = QPixmap();
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect target = contentsRect();
    if (!m_image.isNull() && !target.isEmpty()) {
        // The device transform carries the scale of whatever is painted on:
        // the screen's ratio, or a grab's.
        const qreal ratio = std::max<qreal>(1, std::abs(painter.deviceTransform().m11()));
        const QSize pixels(qRound(target.width() * ratio), qRound(target.height() * ratio));
        if (m_scaled.size() != pixels) {
            m_scaled = QPixmap::fromImage(
                m_image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
        m_scaled.setDevicePixelRatio(ratio);
        painter.drawPixmap(target.topLeft(), m_scaled);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = target.adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        emit clicked();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}

} // namespace tavik
