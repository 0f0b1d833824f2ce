#include "favoritesservice.h"

#include "document.h"
#include "logservice.h"

namespace HostApi {

FavoritesService::FavoritesService(QObject *parent)
    : QObject(parent)
{
}

void FavoritesService::addDocument(Document *document)
{
    HOSTAPI_ASSERT(0 != document, return);
    if (m_documents.contains(document))
        return;
    m_documents.append(document);
    // The document pointer is only compared, never used, once the document is being destroyed.
    connect(document, &QObject::destroyed, this, [this, document] {
        if (m_documents.removeOne(document))
            emit changed();
    });
    emit changed();
}

void FavoritesService::removeDocument(Document *document)
{
    if (!m_documents.removeOne(document))
        return;
    disconnect(document, &QObject::destroyed, this, nullptr);
    emit changed();
}

} // namespace HostApi
