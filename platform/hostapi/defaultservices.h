#pragma once

#include "hostapi_global.h"

namespace HostApi {

class ServiceLocator;

// Registers the host's implementations of IHotKeyService, IFormulaOutputService,
// IDocTemplateService, IPropertyPageRegistry, IFavoritesService and IThemeService with the
// locator, as its children. An interface that already has an implementation keeps it.
HOSTAPI_EXPORT void installDefaultServices(ServiceLocator *locator);

} // namespace HostApi
