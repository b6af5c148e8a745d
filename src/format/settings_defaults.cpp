#include "format/settings_defaults.h"

namespace vantrel {

void ApplySilentModeFlags(Settings& s) {
    s.productFlagsLow = (s.productFlagsLow & product_flags::kSilentLowKeep) | product_flags::kSilentLowSet;
    s.productFlagsHigh =
        (s.productFlagsHigh & product_flags::kSilentHighKeep) | product_flags::kSilentHighSet;
}

std::uint32_t ProductFlags2ForPlatform(std::uint32_t productFlags2, bool olderThanXp) {
    return olderThanXp ? productFlags2 & ~product_flags2::kButtonImages : productFlags2;
}

void ApplyFieldDefault(Settings& s, int field, const std::wstring& productNameOverride) {
    auto orProduct = [&s](std::wstring& text) {
        if (text.empty())
            text = s.productName;
    };
    switch (field) {
        case 11:
            if (!productNameOverride.empty())
                s.productName = productNameOverride;
            break;
        case 12:
            orProduct(s.displayProductName);
            break;
        case 15:
            if (s.sharedFolderName.empty())
                s.sharedFolderName = s.companyName.empty() ? s.productName : s.companyName;
            break;
        case 17:
            orProduct(s.startMenuFolder);
            break;
        case 32:
            orProduct(s.uninstallKeyName);
            break;
        case 47:
            if (s.productFlagsHigh & product_flags::kDesktopFolderDefaultsToProduct)
                orProduct(s.desktopFolder);
            break;
        default:
            break;
    }
}

}  // namespace vantrel
