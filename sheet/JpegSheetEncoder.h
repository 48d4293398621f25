// Encoding a sheet page as a baseline JPEG, split across the processor's cores.
#pragma once

#include "sheet/SheetRenderer.h"

#include <QIODevice>

#include <stdexcept>

class JpegEncodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the page of `renderer` to `device` as one baseline JPEG at quality 90 with the page's
// resolution as its JFIF density. `threads` slices are encoded at once (0: one per core). The decoded
// pixels are the same whatever the number of slices. Throws JpegEncodeError.
void WriteJpegSheet(QIODevice& device, const SheetRenderer& renderer, int threads = 0);
