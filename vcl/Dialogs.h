// The platform's save-file dialog. Without a window system the dialog is
// answered by a provider that tests (or a host backend) install; with none
// installed every dialog is cancelled.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "vcl/Classes.h"

namespace vcl {

class TSaveDialog : public TComponent {
public:
    explicit TSaveDialog(TComponent* AOwner = nullptr);

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

    // Shows the dialog; true when the user confirmed a name (then in
    // FileName). False after a cancel or a failure.
    bool Execute();
    // 0 after a confirmation or a plain cancel; the failure's code otherwise
    // (for example 0x3002 for an invalid file name).
    uint32_t ExtendedError() const noexcept { return extendedError_; }

private:
    std::string filter_;
    int32_t filterIndex_ = 1;
    std::string title_;
    std::string initialDir_;
    std::string fileName_;
    uint32_t extendedError_ = 0;
};

namespace test {

// Answers TSaveDialog::Execute: returns true to confirm (after setting the
// dialog's FileName as a user would), false to cancel; setting ErrorCode to
// a non-zero value reports a failure instead of a cancel.
using TSaveDialogProvider = std::function<bool(TSaveDialog& Dialog, uint32_t& ErrorCode)>;
// Installs the provider (nullptr restores the default, which cancels).
void SetSaveDialogProvider(TSaveDialogProvider Provider);

} // namespace test

} // namespace vcl
