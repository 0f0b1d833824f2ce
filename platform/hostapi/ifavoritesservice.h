#pragma once

#include <QList>
#include <QObject>

class Document;

namespace HostApi {

// Documents the user keeps in the host's favourites list.
class IFavoritesService
{
public:
    virtual ~IFavoritesService() = default;

    // Adds a document once; a destroyed document leaves the list by itself.
    virtual void addDocument(Document *document) = 0;
    virtual void removeDocument(Document *document) = 0;
    virtual bool contains(Document *document) const = 0;
    virtual QList<Document *> documents() const = 0;
};

} // namespace HostApi

Q_DECLARE_INTERFACE(HostApi::IFavoritesService, "com.quorvex.corvodesk.IFavoritesService/1.0")
