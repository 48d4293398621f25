// The program's own drawings: the face-framing norm mask and the placeholder portrait.
#pragma once

#include <QImage>

// The 35 x 45 mm norm mask, 156 x 205 pixels on white: frame, centre line, head, eye-band and chin
// lines, the face oval and the shoulders.
QImage NormMaskDrawing();
// A generic head and shoulders on white, 119 x 157 pixels, shown before a picture is loaded.
QImage PlaceholderPicture();
