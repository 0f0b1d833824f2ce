#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QImage>
#include <QVector>

// An icon engine over decoded images. Holding images instead of pixmaps lets icons be built
// without a GUI application (the command-line tools read manifests too); the pixmaps are made
// on first paint, by a standard pixmap icon, which also derives missing modes.
class ImageIconEngine : public QIconEngine
{
public:
    void addImage(const QImage &image, QIcon::Mode mode, QIcon::State state = QIcon::Off);

    // reimplemented from QIconEngine
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
               QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    void addPixmap(const QPixmap &pixmap, QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine *clone() const override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) const override;
    void virtual_hook(int id, void *data) override;

private:
    struct Entry
    {
        QImage image;
        QIcon::Mode mode;
        QIcon::State state;
    };

    // The pixmap icon of the images; needs a GUI application.
    const QIcon &pixmapIcon();

    QVector<Entry> m_entries;
    QIcon m_pixmapIcon;
};
