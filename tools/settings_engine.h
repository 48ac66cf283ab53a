#pragma once
// Applying the display size settings dialog.
#include <string>

#include "raster/timage.h"

namespace tools {

struct SettingsEntries {
    bool apply_size = false;    // CheckBox2
    std::string width_text;     // Edit3
    std::string height_text;    // Edit4
    bool proportional = false;  // CheckBox1
};

class SettingsView {
  public:
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void FocusWidth() = 0;   // Edit3
    virtual void FocusHeight() = 0;  // Edit4

  protected:
    ~SettingsView() = default;
};

inline constexpr const char* kSizeMissing = "サイズが指定されていません。";

// Returns true when the settings were applied and "tmp.bmp" (or `bmp_path`)
// written, so the dialog closes; false when a box was empty. Conversion and
// save failures are thrown.
bool ApplySettings(const SettingsEntries& entries, raster::TImage& image, SettingsView& view,
                   const std::string& bmp_path = "tmp.bmp");

}  // namespace tools
