#include "imageiconengine.h"

#include <QPixmap>

void ImageIconEngine::addImage(const QImage &image, QIcon::Mode mode, QIcon::State state)
{
    m_entries.append(Entry{image, mode, state});
    m_pixmapIcon = QIcon();
}

void ImageIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
                            QIcon::State state)
{
    pixmapIcon().paint(painter, rect, Qt::AlignCenter, mode, state);
}

QSize ImageIconEngine::actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return pixmapIcon().actualSize(size, mode, state);
}

QPixmap ImageIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return pixmapIcon().pixmap(size, mode, state);
}

void ImageIconEngine::addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state)
{
    addImage(pixmap.toImage(), mode, state);
}

QString ImageIconEngine::key() const
{
    return QStringLiteral("ImageIconEngine");
}

QIconEngine *ImageIconEngine::clone() const
{
    return new ImageIconEngine(*this);
}

QList<QSize> ImageIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) const
{
    QList<QSize> sizes;
    for (const Entry &entry : m_entries) {
        if (entry.mode == mode && entry.state == state && !sizes.contains(entry.image.size()))
            sizes.append(entry.image.size());
    }
    return sizes;
}

void ImageIconEngine::virtual_hook(int id, void *data)
{
    if (id == IsNullHook) {
        *static_cast<bool *>(data) = m_entries.isEmpty();
        return;
    }
    QIconEngine::virtual_hook(id, data);
}

const QIcon &ImageIconEngine::pixmapIcon()
{
    if (m_pixmapIcon.isNull()) {
        for (const Entry &entry : m_entries)
            m_pixmapIcon.addPixmap(QPixmap::fromImage(entry.image), entry.mode, entry.state);
    }
    return m_pixmapIcon;
}
