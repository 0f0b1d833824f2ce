#include "defaultservices.h"

#include "doctemplateservice.h"
#include "favoritesservice.h"
#include "formulaoutputservice.h"
#include "hotkeyservice.h"
#include "logservice.h"
#include "propertypageregistry.h"
#include "servicelocator.h"
#include "themeservice.h"

namespace HostApi {

namespace {

template <class Interface, class Implementation>
void install(ServiceLocator *locator)
{
    if (!locator->hasService<Interface>())
        locator->registerService<Interface>(new Implementation(locator));
}

} // namespace

void installDefaultServices(ServiceLocator *locator)
{
    HOSTAPI_ASSERT(0 != locator, return);
    install<IHotKeyService, HotKeyService>(locator);
    install<IFormulaOutputService, FormulaOutputService>(locator);
    install<IDocTemplateService, DocTemplateService>(locator);
    install<IPropertyPageRegistry, PropertyPageRegistry>(locator);
    install<IFavoritesService, FavoritesService>(locator);
    install<IThemeService, ThemeService>(locator);
}

} // namespace HostApi
