#pragma once

#include "feedapi_global.h"

#include <QCoreApplication>
#include <QString>

namespace FeedApi { class ErrorResponse; }

// The host's texts for the data library's errors.
class FEEDAPI_EXPORT FeedApiErrorsHelper
{
    Q_DECLARE_TR_FUNCTIONS(FeedApiErrorsHelper)

public:
    // The text for the response's error code; a code the host does not know is named by its
    // number.
    static QString errorString(const FeedApi::ErrorResponse &error);
};
