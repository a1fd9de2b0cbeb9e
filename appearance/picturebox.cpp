#include "appearance/picturebox.h"

#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <cmath>
#include <utility>

namespace tavik {

PictureBox::PictureBox(QWidget *parent) : QFrame(parent) {}

void PictureBox::setSource(const QString &path)
{
    m_source = path;
    // Decoded at the first paint, at the resolution that paint needs.
    m_image = QImage();
    m_scaled = QPixmap();
    update();
}

const QImage &PictureBox::picture(qreal ratio)
{
    // A source holds twice the shown size's pixels. Below a ratio of 1.5 its
    // half carries all the detail the screen can show, and where the format
    // scales while decoding (a JPEG, from its compressed blocks) that half
    // costs a fraction of the full picture's time and memory.
    const bool half = ratio < 1.5;
    if (m_image.isNull() || m_readForHalf != half) {
        m_readForHalf = half;
        QImageReader reader(m_source);
        const QSize full = reader.size();
        if (half && full.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize))
            reader.setScaledSize(full / 2);
        m_image = reader.read();
    }
    return m_image;
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect target = contentsRect();
    if (!m_source.isEmpty() && !target.isEmpty()) {
        // The device transform carries the scale of whatever is painted on:
        // the screen's ratio, or a grab's.
        const qreal ratio = std::max<qreal>(1, std::abs(painter.deviceTransform().m11()));
        const QSize pixels(qRound(target.width() * ratio), qRound(target.height() * ratio));
        if (m_scaled.size() != pixels) {
            const QImage &source = picture(ratio);
            if (!source.isNull())
                m_scaled = QPixmap::fromImage(source.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        }
        if (!m_scaled.isNull()) {
            m_scaled.setDevicePixelRatio(ratio);
            painter.drawPixmap(target.topLeft(), m_scaled);
        }
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = target.adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        m_pressed = true;
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && std::exchange(m_pressed, false)) {
        event->accept();
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}

void PictureBox::hideEvent(QHideEvent *event)
{
    // A press whose release a hidden picture never sees does not carry over.
    m_pressed = false;
    QFrame::hideEvent(event);
}

} // namespace tavik
