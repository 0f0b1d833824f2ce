#pragma once

#include <QColor>
#include <QList>

class QWidget;

namespace HostApi {

// How the host prints a document.
struct PrintOptions
{
    bool printTitle = true;        // the document's title above the content
    bool fitToPage = true;         // content scaled down to the page's width
    QColor background = Qt::white;
};

// What a document tells the host's printing: widgets to print besides its own output, and
// the print options. The order of the virtuals is the host's and must not change.
class IPrintObjectsProvider
{
public:
    virtual QList<QWidget *> printObjects() const = 0;
    virtual PrintOptions printOptions() const = 0;
    virtual ~IPrintObjectsProvider() = default;
};

} // namespace HostApi
