#pragma once

#include "hostapi/Shell.h"

#include <string>

namespace zelvant {

// What the product information window says, word for word.
namespace info {
inline constexpr const char* kCaption = "Zelvant Info";
inline constexpr const char* kTitle = "Zelvant (Version 1.0.0033)";
inline constexpr const char* kDescription =
    "COM Addin zur Synchronisierung von Project Tasks und Outlook Terminen.";
inline constexpr const char* kLinkIntro = "Eine Beschreibung dieses Addins finden Sie unter";
inline constexpr const char* kRights = "\u00A9 2026 Zelvant";
inline constexpr const char* kOkCaption = "OK";
inline constexpr const char* kOkToolTip = "Klicken Sie hier, um den Dialog zu verlassen.";
// The maker's web site, behind the logo.
inline constexpr const char* kMakerAddress = "https://zelvant.example";
// The product's description page, shown as the link.
inline constexpr const char* kProductAddress = "https://zelvant.example/produkt";
} // namespace info

// The behaviour of the information window without any toolkit: the link's underline follows
// the mouse, and the logo and the link open their addresses in the browser. A failed link
// opens nothing and reports nothing.
class InfoDialogLogic {
public:
    // `logoTag` is the address behind the logo, `linkCaption` the address the link shows.
    explicit InfoDialogLogic(Shell& shell, std::string logoTag = info::kMakerAddress,
                             std::string linkCaption = info::kProductAddress);

    // The address behind the logo.
    const std::string& logoTag() const { return logoTag_; }
    // The address the link shows and opens.
    const std::string& linkCaption() const { return linkCaption_; }
    // Whether the link is drawn underlined.
    bool linkUnderlined() const { return underlined_; }

    // The mouse is over the link; returns true when the underline was switched on just now.
    bool mouseOverLink();
    // The mouse is over the window outside the link; returns true when the underline went off.
    bool mouseOverForm();

    // The logo was clicked: opens the maker's site; returns whether the shell took it.
    bool clickLogo();
    // The link was clicked: opens the address it shows; returns whether the shell took it.
    bool clickLink();

private:
    Shell& shell_;
    std::string logoTag_;
    std::string linkCaption_;
    bool underlined_ = false;
};

} // namespace zelvant
