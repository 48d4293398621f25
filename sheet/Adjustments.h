// Picture adjustments on 32-bit ARGB pixels: greyscale, sepia and the quarter turn.
#pragma once

#include <QImage>
#include <QRgb>

// Integer greyscale: I = (61 R + 174 G + 21 B) >> 8, alpha 255.
QRgb GreyPixel(QRgb pixel);
// Sepia tone, each channel taken to the nearest integer (ties to even) and capped at 255, alpha 255.
QRgb SepiaPixel(QRgb pixel);

// Applies a pixel function to every pixel of a 32-bit picture in place.
void ApplyGreyscale(QImage& picture);
void ApplySepia(QImage& picture);
// A quarter turn clockwise: W x H becomes H x W and pixel (x, y) moves to (H - 1 - y, x).
QImage RotateQuarter(const QImage& picture);
