#pragma once

#include "compoundobject.h"
#include "hostapi_global.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The root object of a document's object tree: what the host's property dialog shows for
// the document, titled by pageTitle() and made of the registered property pages listed here.
class HOSTAPI_EXPORT InteractiveObject : public CompoundObject
{
public:
    QString pageTitle() const { return m_pageTitle; }
    void setPageTitle(const QString &title) { m_pageTitle = title; }

    // Ids of IPropertyPageRegistry pages, in the order the dialog shows them; an id is
    // listed once.
    QList<QByteArray> propertyPages() const { return m_propertyPages; }
    void addPropertyPage(const QByteArray &pageId);

private:
    QString m_pageTitle;
    QList<QByteArray> m_propertyPages;
};
