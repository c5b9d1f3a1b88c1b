// The gallery: shows what every package offers so far. It prints to the
// terminal and writes pictures into an output folder (default out/gallery),
// listing every file it writes and what the file shows. With --window it then
// opens a window with the pictures and a few standard controls, and runs
// until the window is closed.
//
//   gallery [--window] [OUTPUT_DIR]
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "corekit/PYX_pyxbase.h"
#include "corekit/PYX_stringl.h"
#include "corekit/PYX_univconst.h"
#include "molkit/PYX_cform.h"
#include "numkit/numkit.h"
#include "vcl/Buttons.h"
#include "vcl/ComCtrls.h"
#include "vcl/Cp1252.h"
#include "vcl/DateTime.h"
#include "vcl/ExtCtrls.h"
#include "vcl/Fonts.h"
#include "vcl/Forms.h"
#include "vcl/Graphics.h"
#include "vcl/Menus.h"
#include "vcl/StdCtrls.h"
#include "vcl/WindowBackend.h"

using namespace PYX_pyxbase;
using namespace vcl::literals;

namespace {

void Print(const std::string& cp1252) { std::fputs(vcl::Cp1252ToUtf8(cp1252).c_str(), stdout); }

void Heading(const std::string& title)
{
    Print("\n" + title + "\n" + PYX_stringl::MultiChar('-', static_cast<int32_t>(title.size())) + "\n");
}

void ShowNumbers()
{
    using namespace PYX_stringl;
    Heading("Number formatting");
    struct Row { const char* call; std::string text; } rows[] = {
        {"strff(1.5, 10, -2)", strff(1.5L, 10, -2)},
        {"strff(-3.5, -8, 2)", strff(-3.5L, -8, 2)},
        {"strff(1e150, 10, -2)", strff(1e150L, 10, -2)},
        {"strffForcePlus(3.5, 6, 2)", strffForcePlus(3.5L, 6, 2)},
        {"FormatData(0.05, 8, 1)", FormatData(0.05, 8, 1)},
        {"FormatData(1234.5678, 10, 2)", FormatData(1234.5678, 10, 2)},
        {"SigDigStr(3.14159265, 10, 4)", SigDigStr(3.14159265, 10, 4)},
        {"TimeString(3723.456, 0)", TimeString(3723.456, 0)},
        {"TimeString(3723.456, 3)", TimeString(3723.456, 3)},
        {"TimeString(3723.456, 5)", TimeString(3723.456, 5)},
        {"BoolToStr(true, 2)", BoolToStr(true, 2)},
    };
    for (const auto& r : rows) Print("  " + LeftString(r.call, 32) + "'" + r.text + "'\n");
    Print("  uc_LnFactorial[1000] = " + strff(PYX_univconst::uc_LnFactorial[1000], 0, 11) + "\n");
}

void ShowLanguageTables()
{
    Heading("Language tables");
    for (int lg = lgEnglish; lg <= lgSpanish; ++lg) {
        std::string line = "  " + PYX_stringl::LeftString(LanguageID[lg][lg], 10);
        for (int m = 1; m <= 12; ++m) line += " " + std::string(MonthShort[lg][m]);
        line += " |";
        for (int d = 1; d <= 7; ++d) line += " " + std::string(WeekDayShort[lg][d]);
        Print(line + "\n");
    }
}

void ShowFormulas()
{
    Heading("Molecular formulas");
    // Element symbols are separated by a count, a blank, a comma or a period.
    const char* formulas[] = {"H2O", "C6H12O6", "C8H10N4O2", "Na Cl", "C D3 O D", "13C6 H6"};
    for (const char* f : formulas) {
        PYX_cform::TMolFormModel m;
        m.SetMolFormula(f);
        if (!m.GetLastParseOK()) {
            Print("  " + PYX_stringl::LeftString(f, 12) + "not understood\n");
            continue;
        }
        // Average and exact weights go by element; the nominal weight counts
        // the mass numbers of labelled atoms.
        Print("  " + PYX_stringl::LeftString(f, 12) + PYX_stringl::LeftString(m.GetMolFormula(), 20) +
              " average " + PYX_stringl::strff(m.ChemMolWgt(), 9, 4) + "   exact " +
              PYX_stringl::strff(m.ExactMolWgt(), 10, 5) + "   nominal " +
              std::to_string(m.NominalMolWgt()) + "\n");
    }
}

void ShowNumerics()
{
    Heading("Numerics");
    numkit::TCurveFit fit;
    for (int i = 0; i < 10; ++i) fit.EnterStatValue(i, 2.5 * i + 1 + ((i % 3) - 1) * 0.1);
    double k = 0, d = 0, q = 0;
    if (fit.CalcLinFit(k, d, q))
        Print("  least-squares line through 10 points: y = " + PYX_stringl::strff(k, 0, 4) + " x + " +
              PYX_stringl::strff(d, 0, 4) + " (RMS residual " + PYX_stringl::strff(q, 0, 4) + ")\n");
    double km = numkit::SphereGreatCircleDist(6378000, 48.2082, 16.3738, 40.7128, -74.0060) / 1000;
    Print("  great-circle distance Vienna - New York: " + PYX_stringl::strff(km, 0, 1) + " km\n");
}

vcl::TBitmap CanvasSheet()
{
    vcl::TBitmap bmp(480, 300);
    vcl::TCanvas& c = bmp.Canvas();
    c.Brush().SetColor(vcl::clWhite);
    c.FillRect(vcl::Rect(0, 0, 480, 300));

    c.Pen().SetColor(vcl::clNavy);
    c.Brush().SetColor(0xE0F0FF);
    c.Rectangle(10, 10, 110, 80);
    c.Brush().SetColor(0xA0E0A0);
    c.Ellipse(130, 10, 230, 80);
    c.Brush().SetColor(0x80C0FF);
    c.Pie(250, 10, 330, 90, 330, 50, 290, 10);
    c.Brush().SetColor(0xFFC0C0);
    c.Polygon(std::vector<vcl::TPoint>{{360, 80}, {400, 10}, {440, 80}, {380, 40}, {420, 40}});

    const vcl::TPenStyle styles[] = {vcl::psSolid, vcl::psDash, vcl::psDot, vcl::psDashDot, vcl::psDashDotDot};
    for (int i = 0; i < 5; ++i) {
        c.Pen().SetStyle(styles[i]);
        c.MoveTo(10, 110 + 10 * i);
        c.LineTo(230, 110 + 10 * i);
    }
    c.Pen().SetStyle(vcl::psSolid);
    for (int a = 0; a < 16; ++a) { // a fan of lines in every octant
        static const int dx[] = {40, 40, 40, 20, 0, -20, -40, -40, -40, -40, -40, -20, 0, 20, 40, 40};
        static const int dy[] = {0, 20, 40, 40, 40, 40, 40, 20, 0, -20, -40, -40, -40, -40, -40, -20};
        c.MoveTo(330, 145);
        c.LineTo(330 + dx[a], 145 + dy[a]);
    }

    c.Brush().SetStyle(vcl::bsClear);
    const char* fonts[] = {"Liberation Sans", "Liberation Serif", "Liberation Mono"};
    for (int i = 0; i < 3; ++i) {
        c.Font().SetName(fonts[i]);
        c.Font().SetSize(11);
        c.Font().SetColor(vcl::clBlack);
        c.TextOut(10, 200 + 22 * i, std::string(fonts[i]) + ": " + std::string("Grüße, März, déjà vu – 1/2 € "_cp));
    }
    c.Font().SetName("Liberation Sans");
    c.Font().SetSize(10);
    c.Font().SetColor(vcl::clMaroon);
    c.Font().SetEscapement(900);
    c.TextOut(450, 290, "rotated by 90 degrees");
    return bmp;
}

std::string DrawCanvasSheet(const std::filesystem::path& dir)
{
    const vcl::TBitmap bmp = CanvasSheet();
    std::filesystem::path file = dir / "canvas.png";
    bmp.SavePNG(file.string());
    return file.string();
}

// A form with the standard controls, painted headless by the paint cycle:
// labels, edit fields (one with a password character), a memo, combo boxes,
// a scroll bar, a group of speed buttons, a panel and date/time pickers.
vcl::TBitmap ControlsSheet()
{
    vcl::TForm form(nullptr);
    form.SetBounds(0, 0, 480, 250);
    auto at = [&form](auto* c, int x, int y, int w, int h) {
        c->SetBounds(x, y, w, h);
        c->SetParent(&form);
        return c;
    };
    at(new vcl::TLabel(&form), 10, 12, 90, 16)->SetCaption("Name:");
    at(new vcl::TEdit(&form), 100, 8, 160, 24)->SetText("Ethanol");
    at(new vcl::TLabel(&form), 10, 42, 90, 16)->SetCaption("Password:");
    auto* pw = at(new vcl::TEdit(&form), 100, 38, 160, 24);
    pw->SetPasswordChar('*');
    pw->SetText("secret");
    auto* memo = at(new vcl::TMemo(&form), 10, 72, 250, 64);
    memo->Lines().Add("C2 H6 O, 46.07 g/mol");
    memo->Lines().Add(std::string("boils at 78.4 °C"_cp));
    auto* combo = at(new vcl::TComboBox(&form), 280, 8, 190, 24);
    for (const char* s : {"Helium", "Neon", "Argon"}) combo->Items().Add(s);
    combo->SetItemIndex(2);
    auto* list = at(new vcl::TComboBox(&form), 280, 38, 190, 24);
    list->SetStyle(vcl::csDropDownList);
    for (const char* s : {"Degrees", "Radians"}) list->Items().Add(s);
    list->SetItemIndex(0);
    auto* bar = at(new vcl::TScrollBar(&form), 280, 72, 190, 17);
    bar->SetMax(100);
    bar->SetPosition(35);
    const char* captions[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        auto* b = at(new vcl::TSpeedButton(&form), 280 + i * 30, 100, 28, 26);
        b->SetCaption(captions[i]);
        b->SetGroupIndex(1);
        if (i == 1) b->SetDown(true);
    }
    auto* panel = at(new vcl::TPanel(&form), 10, 146, 250, 40);
    panel->SetBevelInner(vcl::bvLowered);
    panel->SetCaption("A panel with two bevels");
    auto* date = at(new vcl::TDateTimePicker(&form), 280, 146, 190, 24);
    date->SetDateTime(vcl::EncodeDate(2026, 12, 11));
    auto* time = at(new vcl::TDateTimePicker(&form), 280, 176, 190, 24);
    time->SetKind(vcl::dtkTime);
    time->SetDateTime(vcl::EncodeDate(2026, 12, 11) + 0.5625);
    form.Repaint();
    return form.BackBuffer();
}

std::string DrawControlsSheet(const std::filesystem::path& dir)
{
    std::filesystem::path file = dir / "controls.png";
    ControlsSheet().SavePNG(file.string());
    return file.string();
}

// Frames of every style, the drawn data marks with their numbers and a text
// label, as the drawing routines of the foundation library paint them.
vcl::TBitmap MarksSheet()
{
    const int W = 560, H = 370;
    vcl::TBitmap bmp(W, H);
    vcl::TCanvas& c = bmp.Canvas();
    c.Brush().SetColor(0xE8E8E8);
    c.FillRect(vcl::Rect(0, 0, W, H));
    c.Font().SetName("Liberation Sans");
    c.Font().SetSize(8);
    c.Font().SetColor(vcl::clBlack);
    c.Brush().SetStyle(vcl::bsClear);

    for (int s = fsNone; s <= fsEngraved; ++s) {
        const int x = 12 + 90 * s;
        c.TextOut(x, 8, std::string(xmlFrameStyle[static_cast<size_t>(s)]));
        DrawFrame(c, static_cast<TFrameStyle>(s), x, 26, x + 70, 76, vcl::clWhite, vcl::clSilver, vcl::clGray,
                  vcl::clBlack, vcl::clNavy);
    }

    c.Pen().SetColor(vcl::clBlack);
    c.TextOut(12, 92, "Marks 0 to " + std::to_string(NumDrawnMarks - 1) + " (52 to 255 are characters: 65 is \"A\")");
    // Each mark as drawn (left) and as a bitmap enlarged three times (right).
    for (int m = 0; m < NumDrawnMarks; ++m) {
        const int x = 12 + (m % 13) * 41, y = 112 + (m / 13) * 48;
        c.Font().SetColor(vcl::clGray);
        c.TextOut(x, y, std::to_string(m));
        c.Pen().SetColor(vcl::clNavy);
        c.Brush().SetStyle(vcl::bsSolid);
        DrawMarkOnCanvas(c, static_cast<uint8_t>(m), x + 4, y + 30);
        c.Brush().SetStyle(vcl::bsClear);
        const auto big = CreateMarkAsBitmap(static_cast<uint8_t>(m), vcl::clNavy, vcl::clWhite, 2);
        c.StretchDraw(vcl::Rect(x + 11, y + 12, x + 11 + 27, y + 12 + 27), *big);
    }
    c.Pen().SetColor(vcl::clMaroon);
    DrawMarkOnCanvas(c, 65, 540, 92 + 7);

    TCustomTextLabel label;
    label.SetCaption("Peak at 45123.7");
    label.SetShadowDx(3);
    label.SetShadowDy(3);
    vcl::TFont f;
    f.SetSize(11);
    f.SetStyle({vcl::fsBold});
    label.SetFont(f);
    c.Font().Assign(&label.GetFont());
    c.Font().SetColor(vcl::clBlack);
    const vcl::TPoint ext = c.TextExtent(label.GetCaption());
    const vcl::TRect box = vcl::Rect(200, 318, 200 + ext.X + 12, 318 + ext.Y + 8);
    c.Brush().SetStyle(vcl::bsSolid);
    c.Pen().SetColor(label.GetColorShadow());
    c.Brush().SetColor(label.GetColorShadow());
    c.Rectangle(box.Left + label.GetShadowDx(), box.Top + label.GetShadowDy(), box.Right + label.GetShadowDx(),
                box.Bottom + label.GetShadowDy());
    c.Pen().SetColor(label.GetColorBrd());
    c.Brush().SetColor(label.GetColorBkg());
    c.Rectangle(box);
    c.Brush().SetStyle(vcl::bsClear);
    c.TextOut(box.Left + 6, box.Top + 4, label.GetCaption());
    return bmp;
}

std::string DrawMarksSheet(const std::filesystem::path& dir)
{
    const vcl::TBitmap bmp = MarksSheet();
    std::filesystem::path file = dir / "marks.png";
    bmp.SavePNG(file.string());
    return file.string();
}

// A control that shows a picture.
class TPicture : public vcl::TGraphicControl {
public:
    TPicture(vcl::TComponent* owner, vcl::TBitmap picture) : vcl::TGraphicControl(owner), picture_(std::move(picture))
    {
        SetOpaque(true);
    }

protected:
    void Paint() override { Canvas().Draw(0, 0, picture_); }

private:
    vcl::TBitmap picture_;
};

// The window: both pictures, an edit field whose text a label repeats, and a
// popup menu on the form.
// Runs until the window is closed; returns the field's final text.
int ShowWindow()
{
    if (!vcl::StartWindowBackend()) {
        std::fprintf(stderr, "gallery: %s\n", vcl::WindowBackendError().c_str());
        return 1;
    }
    vcl::TForm form(nullptr);
    form.SetCaption("PYX gallery");
    form.SetBounds(40, 40, 1070, 440);
    auto* canvas = new TPicture(&form, CanvasSheet());
    canvas->SetBounds(10, 10, 480, 300);
    canvas->SetParent(&form);
    auto* marks = new TPicture(&form, MarksSheet());
    marks->SetBounds(500, 10, 560, 370);
    marks->SetParent(&form);
    auto* prompt = new vcl::TLabel(&form);
    prompt->SetBounds(10, 322, 300, 16);
    prompt->SetCaption("Click into the field and type:");
    prompt->SetParent(&form);
    auto* edit = new vcl::TEdit(&form);
    edit->SetBounds(10, 342, 300, 24);
    edit->SetParent(&form);
    auto* echo = new vcl::TLabel(&form);
    echo->SetBounds(10, 376, 480, 16);
    echo->SetCaption("The field is empty.");
    echo->SetParent(&form);
    edit->OnChange = [edit, echo](vcl::TObject*) {
        echo->SetCaption(edit->GetText().empty() ? std::string("The field is empty.")
                                                 : "The field holds: " + edit->GetText());
    };
    // A right click on the form opens a menu that works on the field.
    auto* menu = new vcl::TPopupMenu(&form);
    auto* hello = new vcl::TMenuItem(menu);
    hello->SetCaption("Say hello");
    hello->OnClick = [edit](vcl::TObject*) { edit->SetText("Hello"); };
    menu->Items().Add(hello);
    auto* clear = new vcl::TMenuItem(menu);
    clear->SetCaption("Clear the field");
    clear->OnClick = [edit](vcl::TObject*) { edit->Clear(); };
    menu->Items().Add(clear);
    form.SetPopupMenu(menu);
    const vcl::TPoint e = edit->ClientToScreen({0, 0});
    Print("  window: edit field at " + std::to_string(e.X - form.GetLeft()) + " " +
          std::to_string(e.Y - form.GetTop()) + " " + std::to_string(edit->GetWidth()) + " " +
          std::to_string(edit->GetHeight()) + "\n");
    std::fflush(stdout);
    vcl::Application->Run();
    Print("  the field held: '" + edit->GetText() + "'\n");
    vcl::StopWindowBackend();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::filesystem::path outDir = "out/gallery";
    bool window = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--window") window = true;
        else outDir = a;
    }

    Print("PYX gallery\n");
    ShowNumbers();
    ShowLanguageTables();
    ShowFormulas();
    ShowNumerics();

    Heading("Pictures");
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) {
        std::fprintf(stderr, "gallery: cannot create %s: %s\n", outDir.c_str(), ec.message().c_str());
        return 1;
    }
    try {
        std::string f = DrawCanvasSheet(outDir);
        Print("  wrote " + f + ": shapes, pen styles, lines in every octant, text in three fonts, rotated text\n");
        f = DrawMarksSheet(outDir);
        Print("  wrote " + f + ": frames of every style, the 52 drawn data marks with their numbers, a text label\n");
        f = DrawControlsSheet(outDir);
        Print("  wrote " + f + ": the standard controls on a form: labels, edit fields, a memo, combo boxes,\n"
              "    a scroll bar, speed buttons, a panel, date and time pickers\n");
        if (window) {
            Heading("Window");
            std::fflush(stdout);
            return ShowWindow();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gallery: %s\n", e.what());
        return 1;
    }
    return 0;
}
