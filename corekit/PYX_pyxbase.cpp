#include "corekit/PYX_pyxbase.h"

namespace PYX_pyxbase {

using namespace vcl::literals;

// Every table is constant-initialised, so an entry over its capacity or a
// character outside cp1252 stops the build.

constinit const TLangTable<4, 1, 12> MonthShort = {{
    {{"M01", "M02", "M03", "M04", "M05", "M06", "M07", "M08", "M09", "M10", "M11", "M12"}},
    {{"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"}},
    {{"Jän"_cp, "Feb", "Mär"_cp, "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"}},
    {{"jan", "fév"_cp, "mar", "avr", "mai", "juin", "jul", "aoû"_cp, "sep", "oct", "nov", "déc"_cp}},
    {{"Ene", "Feb", "Mar", "Abr", "May", "Jun", "Jul", "Ago", "Sep", "Oct", "Nov", "Dic"}},
}};

// The French February keeps its trailing blank and the Spanish May reads "mai":
// stored texts rely on them as they are.
constinit const TLangTable<10, 1, 12> MonthLong = {{
    {{"M01", "M02", "M03", "M04", "M05", "M06", "M07", "M08", "M09", "M10", "M11", "M12"}},
    {{"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
      "November", "December"}},
    {{"Jänner"_cp, "Februar", "März"_cp, "April", "Mai", "Juni", "Juli", "August", "September", "Oktober",
      "November", "Dezember"}},
    {{"janvier", "février "_cp, "mars", "avril", "mai", "juin", "juillet", "août"_cp, "septembre", "octobre",
      "novembre", "décembre"_cp}},
    {{"enero", "febrero", "marzo", "abril", "mai", "junio", "julio", "agosto", "septiembre", "octubre",
      "noviembre", "diciembre"}},
}};

constinit const TLangTable<3, 1, 7> WeekDayShort = {{
    {{"D01", "D02", "D03", "D04", "D05", "D06", "D07"}},
    {{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"}},
    {{"Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"}},
    {{"lun", "mar", "mer", "jeu", "ven", "sam", "dim"}},
    {{"lun", "mar", "mie", "jue", "vie", "sab", "dom"}},
}};

constinit const TLangTable<10, 1, 7> WeekDayLong = {{
    {{"D01", "D02", "D03", "D04", "D05", "D06", "D07"}},
    {{"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"}},
    {{"Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag", "Sonntag"}},
    {{"lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi", "dimanche"}},
    {{"lunes", "martes", "miércoles"_cp, "jueves", "viernes", "sábado"_cp, "domingo"}},
}};

constinit const TLangTable<6, 0, 13> NumWords = {{
    {{"N00", "N01", "N02", "N03", "N04", "N05", "N06", "N07", "N08", "N09", "N10", "N11", "N12"}},
    {{"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten", "eleven", "twelve"}},
    {{"null", "eins", "zwei", "drei", "vier", "fünf"_cp, "sechs", "sieben", "acht", "neun", "zehn", "elf",
      "zwölf"_cp}},
    {{"zéro"_cp, "celui", "deux", "trois", "quatre", "cinq", "six", "sept", "huit", "neuf", "dix", "onze",
      "douze"}},
    {{"cero", "uno", "dos", "tres", "cuatro", "cinco", "seis", "siete", "ocho", "nueve", "diez", "once", "doce"}},
}};

constinit const TLangTable<15, 0, 5> LanguageID = {{
    {{"???", "???", "???", "???", "???"}},
    {{"???", "English", "German", "French", "Spanish"}},
    {{"???", "englisch", "deutsch", "französisch"_cp, "spanisch"}},
    {{"???", "anglais", "allemand", "français"_cp, "espagnol"}},
    {{"???", "inglés"_cp, "alemán"_cp, "francés"_cp, "español"_cp}},
}};

constinit const std::array<std::string_view, 5> ISO639_2Char = {"??", "en", "de", "fr", "es"};
constinit const std::array<std::string_view, 5> ISO639_3Char = {"???", "eng", "ger", "fre", "spa"};

namespace {

// Entity names of the codes 160..255 in code order.
constexpr std::array<std::string_view, 96> kLat1Entities = {
    "&nbsp;",   "&iexcl;",  "&cent;",   "&pound;",  "&curren;", "&yen;",    "&brvbar;", "&sect;",
    "&uml;",    "&copy;",   "&ordf;",   "&laquo;",  "&not;",    "&shy;",    "&reg;",    "&macr;",
    "&deg;",    "&plusmn;", "&sup2;",   "&sup3;",   "&acute;",  "&micro;",  "&para;",   "&middot;",
    "&cedil;",  "&sup1;",   "&ordm;",   "&raquo;",  "&frac14;", "&frac12;", "&frac34;", "&iquest;",
    "&Agrave;", "&Aacute;", "&Acirc;",  "&Atilde;", "&Auml;",   "&Aring;",  "&AElig;",  "&Ccedil;",
    "&Egrave;", "&Eacute;", "&Ecirc;",  "&Euml;",   "&Igrave;", "&Iacute;", "&Icirc;",  "&Iuml;",
    "&ETH;",    "&Ntilde;", "&Ograve;", "&Oacute;", "&Ocirc;",  "&Otilde;", "&Ouml;",   "&times;",
    "&Oslash;", "&Ugrave;", "&Uacute;", "&Ucirc;",  "&Uuml;",   "&Yacute;", "&THORN;",  "&szlig;",
    "&agrave;", "&aacute;", "&acirc;",  "&atilde;", "&auml;",   "&aring;",  "&aelig;",  "&ccedil;",
    "&egrave;", "&eacute;", "&ecirc;",  "&euml;",   "&igrave;", "&iacute;", "&icirc;",  "&iuml;",
    "&eth;",    "&ntilde;", "&ograve;", "&oacute;", "&ocirc;",  "&otilde;", "&ouml;",   "&divide;",
    "&oslash;", "&ugrave;", "&uacute;", "&ucirc;",  "&uuml;",   "&yacute;", "&thorn;",  "&yuml;"};

constexpr bool FitsCapacity()
{
    for (std::string_view e : kLat1Entities)
        if (e.size() > 8) return false;
    return true;
}
static_assert(FitsCapacity(), "an HTML entity exceeds 8 characters");

} // namespace

std::string_view THTMLLat1Entities::operator[](int code) const noexcept
{
    return (code < 160 || code > 255) ? std::string_view() : kLat1Entities[static_cast<size_t>(code - 160)];
}

const THTMLLat1Entities HTMLLat1Entities{};

std::atomic<int32_t> ProcStat{0};
std::atomic<TMathFeedBackProc> MathFeedBackProc{nullptr};
std::atomic<intptr_t> AbortMathProc{0};

std::string OutOfMemoryMessage(const std::string& ComponentName)
{
    return "Component \"" + ComponentName + "\": not enough memory on heap";
}

} // namespace PYX_pyxbase
