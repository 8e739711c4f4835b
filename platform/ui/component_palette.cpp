// The component palette.
#include "platform/ui/component_palette.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

#include <algorithm>
#include <mutex>

namespace zarix {

namespace {

struct TPalettePage {
    std::string Name;
    std::vector<TClass> Classes;
};

struct TPalette {
    std::mutex Lock;
    std::vector<TPalettePage> Pages;

    TPalettePage* Find(std::string_view name) {
        const auto it = std::find_if(Pages.begin(), Pages.end(), [&](const TPalettePage& p) { return SameText(p.Name, name); });
        return it != Pages.end() ? &*it : nullptr;
    }
    bool Holds(TClass cls) const {
        return std::any_of(Pages.begin(), Pages.end(), [&](const TPalettePage& p) {
            return std::find(p.Classes.begin(), p.Classes.end(), cls) != p.Classes.end();
        });
    }
};

TPalette& Palette() {
    static TPalette palette;
    return palette;
}

}  // namespace

void RegisterComponents(std::string_view Page, std::initializer_list<TClass> Classes) {
    if (Page.empty()) throw EComponentError("Components cannot be registered on a palette page without a name");
    if (std::find(Classes.begin(), Classes.end(), nullptr) != Classes.end())
        throw EComponentError("No class given to register on palette page " + std::string(Page));
    TPalette& palette = Palette();
    std::lock_guard guard(palette.Lock);
    for (TClass cls : Classes) {
        RegisterClass(*cls);
        if (palette.Holds(cls)) continue;
        TPalettePage* page = palette.Find(Page);
        if (page == nullptr) page = &palette.Pages.emplace_back(TPalettePage{std::string(Page), {}});
        page->Classes.push_back(cls);
    }
}

std::vector<std::string> PalettePages() {
    TPalette& palette = Palette();
    std::lock_guard guard(palette.Lock);
    std::vector<std::string> names;
    for (const TPalettePage& page : palette.Pages) names.push_back(page.Name);
    return names;
}

std::vector<TClass> PaletteClasses(std::string_view Page) {
    TPalette& palette = Palette();
    std::lock_guard guard(palette.Lock);
    const TPalettePage* page = palette.Find(Page);
    return page != nullptr ? page->Classes : std::vector<TClass>{};
}

std::string PalettePageOf(TClass Class) {
    TPalette& palette = Palette();
    std::lock_guard guard(palette.Lock);
    for (const TPalettePage& page : palette.Pages)
        if (std::find(page.Classes.begin(), page.Classes.end(), Class) != page.Classes.end()) return page.Name;
    return {};
}

void UnRegisterComponentsWhere(const std::function<bool(TClass)>& Predicate) {
    TPalette& palette = Palette();
    std::lock_guard guard(palette.Lock);
    for (TPalettePage& page : palette.Pages) std::erase_if(page.Classes, Predicate);
    std::erase_if(palette.Pages, [](const TPalettePage& p) { return p.Classes.empty(); });
}

}  // namespace zarix
