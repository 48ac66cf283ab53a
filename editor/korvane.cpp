#include "editor/korvane.h"

#include "editor/tform1.h"
#include "ui/program_setup.h"

namespace korvane {

std::unique_ptr<ui::ProgramWindows> CreateWindows(const QStringList& arguments) {
    ui::UseProgramIcon(QStringLiteral("korvane"));
    return std::make_unique<ui::ProgramWindows>([] { return std::make_unique<TForm1>(); },
                                                core::DxfVariant::Editor, arguments);
}

TForm1& Form1(ui::ProgramWindows& windows) { return static_cast<TForm1&>(windows.Form1()); }

}  // namespace korvane
