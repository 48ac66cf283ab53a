#include "ui/program_windows.h"

#include <QApplication>

#include "ui/image_access.h"
#include "ui/tform4.h"
#include "ui/tfrm_settei.h"
#include "ui/tfrm_size.h"
#include "ui/tfrm_trase.h"

namespace ui {

QFont ProgramWindows::ProgramFont() {
    QFont font;
    // The designed face first; the Noto face stands in where it is missing.
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP")});
    font.setPixelSize(12);
    return font;
}

ProgramWindows::ProgramWindows(const FrameFactory& make_form1, core::DxfVariant variant,
                               const QStringList& arguments) {
    QApplication::setFont(ProgramFont());
    // The dialogs reach the picture through the drawing window, which is
    // created after the settings dialog; the access is resolved when used.
    const ImageAccess image = [this]() -> raster::TImage& { return form4_->Document().Image1; };

    form1_ = make_form1();
    form1_->FormCreate(arguments);
    settei_ = std::make_unique<TFrmSettei>(image, form1_.get());
    form4_ = std::make_unique<TForm4>(variant);
    size_ = std::make_unique<TFrmSize>(image, form1_.get());
    trase_ = std::make_unique<TFrmTrase>(image, form1_.get());
    form1_->Attach(form4_.get(), settei_.get(), size_.get(), trase_.get());
}

ProgramWindows::~ProgramWindows() {
    trase_.reset();
    size_.reset();
    form4_.reset();
    settei_.reset();
    form1_.reset();
}

void ProgramWindows::Show() { form1_->show(); }

}  // namespace ui
