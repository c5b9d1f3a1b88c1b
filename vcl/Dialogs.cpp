#include "vcl/Dialogs.h"

#include <utility>

namespace vcl {

namespace {

test::TSaveDialogProvider& SaveProvider()
{
    static test::TSaveDialogProvider provider;
    return provider;
}

} // namespace

TSaveDialog::TSaveDialog(TComponent* AOwner) : TComponent(AOwner) {}

bool TSaveDialog::Execute()
{
    extendedError_ = 0;
    const test::TSaveDialogProvider provider = SaveProvider(); // a copy: the provider may replace itself
    if (!provider) return false;
    uint32_t code = 0;
    const bool confirmed = provider(*this, code);
    if (code != 0) {
        extendedError_ = code;
        return false;
    }
    return confirmed;
}

namespace test {

void SetSaveDialogProvider(TSaveDialogProvider Provider) { SaveProvider() = std::move(Provider); }

} // namespace test

} // namespace vcl
