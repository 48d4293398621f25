// The program's own drawings: the face-framing norm mask and the placeholder portrait.
#include "app/Drawings.h"

#include <QPainter>
#include <QPainterPath>

QImage NormMaskDrawing()
{
    QImage mask(156, 205, QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter p(&mask);
    // Eye band between the rows 58 and 102, light orange.
    p.fillRect(QRect(1, 59, 154, 43), QColor(255, 214, 160));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Qt::black, 1.5));
    // Face oval: about 100 pixels wide, from the top of the head to the chin, centred on column 79.
    p.drawEllipse(QRectF(79.5 - 50, 18.5, 100, 151));
    // Shoulders: two curves falling from the neck to the lower corners.
    QPainterPath shoulders;
    shoulders.moveTo(62, 170);
    shoulders.cubicTo(55, 186, 20, 188, 1, 204);
    shoulders.moveTo(97, 170);
    shoulders.cubicTo(104, 186, 139, 188, 155, 204);
    p.drawPath(shoulders);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(79, 1, 79, 203);
    for (const int row : { 18, 58, 102, 169, 170 })
        p.drawLine(1, row, 154, row);
    p.drawRect(0, 0, 155, 204);
    return mask;
}

QImage PlaceholderPicture()
{
    QImage picture(119, 157, QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(176, 184, 196));
    QPainterPath body;
    body.moveTo(6, 157);
    body.cubicTo(8, 122, 30, 112, 59.5, 110);
    body.cubicTo(89, 112, 111, 122, 113, 157);
    body.closeSubpath();
    p.drawPath(body);
    p.drawRect(QRectF(50, 88, 19, 26));  // neck
    p.setBrush(QColor(150, 160, 174));
    p.drawEllipse(QRectF(32, 24, 55, 72));  // head
    return picture;
}
