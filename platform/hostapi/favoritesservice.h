#pragma once

#include "hostapi_global.h"
#include "ifavoritesservice.h"

#include <QList>
#include <QObject>

namespace HostApi {

// The host's favourites list.
class HOSTAPI_EXPORT FavoritesService : public QObject, public IFavoritesService
{
    Q_OBJECT
    Q_INTERFACES(HostApi::IFavoritesService)

public:
    explicit FavoritesService(QObject *parent = nullptr);

    void addDocument(Document *document) override;
    void removeDocument(Document *document) override;
    bool contains(Document *document) const override { return m_documents.contains(document); }
    QList<Document *> documents() const override { return m_documents; }

signals:
    void changed();

private:
    QList<Document *> m_documents;
};

} // namespace HostApi
