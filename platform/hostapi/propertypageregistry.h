#pragma once

#include "hostapi_global.h"
#include "ipropertypageregistry.h"

#include <QHash>
#include <QList>
#include <QObject>

namespace HostApi {

// The host's property pages; deletes them with itself.
class HOSTAPI_EXPORT PropertyPageRegistry : public QObject, public IPropertyPageRegistry
{
    Q_OBJECT
    Q_INTERFACES(HostApi::IPropertyPageRegistry)

public:
    explicit PropertyPageRegistry(QObject *parent = nullptr);
    ~PropertyPageRegistry() override;

    bool registerPage(const QByteArray &id, PropertyPage *page) override;
    PropertyPage *page(const QByteArray &id) const override { return m_pages.value(id); }
    QList<QByteArray> pageIds() const override { return m_ids; }

private:
    QList<QByteArray> m_ids;
    QHash<QByteArray, PropertyPage *> m_pages;
};

} // namespace HostApi
