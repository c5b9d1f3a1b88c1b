// TUnivSaveDialog: a file name to save to, through the platform's save
// dialog or the application's own events, with the overwrite question.
#include <sys/stat.h>

#include <cstdio>

#include "corekit/PYX_filesys.h"
#include "corekit/PYX_streams.h"
#include "corekit/internal/FileSys.h"
#include "vcl/Dialogs.h"

namespace PYX_filesys {

namespace {

constexpr TModalResult kOK = 1;
constexpr TModalResult kCancel = 2;
constexpr TModalResult kYes = 6;
constexpr TModalResult kNo = 7;

// Name with its last extension replaced by Ext (only the file-name part is
// looked at; a leading dot does not start an extension).
std::string ReplaceLastExtension(const std::string& Name, const std::string& Ext)
{
    const std::size_t sep = Name.find_last_of("\\/:");
    const std::size_t start = sep == std::string::npos ? 0 : sep + 1;
    const std::size_t dot = Name.rfind('.');
    const std::string stem = (dot != std::string::npos && dot > start) ? Name.substr(0, dot) : Name;
    return stem + "." + Ext;
}

} // namespace

TUnivSaveDialog::TUnivSaveDialog(vcl::TComponent* AOwner) : vcl::TComponent(AOwner) {}

void TUnivSaveDialog::Fail(const std::string& What) const
{
    throw EPYXFileSysError("Component \"" + GetName() + "\": " + What);
}

std::string TUnivSaveDialog::ExtractParamAsString(std::string_view Name) const
{
    return PYX_streams::ScanForXMLAttrib(parameters_, Name);
}

int32_t TUnivSaveDialog::ExtractParamAsInt(std::string_view Name) const
{
    const std::string v = ExtractParamAsString(Name);
    if (v.empty()) Fail(std::string(Name) + " is not specified in property Parameters");
    int32_t pos = 1;
    return PYX_streams::ScanDecimal(v, pos);
}

double TUnivSaveDialog::ExtractParamAsDouble(std::string_view Name) const
{
    const std::string v = ExtractParamAsString(Name);
    if (v.empty()) Fail(std::string(Name) + " is not specified in property Parameters");
    int32_t pos = 1;
    return static_cast<double>(PYX_streams::ScanFPNum(v, true, 3, pos));
}

TModalResult TUnivSaveDialog::RunStandardDialog()
{
    vcl::TSaveDialog dlg(nullptr);
    dlg.SetFilter(ExtractParamAsString("filter"));
    dlg.SetTitle(ExtractParamAsString("caption"));
    dlg.SetInitialDir(ExtractParamAsString("initialdir"));
    dlg.SetFileName(fileName_);
    const bool confirmed = dlg.Execute();
    if (!confirmed && dlg.ExtendedError() != 0) {
        char code[8];
        std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(dlg.ExtendedError() & 0xFFFF));
        Fail(std::string("Error in standard dialog (errnum = $") + code + ").");
    }
    if (!confirmed) return kCancel;
    fileName_ = dlg.GetFileName();
    // The wanted extension replaces the last one only: a name such as
    // 'data.2024.csv' keeps its other dots and never turns into another file.
    const std::string ext = ExtractParamAsString("ext");
    if (!ext.empty()) fileName_ = ReplaceLastExtension(fileName_, ext);
    return kOK;
}

bool TUnivSaveDialog::Execute()
{
    for (;;) {
        TModalResult action = kCancel;
        if (useStandardDialog_) {
            action = RunStandardDialog();
        } else {
            if (!OnFileSelect) Fail("File select dialog is not assigned");
            OnFileSelect(this, parameters_, action, fileName_);
        }
        if (action != kOK) return false;

        bool exists = false;
        if (useStandardDialog_) {
            struct stat st;
            exists = ::lstat(detail::NativePath(fileName_).c_str(), &st) == 0;
        } else if (OnFileCheck) {
            OnFileCheck(this, fileName_, exists);
        }
        if (!exists) return true;

        if (!OnOverwrite) Fail("Overwrite dialog is not assigned");
        TModalResult reply = kNo;
        OnOverwrite(this, fileName_, reply);
        if (reply == kYes) return true;
        if (reply == kCancel) return false;
        if (reply != kNo) Fail("Invalid reply argument from overwrite dialog");
    }
}

} // namespace PYX_filesys
