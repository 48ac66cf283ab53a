#include "viewer/morlid.h"

#include "ui/program_setup.h"
#include "viewer/tform1.h"

namespace morlid {

std::unique_ptr<ui::ProgramWindows> CreateWindows(const QStringList& arguments) {
    ui::UseProgramIcon(QStringLiteral("morlid"));
    return std::make_unique<ui::ProgramWindows>([] { return std::make_unique<TForm1>(); },
                                                core::DxfVariant::Viewer, arguments);
}

TForm1& Form1(ui::ProgramWindows& windows) { return static_cast<TForm1&>(windows.Form1()); }

}  // namespace morlid
