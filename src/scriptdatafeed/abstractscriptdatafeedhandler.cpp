#include "abstractscriptdatafeedhandler.h"

AbstractScriptDatafeedHandler::AbstractScriptDatafeedHandler(const QString &type,
                                                             QObject *parent)
    : QObject(parent)
    , m_type(type)
{
}
