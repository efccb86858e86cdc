#include "forms/InfoDialogLogic.h"

#include "services/OpenLink.h"

#include <utility>

namespace zelvant {

InfoDialogLogic::InfoDialogLogic(Shell& shell, std::string logoTag, std::string linkCaption)
    : shell_(shell), logoTag_(std::move(logoTag)), linkCaption_(std::move(linkCaption))
{
}

bool InfoDialogLogic::mouseOverLink()
{
    // Only the first movement over the link changes anything; the rest would just restyle it.
    if (underlined_)
        return false;
    underlined_ = true;
    return true;
}

bool InfoDialogLogic::mouseOverForm()
{
    if (!underlined_)
        return false;
    underlined_ = false;
    return true;
}

bool InfoDialogLogic::clickLogo()
{
    return OpenLink(logoTag_, shell_);
}

bool InfoDialogLogic::clickLink()
{
    return OpenLink(linkCaption_, shell_);
}

} // namespace zelvant
