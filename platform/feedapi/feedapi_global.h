#pragma once

#include <QtCore/qglobal.h>

#if defined(FEEDAPI_LIBRARY)
#  define FEEDAPI_EXPORT Q_DECL_EXPORT
#else
#  define FEEDAPI_EXPORT Q_DECL_IMPORT
#endif
