// PictureBox: a picture control that stays sharp at any display scale. Its
// source is drawn at twice the shown size or more; each paint uses a copy
// scaled once, smoothly, to the pixels the control really covers. The source
// is read at the first paint, at no more resolution than that paint needs.
#pragma once

#include <QFrame>
#include <QImage>
#include <QPixmap>

namespace tavik {

class PictureBox : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString source READ source WRITE setSource)

public:
    explicit PictureBox(QWidget *parent = nullptr);

    QString source() const { return m_source; }
    // A picture file or resource path; the picture fills the space inside the frame.
    void setSource(const QString &path);

signals:
    // A left-button press and the release that ends it, both inside the
    // picture; a release after a press that began elsewhere is no click.
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    const QImage &picture(qreal ratio);

    QString m_source;
    QImage m_image;
    bool m_readForHalf = false; // whether m_image was read for a ratio below 1.5
    QPixmap m_scaled;
    bool m_pressed = false; // a left-button press began inside and has not ended
};

} // namespace tavik
