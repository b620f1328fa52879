#include "Fonts.h"

#include "QtText.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QList>
#include <QStringList>
#include <algorithm>
#include <array>
#include <map>

namespace {

// Names that skins made on other systems ask for; fontconfig maps them onto look-alikes.
constexpr std::array<std::string_view, 13> kWellKnownFamilies = {
    "Arial",           "Arial Narrow", "Comic Sans MS", "Courier", "Courier New",
    "Georgia",         "Helvetica",    "Impact",        "Tahoma",  "Times",
    "Times New Roman", "Trebuchet MS", "Verdana"};

char AsciiLowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool AsciiLess(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return AsciiLowerChar(x) < AsciiLowerChar(y);
    });
}

bool AsciiSame(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLowerChar(x) == AsciiLowerChar(y);
           });
}

// Qt tells families that several foundries provide apart as "Nimbus Sans [urw]"; the user picks
// the family, and Qt finds a foundry for the bare name.
QString WithoutFoundry(const QString& family) {
    const qsizetype bracket = family.lastIndexOf(QLatin1String(" ["));
    return bracket > 0 && family.endsWith(QLatin1Char(']')) ? family.left(bracket) : family;
}

QString ResolvedFamily(const QString& name) {
    return WithoutFoundry(QFontInfo(QFont(name)).family());
}

// What any name the system does not know resolves to.
QString GenericFallback() {
    return ResolvedFamily(QStringLiteral("Tapestrel No Such Font Family"));
}

// A name counts when the system chose a face for it rather than its generic fallback. A symbol
// font is no substitute: fontconfig hands out dingbats for "Impact", which would turn every text
// into pictures.
bool HasSpecificSubstitute(const QString& name, const QString& fallback) {
    const QString substitute = ResolvedFamily(name);
    return substitute.compare(fallback, Qt::CaseInsensitive) != 0 &&
           !QFontDatabase::writingSystems(substitute).contains(QFontDatabase::Symbol);
}

}  // namespace

std::vector<std::string> InstalledFontFamilies() {
    std::vector<std::string> families;
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(family))
            families.push_back(ToBytes(WithoutFoundry(family)));
    }
    const QString fallback = GenericFallback();
    for (std::string_view name : kWellKnownFamilies) {
        if (HasSpecificSubstitute(ToQString(name), fallback)) families.emplace_back(name);
    }
    std::stable_sort(families.begin(), families.end(), AsciiLess);
    families.erase(std::unique(families.begin(), families.end(), AsciiSame), families.end());
    return families;
}

std::string FontFamilyToDraw(std::string_view name) {
    // A calendar asks some sixty times for the same few names, and each answer costs a look at the
    // system's fonts; fonts installed meanwhile count from the next start.
    static std::map<std::string, std::string, std::less<>> answers;
    const auto known = answers.find(name);
    if (known != answers.end()) return known->second;
    const QString substitute = ResolvedFamily(ToQString(name));
    const bool symbolStandIn =
        QFontDatabase::writingSystems(substitute).contains(QFontDatabase::Symbol) &&
        !AsciiSame(ToBytes(substitute), name);
    const std::string family = symbolStandIn ? ToBytes(GenericFallback()) : std::string(name);
    answers.emplace(std::string(name), family);
    return family;
}
