#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

namespace HostApi {

class PropertyPage;

// The pages of the host's property dialog, by id.
class IPropertyPageRegistry
{
public:
    virtual ~IPropertyPageRegistry() = default;

    // Takes ownership of page in every case. A page whose id is empty or already registered
    // is refused (assertion report, the page is deleted) and gives false.
    virtual bool registerPage(const QByteArray &id, PropertyPage *page) = 0;
    // The page of that id, or null.
    virtual PropertyPage *page(const QByteArray &id) const = 0;
    // Every page id in registration order.
    virtual QList<QByteArray> pageIds() const = 0;
};

} // namespace HostApi

Q_DECLARE_INTERFACE(HostApi::IPropertyPageRegistry,
                    "com.quorvex.corvodesk.IPropertyPageRegistry/1.0")
