// Modal forms, colour and file dialogs answered through the hooks.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "vcl/Buttons.h"
#include "vcl/Dialogs.h"
#include "vcl/Forms.h"
#include "vcl/StdCtrls.h"
#include "vcl/TestHooks.h"

using namespace vcl;

namespace {

// A small row dialog: a label, an edit field that closes the dialog with OK
// on Enter, and OK and Cancel buttons.
struct RowDialog {
    std::unique_ptr<TForm> form = std::make_unique<TForm>(nullptr);
    TEdit* edit;
    TSpeedButton* ok;
    TSpeedButton* cancel;
    RowDialog()
    {
        form->SetBounds(100, 100, 300, 120);
        form->SetCaption("Row 1");
        form->SetBorderStyle(bsDialog);
        auto* label = new TLabel(form.get());
        label->SetParent(form.get());
        label->SetCaption("Name:");
        label->SetBounds(8, 48, 60, 16);
        edit = new TEdit(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(80, 45, 200, 22);
        edit->OnKeyPress = [this](TObject*, char& ch) {
            if (ch == '\r') form->SetModalResult(mrOk);
        };
        ok = new TSpeedButton(form.get());
        ok->SetParent(form.get());
        ok->SetBounds(120, 4, 81, 29);
        ok->SetCaption("OK");
        ok->OnClick = [this](TObject*) { form->SetModalResult(mrOk); };
        cancel = new TSpeedButton(form.get());
        cancel->SetParent(form.get());
        cancel->SetBounds(205, 4, 81, 29);
        cancel->SetCaption("Cancel");
        cancel->OnClick = [this](TObject*) { form->SetModalResult(mrCancel); };
    }
};

struct DialogFixture : ::testing::Test {
    void TearDown() override
    {
        test::SetModalHandler(nullptr);
        test::SetColorDialogProvider(nullptr);
        test::SetOpenDialogProvider(nullptr);
        test::SetSaveDialogProvider(nullptr);
    }
};

TEST_F(DialogFixture, ModalFormAnsweredByWorkingItsControls)
{
    RowDialog d;
    bool sawModal = false;
    test::SetModalHandler([&](TForm& f) {
        sawModal = f.IsModal() && f.GetVisible();
        test::SetFocus(*d.edit);
        test::TypeText(*d.edit, "Ethanol");
        test::Click(*d.ok, 10, 10);
        return mrNone; // the button's handler set the result
    });
    EXPECT_EQ(d.form->ShowModal(), mrOk);
    EXPECT_TRUE(sawModal);
    EXPECT_EQ(d.edit->GetText(), "Ethanol");
    EXPECT_EQ(d.form->GetModalResult(), mrOk);
    EXPECT_FALSE(d.form->IsModal());
    EXPECT_FALSE(d.form->GetVisible());
}

TEST_F(DialogFixture, ModalResultsOfTheDifferentAnswers)
{
    struct Case {
        const char* name;
        test::TModalHandler handler;
        TModalResult expected;
    };
    RowDialog d;
    const std::vector<Case> cases = {
        {"no handler cancels", nullptr, mrCancel},
        {"handler leaves the result open", [](TForm&) { return mrNone; }, mrCancel},
        {"handler answers itself", [](TForm&) { return mrYes; }, mrYes},
        {"Cancel button", [&](TForm&) { test::Click(*d.cancel, 5, 5); return mrNone; }, mrCancel},
        {"Enter in the edit field",
         [&](TForm&) {
             test::SetFocus(*d.edit);
             test::TypeText(*d.edit, "\r");
             return mrNone;
         },
         mrOk},
        {"Close while modal", [](TForm& f) { f.Close(); return mrNone; }, mrCancel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::Advance(1000);
        test::SetModalHandler(c.handler);
        d.form->SetModalResult(mrAbort); // a stale result is reset by ShowModal
        EXPECT_EQ(d.form->ShowModal(), c.expected);
    }
}

TEST_F(DialogFixture, NestedModalFormsAndReentry)
{
    RowDialog outer, inner;
    std::vector<std::string> log;
    test::SetModalHandler([&](TForm& f) {
        if (&f == outer.form.get()) {
            log.push_back("outer");
            // Showing the same form again while it is modal is refused.
            EXPECT_THROW(f.ShowModal(), EInvalidOperation);
            log.push_back(std::string("inner ") + std::to_string(inner.form->ShowModal()));
            return mrOk;
        }
        log.push_back("in inner");
        return mrNo;
    });
    EXPECT_EQ(outer.form->ShowModal(), mrOk);
    EXPECT_EQ(log, (std::vector<std::string>{"outer", "in inner", "inner 7"}));
}

TEST_F(DialogFixture, HandlerExceptionsPassAndTheFormStaysUsable)
{
    RowDialog d;
    test::SetModalHandler([](TForm&) -> TModalResult { throw std::runtime_error("boom"); });
    EXPECT_THROW(d.form->ShowModal(), std::runtime_error);
    EXPECT_FALSE(d.form->IsModal());
    test::SetModalHandler([](TForm&) { return mrOk; });
    EXPECT_EQ(d.form->ShowModal(), mrOk);
}

TEST_F(DialogFixture, HandlerMayFreeTheForm)
{
    auto* f = new TForm(nullptr);
    test::SetModalHandler([](TForm& form) {
        delete &form;
        return mrIgnore;
    });
    EXPECT_EQ(f->ShowModal(), mrIgnore);
}

TEST_F(DialogFixture, ColorDialog)
{
    TColorDialog dlg(nullptr);
    dlg.SetColor(clRed);
    EXPECT_FALSE(dlg.Execute()); // headless default: cancel
    EXPECT_EQ(dlg.GetColor(), clRed);
    TColor shown = 0;
    test::SetColorDialogProvider([&](TColorDialog& d) {
        shown = d.GetColor();
        d.SetColor(0x00123456);
        return true;
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(shown, clRed);
    EXPECT_EQ(dlg.GetColor(), 0x00123456u);
    // A provider that touched the colour and then cancelled leaves it alone.
    test::SetColorDialogProvider([](TColorDialog& d) {
        d.SetColor(clLime);
        return false;
    });
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dlg.GetColor(), 0x00123456u);
}

TEST_F(DialogFixture, OpenAndSaveDialogs)
{
    TOpenDialog open(nullptr);
    open.SetFilter("Molecules|*.mol;*.sdf|All files|*.*");
    open.SetFilterIndex(2);
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.ExtendedError(), 0u);
    std::string filterSeen;
    test::SetOpenDialogProvider([&](TOpenDialog& d, uint32_t&) {
        filterSeen = d.GetFilter() + "#" + std::to_string(d.GetFilterIndex());
        d.SetFileName("/data/benzene.mol");
        return true;
    });
    EXPECT_TRUE(open.Execute());
    EXPECT_EQ(open.GetFileName(), "/data/benzene.mol");
    EXPECT_EQ(filterSeen, "Molecules|*.mol;*.sdf|All files|*.*#2");
    test::SetOpenDialogProvider([](TOpenDialog&, uint32_t& code) {
        code = 0x3002;
        return true;
    });
    EXPECT_FALSE(open.Execute());
    EXPECT_EQ(open.ExtendedError(), 0x3002u);
    // The open and save hooks are separate.
    TSaveDialog save(nullptr);
    EXPECT_FALSE(save.Execute());
    test::SetSaveDialogProvider([](TSaveDialog& d, uint32_t&) {
        d.SetFileName("out.txt");
        return true;
    });
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.GetFileName(), "out.txt");
    EXPECT_FALSE(open.Execute());
}

} // namespace
