// Resampling a picture into the photo bitmap: bilinear, with a support that widens when shrinking.
#pragma once

#include <QImage>
#include <QRect>

// Draws `picture` (32-bit) into `target` of `destination` (ARGB32, same bitmap size as before), resampled
// with a triangle filter: bilinear when enlarging, averaging over every source pixel when shrinking, so a
// 24-megapixel picture reduced to a photo does not alias. Pixels outside `target` are left untouched.
void ResampleInto(QImage& destination, const QRect& target, const QImage& picture);

// Where the picture goes in a photo of `photoSize`: the whole bitmap when stretching, else the largest
// rectangle of the picture's proportions anchored at the top-left corner (sides taken to the nearest
// integer, ties to even).
QRect PhotoTarget(QSize photoSize, QSize pictureSize, bool stretch);

// Paints the photo as the print command does: opaque white, then the picture into PhotoTarget.
void FillPhoto(QImage& photo, const QImage& picture, bool stretch);
