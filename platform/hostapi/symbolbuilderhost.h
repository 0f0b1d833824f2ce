#pragma once

#include "hostapi_global.h"

#include <QByteArray>
#include <QObject>

namespace HostApi {

// Composes symbols for a symbol input. A built symbol is offered through symbolBuilt().
class HOSTAPI_EXPORT SymbolBuilderHost : public QObject
{
    Q_OBJECT

public:
    explicit SymbolBuilderHost(QObject *parent = nullptr);

    // With automatic alias assignment a continuous futures symbol is offered for a root
    // without expiry.
    bool aliasesAutoAssign() const { return m_aliasesAutoAssign; }
    void setAliasesAutoAssign(bool on) { m_aliasesAutoAssign = on; }

    // Shows the builder; it emits symbolBuilt() when the user confirms.
    virtual void showBuilder() = 0;

signals:
    void symbolBuilt(const QByteArray &symbol);

private:
    bool m_aliasesAutoAssign = false;
};

} // namespace HostApi
