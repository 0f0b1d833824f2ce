#pragma once

#include <QString>

namespace HostApi {
class DocTemplate;
}

// The registered document template a user names on the command line or in a workspace: its
// template id ("webplugin_bridge-tour"), or the id of its web plug-in ("bridge-tour"), whose
// template id is "webplugin_" followed by the id in lower case. Null when none matches.
HostApi::DocTemplate *findDocTemplate(const QString &id);
