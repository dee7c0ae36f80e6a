#pragma once

#include <QColor>
#include <QImage>

// Whether a grabbed widget shows any strongly red pixel (text drawn in red).
inline bool hasRedPixels(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 80 && c.blue() < 80)
                return true;
        }
    return false;
}
