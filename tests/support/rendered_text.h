#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStringList>

namespace vistrel::testing {

// Lines of text as a screenshot shows them: antialiased, one line every 1.6 pixel sizes.
inline QImage RenderedText(const QStringList &lines, const QString &family, int pixelSize, bool darkGround = false)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    const int lineStep = pixelSize * 8 / 5;
    QImage image(pixelSize * 36, lineStep * (static_cast<int>(lines.size()) + 1), QImage::Format_RGB32);
    image.fill(darkGround ? QColor(30, 30, 36) : QColor(250, 250, 250));
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(darkGround ? QColor(235, 235, 235) : QColor(20, 20, 20));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(pixelSize, lineStep * (i + 1), lines[i]);
    return image;
}

} // namespace vistrel::testing
