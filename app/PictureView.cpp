// TPictureView: the main window's picture area.
#include "app/PictureView.h"

#include "sheet/Resample.h"

#include <QPainter>

TPictureView::TPictureView(QWidget* parent) : QWidget(parent) { }

void TPictureView::SetPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void TPictureView::SetScaleMode(ScaleMode mode)
{
    m_mode = mode;
    update();
}

QRect TPictureView::PictureRect() const
{
    // The same fitting as the printed photo, so what the user sees is what is printed.
    return PhotoTarget(size(), m_picture.size(), m_mode == ScaleMode::Stretch);
}

void TPictureView::SetLayer(const QImage& bitmap, const QRect& rect, int opacity)
{
    m_layer = bitmap;
    m_layerRect = rect;
    m_layerOpacity = opacity;
    update();
}

void TPictureView::SetLayerVisible(bool visible)
{
    m_layerVisible = visible;
    update();
}

QImage TPictureView::Rendered() const
{
    QImage image(size(), QImage::Format_ARGB32);
    QPainter painter(&image);
    Draw(painter);
    return image;
}

void TPictureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    Draw(painter);
}

void TPictureView::Draw(QPainter& painter) const
{
    painter.fillRect(rect(), palette().button());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_picture.isNull())
        painter.drawImage(PictureRect(), m_picture);
    if (m_layerVisible && !m_layer.isNull()) {
        painter.setOpacity(m_layerOpacity / 255.0);
        painter.drawImage(m_layerRect, m_layer);
    }
}
