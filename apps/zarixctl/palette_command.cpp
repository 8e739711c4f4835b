// palette, form: what the library installs on the designer's palette, its unit table, and the
// plugin manager form's component tree.
#include "commands.h"

#include "json_output.h"
#include "package/PluginManagerForm.h"
#include "package/palette_bitmaps.h"
#include "package/registration.h"
#include "package/zarixplugins.h"
#include "platform/rtl/strings.h"
#include "platform/ui/component_palette.h"
#include "platform/ui/controls.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>

namespace zarixctl {

using namespace zarix;

namespace {

struct TPaletteRow {
    std::string Page, Class, Bitmap;
    int Width = 0, Height = 0, Bits = 0;
};

std::vector<TPaletteRow> PaletteRows() {
    std::vector<TPaletteRow> rows;
    for (const std::string& page : PalettePages())
        for (TClass cls : PaletteClasses(page)) {
            const TBitmap bitmap = PaletteBitmap(cls);
            rows.push_back(TPaletteRow{page, std::string(cls->Name()), UpperCase(cls->Name()), bitmap.Width(),
                                       bitmap.Height(), bitmap.BitsPerPixel()});
        }
    return rows;
}

// Writes each palette picture as NAME.bmp into the folder, made when missing.
std::vector<std::string> WriteBitmaps(const std::vector<TPaletteRow>& rows, const std::string& folder) {
    std::filesystem::create_directories(folder);
    std::vector<std::string> written;
    for (const TPaletteRow& row : rows) {
        const std::string path = (std::filesystem::path(folder) / (row.Bitmap + ".bmp")).string();
        const std::vector<uint8_t> bytes = LoadResourceBitmap(row.Bitmap).SaveToBytes();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) throw std::runtime_error("cannot write " + path);
        written.push_back(path);
    }
    return written;
}

void PrintPaletteText(const std::vector<TPaletteRow>& rows, const std::vector<std::string>& written) {
    std::string page;
    for (const TPaletteRow& row : rows) {
        if (row.Page != page) std::cout << "Palette page \"" << (page = row.Page) << "\"\n";
        std::cout << "  " << row.Class << std::string(row.Class.size() < 22 ? 22 - row.Class.size() : 1, ' ')
                  << "bitmap " << row.Bitmap << ", " << row.Width << " x " << row.Height << ", " << row.Bits
                  << "-bit colour\n";
    }
    const TPackageInfoTable& table = *GetPackageInfoTable();
    std::cout << "\nUnits, in start-up order (routines run: " << PackageInitCount() << " load):\n";
    for (int32_t i = 0; i < table.UnitCount; ++i) {
        const TPackageUnitEntry& unit = table.Units[i];
        std::cout << "  " << i + 1 << ". " << unit.Name;
        if (unit.Init == nullptr && unit.FInit == nullptr) std::cout << "  (no start-up or shut-down work)";
        std::cout << '\n';
    }
    std::cout << "Requires:";
    for (int32_t i = 0; i < table.RequiresCount; ++i) std::cout << (i ? ", " : " ") << table.Requires[i];
    std::cout << '\n';
    for (const std::string& path : written) std::cout << "Wrote " << path << '\n';
}

void PrintPaletteJson(const std::vector<TPaletteRow>& rows, const std::vector<std::string>& written) {
    TJson document = JsonDocument("palette");
    document["pages"] = TJson::array();
    for (const TPaletteRow& row : rows) {
        TJson& pages = document["pages"];
        if (pages.empty() || pages.back()["name"] != row.Page)
            pages.push_back({{"name", row.Page}, {"classes", TJson::array()}});
        pages.back()["classes"].push_back({{"class", row.Class}, {"bitmap", row.Bitmap}, {"width", row.Width},
                                           {"height", row.Height}, {"bitsPerPixel", row.Bits}});
    }
    const TPackageInfoTable& table = *GetPackageInfoTable();
    document["units"] = TJson::array();
    for (int32_t i = 0; i < table.UnitCount; ++i)
        document["units"].push_back({{"name", table.Units[i].Name}, {"init", table.Units[i].Init != nullptr},
                                     {"fini", table.Units[i].FInit != nullptr}});
    document["requires"] = TJson::array();
    for (int32_t i = 0; i < table.RequiresCount; ++i) document["requires"].push_back(table.Requires[i]);
    document["bitmapsWritten"] = TJson::array();
    for (const std::string& path : written) document["bitmapsWritten"].push_back(PathJson(path));
    PrintJson(document);
}

// The published properties of an object's class, its ancestors' first, without the name and
// the rectangle that the tree shows on the component's own line.
std::vector<std::pair<std::string, Variant>> Properties(const TObject& object) {
    static const std::vector<std::string_view> shown = {"Name", "Left", "Top", "Width", "Height", "Align",
                                                        "ClientWidth", "ClientHeight"};
    std::vector<TClass> chain;
    for (TClass cls = &object.ClassType(); cls != nullptr && cls != &TComponent::StaticClass(); cls = cls->Parent())
        chain.insert(chain.begin(), cls);
    std::vector<std::pair<std::string, Variant>> props;
    for (TClass cls : chain)
        for (const TPropInfo& prop : cls->OwnProperties())
            if (prop.Get != nullptr && std::find(shown.begin(), shown.end(), prop.Name) == shown.end())
                props.emplace_back(prop.Name, prop.Get(object));
    return props;
}

std::string PropertyText(const Variant& value) {
    return value.VarType() == TVarType::varString ? "\"" + value.AsString() + "\"" : value.AsString();
}

TJson PropertyJson(const Variant& value) {
    switch (value.VarType()) {
        case TVarType::varString: return value.AsString();
        // An object reads as its class name.
        case TVarType::varObject: return value.AsString();
        case TVarType::varBoolean: return value.AsBoolean();
        case TVarType::varEmpty:
        case TVarType::varNull: return nullptr;
        case TVarType::varInteger: return value.AsInteger();
        case TVarType::varInt64: return value.AsInt64();
        case TVarType::varDouble: return value.AsDouble();
    }
    return value.AsString();
}

// Properties as a list of name and value, so the document's own keys stay camelCase while
// the names keep the class's spelling.
TJson PropertiesJson(const TObject& object) {
    TJson list = TJson::array();
    for (const auto& [name, value] : Properties(object)) list.push_back({{"name", name}, {"value", PropertyJson(value)}});
    return list;
}

void PrintControlText(const TControl& control, int depth) {
    const std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    std::cout << indent << control.Name() << ": " << control.ClassName() << "  in " << control.Parent()->Name() << ", "
              << ZarixEnumInfo(control.Align()).NameOf(control.Align()) << ", " << control.Left() << ", "
              << control.Top() << ", " << control.Width() << " x " << control.Height() << '\n';
    for (const auto& [name, value] : Properties(control))
        std::cout << indent << "    " << name << " = " << PropertyText(value) << '\n';
    for (TControl* child : ControlsOf(&control)) PrintControlText(*child, depth + 1);
}

TJson ControlJson(const TControl& control) {
    TJson json = {{"name", control.Name()},
                  {"class", control.ClassName()},
                  {"parent", control.Parent()->Name()},
                  {"align", ZarixEnumInfo(control.Align()).NameOf(control.Align())},
                  {"left", control.Left()},
                  {"top", control.Top()},
                  {"width", control.Width()},
                  {"height", control.Height()},
                  {"properties", PropertiesJson(control)},
                  {"controls", TJson::array()}};
    for (TControl* child : ControlsOf(&control)) json["controls"].push_back(ControlJson(*child));
    return json;
}

}  // namespace

int PaletteCommand(const TArgs& args) {
    // What the designer does when it installs the library.
    RegisterPackageComponents();
    const std::vector<TPaletteRow> rows = PaletteRows();
    std::vector<std::string> written;
    if (const std::optional<std::string>& folder = args.Bitmaps) written = WriteBitmaps(rows, *folder);
    if (args.Json) PrintPaletteJson(rows, written);
    else PrintPaletteText(rows, written);
    return 0;
}

int FormCommand(const TArgs& args) {
    const std::unique_ptr<TfrmPluginManager> form(TForm::Create<TfrmPluginManager>(nullptr));
    const std::vector<TControl*> controls = ControlsOf(form.get());
    if (args.Json) {
        TJson document = JsonDocument("form");
        document.update(TJson{{"name", form->Name()},
                              {"class", form->ClassName()},
                              {"left", form->Left()},
                              {"top", form->Top()},
                              {"clientWidth", form->ClientWidth()},
                              {"clientHeight", form->ClientHeight()},
                              {"properties", PropertiesJson(*form)},
                              {"controls", TJson::array()}});
        for (TControl* control : controls) document["controls"].push_back(ControlJson(*control));
        PrintJson(document);
        return 0;
    }
    std::cout << form->Name() << ": " << form->ClassName() << "  " << form->Left() << ", " << form->Top()
              << ", client " << form->ClientWidth() << " x " << form->ClientHeight() << '\n';
    for (const auto& [name, value] : Properties(*form)) std::cout << "    " << name << " = " << PropertyText(value) << '\n';
    for (TControl* control : controls) PrintControlText(*control, 1);
    return 0;
}

}  // namespace zarixctl
