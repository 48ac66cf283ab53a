#include "tools/settings_engine.h"

#include "core/number_text.h"
#include "core/picture_file.h"

namespace tools {

bool ApplySettings(const SettingsEntries& entries, raster::TImage& image, SettingsView& view,
                   const std::string& bmp_path) {
    if (entries.apply_size) {
        // Both boxes are checked before giving up, so the user hears about
        // each empty one and the focus ends in the last of them.
        bool missing = false;
        if (core::TrimBlanks(entries.width_text).empty()) {
            view.ShowMessage(kSizeMissing);
            view.FocusWidth();
            missing = true;
        }
        if (core::TrimBlanks(entries.height_text).empty()) {
            view.ShowMessage(kSizeMissing);
            view.FocusHeight();
            missing = true;
        }
        if (missing) return false;

        // The texts as typed: a trailing blank is rejected by the conversion.
        // A bad height leaves the width already applied.
        image.SetWidth(core::ParseWhole(entries.width_text));
        image.SetHeight(core::ParseWhole(entries.height_text));
    }
    image.SetProportional(entries.proportional);
    image.Refresh();
    core::SavePictureToFile(image.Picture, bmp_path);
    return true;
}

}  // namespace tools
