#include <QtCore/qglobal.h>

// Answered to hosts that verify a plug-in before loading it.
extern "C" Q_DECL_EXPORT const char *qt_plugin_query_verification_data()
{
    return "pattern=QT_PLUGIN_VERIFICATION_DATA\nversion=4.7.4\ndebug=false\n"
           "buildkey=Windows msvc release full-config";
}
