// Dialogs and modal forms answered by providers.
#include "vcl/Dialogs.h"

#include <utility>

namespace vcl {

namespace {

template <typename T>
T& Slot()
{
    static T provider;
    return provider;
}

} // namespace

bool TSaveDialog::Execute()
{
    const test::TSaveDialogProvider provider = Slot<test::TSaveDialogProvider>(); // a copy: it may replace itself
    return RunProvider(provider, *this);
}

bool TOpenDialog::Execute()
{
    const test::TOpenDialogProvider provider = Slot<test::TOpenDialogProvider>();
    return RunProvider(provider, *this);
}

bool TColorDialog::Execute()
{
    const test::TColorDialogProvider provider = Slot<test::TColorDialogProvider>();
    if (!provider) return false;
    // A cancel puts back a colour the provider may have touched.
    const TColor before = color_;
    const bool confirmed = provider(*this);
    if (!confirmed) color_ = before;
    return confirmed;
}

// ---------------------------------------------------------------------------
// Modal forms

TModalResult TForm::ShowModal()
{
    if (modal_) throw EInvalidOperation("The form is already shown modally");
    modalResult_ = mrNone;
    modal_ = true;
    SetVisible(true);
    auto token = AliveToken();
    const test::TModalHandler handler = Slot<test::TModalHandler>();
    TModalResult result = mrNone;
    try {
        if (handler) result = handler(*this);
    } catch (...) {
        if (*token) modal_ = false;
        throw;
    }
    // A handler that freed the form still gets its answer through.
    if (!*token) return result != mrNone ? result : mrCancel;
    if (result == mrNone) result = modalResult_;
    if (result == mrNone) result = mrCancel;
    modalResult_ = result;
    modal_ = false;
    SetVisible(false);
    return result;
}

void TForm::Close()
{
    if (modal_) {
        if (modalResult_ == mrNone) modalResult_ = mrCancel;
        return;
    }
    SetVisible(false);
}

namespace test {

void SetSaveDialogProvider(TSaveDialogProvider Provider) { Slot<TSaveDialogProvider>() = std::move(Provider); }
void SetOpenDialogProvider(TOpenDialogProvider Provider) { Slot<TOpenDialogProvider>() = std::move(Provider); }
void SetColorDialogProvider(TColorDialogProvider Provider) { Slot<TColorDialogProvider>() = std::move(Provider); }
void SetModalHandler(TModalHandler Handler) { Slot<TModalHandler>() = std::move(Handler); }

} // namespace test

} // namespace vcl
