// TPictureView: the main window's picture area, a picture with one semi-transparent layer over it.
#pragma once

#include <QImage>
#include <QWidget>

// Shows one 32-bit picture anchored at the top-left corner, stretched to the whole area or with its
// proportions kept, smoothed (bilinear) whenever it is drawn scaled, on the button-face colour. One
// bitmap layer can lie over it at a fixed rectangle with a master opacity. User-interface thread only.
class TPictureView : public QWidget {
    Q_OBJECT

public:
    enum class ScaleMode { Stretch, Resize };

    explicit TPictureView(QWidget* parent = nullptr);

    void SetPicture(const QImage& picture);
    const QImage& Picture() const { return m_picture; }
    void SetScaleMode(ScaleMode mode);
    ScaleMode Mode() const { return m_mode; }
    // Where the picture is drawn: the whole area when stretching, else the largest rectangle of the
    // picture's proportions at the top-left corner (sides taken to the nearest integer, ties to even).
    QRect PictureRect() const;

    // The layer: `bitmap` drawn into `rect` at `opacity` out of 255, shown only while visible.
    void SetLayer(const QImage& bitmap, const QRect& rect, int opacity);
    void SetLayerVisible(bool visible);
    bool LayerVisible() const { return m_layerVisible; }
    QRect LayerRect() const { return m_layerRect; }

    // The area as it looks now, for tests and screenshots.
    QImage Rendered() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Draw(QPainter& painter) const;

    QImage m_picture;
    ScaleMode m_mode = ScaleMode::Stretch;
    QImage m_layer;
    QRect m_layerRect;
    int m_layerOpacity = 255;
    bool m_layerVisible = false;
};
