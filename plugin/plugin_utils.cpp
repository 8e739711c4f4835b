// Text splitting, versions and plugin display names.
#include "plugin/plugin_utils.h"

#include "platform/os/version_resource.h"
#include "platform/rtl/strings.h"

#include <array>

namespace zarix {

TExplodeArray Explode(std::string_view Separator, std::string_view Text) {
    TExplodeArray parts;
    if (Separator.empty()) {
        parts.emplace_back(Text);
        return parts;
    }
    for (auto at = Text.find(Separator); at != std::string_view::npos; at = Text.find(Separator)) {
        parts.emplace_back(Text.substr(0, at));
        Text.remove_prefix(at + Separator.size());
    }
    parts.emplace_back(Text);
    return parts;
}

TVersion VersionParser(std::string_view Text) {
    const TExplodeArray parts = Explode(".", Text);
    std::array<uint16_t, 4> fields{};
    for (std::size_t i = 0; i < fields.size() && i < parts.size(); ++i)
        fields[i] = static_cast<uint16_t>(StrToInt(parts[i]));  // wraps modulo 65536 on purpose
    return TVersion{fields[0], fields[1], fields[2], fields[3]};
}

namespace {

std::string ConcatenatedDigits(const TVersion& v) {
    return IntToStr(v.Major) + IntToStr(v.Minor) + IntToStr(v.Release) + IntToStr(v.Build);
}

}  // namespace

std::string ZarixRecordText(const TVersion& Value) {
    return IntToStr(Value.Major) + "." + IntToStr(Value.Minor) + "." + IntToStr(Value.Release) + "." + IntToStr(Value.Build);
}

TVersion ZarixRecordFromText(std::string_view Text, const TVersion*) { return VersionParser(Text); }

std::string ZarixRecordText(const TPluginDependencies& Value) {
    std::string text;
    for (const TPluginDependency& dependency : Value)
        text += (text.empty() ? "" : ",") + dependency.PluginName + "=" + ZarixRecordText(dependency.RequiredVersion);
    return text;
}

std::string VersionCompare(const TVersion& A, const TVersion& B) {
    // NOTE: deliberately not a field-by-field comparison. The four fields are written one after
    // another and the two numbers compared, so 1.10.0.0 (11000) counts as newer than 2.0.0.0
    // (2000), and a number past 2147483647 raises EConvertError. Installed plugins declare their
    // dependencies against exactly this ordering, so it stays.
    const int32_t a = StrToInt(ConcatenatedDigits(A));
    const int32_t b = StrToInt(ConcatenatedDigits(B));
    if (a > b) return ">";
    if (a == b) return "=";
    return "<";
}

std::string GetVersionInfoString(const std::string& FileName, const std::string& Key) {
    // One pass over the file, where asking for the size and then for the block would read it
    // twice; the answers are the same.
    auto read = ReadVersionBlock(FileName);
    if (!read) return {};
    const std::vector<std::byte>& block = read.Value();
    const auto size = static_cast<uint32_t>(block.size());
    const std::vector<TVerTranslation> translations = VerQueryTranslations(block.data(), size);
    if (translations.empty()) return {};
    return VerQueryString(block.data(), size, VerStringPath(translations.front(), Key)).value_or(std::string());
}

TVersion GetVersionInfo(const std::string& FileName) { return VersionParser(GetVersionInfoString(FileName, "FileVersion")); }

namespace {

struct NiceName {
    const char* Identifier;
    const char* DisplayName;
};

// Identifiers are matched exactly. A few are not normalised names ("Dane firmy.", "Formularze
// ŁOW"), and "Zestawienia finansowo-ksiegowe" is written without its Polish letter: the
// texts stay as the application has always shown them.
constexpr NiceName kNiceNames[] = {
    {"ADMINISTRACJA", "Administracja"},
    {"ASORTYMENT", "Asortymenty"},
    {"CENNIKI", "Cenniki"},
    {"DOKMAG", "Dokumenty handlowe"},
    {"Dane firmy.", "Dane firmy"},
    {"DOKKHPLUGIN", "Dokumenty księgowe"},
    {"DOKKH", "Dokumenty księgowe"},
    {"DEFINICJERAPORTOW", "Definicje raportów"},
    {"DEFINICJEDOK", "Definicje dokumentów"},
    {"EWVAT", "Ewidencja VAT"},
    {"FORMULARZE", "Formularze"},
    {"FORMVAT7", "Deklaracje VAT"},
    {"Formularze ŁOW", "Formularze łowieckie"},
    {"FORMULARZEINNE", "Formularze łowieckie"},
    {"Formularz CIT8", "Deklaracje CIT"},
    {"FORMULARZCIT8", "Deklaracje CIT"},
    {"Formularz Bilansu", "Formularze bilansów"},
    {"FORMBILANSFK", "Formularze bilansów"},
    {"FORMULARZEPLACOWE", "Formularze płacowe"},
    {"FORMPIT5", "Deklaracje PIT"},
    {"PITY", "Deklaracje PIT"},
    {"HISTORIA", "Historia"},
    {"INTRASTAT", "Deklaracje Intrastat"},
    {"FORMULARZINTRASTAT", "Deklaracje Intrastat"},
    {"KPR", "Ewidencja KPR"},
    {"KLIENT", "Kontrahenci"},
    {"KASA", "Finanse"},
    {"KONWERSJA", "Konwersja"},
    {"KOPIADANYCH", "Kopia danych"},
    {"KONTO", "Plan kont"},
    {"MONITY", "Monity"},
    {"PLUGINZESTAWIENIAH", "Zestawienia handlowe"},
    {"PARAMETRY", "Parametry"},
    {"PLACE", "Płace"},
    {"PLUGINRELS", "Relacje"},
    {"RELSPLUGIN", "Relacje"},
    {"SLOWNIK", "Słowniki"},
    {"SCHEMATY", "Schematy"},
    {"STARTPANEL", "Panel startowy"},
    {"TABKURS", "Tabele kursowe"},
    {"ZESTAWIENIAFK", "Zestawienia finansowo-ksiegowe"},
};

}  // namespace

std::string GetNicePluginName(const std::string& PluginName) {
    for (const NiceName& row : kNiceNames)
        if (PluginName == row.Identifier) return row.DisplayName;
    return PluginName;
}

}  // namespace zarix
