// The platform's dialogs: file open and save dialogs, the colour dialog, and
// modal forms. Without a window system each is answered by a provider (a
// handler) that tests or a window backend install; with none installed every
// dialog is cancelled.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "vcl/Classes.h"
#include "vcl/Controls.h"
#include "vcl/GraphicsTypes.h"

namespace vcl {

// What the open and save dialogs share.
class TFileDialog : public TComponent {
public:
    explicit TFileDialog(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

    // "Description|mask;mask|Description|mask..."
    const std::string& GetFilter() const noexcept { return filter_; }
    void SetFilter(const std::string& Value) { filter_ = Value; }
    int32_t GetFilterIndex() const noexcept { return filterIndex_; }
    void SetFilterIndex(int32_t Value) noexcept { filterIndex_ = Value; }
    const std::string& GetTitle() const noexcept { return title_; }
    void SetTitle(const std::string& Value) { title_ = Value; }
    const std::string& GetInitialDir() const noexcept { return initialDir_; }
    void SetInitialDir(const std::string& Value) { initialDir_ = Value; }
    const std::string& GetFileName() const noexcept { return fileName_; }
    void SetFileName(const std::string& Value) { fileName_ = Value; }
    // Extension added to a typed name without one (stored for providers).
    const std::string& GetDefaultExt() const noexcept { return defaultExt_; }
    void SetDefaultExt(const std::string& Value) { defaultExt_ = Value; }

    // 0 after a confirmation or a plain cancel; the failure's code otherwise
    // (for example 0x3002 for an invalid file name).
    uint32_t ExtendedError() const noexcept { return extendedError_; }

protected:
    // Runs a provider: true when it confirmed without an error code.
    template <typename Dialog>
    bool RunProvider(const std::function<bool(Dialog&, uint32_t&)>& Provider, Dialog& Self)
    {
        extendedError_ = 0;
        if (!Provider) return false;
        uint32_t code = 0;
        const bool confirmed = Provider(Self, code);
        if (code != 0) {
            extendedError_ = code;
            return false;
        }
        return confirmed;
    }

private:
    std::string filter_;
    int32_t filterIndex_ = 1;
    std::string title_;
    std::string initialDir_;
    std::string fileName_;
    std::string defaultExt_;
    uint32_t extendedError_ = 0;
};

class TSaveDialog : public TFileDialog {
public:
    explicit TSaveDialog(TComponent* AOwner = nullptr) : TFileDialog(AOwner) {}
    // Shows the dialog; true when the user confirmed a name (then in
    // FileName). False after a cancel or a failure.
    bool Execute();
};

class TOpenDialog : public TFileDialog {
public:
    explicit TOpenDialog(TComponent* AOwner = nullptr) : TFileDialog(AOwner) {}
    // Shows the dialog; true when the user chose a file (then in FileName).
    // False after a cancel or a failure.
    bool Execute();
};

// The colour dialog: Execute shows Color; when the user confirms, Color
// holds the chosen colour.
class TColorDialog : public TComponent {
public:
    explicit TColorDialog(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
    TColor GetColor() const noexcept { return color_; }
    void SetColor(TColor c) noexcept { color_ = c; }
    // True when the user confirmed; Color is left alone otherwise.
    bool Execute();

private:
    TColor color_ = clBlack;
};

namespace test {

// Answers TSaveDialog::Execute: returns true to confirm (after setting the
// dialog's FileName as a user would), false to cancel; setting ErrorCode to
// a non-zero value reports a failure instead of a cancel.
using TSaveDialogProvider = std::function<bool(TSaveDialog& Dialog, uint32_t& ErrorCode)>;
// Installs the provider (nullptr restores the default, which cancels).
void SetSaveDialogProvider(TSaveDialogProvider Provider);

// The same for TOpenDialog::Execute.
using TOpenDialogProvider = std::function<bool(TOpenDialog& Dialog, uint32_t& ErrorCode)>;
void SetOpenDialogProvider(TOpenDialogProvider Provider);

// Answers TColorDialog::Execute: returns true to confirm after setting the
// dialog's Color, false to cancel.
using TColorDialogProvider = std::function<bool(TColorDialog& Dialog)>;
void SetColorDialogProvider(TColorDialogProvider Provider);

// Answers TForm::ShowModal while the form is shown: it may work the form's
// controls as a user would (typing, clicking a button whose handler sets the
// form's ModalResult) and returns the modal result, or mrNone to leave it to
// the form's ModalResult. A window backend shows the form in a window and
// runs a nested loop until ModalResult is set. Without a handler (or when
// neither gives a result) the form is cancelled: mrCancel.
using TModalHandler = std::function<TModalResult(TForm& Form)>;
void SetModalHandler(TModalHandler Handler);

} // namespace test

} // namespace vcl
