// The save dialog: events, the platform dialog through its provider, the
// overwrite loop and the parameter readers.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corekit/PYX_filesys.h"
#include "filesys_fixture.h"
#include "vcl/Dialogs.h"

using namespace PYX_filesys;

namespace {

class SaveDialog : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        dlg.SetName("Dlg");
    }
    void TearDown() override
    {
        vcl::test::SetSaveDialogProvider(nullptr);
        TempDirTest::TearDown();
    }
    std::string Message(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const EPYXFileSysError& e) {
            return e.what();
        }
        return "(nothing raised)";
    }
    TUnivSaveDialog dlg{nullptr};
};

TEST_F(SaveDialog, EventsWithoutFileCheckNeverAskToOverwrite)
{
    dlg.SetUseStandardDialog(false);
    dlg.SetParameters("own=\"1\"");
    std::string seenParams;
    dlg.OnFileSelect = [&](vcl::TObject* sender, const std::string& params, TModalResult& action, std::string& name) {
        EXPECT_EQ(sender, &dlg);
        EXPECT_EQ(action, 2);
        seenParams = params;
        action = 1;
        name = "a.txt";
    };
    bool asked = false;
    dlg.OnOverwrite = [&](vcl::TObject*, const std::string&, TModalResult&) { asked = true; };
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.GetFileName(), "a.txt");
    EXPECT_EQ(seenParams, "own=\"1\"");
    EXPECT_FALSE(asked);
}

TEST_F(SaveDialog, OverwriteLoop)
{
    struct Case {
        std::vector<TModalResult> replies;
        bool result;
        int selections;
    } const cases[] = {
        {{7, 6}, true, 2},
        {{6}, true, 1},
        {{2}, false, 1},
        {{7, 7, 2}, false, 3},
    };
    for (const auto& c : cases) {
        dlg.SetUseStandardDialog(false);
        int selections = 0;
        std::size_t reply = 0;
        dlg.OnFileSelect = [&](vcl::TObject*, const std::string&, TModalResult& action, std::string& name) {
            ++selections;
            action = 1;
            name = "take" + std::to_string(selections);
        };
        dlg.OnFileCheck = [&](vcl::TObject*, const std::string& name, bool& exists) {
            EXPECT_FALSE(exists);
            exists = name.starts_with("take");
        };
        dlg.OnOverwrite = [&](vcl::TObject*, const std::string&, TModalResult& r) {
            EXPECT_EQ(r, 7);
            r = c.replies.at(reply++);
        };
        EXPECT_EQ(dlg.Execute(), c.result);
        EXPECT_EQ(selections, c.selections);
        EXPECT_EQ(reply, c.replies.size());
    }
}

TEST_F(SaveDialog, CancelAndErrors)
{
    dlg.SetUseStandardDialog(false);
    EXPECT_EQ(Message([&] { dlg.Execute(); }), "Component \"Dlg\": File select dialog is not assigned");
    dlg.OnFileSelect = [](vcl::TObject*, const std::string&, TModalResult&, std::string&) {};
    EXPECT_FALSE(dlg.Execute()); // the action stays Cancel
    dlg.OnFileSelect = [](vcl::TObject*, const std::string&, TModalResult& a, std::string&) { a = 1; };
    dlg.OnFileCheck = [](vcl::TObject*, const std::string&, bool& e) { e = true; };
    EXPECT_EQ(Message([&] { dlg.Execute(); }), "Component \"Dlg\": Overwrite dialog is not assigned");
    dlg.OnOverwrite = [](vcl::TObject*, const std::string&, TModalResult& r) { r = 1; };
    EXPECT_EQ(Message([&] { dlg.Execute(); }), "Component \"Dlg\": Invalid reply argument from overwrite dialog");
}

TEST_F(SaveDialog, StandardDialogThroughTheProvider)
{
    Write("exists.txt", "x");
    dlg.SetParameters("filter=\"Text files|*.txt\" caption=\"Save it\" initialdir=\"" + dir_ +
                      "\" ext=\"txt\"");
    dlg.SetFileName("offered.dat");
    std::vector<std::string> answers = {P("data.2024.csv"), P("exists.csv")};
    std::size_t next = 0;
    bool first = true;
    vcl::test::SetSaveDialogProvider([&](vcl::TSaveDialog& d, uint32_t&) {
        EXPECT_EQ(d.GetFilter(), "Text files|*.txt");
        EXPECT_EQ(d.GetTitle(), "Save it");
        EXPECT_EQ(d.GetInitialDir(), dir_);
        if (first) {
            EXPECT_EQ(d.GetFileName(), "offered.dat");
        }
        first = false;
        d.SetFileName(answers.at(next++));
        return true;
    });
    // Only the last extension is replaced, so the name keeps its other dots.
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.GetFileName(), P("data.2024.txt"));

    // The existence check looks at the disk; "No" asks again.
    answers = {P("exists.csv"), P("exists.csv")};
    next = 0;
    std::vector<TModalResult> replies = {7, 6};
    std::size_t reply = 0;
    dlg.OnOverwrite = [&](vcl::TObject*, const std::string& name, TModalResult& r) {
        EXPECT_EQ(name, P("exists.txt"));
        r = replies.at(reply++);
    };
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(next, 2u);
    EXPECT_EQ(dlg.GetFileName(), P("exists.txt"));
}

TEST_F(SaveDialog, StandardDialogCancelAndFailure)
{
    dlg.SetFileName("keep.txt");
    EXPECT_FALSE(dlg.Execute()); // no provider: cancelled
    EXPECT_EQ(dlg.GetFileName(), "keep.txt");
    vcl::test::SetSaveDialogProvider([](vcl::TSaveDialog&, uint32_t& code) {
        code = 0x3002;
        return false;
    });
    EXPECT_EQ(Message([&] { dlg.Execute(); }), "Component \"Dlg\": Error in standard dialog (errnum = $3002).");
    vcl::test::SetSaveDialogProvider([](vcl::TSaveDialog& d, uint32_t&) {
        d.SetFileName("/somewhere/x");
        return true;
    });
    dlg.SetParameters("");
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.GetFileName(), "/somewhere/x"); // no "ext": the name as chosen
}

TEST_F(SaveDialog, ParameterReaders)
{
    dlg.SetParameters("n=\"42\" neg=\"-7x\" x=\"1,5\" e=\"2.5e3\" s=\"abc\" empty=\"\"");
    EXPECT_EQ(dlg.ExtractParamAsString("s"), "abc");
    EXPECT_EQ(dlg.ExtractParamAsString("S"), "abc");
    EXPECT_EQ(dlg.ExtractParamAsString("missing"), "");
    EXPECT_EQ(dlg.ExtractParamAsInt("n"), 42);
    EXPECT_EQ(dlg.ExtractParamAsInt("neg"), -7);
    EXPECT_DOUBLE_EQ(dlg.ExtractParamAsDouble("x"), 1.5);
    EXPECT_DOUBLE_EQ(dlg.ExtractParamAsDouble("e"), 2500.0);
    EXPECT_EQ(Message([&] { dlg.ExtractParamAsInt("missing"); }),
              "Component \"Dlg\": missing is not specified in property Parameters");
    EXPECT_EQ(Message([&] { dlg.ExtractParamAsDouble("empty"); }),
              "Component \"Dlg\": empty is not specified in property Parameters");
}

} // namespace
